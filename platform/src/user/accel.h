// Accelerator table objects (HACCEL).
#pragma once

#include <vector>

#include <windows.h>

#include "handles.h"

namespace plat {

struct AccelTable : Object {
    static constexpr ObjType kType = ObjType::Accel;
    // As loaded: fVirt without the end-of-table bit; key a virtual key with
    // FVIRTKEY, else a character (UTF-16 code unit).
    std::vector<ACCEL> entries;
};

}  // namespace plat
