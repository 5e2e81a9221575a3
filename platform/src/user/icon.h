// Icon and cursor objects (HICON / HCURSOR): one decoded image each.
#pragma once

#include <string>

#include <windows.h>

#include "handles.h"
#include "res/icon_image.h"

namespace plat {

struct Icon : Object {
    static constexpr ObjType kType = ObjType::Icon;
    bool is_icon = true;
    POINT hotspot = {0, 0};
    IconImage image;
    // Shared (LoadIcon, LoadCursor, LR_SHARED) icons belong to their module,
    // which finds them again and frees them; DestroyIcon leaves them alone.
    bool shared = false;
    // The icon group or cursor group it was loaded from, for CopyImage's
    // LR_COPYFROMRESOURCE: its module, and its number or (if number is 0) name.
    HMODULE module = nullptr;
    WORD number = 0;
    std::string name;
};

}  // namespace plat
