#include "handles.h"

#include <vector>

namespace plat {

namespace {

// 16 bits of slot index, 15 bits of generation: handles stay 32-bit values as
// on the real platform, and are never null.
constexpr uint32_t kIndexBits = 16;
constexpr uint32_t kMaxSlots = (1u << kIndexBits) - 1;
constexpr uint32_t kGenerationMask = 0x7fff;

struct Slot {
    Object* object = nullptr;
    uint16_t generation = 1;
    uint32_t next_free = 0;
};

struct Table {
    std::vector<Slot> slots{1};  // slot 0 is never used, so no handle is 0
    uint32_t free_head = 0;
    size_t counts[static_cast<size_t>(ObjType::Count)] = {};
    // Objects still live at exit end with the process, as on the platform.
};

// Never destroyed: objects live to the end of the process, as on the platform,
// and stay reachable for leak checkers after static destructors have run.
Table& g_table = *new Table;

inline Table& table() { return g_table; }

void* encode(uint32_t index, uint16_t generation) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>((uint32_t(generation) << kIndexBits) | index));
}

Slot* decode(const void* h) {
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (v > 0xffffffffu) return nullptr;
    uint32_t index = v & kMaxSlots;
    uint32_t generation = uint32_t(v >> kIndexBits);
    Table& t = table();
    if (index == 0 || index >= t.slots.size()) return nullptr;
    Slot& s = t.slots[index];
    if (!s.object || s.generation != generation) return nullptr;
    return &s;
}

}  // namespace

void* handle_alloc(Object* obj, ObjType type) {
    Table& t = table();
    uint32_t index;
    if (t.free_head) {
        index = t.free_head;
        t.free_head = t.slots[index].next_free;
    } else {
        if (t.slots.size() > kMaxSlots) {
            delete obj;
            return nullptr;
        }
        index = uint32_t(t.slots.size());
        t.slots.emplace_back();
    }
    Slot& s = t.slots[index];
    s.object = obj;
    obj->type = type;
    obj->handle = encode(index, s.generation);
    t.counts[static_cast<size_t>(type)]++;
    return obj->handle;
}

Object* handle_get(const void* h, ObjType type) {
    Slot* s = decode(h);
    return s && s->object->type == type ? s->object : nullptr;
}

Object* handle_lookup(const void* h) {
    Slot* s = decode(h);
    return s ? s->object : nullptr;
}

bool handle_free(const void* h) {
    Slot* s = decode(h);
    if (!s) return false;
    Table& t = table();
    Object* obj = s->object;
    t.counts[static_cast<size_t>(obj->type)]--;
    s->object = nullptr;
    s->generation = uint16_t(((s->generation) & kGenerationMask) + 1);
    if ((s->generation & kGenerationMask) == 0) s->generation = 1;
    uint32_t index = uint32_t(s - t.slots.data());
    s->next_free = t.free_head;
    t.free_head = index;
    delete obj;
    return true;
}

size_t handle_count(ObjType type) { return table().counts[static_cast<size_t>(type)]; }

size_t handle_count_gdi() {
    size_t n = 0;
    for (int t = int(ObjType::Dc); t <= int(ObjType::Font); ++t) n += table().counts[t];
    return n;
}

}  // namespace plat
