// Pixel primitives: they know only a 32-bit surface and a clip rectangle.
// Pixels are 0x00RRGGBB words (a 32-bit DIB's byte order). Every primitive
// writes only inside `clip`, which the caller has already intersected with
// the surface bounds; geometry may lie anywhere, including negative coordinates.
#pragma once

#include <stdint.h>

#include <algorithm>
#include <utility>

#include <windows.h>

namespace plat {

struct Surface {
    uint32_t* bits;
    int width;
    int height;
    int stride;  // pixels per row
};

// COLORREF (0x00BBGGRR) to surface pixel (0x00RRGGBB).
inline uint32_t pixel_from_colorref(COLORREF c) {
    return ((c & 0xff) << 16) | (c & 0xff00) | ((c >> 16) & 0xff);
}
inline COLORREF colorref_from_pixel(uint32_t p) {
    return ((p & 0xff) << 16) | (p & 0xff00) | ((p >> 16) & 0xff);
}

// Fills the half-open rectangle r (left/top inclusive, right/bottom exclusive).
void raster_fill(const Surface& s, const RECT& clip, const RECT& r, uint32_t pixel);

// A cosmetic one-pixel solid line from `from` to `to`, the end point excluded,
// pixel for pixel as the platform's GDI draws it.
void raster_line(const Surface& s, const RECT& clip, POINT from, POINT to, uint32_t pixel);

// Rectangle(): outline with the pen, inside with the brush; a null pointer
// means a null pen or brush. `box` is as passed to Rectangle (any order).
void raster_rectangle(const Surface& s, const RECT& clip, RECT box, const uint32_t* pen, const uint32_t* brush);

// Ellipse(): same conventions as raster_rectangle. Call it for every Ellipse()
// with a non-empty box, even when nothing of it can show or both pen and
// brush are null: like the platform's, each call recycles scratch blocks
// whose contents later narrow ellipses can show (see raster_reset_scratch).
void raster_ellipse(const Surface& s, const RECT& clip, RECT box, const uint32_t* pen, const uint32_t* brush);

// Ellipse() recycles scratch blocks whose old contents can show through in
// very narrow ellipses, as the platform's own heap does (see raster.cpp).
// This forgets them, as at process start; tests call it for a known state.
void raster_reset_scratch();

// raster_ellipse_bounds of an ordered box taller than wide (at least 3 wide),
// raster_line_bounds of a line with a far-off end.
RECT raster_narrow_ellipse_bounds(const RECT& box);
RECT raster_far_line_bounds(POINT from, POINT to);

// The rectangle of pixels a shape with this box, or a line between these
// points, may touch (half-open, not clipped); used to track which part of a
// bitmap has been drawn on. For a narrow ellipse it includes the rows it
// would copy from a recycled block, so call it right before or right after
// drawing the shape. Inline for the common cases; the others are below.
inline RECT raster_rectangle_bounds(RECT box) {
    if (box.left > box.right) std::swap(box.left, box.right);
    if (box.top > box.bottom) std::swap(box.top, box.bottom);
    if (box.left == box.right || box.top == box.bottom) return RECT{0, 0, 0, 0};
    return box;
}
inline RECT raster_ellipse_bounds(RECT box) {
    box = raster_rectangle_bounds(box);
    const int64_t w = int64_t(box.right) - box.left, h = int64_t(box.bottom) - box.top;
    return w >= 3 && w < h ? raster_narrow_ellipse_bounds(box) : box;
}
inline RECT raster_line_bounds(POINT from, POINT to) {
    constexpr LONG kFar = 0x10000000;  // points this far off are scaled down before drawing
    if (from.x >= kFar || from.x <= -kFar || from.y >= kFar || from.y <= -kFar || to.x >= kFar || to.x <= -kFar ||
        to.y >= kFar || to.y <= -kFar)
        return raster_far_line_bounds(from, to);
    return RECT{std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x) + 1,
                std::max(from.y, to.y) + 1};
}

}  // namespace plat
