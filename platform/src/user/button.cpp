// The Button control class: push buttons as the dialog manager uses them.
// Buttons draw their face and edges; text is not drawn (this platform has
// no fonts), a display backend shows the window text itself.
#include "user/user_private.h"

namespace plat {

namespace {

// Window extra bytes: the pushed state.
constexpr int kStateOffset = 0;

bool pushed(HWND button) { return GetWindowLongPtrA(button, kStateOffset) & BST_PUSHED; }

void set_pushed(HWND button, bool on) {
    if (pushed(button) == on) return;
    SetWindowLongPtrA(button, kStateOffset, on ? BST_PUSHED : 0);
    InvalidateRect(button, nullptr, FALSE);
}

void notify_clicked(HWND button) {
    HWND parent = GetParent(button);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
}

// A one-pixel frame inside `r` in a system colour.
void frame(HDC dc, const RECT& r, int top_left, int bottom_right) {
    RECT edge = {r.left, r.top, r.right, r.top + 1};
    FillRect(dc, &edge, reinterpret_cast<HBRUSH>(INT_PTR(top_left + 1)));
    edge = RECT{r.left, r.top, r.left + 1, r.bottom};
    FillRect(dc, &edge, reinterpret_cast<HBRUSH>(INT_PTR(top_left + 1)));
    edge = RECT{r.left, r.bottom - 1, r.right, r.bottom};
    FillRect(dc, &edge, reinterpret_cast<HBRUSH>(INT_PTR(bottom_right + 1)));
    edge = RECT{r.right - 1, r.top, r.right, r.bottom};
    FillRect(dc, &edge, reinterpret_cast<HBRUSH>(INT_PTR(bottom_right + 1)));
}

// The classic push button: face, a black frame for the default button,
// then a raised (or, pushed, a flat shadow) edge.
void paint(HWND button, HDC dc) {
    Window* w = handle_cast<Window>(button);
    RECT r = w->client_size();
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if ((w->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        frame(dc, r, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
        InflateRect(&r, -1, -1);
    }
    if (pushed(button)) {
        frame(dc, r, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
        return;
    }
    frame(dc, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
    InflateRect(&r, -1, -1);
    frame(dc, r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
}

LRESULT CALLBACK button_proc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* w = handle_cast<Window>(button);
    if (!w) return 0;
    switch (message) {
    case WM_GETDLGCODE:
        switch (w->style & BS_TYPEMASK) {
        case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        default: return DLGC_BUTTON;
        }
    case WM_KEYDOWN:
        if (wparam == VK_SPACE) set_pushed(button, true);
        return 0;
    case WM_KEYUP:
        if (wparam == VK_SPACE && pushed(button)) {
            set_pushed(button, false);
            notify_clicked(button);
        }
        return 0;
    case BM_CLICK: notify_clicked(button); return 0;
    case BM_GETSTATE: return (pushed(button) ? BST_PUSHED : 0) | (GetFocus() == button ? BST_FOCUS : 0);
    case BM_SETSTATE: set_pushed(button, wparam != 0); return 0;
    case BM_SETSTYLE:
        w->style = (w->style & ~BS_TYPEMASK) | (DWORD(wparam) & BS_TYPEMASK);
        if (lparam) InvalidateRect(button, nullptr, TRUE);
        return 0;
    case WM_KILLFOCUS: set_pushed(button, false); [[fallthrough]];
    case WM_SETFOCUS:
    case WM_ENABLE: InvalidateRect(button, nullptr, FALSE); return 0;
    default: return control_default(button, message, wparam, lparam, paint);
    }
}

}  // namespace

void button_class_register() {
    class_register_builtin("Button", 0x0080, CS_DBLCLKS | CS_VREDRAW | CS_HREDRAW, button_proc, sizeof(LONG_PTR),
                           nullptr);
}

}  // namespace plat
