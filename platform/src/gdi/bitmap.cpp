// Bitmaps: 32 bits per pixel, zero-filled, top-down.
#include <string.h>

#include <algorithm>
#include <new>

#include "gdi/objects.h"

namespace plat {

namespace {

// Large enough for any window or canvas, small enough that width * height * 4
// never overflows.
constexpr int kMaxBitmapSide = 16384;

Bitmap* new_bitmap(int width, int height, uint32_t fill) {
    Bitmap* bm = new (std::nothrow) Bitmap;
    if (!bm) return nullptr;
    gdi_resize_surface(bm, width, height, fill);
    return bm;
}

}  // namespace

Bitmap* gdi_new_surface(int width, int height, uint32_t fill) { return new_bitmap(width, height, fill); }

void gdi_free_surface(Bitmap* surface) { delete surface; }

const uint32_t* gdi_surface_pixels(const Bitmap* surface, int* width, int* height) {
    *width = surface->width;
    *height = surface->height;
    return surface->bits.data();
}

void gdi_resize_surface(Bitmap* bm, int width, int height, uint32_t fill) {
    bm->width = std::max(width, 0);
    bm->height = std::max(height, 0);
    bm->bits.assign(size_t(bm->width) * size_t(bm->height), fill);
    bm->uniform = fill;
    bm->dirty = RECT{0, 0, 0, 0};
}

}  // namespace plat

using namespace plat;

extern "C" {

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int width, int height) {
    if (!handle_cast<Dc>(hdc) || width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // As on the platform, an empty size still gives a (1 x 1) bitmap.
    Bitmap* bm = new_bitmap(width ? width : 1, height ? height : 1, 0);
    if (!bm) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return static_cast<HBITMAP>(handle_alloc(bm, ObjType::Bitmap));
}

HBITMAP WINAPI CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits) {
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide || planes != 1 ||
        bits_per_pixel != 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Bitmap* bm = new_bitmap(width, height, 0);
    if (!bm) return nullptr;
    if (bits) {
        memcpy(bm->bits.data(), bits, bm->bits.size() * 4);
        bm->dirty = RECT{0, 0, width, height};
    }
    return static_cast<HBITMAP>(handle_alloc(bm, ObjType::Bitmap));
}

LONG WINAPI GetBitmapBits(HBITMAP hbm, LONG size, LPVOID bits) {
    Bitmap* bm = handle_cast<Bitmap>(hbm);
    if (!bm || size < 0) return 0;
    LONG total = LONG(bm->bits.size() * 4);
    if (!bits) return total;
    LONG n = std::min(size, total);
    memcpy(bits, bm->bits.data(), size_t(n));
    return n;
}

}  // extern "C"
