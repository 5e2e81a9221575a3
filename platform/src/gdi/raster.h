// Pixel primitives: they know only a 32-bit surface and a clip rectangle.
// Pixels are 0x00RRGGBB words (a 32-bit DIB's byte order). Every primitive
// writes only inside `clip`, which the caller has already intersected with
// the surface bounds; geometry may lie anywhere, including negative coordinates.
#pragma once

#include <stdint.h>

#include <algorithm>

#include <windows.h>

#include "gdi/surface.h"
#include "geometry.h"

namespace plat {

struct Surface {
    uint32_t* bits;
    int width;
    int height;
    int stride;  // pixels per row
};


// Fills the half-open rectangle r (left/top inclusive, right/bottom exclusive).
void raster_fill(const Surface& s, const RECT& clip, const RECT& r, uint32_t pixel);

// A cosmetic one-pixel solid line from `from` to `to`, the end point excluded,
// pixel for pixel as the platform's GDI draws it.
void raster_line(const Surface& s, const RECT& clip, POINT from, POINT to, uint32_t pixel);

// Rectangle(): outline with the pen, inside with the brush; a null pointer
// means a null pen or brush. `box` is as passed to Rectangle (any order).
void raster_rectangle(const Surface& s, const RECT& clip, RECT box, const uint32_t* pen, const uint32_t* brush);

// Ellipse(): same conventions as raster_rectangle.
void raster_ellipse(const Surface& s, const RECT& clip, RECT box, const uint32_t* pen, const uint32_t* brush);

// raster_line_bounds of a line with a far-off end.
RECT raster_far_line_bounds(POINT from, POINT to);

// The rectangle of pixels a shape with this box, or a line between these
// points, may touch (half-open, not clipped); used to track which part of a
// bitmap has been drawn on. Inline for the common cases.
inline RECT raster_rectangle_bounds(RECT box) {
    const RECT r = rect_ordered(box);
    return rect_is_empty(r) ? RECT{0, 0, 0, 0} : r;
}
inline RECT raster_ellipse_bounds(RECT box) { return raster_rectangle_bounds(box); }
inline RECT raster_line_bounds(POINT from, POINT to) {
    constexpr LONG kFar = 0x10000000;  // points this far off are scaled down before drawing
    if (from.x >= kFar || from.x <= -kFar || from.y >= kFar || from.y <= -kFar || to.x >= kFar || to.x <= -kFar ||
        to.y >= kFar || to.y <= -kFar)
        return raster_far_line_bounds(from, to);
    return RECT{std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x) + 1,
                std::max(from.y, to.y) + 1};
}

}  // namespace plat
