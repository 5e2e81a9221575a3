#include "handles.h"

namespace plat {

// Zero-initialised: no start-up order to worry about, and objects stay
// reachable for leak checkers to the end of the process, as on the platform.
HandleSlot g_handle_slots[kHandleSlots];
HandleTable g_handle_table = {1, 0};  // slot 0 is never used

void* handle_alloc_fresh(Object* obj, ObjType type) {
    HandleTable& t = g_handle_table;
    if (t.used >= kHandleSlots) {
        delete obj;
        return nullptr;
    }
    const uint32_t index = t.used++;
    g_handle_slots[index].generation = 1;
    g_handle_slots[index].next_free = 0;
    t.free_head = index;  // taken at once
    return handle_alloc(obj, type);
}

bool handle_free(const void* h) {
    Object* obj = handle_lookup(h);
    if (!obj) return false;
    handle_free(obj);
    return true;
}

size_t handle_count(ObjType type) {
    size_t n = 0;
    for (uint32_t i = 1; i < g_handle_table.used; i++) n += g_handle_slots[i].type == type;
    return n;
}

std::vector<void*> handle_list_owned(ObjType type) {
    std::vector<void*> list;
    for (uint32_t i = 1; i < g_handle_table.used; i++) {
        const HandleSlot& s = g_handle_slots[i];
        if (s.type == type && !s.object->stock) list.push_back(s.object->handle);
    }
    return list;
}

size_t handle_count_gdi_owned() {
    size_t n = 0;
    for (uint32_t i = 1; i < g_handle_table.used; i++) {
        const HandleSlot& s = g_handle_slots[i];
        n += is_gdi_type(s.type) && !s.object->stock;
    }
    return n;
}

}  // namespace plat
