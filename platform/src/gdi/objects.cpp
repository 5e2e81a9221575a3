// Pens, brushes, stock objects, selection and deletion.
#include "gdi/objects.h"

namespace plat {

namespace {

// Null when the handle table is full (the object is then gone too).
template <class T>
HGDIOBJ new_stock(T* obj) {
    obj->stock = true;
    return handle_alloc(obj, T::kType);
}

HGDIOBJ make_stock(int index) {
    auto pen = [](int style, COLORREF c) { return new_stock(new Pen(style, c)); };
    auto brush = [](int style, COLORREF c) { return new_stock(new Brush(style, c)); };
    switch (index) {
    case WHITE_BRUSH: return brush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH: return brush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH: return brush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH: return brush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH: return brush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH: return brush(BS_NULL, 0);
    case WHITE_PEN: return pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN: return pen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN: return pen(PS_NULL, 0);
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: return new_stock(new Font);
    default: return nullptr;
    }
}

// The slot of a selectable object: any GDI object but a DC.
const HandleSlot* selectable_slot(HGDIOBJ obj) {
    const HandleSlot* s = handle_slot(obj);
    return s && is_gdi_type(s->type) && s->type != ObjType::Dc ? s : nullptr;
}

GdiObject* gdi_lookup(HGDIOBJ obj) {
    const HandleSlot* s = selectable_slot(obj);
    return s ? static_cast<GdiObject*>(s->object) : nullptr;
}

// Puts `next` in `slot` and lets go of what was there; the old handle.
template <class T>
HGDIOBJ replace(T*& slot, T* next) {
    T* old = slot;
    slot = next;
    next->select_count++;
    if (!old) return nullptr;
    HGDIOBJ previous = old->handle;  // before the release may free it
    gdi_release(old);
    return previous;
}

}  // namespace

void gdi_retain(HGDIOBJ obj) { gdi_retain(gdi_lookup(obj)); }

void gdi_release(HGDIOBJ obj) { gdi_release(gdi_lookup(obj)); }

void gdi_reset() {
    // DCs first: then nothing is selected and every object goes at once.
    for (void* dc : handle_list_owned(ObjType::Dc)) DeleteDC(static_cast<HDC>(dc));
    for (ObjType type : {ObjType::Bitmap, ObjType::Pen, ObjType::Brush, ObjType::Font})
        for (void* obj : handle_list_owned(type)) DeleteObject(obj);
}

void gdi_make_permanent(HGDIOBJ obj) {
    if (GdiObject* o = gdi_lookup(obj)) o->stock = true;
}

}  // namespace plat

using namespace plat;

extern "C" {

HGDIOBJ WINAPI GetStockObject(int index) {
    static HGDIOBJ stock[DEFAULT_GUI_FONT + 1];
    if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
    if (!stock[index]) stock[index] = make_stock(index);
    return stock[index];
}

HPEN WINAPI CreatePen(int style, int width, COLORREF color) {
    // Only cosmetic solid and null pens are drawn by this GDI.
    bool solid = style == PS_SOLID || style == PS_INSIDEFRAME;
    if (!(style == PS_NULL || (solid && width >= 0 && width <= 1))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (style == PS_NULL) return static_cast<HPEN>(GetStockObject(NULL_PEN));
    return static_cast<HPEN>(handle_alloc(new Pen(PS_SOLID, color & 0x00ffffff), ObjType::Pen));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(handle_alloc(new Brush(BS_SOLID, color & 0x00ffffff), ObjType::Brush));
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ obj) {
    Dc* dc = handle_cast<Dc>(hdc);
    const HandleSlot* slot = selectable_slot(obj);
    GdiObject* o = slot ? static_cast<GdiObject*>(slot->object) : nullptr;
    if (!dc || !o || o->delete_pending) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // The slot's copy of the type decides, without waiting for the object.
    switch (slot->type) {
    case ObjType::Pen: return replace(dc->pen, static_cast<Pen*>(o));
    case ObjType::Brush: return replace(dc->brush, static_cast<Brush*>(o));
    case ObjType::Font: {
        HGDIOBJ previous = dc->font;
        dc->font = static_cast<HFONT>(obj);
        o->select_count++;
        gdi_release(previous);
        return previous;
    }
    case ObjType::Bitmap: {
        // A bitmap goes into one memory DC at a time.
        if (!dc->memory) return nullptr;
        if (obj == dc->bitmap) return obj;
        if (o->select_count > 0 && !o->stock) return nullptr;
        HGDIOBJ previous = dc->bitmap;
        dc->bitmap = static_cast<HBITMAP>(obj);
        dc->target = static_cast<Bitmap*>(o);
        o->select_count++;
        gdi_release(previous);
        return previous;
    }
    default: return nullptr;
    }
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    Dc* dc = handle_cast<Dc>(hdc);
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_PEN: return dc->pen ? dc->pen->handle : nullptr;
    case OBJ_BRUSH: return dc->brush ? dc->brush->handle : nullptr;
    case OBJ_FONT: return dc->font;
    case OBJ_BITMAP: return dc->bitmap;
    default: return nullptr;
    }
}

BOOL WINAPI DeleteObject(HGDIOBJ obj) {
    GdiObject* o = gdi_lookup(obj);
    if (!o) return FALSE;
    if (o->stock) return TRUE;
    // Still selected somewhere: freed once the last DC lets go of it.
    if (o->select_count > 0) {
        o->delete_pending = true;
        return TRUE;
    }
    handle_free(o);
    return TRUE;
}

DWORD WINAPI GetObjectType(HGDIOBJ obj) {
    Object* o = handle_lookup(obj);
    if (!o) return 0;
    switch (o->type) {
    case ObjType::Pen: return OBJ_PEN;
    case ObjType::Brush: return OBJ_BRUSH;
    case ObjType::Font: return OBJ_FONT;
    case ObjType::Bitmap: return OBJ_BITMAP;
    case ObjType::Dc: return static_cast<Dc*>(o)->memory ? OBJ_MEMDC : OBJ_DC;
    default: return 0;
    }
}

int WINAPI GetObjectA(HGDIOBJ obj, int size, LPVOID buffer) {
    GdiObject* o = gdi_lookup(obj);
    if (!o) return 0;
    switch (o->type) {
    case ObjType::Pen: {
        if (!buffer) return sizeof(LOGPEN);
        if (size < int(sizeof(LOGPEN))) return 0;
        Pen* p = static_cast<Pen*>(o);
        LOGPEN lp = {UINT(p->style), {p->style == PS_NULL ? 0 : 1, 0}, p->color};
        *static_cast<LOGPEN*>(buffer) = lp;
        return sizeof(LOGPEN);
    }
    case ObjType::Brush: {
        if (!buffer) return sizeof(LOGBRUSH);
        if (size < int(sizeof(LOGBRUSH))) return 0;
        Brush* b = static_cast<Brush*>(o);
        LOGBRUSH lb = {UINT(b->style), b->color, 0};
        *static_cast<LOGBRUSH*>(buffer) = lb;
        return sizeof(LOGBRUSH);
    }
    case ObjType::Bitmap: {
        if (!buffer) return sizeof(BITMAP);
        if (size < int(sizeof(BITMAP))) return 0;
        Bitmap* bm = static_cast<Bitmap*>(o);
        BITMAP info = {0, bm->width, bm->height, bm->width * 4, 1, 32, nullptr};
        *static_cast<BITMAP*>(buffer) = info;
        return sizeof(BITMAP);
    }
    default: return 0;
    }
}

DWORD WINAPI GetGuiResources(HANDLE process, DWORD flags) {
    if (process != GetCurrentProcess()) return 0;
    if (flags == GR_GDIOBJECTS) return DWORD(handle_count_gdi_owned());
    if (flags == GR_USEROBJECTS)
        return DWORD(handle_count(ObjType::Window) + handle_count(ObjType::Menu) + handle_count(ObjType::Icon) +
                     handle_count(ObjType::Accel));
    return 0;
}

}  // extern "C"
