// Modules: the objects behind HMODULE / HINSTANCE. Here a module is its
// resources, a parsed .res file: the main module's are the bytes linked into
// the program, a host module's a copy of the bytes it was made from.
#pragma once

#include <vector>

#include <windows.h>

#include "handles.h"
#include "res/resfile.h"

namespace plat {

struct Module : Object {
    static constexpr ObjType kType = ObjType::Module;
    std::vector<uint8_t> bytes;     // a host module's own copy
    const uint8_t* data = nullptr;  // the .res file; null: no resources
    size_t size = 0;
    std::vector<res::ResEntry> entries;
    // Objects loaded from the module's resources to be shared (LR_SHARED
    // icons), each with the resource it came from; freed with the module.
    struct Shared {
        const void* resource;
        void* handle;
    };
    std::vector<Shared> shared;
};

// The module behind `h`, NULL meaning the main one; null if `h` is invalid.
Module* module_from_handle(HMODULE h);

// Frees every module made by host_create_module, as at process start.
void modules_reset();

// The shared object made from `resource` of `module`, or null.
void* module_find_shared(HMODULE module, const void* resource);
// Hands `handle`, made from `resource`, to `module`: found again by
// module_find_shared and freed when the module is.
void module_share(HMODULE module, const void* resource, void* handle);

}  // namespace plat
