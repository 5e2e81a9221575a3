// Modules: the objects behind HMODULE / HINSTANCE. Here a module is its
// resources, a parsed .res file: the main module's are the bytes linked into
// the program, a host module's a copy of the bytes it was made from.
#pragma once

#include <vector>

#include <windows.h>

#include "handles.h"
#include "user/resfile.h"

namespace plat {

struct Module : Object {
    static constexpr ObjType kType = ObjType::Module;
    std::vector<uint8_t> bytes;     // a host module's own copy
    const uint8_t* data = nullptr;  // the .res file; null: no resources
    size_t size = 0;
    std::vector<res::ResEntry> entries;
};

// The module behind `h`, NULL meaning the main one; null if `h` is invalid.
Module* module_from_handle(HMODULE h);

// Forgets what was cached for a module about to be freed (its shared icons).
void icon_release_module(HMODULE module);

}  // namespace plat
