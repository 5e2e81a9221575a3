// Rectangles and coordinate arithmetic shared by GDI and USER. Sums on
// values a caller passed are taken in 64 bits and saturated back to 32, so
// that no call overflows whatever it is given; nothing the platform draws or
// places lies anywhere near the limits, so saturating never changes a pixel.
#pragma once

#include <stdint.h>

#include <algorithm>

#include <windows.h>

namespace plat {

inline LONG saturate(int64_t v) { return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

inline LONG saturating_add(int64_t a, int64_t b) { return saturate(a + b); }

// Where the platform's own 32-bit arithmetic wraps around (OffsetRect,
// window frames), the same wrap, without overflowing.
inline LONG wrapping_add(LONG a, int64_t b) { return LONG(uint32_t(int64_t(a) + b)); }

// Empty means no area: right <= left or bottom <= top.
inline bool rect_is_empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// The common part of a and b; {0, 0, 0, 0} when they do not overlap.
inline RECT rect_intersect(const RECT& a, const RECT& b) {
    const RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    return rect_is_empty(r) ? RECT{0, 0, 0, 0} : r;
}

// The smallest rectangle that holds a and b; an empty one adds nothing, and
// two empty ones make {0, 0, 0, 0}.
inline RECT rect_union(const RECT& a, const RECT& b) {
    if (rect_is_empty(b)) return rect_is_empty(a) ? RECT{0, 0, 0, 0} : a;
    if (rect_is_empty(a)) return b;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// Corners given in any order (as Rectangle, Ellipse and PatBlt take them)
// made left <= right and top <= bottom.
inline RECT rect_ordered(const RECT& r) {
    return RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                std::max(r.top, r.bottom)};
}

// An ordered rectangle in 64 bits, for the rasterizer: its edge arithmetic
// (last column, one past an edge) then never overflows.
struct Box {
    int64_t left, top, right, bottom;
};

inline Box box_ordered(const RECT& r) {
    const RECT o = rect_ordered(r);
    return Box{o.left, o.top, o.right, o.bottom};
}

}  // namespace plat
