// GDI objects behind the handles: bitmaps, pens, brushes and device contexts.
#pragma once

#include <vector>

#include <windows.h>

#include "gdi/raster.h"
#include "geometry.h"
#include "handles.h"

namespace plat {

// A selectable GDI object. Deleting one that is still selected into a DC only
// marks it; it is freed when the last DC lets go of it.
struct GdiObject : Object {
    int select_count = 0;
    bool delete_pending = false;
};

// A 32-bit top-down bitmap. `dirty` bounds every pixel that may differ from
// `uniform` (empty: the whole bitmap is `uniform`), so a later fill of the
// whole bitmap with one colour needs to touch only that part.
struct Bitmap : GdiObject {
    static constexpr ObjType kType = ObjType::Bitmap;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> bits;
    uint32_t uniform = 0;
    RECT dirty = {0, 0, 0, 0};

    Surface surface() { return Surface{bits.data(), width, height, width}; }
    // r already clipped to the bitmap
    void mark_dirty(const RECT& r) { dirty = rect_union(dirty, r); }
};

// Pens and brushes come and go by the hundred each frame: reuse their
// memory through a free list threaded through the blocks themselves.
template <class T>
struct Pooled {
    static void* operator new(size_t size) {
        if (size == sizeof(T) && free_head) {
            void* p = free_head;
            free_head = *static_cast<void**>(p);
            free_count--;
            return p;
        }
        return ::operator new(size);
    }
    static void operator delete(void* p, size_t size) {
        if (size == sizeof(T) && free_count < 4096) {
            *static_cast<void**>(p) = free_head;
            free_head = p;
            free_count++;
            return;
        }
        ::operator delete(p);
    }
    // Plain globals, never destroyed: pooled memory stays reachable to the end.
    inline static void* free_head = nullptr;
    inline static size_t free_count = 0;
};

// A pen or brush keeps its colour as a surface pixel, ready to draw with.
template <class T, ObjType kind, int null_style>
struct SolidObject : GdiObject, Pooled<T> {
    static constexpr ObjType kType = kind;
    int style;
    COLORREF color;
    uint32_t pixel;

    SolidObject(int style_, COLORREF color_) : style(style_), color(color_), pixel(pixel_from_colorref(color_)) {}
    // What the rasterizer takes: null for one that draws nothing.
    const uint32_t* draws() const { return style == null_style ? nullptr : &pixel; }
};

struct Pen final : SolidObject<Pen, ObjType::Pen, PS_NULL> {
    using SolidObject::SolidObject;
};

struct Brush final : SolidObject<Brush, ObjType::Brush, BS_NULL> {
    using SolidObject::SolidObject;
};

struct Font : GdiObject {
    static constexpr ObjType kType = ObjType::Font;
};

// A device context draws on a bitmap: the one selected into a memory DC, or a
// window's surface for a window DC. `bounds` limits drawing further (a paint
// DC's update rectangle), in the surface's coordinates. The selected objects
// are held by pointer (a selected object stays alive), their handles being
// theirs; only a DC whose stock objects could not be made holds none.
struct Dc : Object {
    static constexpr ObjType kType = ObjType::Dc;
    bool memory = true;
    HBITMAP bitmap = nullptr;     // memory DC: the selected bitmap
    Bitmap* target = nullptr;     // what is drawn on (selected bitmap or window surface)
    RECT bounds = {0, 0, 0, 0};   // window DC: drawing limit; memory DC: unused
    HWND window = nullptr;        // window DC: its window
    Pen* pen = nullptr;
    Brush* brush = nullptr;
    HFONT font = nullptr;
    POINT position = {0, 0};

    const uint32_t* pen_pixel() const { return pen ? pen->draws() : nullptr; }
    const uint32_t* brush_pixel() const { return brush ? brush->draws() : nullptr; }

    // The rectangle drawing is clipped to; empty when there is no target.
    RECT clip() const {
        if (!target) return RECT{0, 0, 0, 0};
        if (memory) return RECT{0, 0, target->width, target->height};
        return window_clip();
    }
    RECT window_clip() const;
};

// handle_free for GDI objects: pens and brushes, the commonest objects, are
// deleted by their own type, without a virtual call.
inline void handle_free(GdiObject* obj) {
    handle_free_slot(obj);
    if (obj->type == ObjType::Pen)
        delete static_cast<Pen*>(obj);
    else if (obj->type == ObjType::Brush)
        delete static_cast<Brush*>(obj);
    else
        delete obj;
}

// Makes `obj` selected once more / once less; the latter frees it if it was
// deleted while selected. Null is ignored.
inline void gdi_retain(GdiObject* obj) {
    if (obj) obj->select_count++;
}
inline void gdi_release(GdiObject* obj) {
    if (obj && --obj->select_count == 0 && obj->delete_pending) handle_free(obj);
}
void gdi_retain(HGDIOBJ obj);
void gdi_release(HGDIOBJ obj);

}  // namespace plat
