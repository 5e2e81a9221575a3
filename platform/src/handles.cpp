#include "handles.h"

namespace plat {

namespace {

constexpr uint32_t kGenerationMask = 0x7fff;

struct Table {
    uint32_t used = 1;  // slots handed out so far; slot 0 is never used
    uint32_t free_head = 0;
    size_t counts[static_cast<size_t>(ObjType::Count)] = {};
};

Table g_table;

}  // namespace

// Zero-initialised: no start-up order to worry about, and objects stay
// reachable for leak checkers to the end of the process, as on the platform.
HandleSlot g_handle_slots[kHandleSlots];

void* handle_alloc(Object* obj, ObjType type) {
    Table& t = g_table;
    uint32_t index;
    if (t.free_head) {
        index = t.free_head;
        t.free_head = g_handle_slots[index].next_free;
    } else {
        if (t.used >= kHandleSlots) {
            delete obj;
            return nullptr;
        }
        index = t.used++;
        g_handle_slots[index].generation = 1;
    }
    HandleSlot& s = g_handle_slots[index];
    s.object = obj;
    s.type = type;
    obj->type = type;
    obj->handle = reinterpret_cast<void*>(static_cast<uintptr_t>((s.generation << kHandleIndexBits) | index));
    t.counts[static_cast<size_t>(type)]++;
    return obj->handle;
}

void handle_release(Object* obj) {
    const uint32_t index = uint32_t(reinterpret_cast<uintptr_t>(obj->handle) & (kHandleSlots - 1));
    HandleSlot& s = g_handle_slots[index];
    g_table.counts[static_cast<size_t>(s.type)]--;
    s.object = nullptr;
    s.type = ObjType::Free;
    s.generation = (s.generation & kGenerationMask) + 1;
    if (s.generation > kGenerationMask) s.generation = 1;
    s.next_free = static_cast<uint16_t>(g_table.free_head);
    g_table.free_head = index;
}

bool handle_free(const void* h) {
    Object* obj = handle_lookup(h);
    if (!obj) return false;
    handle_release(obj);
    delete obj;
    return true;
}

size_t handle_count(ObjType type) { return g_table.counts[static_cast<size_t>(type)]; }

// A scan: it serves only resource counts, never drawing.
size_t handle_count_gdi_owned() {
    size_t n = 0;
    for (uint32_t i = 1; i < g_table.used; ++i) {
        const Object* o = g_handle_slots[i].object;
        if (o && is_gdi_type(o->type) && !o->stock) n++;
    }
    return n;
}

}  // namespace plat
