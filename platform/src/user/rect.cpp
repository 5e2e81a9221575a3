// Rectangle helpers. Empty means no area: right <= left or bottom <= top.
#include <windows.h>

#include "geometry.h"

using plat::rect_intersect;
using plat::wrapping_add;

namespace {

bool empty(const RECT& r) { return plat::rect_is_empty(r); }

}  // namespace

extern "C" {

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL WINAPI SetRectEmpty(LPRECT rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL WINAPI CopyRect(LPRECT dst, const RECT* src) {
    if (!dst || !src) return FALSE;
    *dst = *src;
    return TRUE;
}

BOOL WINAPI IsRectEmpty(const RECT* rect) { return !rect || empty(*rect); }

BOOL WINAPI EqualRect(const RECT* a, const RECT* b) {
    if (!a || !b) return FALSE;
    return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL WINAPI IntersectRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    // No overlap leaves an empty rectangle, as the platform does.
    *dst = rect_intersect(*a, *b);
    return !empty(*dst);
}

BOOL WINAPI UnionRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    *dst = plat::rect_union(*a, *b);
    return !empty(*dst);
}

BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left = wrapping_add(rect->left, dx);
    rect->top = wrapping_add(rect->top, dy);
    rect->right = wrapping_add(rect->right, dx);
    rect->bottom = wrapping_add(rect->bottom, dy);
    return TRUE;
}

BOOL WINAPI InflateRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left = wrapping_add(rect->left, -int64_t(dx));
    rect->top = wrapping_add(rect->top, -int64_t(dy));
    rect->right = wrapping_add(rect->right, dx);
    rect->bottom = wrapping_add(rect->bottom, dy);
    return TRUE;
}

BOOL WINAPI PtInRect(const RECT* rect, POINT pt) {
    if (!rect) return FALSE;
    return pt.x >= rect->left && pt.x < rect->right && pt.y >= rect->top && pt.y < rect->bottom;
}

}  // extern "C"
