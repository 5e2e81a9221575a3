// Drawing calls: pattern fills, block transfer, lines, rectangles, ellipses, pixels.
#include <string.h>

#include "gdi/objects.h"
#include "geometry.h"

namespace plat {

namespace {

// Fills r (clipped) with one pixel value. Filling a whole bitmap need only
// touch what was drawn since it last held one colour.
void fill(Dc* dc, const RECT& r, uint32_t pixel) {
    Bitmap* bm = dc->target;
    RECT clip = dc->clip();
    RECT area = rect_intersect(r, clip);
    if (rect_is_empty(area)) return;
    Surface s = bm->surface();
    if (area.left == 0 && area.top == 0 && area.right == bm->width && area.bottom == bm->height) {
        if (bm->uniform == pixel) {
            if (!rect_is_empty(bm->dirty)) raster_fill(s, clip, bm->dirty, pixel);
        } else {
            raster_fill(s, clip, area, pixel);
        }
        bm->uniform = pixel;
        bm->dirty = RECT{0, 0, 0, 0};
        return;
    }
    raster_fill(s, clip, area, pixel);
    bm->mark_dirty(area);
}

}  // namespace

}  // namespace plat

using namespace plat;

extern "C" {

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc) return FALSE;
    if (!dc->target) return TRUE;
    const RECT r = rect_ordered(RECT{x, y, saturating_add(x, width), saturating_add(y, height)});
    switch (rop) {
    case BLACKNESS: fill(dc, r, 0x000000); return TRUE;
    case WHITENESS: fill(dc, r, 0xffffff); return TRUE;
    case PATCOPY:
        if (dc->brush_pixel()) fill(dc, r, *dc->brush_pixel());
        return TRUE;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
}

BOOL WINAPI BitBlt(HDC hdst, int x, int y, int width, int height, HDC hsrc, int src_x, int src_y, DWORD rop) {
    Dc* dst = handle_cast<Dc>(hdst);
    Dc* src = handle_cast<Dc>(hsrc);
    if (!dst || rop != SRCCOPY || !src) {
        if (dst && (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY))
            return PatBlt(hdst, x, y, width, height, rop);
        return FALSE;
    }
    if (!dst->target || !src->target || width <= 0 || height <= 0) return TRUE;
    // The part of the destination that is both inside its clip and backed by
    // source pixels.
    RECT area = rect_intersect(RECT{x, y, saturating_add(x, width), saturating_add(y, height)}, dst->clip());
    // The source clip in destination coordinates: source + (x - src_x).
    RECT src_clip = src->clip();
    const int64_t dx = int64_t(x) - src_x, dy = int64_t(y) - src_y;
    area = rect_intersect(area, RECT{saturating_add(src_clip.left, dx), saturating_add(src_clip.top, dy),
                                saturating_add(src_clip.right, dx), saturating_add(src_clip.bottom, dy)});
    if (rect_is_empty(area)) return TRUE;
    Bitmap* d = dst->target;
    Bitmap* s = src->target;
    size_t row_bytes = size_t(area.right - area.left) * 4;
    // Within one bitmap, copy rows in the order that never reads a row already overwritten.
    bool upwards = d == s && dy > 0;
    for (int i = 0; i < area.bottom - area.top; ++i) {
        int row = upwards ? area.bottom - 1 - i : area.top + i;
        uint32_t* out = d->bits.data() + size_t(row) * d->width + area.left;
        const uint32_t* in = s->bits.data() + size_t(row - dy) * s->width + size_t(area.left - dx);
        memmove(out, in, row_bytes);
    }
    d->mark_dirty(area);
    return TRUE;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->position;
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc) return FALSE;
    POINT from = dc->position;
    POINT to = {x, y};
    dc->position = to;
    const uint32_t* pen = dc->pen_pixel();
    if (!pen || !dc->target) return TRUE;
    RECT clip = dc->clip();
    RECT touched = rect_intersect(raster_line_bounds(from, to), clip);
    if (rect_is_empty(touched)) return TRUE;
    raster_line(dc->target->surface(), clip, from, to, *pen);
    dc->target->mark_dirty(touched);
    return TRUE;
}

}  // extern "C"

namespace {

template <void (*shape)(const Surface&, const RECT&, RECT, const uint32_t*, const uint32_t*), RECT (*bounds)(RECT)>
BOOL draw_shape(HDC hdc, int left, int top, int right, int bottom) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc) return FALSE;
    if (!dc->target) return TRUE;
    const uint32_t* pen = dc->pen_pixel();
    const uint32_t* brush = dc->brush_pixel();
    if (!pen && !brush) return TRUE;
    const RECT box = {left, top, right, bottom};
    const RECT clip = dc->clip();
    const RECT touched = rect_intersect(bounds(box), clip);
    if (rect_is_empty(touched)) return TRUE;
    shape(dc->target->surface(), clip, box, pen, brush);
    dc->target->mark_dirty(touched);
    return TRUE;
}

}  // namespace

extern "C" {

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    return draw_shape<raster_rectangle, raster_rectangle_bounds>(hdc, left, top, right, bottom);
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    return draw_shape<raster_ellipse, raster_ellipse_bounds>(hdc, left, top, right, bottom);
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc) return CLR_INVALID;
    RECT clip = dc->clip();
    if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return CLR_INVALID;
    return colorref_from_pixel(dc->target->bits[size_t(y) * dc->target->width + x]);
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc) return CLR_INVALID;
    RECT clip = dc->clip();
    if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return CLR_INVALID;
    dc->target->bits[size_t(y) * dc->target->width + x] = pixel_from_colorref(color);
    dc->target->mark_dirty(RECT{x, y, x + 1, y + 1});
    return color & 0x00ffffff;
}

// Drawing is immediate here; nothing is batched.
BOOL WINAPI GdiFlush(void) { return TRUE; }

}  // extern "C"
