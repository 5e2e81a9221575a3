// Pixel rules of a 32-bit DIB: cosmetic solid lines, Rectangle and Ellipse
// exactly as Wine's DIB engine draws them, down to the octant bias of its
// Bresenham lines and the midpoint walk of its ellipses. Everything is
// written as clipped horizontal spans or single pixels; nothing allocates
// but the first ellipse of each small size (see KeptEllipse).
#include "gdi/raster.h"
#include "geometry.h"

#include <stdint.h>
#include <string.h>
#include <wchar.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace plat {
namespace {

// The drawable area: the clip rectangle cut to the surface.
RECT area_of(const Surface& s, const RECT& clip) {
    return s.bits ? rect_intersect(clip, RECT{0, 0, s.width, s.height}) : RECT{0, 0, 0, 0};
}

// Sets n pixels. Spans are where the time goes: long ones go to the C
// library's wide-character fill, which is vectorised (wchar_t is a 32-bit
// unit here); shorter ones are written 16 bytes at a time, the last store
// overlapping the one before rather than finishing pixel by pixel.
inline void fill_pixels(uint32_t* p, ptrdiff_t n, uint32_t pixel) {
    // A pixel of four equal bytes (black, white) is a byte fill: memset,
    // which every target makes its fastest store (one memory.fill in wasm).
    if (n >= 32 && pixel == (pixel & 0xff) * 0x01010101u) {
        memset(p, int(pixel & 0xff), size_t(n) * sizeof *p);
        return;
    }
    if constexpr (sizeof(wchar_t) == sizeof(uint32_t)) {
        if (n >= 32) {
            wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(pixel), static_cast<size_t>(n));
            return;
        }
    }
    if (n >= 4) {
        typedef uint32_t Quad __attribute__((vector_size(16)));
        const Quad q = {pixel, pixel, pixel, pixel};
        for (ptrdiff_t i = 0; i < n - 4; i += 4) memcpy(p + i, &q, 16);
        memcpy(p + n - 4, &q, 16);
    } else if (n > 0) {
        // One to three pixels without branching on the count.
        p[0] = pixel;
        p[n / 2] = pixel;
        p[n - 1] = pixel;
    }
}

// Fills w x h pixels (1 to 4 each way) from `origin`. Grids of tiny random
// boxes are common; writing columns and rows 0, 1, 2 and last (clamped to
// the box) covers every such size with no branch to mispredict.
inline void fill_tiny(uint32_t* origin, ptrdiff_t stride, ptrdiff_t w, ptrdiff_t h, uint32_t pixel) {
    const ptrdiff_t cols[4] = {0, std::min<ptrdiff_t>(1, w - 1), std::min<ptrdiff_t>(2, w - 1), w - 1};
    const ptrdiff_t rows[4] = {0, std::min<ptrdiff_t>(1, h - 1), std::min<ptrdiff_t>(2, h - 1), h - 1};
    for (ptrdiff_t row : rows) {
        uint32_t* const p = origin + row * stride;
        for (ptrdiff_t col : cols) p[col] = pixel;
    }
}

// Fills [x0, x1) x [y0, y1), given in any range.
void fill(const Surface& s, const RECT& a, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t pixel) {
    x0 = std::max<int64_t>(x0, a.left);
    y0 = std::max<int64_t>(y0, a.top);
    x1 = std::min<int64_t>(x1, a.right);
    y1 = std::min<int64_t>(y1, a.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    uint32_t* row = s.bits + static_cast<ptrdiff_t>(y0) * s.stride + x0;
    const ptrdiff_t n = x1 - x0;
    if (n <= 4 && y1 - y0 <= 4) {
        fill_tiny(row, s.stride, n, static_cast<ptrdiff_t>(y1 - y0), pixel);
        return;
    }
    for (int64_t y = y0; y < y1; y++, row += s.stride) fill_pixels(row, n, pixel);
}

// Inclusive span [x0, x1] of row y.
inline void span(const Surface& s, const RECT& a, int64_t y, int64_t x0, int64_t x1, uint32_t pixel) {
    if (y < a.top || y >= a.bottom) return;
    x0 = std::max<int64_t>(x0, a.left);
    x1 = std::min<int64_t>(x1, a.right - 1);
    if (x0 > x1) return;
    fill_pixels(s.bits + static_cast<ptrdiff_t>(y) * s.stride + x0, x1 - x0 + 1, pixel);
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

unsigned outcode(Pt p, const RECT& c) {
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

// How far a line has moved along one axis once it has gone `dist` pixels
// along the other (`d_this` and `d_other` its extents on them), rounded as the
// error term rounds entering from its start or leaving towards its end.
int64_t cross_steps(int64_t dist, int64_t d_this, int64_t d_other, bool this_major, bool from_start, int64_t bias) {
    const int64_t b = from_start ? bias : -bias;
    return this_major ? (dist * 2 * d_other + b + d_this - from_start) / (2 * d_this)
                      : (dist * 2 * d_other - b - d_other - !from_start) / (2 * d_this) + 1;
}

// Moves the end points of a line onto the first and last pixels of it that lie
// in `c`, solving the Bresenham error inequalities for the step where the line
// enters and leaves, so clipping never moves a pixel. 0: nothing inside,
// 1: clipped, 2: wholly inside.
int clip_line(Pt start, Pt end, const RECT& c, const Bres& b, Pt* p1, Pt* p2) {
    const bool xmajor = b.octant & kXMajorOctants;
    const bool neg_slope = !(b.octant & kPosSlopeOctants);
    // Moves *p, an end point outside `c` (outcode oc), to where the line
    // crosses the first edge it is beyond, from `from` (the original point).
    auto onto_edge = [&](Pt from, unsigned* oc, Pt* p, bool from_start) {
        if (*oc & (kOutLeft | kOutRight)) {
            const bool left = *oc & kOutLeft;
            const int64_t m = left ? int64_t(c.left) - from.x : int64_t(from.x) - c.right + 1;
            int64_t n = cross_steps(m, b.dx, b.dy, xmajor, from_start, b.bias);
            if (neg_slope) n = -n;
            p->x = left ? c.left : c.right - 1;
            p->y = static_cast<int>(left ? from.y + n : from.y - n);
        } else {
            const bool top = *oc & kOutTop;
            const int64_t n = top ? int64_t(c.top) - from.y : int64_t(from.y) - c.bottom + 1;
            int64_t m = cross_steps(n, b.dy, b.dx, !xmajor, from_start, b.bias);
            if (neg_slope) m = -m;
            p->y = top ? c.top : c.bottom - 1;
            p->x = static_cast<int>(top ? from.x + m : from.x - m);
        }
        *oc = outcode(*p, c);
    };
    bool clipped = false;
    *p1 = start;
    *p2 = end;
    unsigned start_oc = outcode(start, c), end_oc = outcode(end, c);
    for (;;) {
        if (!start_oc && !end_oc) return clipped ? 1 : 2;
        if (start_oc & end_oc) return 0;
        clipped = true;
        if (start_oc)
            onto_edge(start, &start_oc, p1, true);
        else
            onto_edge(end, &end_oc, p2, false);
    }
}

// Very distant points are scaled down (each on its own) so that the error
// terms below cannot overflow; the platform's GDI does the same.
Pt crop(POINT p) {
    if (p.x >= 0x10000000 || p.x <= -0x10000000 || p.y >= 0x10000000 || p.y <= -0x10000000)
        return Pt{p.x / 8, p.y / 8};
    return Pt{p.x, p.y};
}

// floor(x / d) by a multiply and a shift (Granlund and Montgomery), exact for
// x < kLimit and 2 <= d < 2^31: one division per line instead of per pixel.
struct Divider {
    static constexpr int64_t kLimit = int64_t(1) << 31;
    uint64_t factor;  // ceil(2^shift / d)
    int shift;        // 31 + ceil(log2 d)

    explicit Divider(uint32_t d) {
        shift = 31 + (32 - __builtin_clz(d - 1));
        factor = ((uint64_t(1) << shift) + d - 1) / d;
    }
    uint64_t operator()(uint64_t x) const { return (x * factor) >> shift; }
};

// Pixel k of a line at start + k major_step + minor_of(n0 + k n) minor_step.
// Kept apart so that the loop has its values in registers; steep lines (a
// minor step of one pixel) need no multiply per pixel.
__attribute__((noinline)) void walk_line(uint32_t* start, int64_t len, ptrdiff_t major_step, ptrdiff_t minor_step,
                                         uint64_t n0, uint64_t n, Divider minor_of, uint32_t pixel) {
    uint32_t* p = start;
    if (minor_step == 1) {
        for (int64_t k = len; k > 0; k--, n0 += n, p += major_step) p[minor_of(n0)] = pixel;
    } else if (minor_step == -1) {
        for (int64_t k = len; k > 0; k--, n0 += n, p += major_step) p[-ptrdiff_t(minor_of(n0))] = pixel;
    } else {
        for (int64_t k = len; k > 0; k--, n0 += n, p += major_step) p[ptrdiff_t(minor_of(n0)) * minor_step] = pixel;
    }
}

// The error arithmetic wraps at 32 bits like the platform's int; its true
// values always fit, so wrapping intermediate products gives them exactly.
inline int32_t wrap32(uint32_t v) { return static_cast<int32_t>(v); }

// A line's octant, extents and tie rounding.
Bres line_bres(Pt p1, Pt p2) {
    const int dx = p2.x - p1.x, dy = p2.y - p1.y;
    Bres b;
    b.dx = static_cast<unsigned>(dx < 0 ? -dx : dx);
    b.dy = static_cast<unsigned>(dy < 0 ? -dy : dy);
    b.octant = octant_mask(dx, dy);
    b.bias = (b.octant & kBiasOctants) ? 1 : 0;
    return b;
}

// The clipped part of a line: its first pixel, how many pixels it has and
// the error terms there.
struct LineRun {
    Pt start;
    int64_t len;
    int32_t err, add1, add2;
};

// The run from cs to ce, clipped end points of the line from p1 to p2; the
// line's own end point is never drawn.
LineRun line_run(Pt p1, Pt p2, Pt cs, Pt ce, const Bres& b) {
    const uint32_t m = static_cast<uint32_t>(std::abs(int64_t(cs.x) - p1.x));
    const uint32_t n = static_cast<uint32_t>(std::abs(int64_t(cs.y) - p1.y));
    LineRun r;
    r.start = cs;
    if (b.octant & kXMajorOctants) {
        r.err = wrap32(2 * b.dy - b.dx + m * 2 * b.dy - n * 2 * b.dx);
        r.add1 = wrap32(2 * b.dy - 2 * b.dx);
        r.add2 = wrap32(2 * b.dy);
        r.len = std::abs(int64_t(ce.x) - cs.x) + 1;
    } else {
        r.err = wrap32(2 * b.dx - b.dy + n * 2 * b.dx - m * 2 * b.dy);
        r.add1 = wrap32(2 * b.dx - 2 * b.dy);
        r.add2 = wrap32(2 * b.dx);
        r.len = std::abs(int64_t(ce.y) - cs.y) + 1;
    }
    if (ce.x == p2.x && ce.y == p2.y) r.len--;
    return r;
}

// How a run steps over the surface, and the band of the clip box `c` that
// its minor coordinate must stay in.
struct RunSteps {
    ptrdiff_t major_step, minor_step;
    int minor_inc, minor0, minor_lo;
    uint32_t minor_span;
};

RunSteps run_steps(const Bres& b, Pt start, const RECT& c, ptrdiff_t stride) {
    const bool xmajor = b.octant & kXMajorOctants;
    const int x_inc = (b.octant & kXIncOctants) ? 1 : -1;
    const int y_inc = (b.octant & kYIncOctants) ? 1 : -1;
    return RunSteps{xmajor ? x_inc : y_inc * stride,
                    xmajor ? y_inc * stride : x_inc,
                    xmajor ? y_inc : x_inc,
                    xmajor ? start.y : start.x,
                    xmajor ? c.top : c.left,
                    static_cast<uint32_t>(xmajor ? c.bottom - c.top : c.right - c.left)};
}

// The fast walk of a clipped run; false when the run needs the checked one.
// While the error term plus bias stays within (N - M, N], as it does on any
// line that starts on one of its own pixels, the minor offset of pixel k is
// floor((N0 + k N) / M) with N0 = e0 + bias - N + M - 1. Computing it per
// pixel frees the loop from the error term's step-to-step chain.
bool walk_run_fast(const Surface& s, const LineRun& r, const RunSteps& st, const Bres& b, uint32_t pixel) {
    const bool xmajor = b.octant & kXMajorOctants;
    const int64_t major_len = 2 * int64_t(xmajor ? b.dx : b.dy);  // M
    const int64_t minor_len = 2 * int64_t(xmajor ? b.dy : b.dx);  // N
    const int64_t e0 = r.err;
    const int64_t n0 = e0 + b.bias - minor_len + major_len - 1;
    if (major_len < 2 || e0 + b.bias <= minor_len - major_len || e0 + b.bias > minor_len ||
        n0 + (r.len - 1) * minor_len >= Divider::kLimit)
        return false;
    const Divider minor_of(static_cast<uint32_t>(major_len));
    // The minor offset only grows, so the walk stays inside the clip box if
    // its last pixel does; it always does on a sane line, and absurd input
    // takes the checked walk instead.
    const int64_t minor_last = st.minor0 + st.minor_inc * int64_t(minor_of(uint64_t(n0 + (r.len - 1) * minor_len)));
    if (minor_last < st.minor_lo || minor_last >= st.minor_lo + int64_t(st.minor_span)) return false;
    walk_line(s.bits + static_cast<ptrdiff_t>(r.start.y) * s.stride + r.start.x, r.len, st.major_step, st.minor_step,
              static_cast<uint64_t>(n0), static_cast<uint64_t>(minor_len), minor_of, pixel);
    return true;
}

// The general walk, pixel by pixel. The major coordinate stays between the
// clipped end points by construction; the minor one is checked so that
// absurd input can never reach memory outside the area.
void walk_run_checked(const Surface& s, const LineRun& r, const RunSteps& st, int bias, uint32_t pixel) {
    uint32_t* const bits = s.bits;
    int minor = st.minor0;
    ptrdiff_t at = static_cast<ptrdiff_t>(r.start.y) * s.stride + r.start.x;
    uint32_t e = static_cast<uint32_t>(r.err);
    const int32_t threshold = -bias;  // err + bias > 0  <=>  err > -bias
    for (int64_t len = r.len; len > 0; len--) {
        if (static_cast<uint32_t>(minor - st.minor_lo) < st.minor_span) bits[at] = pixel;
        if (static_cast<int32_t>(e) > threshold) {
            e += static_cast<uint32_t>(r.add1);
            at += st.major_step + st.minor_step;
            minor += st.minor_inc;
        } else {
            e += static_cast<uint32_t>(r.add2);
            at += st.major_step;
        }
    }
}

void sloped_line(const Surface& s, const RECT& a, POINT from, POINT to, uint32_t pixel) {
    const Pt p1 = crop(from), p2 = crop(to);
    const Bres b = line_bres(p1, p2);

    // Wholly inside the area, the commonest case: nothing to clip, the first
    // pixel is the start and the error term starts at 2 minor - major, which
    // puts the walk's N0 (see walk_run_fast) at major + bias - 1.
    if (p1.x >= a.left && p1.x < a.right && p2.x >= a.left && p2.x < a.right && p1.y >= a.top && p1.y < a.bottom &&
        p2.y >= a.top && p2.y < a.bottom) {
        const bool xmajor = b.octant & kXMajorOctants;
        const unsigned major = xmajor ? b.dx : b.dy, minor = xmajor ? b.dy : b.dx;
        const RunSteps st = run_steps(b, p1, a, s.stride);
        walk_line(s.bits + static_cast<ptrdiff_t>(p1.y) * s.stride + p1.x, major, st.major_step, st.minor_step,
                  major + b.bias - 1, 2 * uint64_t(minor), Divider(2 * major), pixel);
        return;
    }

    // Clip against the line's own bounding box within the area, as the
    // platform does, so the clipped end points come out the same.
    const RECT c = rect_intersect(RECT{std::min(p1.x, p2.x), std::min(p1.y, p2.y),
                                       saturating_add(std::max(p1.x, p2.x), 1),
                                       saturating_add(std::max(p1.y, p2.y), 1)},
                                  a);
    Pt cs, ce;
    if (rect_is_empty(c) || !clip_line(p1, p2, c, b, &cs, &ce)) return;
    const LineRun run = line_run(p1, p2, cs, ce, b);
    if (run.len <= 0) return;
    const RunSteps st = run_steps(b, cs, c, s.stride);
    if (!walk_run_fast(s, run, st, b, pixel)) walk_run_checked(s, run, st, b.bias, pixel);
}

// One pen segment from `from` to `to`, the end point excluded.
void pen_segment(const Surface& s, const RECT& a, POINT from, POINT to, uint32_t pixel) {
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
// midpoint algorithm (after Alois Zingl); the inside is a region built by the
// same walk, one rectangle per row, painted before the outline.
//
// For narrow, tall boxes (3 wide and 8 or more high, 4 x 18, ...) the inside's
// walk ends before it reaches the top and bottom rows: those rows have no
// inside, which is also what the walk gives them if carried on to the end of
// the box. The outline still covers them.

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

// One row of the walk, counted from the top of the box (h / 2 and below):
// its inside spans insets [in, w - 1 - in]; where the outline reaches it, it
// covers insets [lo, hi] from either side.
struct EllipseRow {
    int64_t y, in, lo, hi;
    bool outline;
};

// The midpoint walk of a w x h ellipse (w, h >= 3), from (w - 1, h / 2)
// towards the top of the box. The platform runs it twice, for the outline
// (every point it visits while the inset is at most pen_limit) and for the
// inside (for each row it enters, the inset of that first point); both take
// identical steps, the inside's only runs a column further for even widths,
// so one walk serves both. `row` gets every row in turn.
template <class RowFn>
void walk_ellipse(int64_t w, int64_t h, RowFn&& row) {
    EllipseWalk walk(w, h);
    const int64_t pen_limit = walk.a - w / 2;
    EllipseRow r{h / 2, 0, 0, 0, false};
    int64_t inset = 0;
    while (inset <= w / 2) {
        if (inset <= pen_limit) {
            if (!r.outline) r.lo = inset;
            r.outline = true;
            r.hi = inset;
        }
        bool xs, ys;
        walk.step(&xs, &ys);
        if (xs) inset++;
        if (ys) {
            row(r);
            r = EllipseRow{r.y + 1, inset, 0, 0, false};
        }
    }
    row(r);
}

// Paints row y of the walk (drawn at y and mirrored at h - 1 - y) through
// span(row, x0, x1, pixel), one call per inclusive span in painting order:
// the inside first, so where pen and brush agree each row is a single span.
template <class SpanFn>
inline __attribute__((always_inline)) void paint_ellipse_row(SpanFn&& span, const Box& box, int64_t last_row,
                                                             const EllipseRow& row, const uint32_t* pen,
                                                             const uint32_t* brush) {
    const bool inside = brush && row.y <= last_row;  // the platform's region has no row past the box
    const bool outline = pen && row.outline;
    const int64_t rows_y[2] = {box.top + row.y, box.top + last_row - row.y};
    const int count = rows_y[1] == rows_y[0] ? 1 : 2;
    for (int k = 0; k < count; k++) {
        const int64_t yy = rows_y[k];
        if (inside && outline && *pen == *brush && row.in <= row.lo) {
            span(yy, box.left + row.in, box.right - 1 - row.in, *brush);
            continue;
        }
        if (inside) span(yy, box.left + row.in, box.right - 1 - row.in, *brush);
        if (outline) {
            const int64_t l0 = box.left + row.lo, l1 = box.left + row.hi;
            const int64_t r0 = box.right - 1 - row.hi, r1 = box.right - 1 - row.lo;
            if (l1 + 1 >= r0) {
                span(yy, l0, r1, *pen);
            } else {
                span(yy, l0, l1, *pen);
                span(yy, r0, r1, *pen);
            }
        }
    }
}

// Draws an ellipse of h rows (w and h at least 3) in `box`, its rows as
// `walk` gives them to the function it is passed.
template <class Walk>
void draw_ellipse(const Surface& s, const RECT& area, const Box& box, int64_t h, const uint32_t* pen,
                  const uint32_t* brush, Walk&& walk) {
    walk([&](const EllipseRow& row) __attribute__((always_inline)) {
        paint_ellipse_row(
            [&](int64_t yy, int64_t x0, int64_t x1, uint32_t pixel)
                __attribute__((always_inline)) { span(s, area, yy, x0, x1, pixel); },
            box, h - 1, row, pen, brush);
    });
}

// Where an ellipse is drawn does not change its walk, so the walks of small
// ones (all that a grid of small shapes needs) are kept, each taken once,
// together with what drawing one in a single colour without clipping writes,
// relative to its box: then such an ellipse is a few flat loops.
constexpr int kKeptSide = 24;

struct KeptEllipse {
    enum : uint8_t { kUnknown, kKept, kTooLong } state;
    uint8_t rows;
    struct {
        uint8_t in, lo, hi;
        bool outline;
    } row[kKeptSide / 2 + 2];
    // In one colour: 16-byte stores and single pixels, as offsets for the
    // surface stride last drawn on.
    ptrdiff_t stride;
    std::vector<int32_t> quad_at, pixel_at;

    EllipseRow walk_row(int i, int64_t h) const {
        return EllipseRow{h / 2 + i, row[i].in, row[i].lo, row[i].hi, row[i].outline};
    }
    template <class RowFn>
    void walk(int64_t h, RowFn&& row_fn) const {
        for (int i = 0; i < rows; i++) row_fn(walk_row(i, h));
    }
};

KeptEllipse g_kept[kKeptSide + 1][kKeptSide + 1];

// The painting of a kept ellipse in one colour, made by the same code that
// draws any other ellipse.
void record_solid(KeptEllipse& k, int64_t w, int64_t h, ptrdiff_t stride) {
    const Box box{0, 0, w, h};
    const uint32_t one = 1;
    k.stride = stride;
    k.quad_at.clear();
    k.pixel_at.clear();
    auto record = [&](int64_t y, int64_t x0, int64_t x1, uint32_t) {
        const int32_t row = static_cast<int32_t>(y * stride);
        if (x1 - x0 + 1 >= 4) {  // as fill_pixels: 16 bytes at a time, the last overlapping
            for (int64_t x = x0; x < x1 + 1 - 4; x += 4) k.quad_at.push_back(row + int32_t(x));
            k.quad_at.push_back(row + int32_t(x1 + 1 - 4));
        } else {
            for (int64_t x = x0; x <= x1; x++) k.pixel_at.push_back(row + int32_t(x));
        }
    };
    for (int i = 0; i < k.rows; i++) paint_ellipse_row(record, box, h - 1, k.walk_row(i, h), &one, &one);
}

// The kept walk of a w x h ellipse, null if it is not kept.
KeptEllipse* kept_ellipse(int64_t w, int64_t h) {
    if (w > kKeptSide || h > kKeptSide) return nullptr;
    KeptEllipse& k = g_kept[w][h];
    if (k.state == KeptEllipse::kUnknown) {
        int rows = 0;
        walk_ellipse(w, h, [&](const EllipseRow& r) {
            if (rows < int(std::size(k.row))) k.row[rows] = {uint8_t(r.in), uint8_t(r.lo), uint8_t(r.hi), r.outline};
            rows++;
        });
        k.rows = uint8_t(std::min<int>(rows, 255));
        k.state = rows <= int(std::size(k.row)) ? KeptEllipse::kKept : KeptEllipse::kTooLong;
    }
    return k.state == KeptEllipse::kKept ? &k : nullptr;
}

// A kept ellipse in one colour, wholly inside the surface: the same writes as
// draw_ellipse, from the kept lists.
void draw_kept_solid(const Surface& s, const Box& box, int64_t w, int64_t h, uint32_t pixel, KeptEllipse& k) {
    if (k.stride != s.stride) record_solid(k, w, h, s.stride);
    typedef uint32_t Quad __attribute__((vector_size(16)));
    const Quad q = {pixel, pixel, pixel, pixel};
    uint32_t* const origin = s.bits + static_cast<ptrdiff_t>(box.top) * s.stride + box.left;
    for (int32_t at : k.quad_at) memcpy(origin + at, &q, 16);
    for (int32_t at : k.pixel_at) origin[at] = pixel;
}

}  // namespace

void raster_fill(const Surface& s, const RECT& clip, const RECT& r, uint32_t pixel) {
    fill(s, area_of(s, clip), r.left, r.top, r.right, r.bottom, pixel);
}

void raster_line(const Surface& s, const RECT& clip, POINT from, POINT to, uint32_t pixel) {
    const RECT a = area_of(s, clip);
    if (rect_is_empty(a)) return;
    pen_segment(s, a, from, to, pixel);
}

void raster_rectangle(const Surface& s, const RECT& clip, RECT box, const uint32_t* pen, const uint32_t* brush) {
    const RECT a = area_of(s, clip);
    const Box b = box_ordered(box);
    if (b.left == b.right || b.top == b.bottom || rect_is_empty(a)) return;
    // The platform strokes the outline through the box's last column and row
    // as four segments, each without its end point, counter-clockwise from
    // the top right. Together they make the whole border; a box one pixel
    // wide or high is a single line, and a 1 x 1 box draws nothing at all.
    // The brush fills inside the outline: from one pixel in with a pen, from
    // the box's edge with a null pen, and in both cases short of the last
    // column and row.
    const int64_t right = b.right - 1, bottom = b.bottom - 1;  // last column and row
    if (pen && right == b.left && bottom == b.top) return;
    const bool same = pen && brush && *pen == *brush;
    if (same) {  // outline and inside together cover the box
        fill(s, a, b.left, b.top, b.right, b.bottom, *pen);
        return;
    }
    const int64_t inset = pen ? 1 : 0;
    const int64_t y0 = std::max<int64_t>(b.top, a.top), y1 = std::min<int64_t>(bottom, a.bottom - 1);
    for (int64_t y = y0; y <= y1; y++) {
        const bool edge = y == b.top || y == bottom;
        if (pen && edge) {
            span(s, a, y, b.left, right, *pen);
            continue;
        }
        if (pen) {
            span(s, a, y, b.left, b.left, *pen);
            span(s, a, y, right, right, *pen);
        }
        if (brush && y >= b.top + inset && y < bottom) span(s, a, y, b.left + inset, right - 1, *brush);
    }
}

void raster_ellipse(const Surface& s, const RECT& clip, RECT box, const uint32_t* pen, const uint32_t* brush) {
    const Box b = box_ordered(box);
    const int64_t w = b.right - b.left, h = b.bottom - b.top;
    if (w == 0 || h == 0) return;
    if (w <= 2 || h <= 2) {  // too thin to round: drawn as a rectangle
        raster_rectangle(s, clip, box, pen, brush);
        return;
    }
    if (w > kMaxEllipseSide || h > kMaxEllipseSide || (!pen && !brush)) return;
    const RECT a = area_of(s, clip);
    if (rect_is_empty(a)) return;
    if (KeptEllipse* k = kept_ellipse(w, h)) {
        if (pen && brush && *pen == *brush && b.left >= a.left && b.top >= a.top && b.right <= a.right &&
            b.bottom <= a.bottom)
            draw_kept_solid(s, b, w, h, *pen, *k);
        else
            draw_ellipse(s, a, b, h, pen, brush, [&](auto&& row) { k->walk(h, row); });
    } else {
        draw_ellipse(s, a, b, h, pen, brush, [&](auto&& row) { walk_ellipse(w, h, row); });
    }
}

RECT raster_far_line_bounds(POINT from, POINT to) {
    // The cropped end points of far-off lines may lie outside the original
    // box, so both are covered.
    const Pt c1 = crop(from), c2 = crop(to);
    const int64_t l = std::min({int64_t(from.x), int64_t(to.x), int64_t(c1.x), int64_t(c2.x)});
    const int64_t t = std::min({int64_t(from.y), int64_t(to.y), int64_t(c1.y), int64_t(c2.y)});
    const int64_t r = std::max({int64_t(from.x), int64_t(to.x), int64_t(c1.x), int64_t(c2.x)}) + 1;
    const int64_t b = std::max({int64_t(from.y), int64_t(to.y), int64_t(c1.y), int64_t(c2.y)}) + 1;
    return RECT{saturate(l), saturate(t), saturate(r), saturate(b)};
}

}  // namespace plat
