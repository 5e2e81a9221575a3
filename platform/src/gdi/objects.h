// GDI objects behind the handles: bitmaps, pens, brushes and device contexts.
#pragma once

#include <vector>

#include <windows.h>

#include "gdi/raster.h"
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
    void mark_dirty(const RECT& r);  // r already clipped to the bitmap
};

// Pens and brushes come and go by the hundred each frame: recycle their memory.
template <class T>
struct Recycled {
    static void* operator new(size_t size) {
        if (size == sizeof(T) && !free_list().empty()) {
            void* p = free_list().back();
            free_list().pop_back();
            return p;
        }
        return ::operator new(size);
    }
    static void operator delete(void* p, size_t size) {
        if (size == sizeof(T) && free_list().size() < 4096) {
            free_list().push_back(p);
            return;
        }
        ::operator delete(p);
    }
    // Never destroyed, so recycled blocks stay reachable to the very end.
    static std::vector<void*>& free_list() {
        static std::vector<void*>& list = *new std::vector<void*>;
        return list;
    }
};

struct Pen : GdiObject, Recycled<Pen> {
    static constexpr ObjType kType = ObjType::Pen;
    int style = PS_SOLID;
    COLORREF color = 0;
};

struct Brush : GdiObject, Recycled<Brush> {
    static constexpr ObjType kType = ObjType::Brush;
    int style = BS_SOLID;
    COLORREF color = 0;
};

struct Font : GdiObject {
    static constexpr ObjType kType = ObjType::Font;
};

// A device context draws on a bitmap: the one selected into a memory DC, or a
// window's surface for a window DC. `bounds` limits drawing further (a paint
// DC's update rectangle), in the surface's coordinates.
struct Dc : Object {
    static constexpr ObjType kType = ObjType::Dc;
    bool memory = true;
    HBITMAP bitmap = nullptr;     // memory DC: the selected bitmap
    Bitmap* target = nullptr;     // what is drawn on (selected bitmap or window surface)
    RECT bounds = {0, 0, 0, 0};   // window DC: drawing limit; memory DC: unused
    HWND window = nullptr;        // window DC: its window
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    POINT position = {0, 0};

    // The rectangle drawing is clipped to; empty when there is no target.
    RECT clip() const;
};

// Makes `obj` selected once more / once less; the latter frees it if it was
// deleted while selected.
void gdi_retain(HGDIOBJ obj);
void gdi_release(HGDIOBJ obj);

// Window DCs (for USER): a DC drawing on `surface`, limited to `bounds`.
HDC gdi_create_window_dc(HWND window, Bitmap* surface, const RECT& bounds);

// A bitmap object not in the handle table's count of user objects, for window surfaces.
Bitmap* gdi_new_surface(int width, int height, uint32_t fill);
void gdi_resize_surface(Bitmap* surface, int width, int height, uint32_t fill);

}  // namespace plat

namespace plat {

// Ends a DC made by gdi_create_window_dc (ReleaseDC/EndPaint).
void gdi_delete_window_dc(HDC dc);

// Stock objects count as neither live nor leaked.
size_t gdi_stock_count();

}  // namespace plat
