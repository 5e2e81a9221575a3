// What every display backend asks of a window it shows, through the public
// USER calls and the host calls.
#pragma once

#include <stdint.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
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

// The largest whole factor by which `icon` fits a size x size square; 0 if
// it does not fit at all.
inline int whole_factor(const IconPixels& icon, int size) {
    return icon.width > 0 && icon.height > 0 ? std::min(size / icon.width, size / icon.height) : 0;
}

// `icon` on a size x size square: enlarged by that factor, each pixel a block
// of its colour, as icons are pixel art, and centred on transparency.
inline bool icon_on_square(const IconPixels& icon, int size, IconPixels* out) {
    const int k = whole_factor(icon, size);
    if (k < 1) return false;
    const int left = (size - icon.width * k) / 2, top = (size - icon.height * k) / 2;
    out->width = out->height = size;
    out->rgba.assign(size_t(size) * size_t(size) * 4, 0);
    for (int y = 0; y < icon.height * k; ++y)
        for (int x = 0; x < icon.width * k; ++x)
            memcpy(&out->rgba[(size_t(top + y) * size + left + x) * 4],
                   &icon.rgba[(size_t(y / k) * icon.width + x / k) * 4], 4);
    return true;
}

// The picture for a size x size square from a window's large and small icon:
// the one that covers more of it once enlarged by whole pixels, the large one
// on a tie.
inline bool icon_for_square(HICON large, HICON small, int size, IconPixels* out) {
    IconPixels big, little;
    const bool has_big = icon_pixels(large, &big), has_little = icon_pixels(small, &little);
    const int covered_big = has_big ? whole_factor(big, size) * big.width : 0;
    const int covered_little = has_little ? whole_factor(little, size) * little.width : 0;
    if (covered_big == 0 && covered_little == 0) return false;
    return icon_on_square(covered_big >= covered_little ? big : little, size, out);
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
