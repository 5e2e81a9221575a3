// The probe: a WH_GETMESSAGE hook that runs inside pofurin.exe (see probe.h).
#include "probe.h"

#include <string>

namespace {

// Ticks of the frame timer taken off the queue for the main window; the
// program draws one frame for each.
LONG g_frames;
HWND g_main_window;

UINT query_message() {
    static UINT message = RegisterWindowMessageW(PROBE_QUERY_MESSAGE_NAME);
    return message;
}

bool is_main_window(HWND window) {
    if (window == NULL) return false;
    if (window == g_main_window) return true;
    wchar_t name[16];
    if (GetClassNameW(window, name, 16) == 2 && name[0] == L'M' && name[1] == L'Y') {
        g_main_window = window;
        return true;
    }
    return false;
}

std::wstring number(long long value) { return std::to_wstring(value); }

std::wstring hex(unsigned long value) {
    wchar_t text[16];
    wsprintfW(text, L"%lx", value);
    return text;
}

std::wstring menu_text(HMENU menu, int position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return text;
}

// "<kind> <path> <text> <identifier> <type> <state> <sub-items>" per entry,
// tab separated, the bar entries each followed by their drop-down's items.
std::wstring describe_menu(HWND window) {
    HMENU bar = GetMenu(window);
    std::wstring out = L"menu\t" + std::wstring(bar ? L"yes" : L"no") + L"\n";
    if (!bar) return out;
    int entries = GetMenuItemCount(bar);
    for (int i = 0; i < entries; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
        GetMenuItemInfoW(bar, i, TRUE, &info);
        HMENU drop_down = GetSubMenu(bar, i);
        int items = drop_down ? GetMenuItemCount(drop_down) : 0;
        out += L"bar\t" + number(i) + L"\t" + menu_text(bar, i) + L"\t" + number((int)GetMenuItemID(bar, i)) + L"\t" +
               hex(info.fType) + L"\t" + hex(info.fState) + L"\t" + number(items) + L"\n";
        for (int j = 0; j < items; ++j) {
            MENUITEMINFOW item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU;
            GetMenuItemInfoW(drop_down, j, TRUE, &item);
            HMENU nested = GetSubMenu(drop_down, j);
            out += L"item\t" + number(i) + L"." + number(j) + L"\t" + menu_text(drop_down, j) + L"\t" +
                   number((int)GetMenuItemID(drop_down, j)) + L"\t" + hex(item.fType) + L"\t" + hex(item.fState) +
                   L"\t" + number(nested ? GetMenuItemCount(nested) : 0) + L"\n";
        }
    }
    return out;
}

// Names the 16-colour palette entries the icons use, given as a DIB pixel
// (0x00RRGGBB). The icon is drawn over magenta, which none of them uses, so
// magenta means transparent.
std::wstring colour_name(DWORD rgb) {
    switch (rgb & 0xffffff) {
    case 0xff00ff: return L"clear";
    case 0x000000: return L"black";
    case 0x000080: return L"navy";
    case 0x0000ff: return L"blue";
    case 0x00ffff: return L"cyan";
    case 0xffffff: return L"white";
    default: return L"#" + hex(rgb & 0xffffff);
    }
}

// The icon's size and the colours met from the left edge to the centre of
// its middle row, each run of equal pixels named once.
std::wstring describe_icon(const wchar_t* which, HICON icon, HICON resource) {
    ICONINFO info = {};
    BITMAP colour = {};
    BITMAP mask = {};
    if (!icon || !GetIconInfo(icon, &info)) return std::wstring(L"icon\t") + which + L"\tnone\n";
    if (info.hbmColor) GetObjectW(info.hbmColor, sizeof colour, &colour);
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    int width = info.hbmColor ? colour.bmWidth : mask.bmWidth;
    int height = info.hbmColor ? colour.bmHeight : mask.bmHeight / 2;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    std::wstring runs;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP surface = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (surface && width > 0 && height > 0) {
        HGDIOBJ old = SelectObject(dc, surface);
        DWORD* pixels = static_cast<DWORD*>(bits);
        for (int i = 0; i < width * height; ++i) pixels[i] = 0xff00ff;
        DrawIconEx(dc, 0, 0, icon, width, height, 0, NULL, DI_NORMAL);
        GdiFlush();
        std::wstring last;
        for (int x = 0; x <= width / 2; ++x) {
            DWORD p = pixels[(height / 2) * width + x];
            std::wstring name = colour_name(p);
            if (name != last) runs += (runs.empty() ? L"" : L",") + name;
            last = name;
        }
        SelectObject(dc, old);
    }
    if (surface) DeleteObject(surface);
    DeleteDC(dc);
    return std::wstring(L"icon\t") + which + L"\t" + number(width) + L"\t" + number(height) + L"\t" +
           (icon == resource ? L"yes" : L"no") + L"\t" + runs + L"\n";
}

// The class icons, and whether each is the shared handle of the resource it
// should come from (LoadIcon hands out one handle per resource).
std::wstring describe_icons(HWND window) {
    HINSTANCE module = GetModuleHandleW(NULL);
    HICON large = (HICON)GetClassLongPtrW(window, GCLP_HICON);
    HICON small = (HICON)GetClassLongPtrW(window, GCLP_HICONSM);
    return describe_icon(L"large", large, LoadIconW(module, MAKEINTRESOURCEW(107))) +
           describe_icon(L"small", small, LoadIconW(module, MAKEINTRESOURCEW(108)));
}

void answer(HWND window, HWND checker, LPARAM query) {
    std::wstring text;
    switch (PROBE_REQUEST(query)) {
    case PROBE_MENU: text = describe_menu(window); break;
    case PROBE_ICONS: text = describe_icons(window); break;
    case PROBE_FRAMES: text = L"frames\t" + number(g_frames) + L"\n"; break;
    default: text = L"unknown\n"; break;
    }
    COPYDATASTRUCT data;
    data.dwData = (ULONG_PTR)query;
    data.cbData = (DWORD)(text.size() * sizeof(wchar_t));
    data.lpData = text.data();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(checker, WM_COPYDATA, (WPARAM)window, (LPARAM)&data, SMTO_ABORTIFHUNG, 5000, &result);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK probe_get_message(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* message = reinterpret_cast<MSG*>(lParam);
        if (message->message == WM_TIMER && is_main_window(message->hwnd)) {
            ++g_frames;
        } else if (message->message == query_message() && is_main_window(message->hwnd)) {
            answer(message->hwnd, (HWND)message->wParam, message->lParam);
            // The program never sees the query.
            message->message = WM_NULL;
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
