// DefWindowProcA: what a window does with the messages its procedure leaves.
#include <algorithm>

#include <windows.h>

#include "user/nonclient.h"
#include "user/user_private.h"

using namespace plat;

namespace {

// Bit 13 of a key message's high word: Alt was down.
constexpr WORD kAltDown = 0x2000;

// The erase a class asks for: its background brush over the part of the
// client area the DC may touch.
LRESULT erase_background(Window* w, HDC dc) {
    HBRUSH brush = w->cls->background;
    if (!brush) return 0;
    RECT client = w->client_size();
    FillRect(dc, &client, brush);
    return 1;
}

}  // namespace

extern "C" LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* w = handle_cast<Window>(window);
    if (!w) return 0;
    switch (message) {
    case WM_NCCREATE: {
        // The title arrives here; a name starting with 0xff is a resource ordinal, not text.
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        if (cs && cs->lpszName && static_cast<BYTE>(cs->lpszName[0]) != 0xff) win_set_text(w, cs->lpszName);
        return TRUE;
    }
    case WM_NCCALCSIZE:
        if (!wparam && lparam) {
            RECT* rect = reinterpret_cast<RECT*>(lparam);
            *rect = nc_client_rect(*rect, w->style, w->has_menu_bar(), w->ex_style);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND: return erase_background(w, reinterpret_cast<HDC>(wparam));
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_SETTEXT: win_set_text(w, reinterpret_cast<LPCSTR>(lparam)); return TRUE;
    case WM_GETTEXT:
        if (wparam == 0 || !lparam) return 0;
        return text_copy(w->text, reinterpret_cast<LPSTR>(lparam), int(std::min<WPARAM>(wparam, INT32_MAX)));
    case WM_GETTEXTLENGTH: return LRESULT(w->text.size());
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) SetFocus(window);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 asks the top-level window to close.
        if (wparam == VK_F4 && (HIWORD(lparam) & kAltDown))
            PostMessageA(win_top_level(window), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xfff0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE));
    default: return 0;
    }
}
