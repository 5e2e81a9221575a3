// Icon and cursor objects (HICON / HCURSOR): one decoded image each.
#pragma once

#include <windows.h>

#include "handles.h"
#include "user/icon_image.h"

namespace plat {

struct Icon : Object {
    static constexpr ObjType kType = ObjType::Icon;
    bool is_icon = true;
    POINT hotspot = {0, 0};
    IconImage image;
    // Shared (LoadIcon, LoadCursor, LR_SHARED) icons are found again by
    // module and image resource, and DestroyIcon leaves them alone.
    bool shared = false;
    HMODULE module = nullptr;
    const void* resource = nullptr;
};

}  // namespace plat
