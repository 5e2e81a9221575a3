// What every display backend asks of a window it shows, through the public
// USER calls and the host calls.
#pragma once

#include <stdint.h>
#include <string.h>
#include <strings.h>

#include <string>
#include <vector>

#include <win32_host.h>
#include <windows.h>

namespace plat {

inline std::string window_text(HWND window) {
    const int n = GetWindowTextLengthA(window);
    std::string text(size_t(n) + 1, '\0');
    GetWindowTextA(window, text.data(), n + 1);
    text.resize(strlen(text.c_str()));
    return text;
}

// Whether the window's class is `name` (class names ignore case).
inline bool has_class(HWND window, const char* name) {
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    return strcasecmp(cls, name) == 0;
}

// An icon as 32-bit pixels: R, G, B, A bytes, top-down rows, transparent
// where its mask says so (or as its own alpha says, where it has one).
struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

inline bool icon_pixels(HICON icon, IconPixels* out) {
    HOST_ICON_IMAGE image;
    if (!icon || !host_get_icon_image(icon, &image) || image.width <= 0 || image.height <= 0) return false;
    const size_t n = size_t(image.width) * size_t(image.height);
    out->width = image.width;
    out->height = image.height;
    out->rgba.resize(n * 4);
    for (size_t i = 0; i < n; ++i) {
        const DWORD p = image.pixels[i];
        const bool transparent = image.mask && image.mask[i];
        uint8_t* o = &out->rgba[i * 4];
        o[0] = uint8_t(p >> 16);
        o[1] = uint8_t(p >> 8);
        o[2] = uint8_t(p);
        o[3] = image.has_alpha ? uint8_t(p >> 24) : transparent ? 0 : 255;
    }
    return true;
}

// A control's rectangle in its dialog's (parent's) client area.
inline RECT control_rect(HWND control) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(control, &r);
    POINT origin = {0, 0};
    ClientToScreen(GetParent(control), &origin);
    OffsetRect(&r, -origin.x, -origin.y);
    return r;
}

// Grows `dirty` to cover `r` as well; empty rectangles add nothing.
inline void add_dirty(RECT* dirty, const RECT& r) { UnionRect(dirty, dirty, &r); }

}  // namespace plat
