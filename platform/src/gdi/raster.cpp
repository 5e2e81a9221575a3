// Pixel rules of a 32-bit DIB: cosmetic solid lines, Rectangle and Ellipse
// exactly as Wine's DIB engine draws them, down to the octant bias of its
// Bresenham lines and the midpoint walk of its ellipses. Everything is
// written as clipped horizontal spans or single pixels; nothing allocates.
#include "gdi/raster.h"

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <cstdlib>

namespace plat {
namespace {

// The drawable area: the clip rectangle cut to the surface.
struct Area {
    int left, top, right, bottom;
};

Area area_of(const Surface& s, const RECT& clip) {
    Area a;
    a.left = std::max<int>(clip.left, 0);
    a.top = std::max<int>(clip.top, 0);
    a.right = std::min<int>(clip.right, s.width);
    a.bottom = std::min<int>(clip.bottom, s.height);
    if (!s.bits || a.left >= a.right || a.top >= a.bottom) a = Area{0, 0, 0, 0};
    return a;
}

bool is_empty(const Area& a) { return a.left >= a.right || a.top >= a.bottom; }

// Fills [x0, x1) x [y0, y1), given in any range.
void fill(const Surface& s, const Area& a, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t pixel) {
    x0 = std::max<int64_t>(x0, a.left);
    y0 = std::max<int64_t>(y0, a.top);
    x1 = std::min<int64_t>(x1, a.right);
    y1 = std::min<int64_t>(y1, a.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    uint32_t* row = s.bits + static_cast<ptrdiff_t>(y0) * s.stride + x0;
    const ptrdiff_t n = x1 - x0;
    for (int64_t y = y0; y < y1; y++, row += s.stride) std::fill_n(row, n, pixel);
}

// Inclusive span [x0, x1] of row y.
inline void span(const Surface& s, const Area& a, int64_t y, int64_t x0, int64_t x1, uint32_t pixel) {
    if (y < a.top || y >= a.bottom) return;
    x0 = std::max<int64_t>(x0, a.left);
    x1 = std::min<int64_t>(x1, a.right - 1);
    if (x0 > x1) return;
    std::fill_n(s.bits + static_cast<ptrdiff_t>(y) * s.stride + x0, x1 - x0 + 1, pixel);
}

// ---------------------------------------------------------------------------
// Lines. Octants are numbered 1..8 clockwise from +x (y grows downwards); a
// line's octant fixes its major axis, its step directions and whether the
// error term rounds up ("bias") on a tie, which keeps a line and its reverse
// on the same pixels.

constexpr unsigned kXMajorOctants = 0x99;    // 1, 4, 5, 8
constexpr unsigned kPosSlopeOctants = 0x33;  // 1, 2, 5, 6
constexpr unsigned kXIncOctants = 0xc3;      // 1, 2, 7, 8
constexpr unsigned kYIncOctants = 0x0f;      // 1, 2, 3, 4
constexpr unsigned kBiasOctants = 0xb4;      // 3, 5, 6, 8

unsigned octant_mask(int dx, int dy) {
    int octant;
    if (dy > 0) {
        if (dx > 0)
            octant = dx > dy ? 1 : 2;
        else
            octant = -dx > dy ? 4 : 3;
    } else {
        if (dx < 0)
            octant = -dx > -dy ? 5 : 6;
        else
            octant = dx > -dy ? 8 : 7;
    }
    return 1u << (octant - 1);
}

struct Pt {
    int x, y;
};

struct Bres {
    unsigned dx, dy;  // absolute extents
    int bias;
    unsigned octant;
};

enum : unsigned { kOutLeft = 1, kOutRight = 2, kOutTop = 4, kOutBottom = 8 };

unsigned outcode(Pt p, const Area& c) {
    unsigned out = 0;
    if (p.x < c.left)
        out |= kOutLeft;
    else if (p.x >= c.right)
        out |= kOutRight;
    if (p.y < c.top)
        out |= kOutTop;
    else if (p.y >= c.bottom)
        out |= kOutBottom;
    return out;
}

// Moves the end points of a line onto the first and last pixels of it that lie
// in `c`, solving the Bresenham error inequalities for the step where the line
// enters and leaves, so clipping never moves a pixel. 0: nothing inside,
// 1: clipped, 2: wholly inside.
int clip_line(Pt start, Pt end, const Area& c, const Bres& b, Pt* p1, Pt* p2) {
    const int64_t bias = b.bias;
    const int64_t dx = b.dx, dy = b.dy;
    const int64_t two_dx = 2 * dx, two_dy = 2 * dy;
    const bool xmajor = b.octant & kXMajorOctants;
    const bool neg_slope = !(b.octant & kPosSlopeOctants);
    bool clipped = false;
    *p1 = start;
    *p2 = end;
    unsigned start_oc = outcode(start, c), end_oc = outcode(end, c);
    for (;;) {
        if (!start_oc && !end_oc) return clipped ? 1 : 2;
        if (start_oc & end_oc) return 0;
        clipped = true;
        int64_t m, n;
        if (start_oc & (kOutLeft | kOutRight)) {
            const bool left = start_oc & kOutLeft;
            m = left ? int64_t(c.left) - start.x : int64_t(start.x) - c.right + 1;
            n = xmajor ? (m * two_dy + bias + dx - 1) / two_dx : (m * two_dy - bias - dy) / two_dx + 1;
            if (neg_slope) n = -n;
            p1->x = left ? c.left : c.right - 1;
            p1->y = static_cast<int>(left ? start.y + n : start.y - n);
            start_oc = outcode(*p1, c);
        } else if (start_oc & (kOutTop | kOutBottom)) {
            const bool top = start_oc & kOutTop;
            n = top ? int64_t(c.top) - start.y : int64_t(start.y) - c.bottom + 1;
            m = xmajor ? (n * two_dx - bias - dx) / two_dy + 1 : (n * two_dx + bias + dy - 1) / two_dy;
            if (neg_slope) m = -m;
            p1->y = top ? c.top : c.bottom - 1;
            p1->x = static_cast<int>(top ? start.x + m : start.x - m);
            start_oc = outcode(*p1, c);
        } else if (end_oc & (kOutLeft | kOutRight)) {
            const bool left = end_oc & kOutLeft;
            m = left ? int64_t(c.left) - end.x : int64_t(end.x) - c.right + 1;
            n = xmajor ? (m * two_dy - bias + dx) / two_dx : (m * two_dy + bias - dy - 1) / two_dx + 1;
            if (neg_slope) n = -n;
            p2->x = left ? c.left : c.right - 1;
            p2->y = static_cast<int>(left ? end.y + n : end.y - n);
            end_oc = outcode(*p2, c);
        } else {
            const bool top = end_oc & kOutTop;
            n = top ? int64_t(c.top) - end.y : int64_t(end.y) - c.bottom + 1;
            m = xmajor ? (n * two_dx + bias - dx - 1) / two_dy + 1 : (n * two_dx - bias + dy) / two_dy;
            if (neg_slope) m = -m;
            p2->y = top ? c.top : c.bottom - 1;
            p2->x = static_cast<int>(top ? end.x + m : end.x - m);
            end_oc = outcode(*p2, c);
        }
    }
}

// Very distant points are scaled down (each on its own) so that the error
// terms below cannot overflow; the platform's GDI does the same.
Pt crop(POINT p) {
    if (p.x >= 0x10000000 || p.x <= -0x10000000 || p.y >= 0x10000000 || p.y <= -0x10000000)
        return Pt{p.x / 8, p.y / 8};
    return Pt{p.x, p.y};
}

// The error arithmetic wraps at 32 bits like the platform's int; its true
// values always fit, so wrapping intermediate products gives them exactly.
inline int32_t wrap32(uint32_t v) { return static_cast<int32_t>(v); }

void sloped_line(const Surface& s, const Area& a, POINT from, POINT to, uint32_t pixel) {
    const Pt p1 = crop(from), p2 = crop(to);
    const int dx = p2.x - p1.x, dy = p2.y - p1.y;
    Bres b;
    b.dx = static_cast<unsigned>(dx < 0 ? -dx : dx);
    b.dy = static_cast<unsigned>(dy < 0 ? -dy : dy);
    b.octant = octant_mask(dx, dy);
    b.bias = (b.octant & kBiasOctants) ? 1 : 0;
    const bool xmajor = b.octant & kXMajorOctants;
    const int x_inc = (b.octant & kXIncOctants) ? 1 : -1;
    const int y_inc = (b.octant & kYIncOctants) ? 1 : -1;

    // Clip against the line's own bounding box within the area, as the
    // platform does, so the clipped end points come out the same.
    Area c;
    c.left = std::max(std::min(p1.x, p2.x), a.left);
    c.top = std::max(std::min(p1.y, p2.y), a.top);
    c.right = static_cast<int>(std::min<int64_t>(int64_t(std::max(p1.x, p2.x)) + 1, a.right));
    c.bottom = static_cast<int>(std::min<int64_t>(int64_t(std::max(p1.y, p2.y)) + 1, a.bottom));
    if (is_empty(c)) return;

    Pt cs, ce;
    if (!clip_line(p1, p2, c, b, &cs, &ce)) return;

    const uint32_t m = static_cast<uint32_t>(std::abs(int64_t(cs.x) - p1.x));
    const uint32_t n = static_cast<uint32_t>(std::abs(int64_t(cs.y) - p1.y));
    int32_t err, add1, add2;
    int64_t len;
    if (xmajor) {
        err = wrap32(2 * b.dy - b.dx + m * 2 * b.dy - n * 2 * b.dx);
        add1 = wrap32(2 * b.dy - 2 * b.dx);
        add2 = wrap32(2 * b.dy);
        len = std::abs(int64_t(ce.x) - cs.x) + 1;
    } else {
        err = wrap32(2 * b.dx - b.dy + n * 2 * b.dx - m * 2 * b.dy);
        add1 = wrap32(2 * b.dx - 2 * b.dy);
        add2 = wrap32(2 * b.dx);
        len = std::abs(int64_t(ce.y) - cs.y) + 1;
    }
    if (ce.x == p2.x && ce.y == p2.y) len--;  // the end point is never drawn

    int x = cs.x, y = cs.y;
    const ptrdiff_t stride = s.stride;
    for (; len > 0; len--) {
        // The walk stays inside `c` by construction; the check only guards
        // against absurd input reaching memory outside the surface.
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) s.bits[y * stride + x] = pixel;
        const bool step = int64_t(err) + b.bias > 0;
        err = wrap32(static_cast<uint32_t>(err) + static_cast<uint32_t>(step ? add1 : add2));
        if (xmajor) {
            if (step) y += y_inc;
            x += x_inc;
        } else {
            if (step) x += x_inc;
            y += y_inc;
        }
    }
}

// One pen segment from `from` to `to`, the end point excluded.
void pen_segment(const Surface& s, const Area& a, POINT from, POINT to, uint32_t pixel) {
    if (from.y == to.y) {
        // Drawn backwards, a horizontal line still leaves out its end point.
        int64_t l = from.x, r = to.x;
        if (l > r) {
            const int64_t start = l;
            l = r + 1;
            r = start + 1;
        }
        fill(s, a, l, from.y, r, int64_t(from.y) + 1, pixel);
    } else if (from.x == to.x) {
        int64_t t = from.y, b = to.y;
        if (t > b) {
            const int64_t start = t;
            t = b + 1;
            b = start + 1;
        }
        fill(s, a, from.x, t, int64_t(from.x) + 1, b, pixel);
    } else {
        sloped_line(s, a, from, to, pixel);
    }
}

// ---------------------------------------------------------------------------
// Ellipses. The platform walks one quadrant of the outline with an integer
// midpoint algorithm (after Alois Zingl) and mirrors it into a closed point
// list; the inside is a region built by the same walk, one rectangle per row,
// painted before the outline.
//
// For narrow, tall ellipses the region's walk stops before it reaches the last
// rows of the box, and the platform leaves those rows' rectangles as they were
// in the freshly allocated array: they show what that heap block held before.
// Its allocator hands out the most recently freed block of the same size, and
// the blocks of these sizes that come and go while drawing are the row arrays,
// clipped row lists and point lists of earlier ellipses. So such an ellipse
// gets stray spans on its top and bottom rows, copied from an earlier shape.
// The canvases this platform must reproduce contain them, so those blocks are
// kept here with their contents and recycled in the same order.

struct Box {
    int64_t left, top, right, bottom;
};

Box ordered(const RECT& r) {
    Box b{r.left, r.top, r.right, r.bottom};
    if (b.left > b.right) std::swap(b.left, b.right);
    if (b.top > b.bottom) std::swap(b.top, b.bottom);
    return b;
}

// Blocks are counted in 16-byte units (one RECT, or two POINTs). Only blocks
// the allocator recycles last-in first-out (up to 1 KB) are tracked; larger
// ones come back in ways not modelled here and read as zero, i.e. empty rows.
constexpr int kTrackedUnits = 64;
// The most blocks of one size an ellipse holds at once (row array and clipped
// row list), with room to spare.
constexpr int kBlocksPerSize = 3;

struct ScratchSize {
    int32_t blocks[kBlocksPerSize][4 * kTrackedUnits];
    uint8_t free_stack[kBlocksPerSize];  // indices of freed blocks, last freed on top
    uint8_t free_count;
    uint8_t created;
};

ScratchSize g_scratch[kTrackedUnits + 1];

void g_scratch_reset() { memset(g_scratch, 0, sizeof(g_scratch)); }

// A block of `units` units; `words` is null when its contents are not tracked.
struct Block {
    int32_t* words;
    int units;
    int index;
};

Block take_block(int64_t units) {
    Block b{nullptr, 0, 0};
    if (units < 1 || units > kTrackedUnits) return b;
    ScratchSize& size = g_scratch[units];
    if (size.free_count)
        b.index = size.free_stack[--size.free_count];
    else if (size.created < kBlocksPerSize)
        b.index = size.created++;  // never used: zero, like fresh memory
    else
        return b;
    b.units = static_cast<int>(units);
    b.words = size.blocks[b.index];
    return b;
}

void give_back(const Block& b) {
    if (!b.words) return;
    ScratchSize& size = g_scratch[b.units];
    if (size.free_count < kBlocksPerSize) size.free_stack[size.free_count++] = static_cast<uint8_t>(b.index);
}

// The midpoint walk's state for an ellipse of w x h pixels (w, h >= 3).
struct EllipseWalk {
    int64_t a, b;  // w - 1, h - 1
    int64_t asq, bsq, dx, dy, err;

    EllipseWalk(int64_t w, int64_t h) {
        a = w - 1;
        b = h - 1;
        asq = 8 * a * a;
        bsq = 8 * b * b;
        dx = 4 * b * b * (1 - a);
        dy = 4 * a * a * (1 + (b % 2));
        // This one term is computed in 32-bit int by the platform and wraps
        // for very wide ellipses; wrap it the same way.
        const uint32_t odd_term = static_cast<uint32_t>(a) * static_cast<uint32_t>(a) * static_cast<uint32_t>(b % 2);
        err = dx + dy + wrap32(odd_term);
    }
    // One step: returns which of x and y advance.
    void step(bool* x_step, bool* y_step) {
        const int64_t e2 = 2 * err;
        *x_step = e2 >= dx;
        *y_step = e2 <= dy;
        if (*x_step) {
            dx += bsq;
            err += dx;
        }
        if (*y_step) {
            dy += asq;
            err += dy;
        }
    }
};

// Larger ellipses would overflow the walk's 64-bit error terms.
constexpr int64_t kMaxEllipseSide = int64_t(1) << 19;

// Rows of the inside as the platform's region holds them: row i (0 = top)
// covers [left + inset, right - inset); rows from h/2 down come from the walk,
// the upper ones mirror them.
void ellipse_inside(const Surface& s, const Area& area, const Box& box, int64_t w, int64_t h, uint32_t pixel) {
    EllipseWalk walk(w, h);
    const int64_t half = h / 2;
    const Block rows = take_block(h);

    if (!rows.words) {
        // Untracked: rows the walk misses stay empty, so stream the spans.
        auto emit = [&](int64_t row, int64_t inset) {
            if (row > walk.b) return;
            const int64_t x0 = box.left + inset, x1 = box.right - inset - 1;
            span(s, area, box.top + row, x0, x1, pixel);
            const int64_t mirror = walk.b - row;
            if (mirror < half) span(s, area, box.top + mirror, x0, x1, pixel);
        };
        int64_t x = 0, y = half;
        emit(y, 0);
        while (x <= w / 2) {
            bool xs, ys;
            walk.step(&xs, &ys);
            if (xs) x++;
            if (ys) emit(++y, x);
        }
        return;
    }

    int32_t* r = rows.words;  // left, top, right, bottom per row
    auto set_row = [&](int64_t row, int64_t inset) {
        if (row > walk.b) return;
        r[4 * row] = static_cast<int32_t>(box.left + inset);
        r[4 * row + 2] = static_cast<int32_t>(box.right - inset);
    };
    int64_t x = 0, y = half;
    set_row(y, 0);
    while (x <= w / 2) {
        bool xs, ys;
        walk.step(&xs, &ys);
        if (xs) x++;
        if (ys) set_row(++y, x);
    }
    for (int64_t i = 0; i < h; i++) {
        if (i < half) {
            r[4 * i] = r[4 * (walk.b - i)];
            r[4 * i + 2] = r[4 * (walk.b - i) + 2];
        }
        r[4 * i + 1] = static_cast<int32_t>(box.top + i);
        r[4 * i + 3] = static_cast<int32_t>(box.top + i + 1);
    }

    // Paint the rows as clipped against the area. The platform first lists
    // the non-empty clipped rows; from the 32nd on, the list moves into a
    // block of the region's size, whose contents later blocks may show.
    int64_t count = 0;
    auto clipped_row = [&](int64_t i, int64_t* x0, int64_t* x1) {
        *x0 = std::max<int64_t>(r[4 * i], area.left);
        *x1 = std::min<int64_t>(r[4 * i + 2], area.right);
        const int64_t top = box.top + i;
        return top >= area.top && *x0 < *x1;
    };
    int64_t last = 0;  // rows before the first one below the area
    for (; last < h && box.top + last < area.bottom; last++) {
        int64_t x0, x1;
        if (!clipped_row(last, &x0, &x1)) continue;
        std::fill_n(s.bits + static_cast<ptrdiff_t>(box.top + last) * s.stride + x0, x1 - x0, pixel);
        count++;
    }
    if (count >= 32) {
        const Block list = take_block(h);
        if (list.words) {
            int64_t n = 0;
            for (int64_t i = 0; i < last && n < h; i++) {
                int64_t x0, x1;
                if (!clipped_row(i, &x0, &x1)) continue;
                int32_t* e = list.words + 4 * n++;
                e[0] = static_cast<int32_t>(x0);
                e[1] = static_cast<int32_t>(box.top + i);
                e[2] = static_cast<int32_t>(x1);
                e[3] = static_cast<int32_t>(box.top + i + 1);
            }
        }
        give_back(list);
    }
    give_back(rows);
}

// The outline: the quadrant walk goes from (w - 1, h / 2) towards the top of
// the box and every point it visits is drawn in all four mirror positions;
// each row's points form one run [lo, hi] of x, drawn as spans. When `points`
// is tracked, the platform's closed point list is also written into it.
void ellipse_outline(const Surface& s, const Area& area, const Box& box, int64_t w, int64_t h,
                     const uint32_t* pixel, const Block& points) {
    EllipseWalk walk(w, h);
    const int64_t capacity = int64_t(points.units) * 2;  // POINTs
    int32_t* pts = points.words;
    int64_t n = 0;
    int64_t x = walk.a, y = h / 2;
    int64_t lo = x, hi = x;
    auto emit = [&](int64_t row, int64_t x_lo, int64_t x_hi) {
        if (!pixel) return;
        const int64_t y0 = box.top + row, y1 = box.top + h - 1 - row;
        const int64_t r0 = box.left + x_lo, r1 = box.left + x_hi;
        const int64_t l0 = box.left + w - 1 - x_hi, l1 = box.left + w - 1 - x_lo;
        if (l1 + 1 >= r0) {  // the two halves touch: one span
            span(s, area, y0, l0, r1, *pixel);
            if (y1 != y0) span(s, area, y1, l0, r1, *pixel);
        } else {
            span(s, area, y0, l0, l1, *pixel);
            span(s, area, y0, r0, r1, *pixel);
            if (y1 != y0) {
                span(s, area, y1, l0, l1, *pixel);
                span(s, area, y1, r0, r1, *pixel);
            }
        }
    };
    while (x >= w / 2) {
        lo = std::min(lo, x);
        hi = std::max(hi, x);
        if (pts && n < capacity) {
            pts[2 * n] = static_cast<int32_t>(box.left + x);
            pts[2 * n + 1] = static_cast<int32_t>(box.top + h - 1 - y);
        }
        n++;
        bool xs, ys;
        walk.step(&xs, &ys);
        if (xs) x--;
        if (ys) {
            emit(y, lo, hi);
            y++;
            lo = hi = x;
        }
    }
    if (lo <= hi && lo >= w / 2) emit(y, lo, hi);
    if (!pts) return;

    // Mirror left-right, then top-bottom, in place, leaving out the middle
    // point that an odd width or height would repeat.
    auto put = [&](int64_t i, int64_t px, int64_t py) {
        if (i < capacity) {
            pts[2 * i] = static_cast<int32_t>(px);
            pts[2 * i + 1] = static_cast<int32_t>(py);
        }
    };
    auto get_x = [&](int64_t i) { return i < capacity ? int64_t(pts[2 * i]) : 0; };
    auto get_y = [&](int64_t i) { return i < capacity ? int64_t(pts[2 * i + 1]) : 0; };
    int64_t end = 2 * n - 1 - (w % 2);
    for (int64_t i = 0; i < n; i++) put(end - i, box.left + box.right - 1 - get_x(i), get_y(i));
    n = end + 1;
    end = 2 * n - 1 - (h % 2);
    for (int64_t i = 0; i < n; i++) put(end - i, get_x(i), box.top + box.bottom - 1 - get_y(i));
}

}  // namespace

void raster_fill(const Surface& s, const RECT& clip, const RECT& r, uint32_t pixel) {
    fill(s, area_of(s, clip), r.left, r.top, r.right, r.bottom, pixel);
}

void raster_line(const Surface& s, const RECT& clip, POINT from, POINT to, uint32_t pixel) {
    const Area a = area_of(s, clip);
    if (is_empty(a)) return;
    pen_segment(s, a, from, to, pixel);
}

void raster_rectangle(const Surface& s, const RECT& clip, RECT box, const uint32_t* pen, const uint32_t* brush) {
    const Area a = area_of(s, clip);
    const Box b = ordered(box);
    if (b.left == b.right || b.top == b.bottom || is_empty(a)) return;
    // The outline runs through the last column and row of the box; a pen's
    // inside starts one pixel in, a null pen's at the box's edge.
    const int64_t r = b.right - 1, btm = b.bottom - 1;
    if (pen) {
        // Four segments, each without its end point, counter-clockwise from
        // the top right. A 1-pixel-wide or -high box leaves some of them
        // empty, and a 1 x 1 box draws nothing at all.
        const POINT tr{static_cast<LONG>(r), static_cast<LONG>(b.top)};
        const POINT tl{static_cast<LONG>(b.left), static_cast<LONG>(b.top)};
        const POINT bl{static_cast<LONG>(b.left), static_cast<LONG>(btm)};
        const POINT br{static_cast<LONG>(r), static_cast<LONG>(btm)};
        pen_segment(s, a, tr, tl, *pen);
        pen_segment(s, a, tl, bl, *pen);
        pen_segment(s, a, bl, br, *pen);
        pen_segment(s, a, br, tr, *pen);
    }
    if (brush) {
        const int64_t inset = pen ? 1 : 0;
        fill(s, a, b.left + inset, b.top + inset, r, btm, *brush);
    }
}

void raster_ellipse(const Surface& s, const RECT& clip, RECT box, const uint32_t* pen, const uint32_t* brush) {
    const Box b = ordered(box);
    const int64_t w = b.right - b.left, h = b.bottom - b.top;
    if (w == 0 || h == 0) return;
    if (w <= 2 || h <= 2) {  // too thin to round: drawn as a rectangle
        raster_rectangle(s, clip, box, pen, brush);
        return;
    }
    if (w > kMaxEllipseSide || h > kMaxEllipseSide) return;
    const Area a = area_of(s, clip);
    // The point list is allocated first and freed last; the inside (only with
    // a brush) includes the outline's pixels and is painted first, so a null
    // pen leaves a full-size fill.
    const Block points = take_block(w + h);
    if (brush) ellipse_inside(s, a, b, w, h, *brush);
    ellipse_outline(s, a, b, w, h, pen, points);
    give_back(points);
}

void raster_reset_scratch() { g_scratch_reset(); }

RECT raster_shape_bounds(RECT box) {
    const Box b = ordered(box);
    if (b.left == b.right || b.top == b.bottom) return RECT{0, 0, 0, 0};
    return RECT{static_cast<LONG>(b.left), static_cast<LONG>(b.top), static_cast<LONG>(b.right),
                static_cast<LONG>(b.bottom)};
}

RECT raster_line_bounds(POINT from, POINT to) {
    // The cropped end points of far-off lines may lie outside the original
    // box, so both are covered.
    const Pt c1 = crop(from), c2 = crop(to);
    const int64_t l = std::min({int64_t(from.x), int64_t(to.x), int64_t(c1.x), int64_t(c2.x)});
    const int64_t t = std::min({int64_t(from.y), int64_t(to.y), int64_t(c1.y), int64_t(c2.y)});
    const int64_t r = std::max({int64_t(from.x), int64_t(to.x), int64_t(c1.x), int64_t(c2.x)}) + 1;
    const int64_t b = std::max({int64_t(from.y), int64_t(to.y), int64_t(c1.y), int64_t(c2.y)}) + 1;
    auto clamp = [](int64_t v) { return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return RECT{clamp(l), clamp(t), clamp(r), clamp(b)};
}

}  // namespace plat
