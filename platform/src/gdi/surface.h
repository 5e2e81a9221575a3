// What USER sees of GDI: the pixels behind each window (its surface) and the
// DCs that draw on them. The surface's layout stays GDI's own.
#pragma once

#include <stdint.h>

#include <windows.h>

namespace plat {

// COLORREF (0x00BBGGRR) to surface pixel (0x00RRGGBB, a 32-bit DIB's byte
// order) and back.
inline uint32_t pixel_from_colorref(COLORREF c) {
    return ((c & 0xff) << 16) | (c & 0xff00) | ((c >> 16) & 0xff);
}
inline COLORREF colorref_from_pixel(uint32_t p) {
    return ((p & 0xff) << 16) | (p & 0xff00) | ((p >> 16) & 0xff);
}

// A window's pixels: a bitmap outside the handle table, owned by its window.
struct Bitmap;
Bitmap* gdi_new_surface(int width, int height, uint32_t fill);
void gdi_resize_surface(Bitmap* surface, int width, int height, uint32_t fill);
void gdi_free_surface(Bitmap* surface);
// Top-down rows of *width pixels.
const uint32_t* gdi_surface_pixels(const Bitmap* surface, int* width, int* height);

// Window DCs: a DC drawing on `surface`, limited to `bounds` (surface
// coordinates); ended by gdi_delete_window_dc (ReleaseDC/EndPaint).
HDC gdi_create_window_dc(HWND window, Bitmap* surface, const RECT& bounds);
void gdi_delete_window_dc(HDC dc);
// The window and bounds a window DC was made with; false for any other handle.
bool gdi_window_dc_of(HDC dc, HWND* window, RECT* bounds);

// Deletes every DC and GDI object but the stock ones, as at process start;
// window DCs go with their windows first.
void gdi_reset();

// Makes a GDI object permanent, as stock objects are: DeleteObject leaves it.
void gdi_make_permanent(HGDIOBJ object);

}  // namespace plat
