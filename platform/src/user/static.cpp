// The Static control class: labels and icons. Labels paint their
// background (text is not drawn: this platform has no fonts); SS_ICON
// statics load their icon by resource id and take its size.
#include <win32_host.h>

#include "user/user_private.h"

namespace plat {

namespace {

// Window extra bytes: the icon.
constexpr int kIconOffset = 0;

bool is_icon(const Window* w) { return (w->style & SS_TYPEMASK) == SS_ICON; }

HICON set_icon(HWND control, HICON icon) {
    HICON old = reinterpret_cast<HICON>(SetWindowLongPtrA(control, kIconOffset, reinterpret_cast<LONG_PTR>(icon)));
    Window* w = handle_cast<Window>(control);
    HOST_ICON_IMAGE image;
    // The control takes the icon's size unless told to keep its own.
    if (w && icon && !(w->style & (SS_CENTERIMAGE | SS_REALSIZECONTROL)) && host_get_icon_image(icon, &image))
        MoveWindow(control, w->window_rect.left, w->window_rect.top, image.width, image.height, FALSE);
    InvalidateRect(control, nullptr, TRUE);
    return old;
}

// The icon named by a control's title: a resource ordinal (0xff, then the
// number; read no further than the string goes) or a name.
HICON load_title_icon(HINSTANCE instance, LPCSTR title) {
    if (!title || !*title) return nullptr;
    if (static_cast<BYTE>(title[0]) == 0xff) {
        if (!title[1]) return nullptr;
        WORD id = WORD(static_cast<BYTE>(title[1]) | (static_cast<BYTE>(title[2]) << 8));
        return LoadIconA(instance, MAKEINTRESOURCEA(id));
    }
    return LoadIconA(instance, title);
}

// Opaque pixels of the icon, centred for SS_CENTERIMAGE; pixels with an
// alpha channel count as opaque from half coverage on.
void draw_icon(HDC dc, const Window* w, HICON icon) {
    HOST_ICON_IMAGE image;
    if (!host_get_icon_image(icon, &image)) return;
    RECT client = w->client_size();
    int left = 0, top = 0;
    if (w->style & SS_CENTERIMAGE) {
        left = (client.right - image.width) / 2;
        top = (client.bottom - image.height) / 2;
    }
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            size_t i = size_t(y) * size_t(image.width) + size_t(x);
            if (image.mask[i]) continue;
            DWORD pixel = image.pixels[i];
            if (image.has_alpha && (pixel >> 24) < 0x80) continue;
            SetPixel(dc, left + x, top + y, colorref_from_pixel(pixel & 0xffffff));
        }
    }
}

void paint(HWND control, HDC dc) {
    Window* w = handle_cast<Window>(control);
    HWND parent = w->parent;
    HBRUSH brush = nullptr;
    if (parent) {
        brush = reinterpret_cast<HBRUSH>(
            SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
        if (!brush)
            brush = reinterpret_cast<HBRUSH>(DefWindowProcA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                            reinterpret_cast<LPARAM>(control)));
    }
    if (!(w = handle_cast<Window>(control))) return;
    RECT client = w->client_size();
    if (brush) FillRect(dc, &client, brush);
    HICON icon = reinterpret_cast<HICON>(GetWindowLongPtrA(control, kIconOffset));
    if (is_icon(w) && icon) draw_icon(dc, w, icon);
}

LRESULT CALLBACK static_proc(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* w = handle_cast<Window>(control);
    if (!w) return 0;
    switch (message) {
    case WM_CREATE:
        if (is_icon(w)) {
            const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lparam);
            if (HICON icon = load_title_icon(cs->hInstance, cs->lpszName)) set_icon(control, icon);
        }
        return 0;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case STM_SETICON: return reinterpret_cast<LRESULT>(set_icon(control, reinterpret_cast<HICON>(wparam)));
    case STM_GETICON: return GetWindowLongPtrA(control, kIconOffset);
    default: return control_default(control, message, wparam, lparam, paint);
    }
}

}  // namespace

void static_class_register() {
    class_register_builtin("Static", 0x0082, CS_DBLCLKS, static_proc, sizeof(HICON), nullptr);
}

}  // namespace plat
