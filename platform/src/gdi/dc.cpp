// Device contexts: memory DCs and the DCs USER hands out for windows.
#include <algorithm>

#include "gdi/objects.h"
#include "geometry.h"

namespace plat {

namespace {

// What a new memory DC holds, as on the platform: a 1 x 1 bitmap, the black
// pen and the white brush. Made at the first need; while the handle table
// is full it cannot be, and the next memory DC tries again.
HBITMAP default_bitmap() {
    static HBITMAP bitmap = nullptr;
    if (!bitmap) {
        Bitmap* bm = gdi_new_surface(1, 1, 0);
        bm->stock = true;
        bitmap = static_cast<HBITMAP>(handle_alloc(bm, ObjType::Bitmap));
    }
    return bitmap;
}

Dc* new_dc(bool memory) {
    Dc* dc = new Dc;
    dc->memory = memory;
    dc->pen = handle_cast<Pen>(GetStockObject(BLACK_PEN));
    dc->brush = handle_cast<Brush>(GetStockObject(WHITE_BRUSH));
    dc->font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    return dc;
}

void release_selection(Dc* dc) {
    gdi_release(dc->pen);
    gdi_release(dc->brush);
    gdi_release(dc->font);
    if (dc->memory) gdi_release(dc->bitmap);
}

}  // namespace

// A window DC draws on the window's surface within its bounds.
RECT Dc::window_clip() const {
    return rect_intersect(bounds, RECT{0, 0, target->width, target->height});
}

HDC gdi_create_window_dc(HWND window, Bitmap* surface, const RECT& bounds) {
    Dc* dc = new_dc(false);
    dc->window = window;
    dc->target = surface;
    dc->bounds = bounds;
    HDC h = static_cast<HDC>(handle_alloc(dc, ObjType::Dc));
    if (h) {
        gdi_retain(dc->pen);
        gdi_retain(dc->brush);
        gdi_retain(dc->font);
    }
    return h;
}

bool gdi_window_dc_of(HDC hdc, HWND* window, RECT* bounds) {
    const Dc* dc = handle_cast<Dc>(hdc);
    if (!dc || dc->memory) return false;
    *window = dc->window;
    *bounds = dc->bounds;
    return true;
}

void gdi_delete_window_dc(HDC hdc) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc || dc->memory) return;
    release_selection(dc);
    handle_free(hdc);
}

}  // namespace plat

using namespace plat;

extern "C" {

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc && !handle_cast<Dc>(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Dc* dc = new_dc(true);
    dc->bitmap = default_bitmap();
    dc->target = handle_cast<Bitmap>(dc->bitmap);
    HDC h = static_cast<HDC>(handle_alloc(dc, ObjType::Dc));
    if (h) {
        gdi_retain(dc->pen);
        gdi_retain(dc->brush);
        gdi_retain(dc->font);
        gdi_retain(dc->bitmap);
    }
    return h;
}

BOOL WINAPI DeleteDC(HDC hdc) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc || !dc->memory) return FALSE;
    release_selection(dc);
    return handle_free(hdc);
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    if (!handle_cast<Dc>(hdc)) return 0;
    switch (index) {
    case BITSPIXEL: return 32;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case HORZRES:
    case VERTRES: {
        Dc* dc = handle_cast<Dc>(hdc);
        if (!dc->target) return 0;
        return index == HORZRES ? dc->target->width : dc->target->height;
    }
    default: return 0;
    }
}

}  // extern "C"
