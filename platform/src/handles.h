// The handle table: every object the platform hands out (GDI and USER alike)
// lives behind a handle made of a slot index and the slot's generation, so a
// stale, foreign or forged handle is recognised and refused, never followed.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

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

// The table itself, for the inline functions below: 16 bits of slot index and
// 15 of generation make a handle, a 32-bit value as on the real platform;
// slot 0 is never used, so no handle is 0, and generation 0 marks a slot
// never used. The slot repeats its object's type (Free when empty) so that a
// typed look-up is decided without touching the object. Pens and brushes
// come and go by the hundred per frame, so taking and freeing a slot that
// was used before is inline too.
struct HandleSlot {
    Object* object;
    uint32_t generation;
    ObjType type;
    uint16_t next_free;
};
constexpr uint32_t kHandleIndexBits = 16;
constexpr uint32_t kHandleSlots = 1u << kHandleIndexBits;
constexpr uint32_t kHandleGenerationMask = 0x7fff;
extern HandleSlot g_handle_slots[kHandleSlots];

struct HandleTable {
    uint32_t used;       // slots handed out so far, slot 0 included
    uint32_t free_head;  // 0: no freed slot
};
extern HandleTable g_handle_table;

// handle_alloc when no freed slot is waiting.
void* handle_alloc_fresh(Object* obj, ObjType type);

// Stores `obj` (owned from now on) and returns its new handle; null when the
// table is full, in which case `obj` is deleted.
inline void* handle_alloc(Object* obj, ObjType type) {
    HandleTable& t = g_handle_table;
    const uint32_t index = t.free_head;
    if (!index) return handle_alloc_fresh(obj, type);
    HandleSlot& s = g_handle_slots[index];
    t.free_head = s.next_free;
    s.object = obj;
    s.type = type;
    obj->type = type;
    obj->handle = reinterpret_cast<void*>(static_cast<uintptr_t>((s.generation << kHandleIndexBits) | index));
    return obj->handle;
}

// Empties the slot of a live object; handle_free's first half.
inline void handle_free_slot(const Object* obj) {
    const uint32_t index = uint32_t(reinterpret_cast<uintptr_t>(obj->handle) & (kHandleSlots - 1));
    HandleSlot& s = g_handle_slots[index];
    HandleTable& t = g_handle_table;
    s.object = nullptr;
    s.type = ObjType::Free;
    s.generation = s.generation >= kHandleGenerationMask ? 1 : s.generation + 1;
    s.next_free = static_cast<uint16_t>(t.free_head);
    t.free_head = index;
}

// Frees a live object and its handle.
inline void handle_free(Object* obj) {
    handle_free_slot(obj);
    delete obj;
}
// The same by handle; false for an invalid one.
bool handle_free(const void* h);

// Live objects of one type, or live GDI objects other than stock ones:
// counted when asked, which is rare, rather than on every allocation.
size_t handle_count(ObjType type);
size_t handle_count_gdi_owned();
// The handles of live objects of one type, stock ones left out.
std::vector<void*> handle_list_owned(ObjType type);

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
