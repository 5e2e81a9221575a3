// The handle table: every object the platform hands out (GDI and USER alike)
// lives behind a handle made of a slot index and the slot's generation, so a
// stale, foreign or forged handle is recognised and refused, never followed.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace plat {

enum class ObjType : uint8_t {
    Free = 0,
    // GDI objects
    Dc,
    Bitmap,
    Pen,
    Brush,
    Font,
    // USER objects
    Window,
    Menu,
    Icon,
    Accel,
    Module,
    Count
};

inline bool is_gdi_type(ObjType t) { return t >= ObjType::Dc && t <= ObjType::Font; }

// Base of every object in the table. The table owns the object: freeing the
// handle deletes it.
struct Object {
    virtual ~Object() = default;
    ObjType type = ObjType::Free;
    void* handle = nullptr;
    bool stock = false;  // stock objects are never freed
};

// Stores `obj` (owned from now on) and returns its new handle; null when the
// table is full, in which case `obj` is deleted.
void* handle_alloc(Object* obj, ObjType type);

// Frees the slot and deletes its object; false for an invalid handle.
bool handle_free(const void* h);

// Frees the slot of a live object without deleting it: the caller owns it again.
void handle_release(Object* obj);

// Live objects of one type; live GDI objects other than stock ones.
size_t handle_count(ObjType type);
size_t handle_count_gdi_owned();

// The table itself, for the inline look-ups below: 16 bits of slot index and
// 15 of generation make a handle, a 32-bit value as on the real platform;
// slot 0 is never used, so no handle is 0, and generation 0 marks a slot
// never used. The slot repeats its object's type (Free when empty) so that a
// typed look-up is decided without touching the object.
struct HandleSlot {
    Object* object;
    uint32_t generation;
    ObjType type;
    uint16_t next_free;
};
constexpr uint32_t kHandleIndexBits = 16;
constexpr uint32_t kHandleSlots = 1u << kHandleIndexBits;
extern HandleSlot g_handle_slots[kHandleSlots];

// The slot `h` names if it is live; null otherwise.
inline const HandleSlot* handle_slot(const void* h) {
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (v > 0xffffffffu) return nullptr;
    const HandleSlot& s = g_handle_slots[v & (kHandleSlots - 1)];
    return s.generation == (v >> kHandleIndexBits) && s.type != ObjType::Free ? &s : nullptr;
}

// The object behind `h` if it is live, whatever its type; null otherwise.
inline Object* handle_lookup(const void* h) {
    const HandleSlot* s = handle_slot(h);
    return s ? s->object : nullptr;
}

// The object behind `h` if it is live and of `type`; null otherwise.
inline Object* handle_get(const void* h, ObjType type) {
    const HandleSlot* s = handle_slot(h);
    return s && s->type == type ? s->object : nullptr;
}

template <class T>
T* handle_cast(const void* h) {
    return static_cast<T*>(handle_get(h, T::kType));
}

}  // namespace plat
