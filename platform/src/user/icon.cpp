// Icons and cursors: LoadImageA, LoadIconA, LoadCursorA, CopyImage,
// GetIconInfo, DestroyIcon, DestroyCursor.
#include "user/icon.h"

#include <algorithm>
#include <vector>

#include <win32_host.h>

#include "module.h"
#include "res/resource_data.h"

namespace plat {

namespace {

constexpr int kScreenDepth = 32;  // the bit depth images are matched against
constexpr int kCursorSize = 32;   // SM_CXCURSOR, SM_CYCURSOR

// The system's cursor, shared and never destroyed.
Icon* g_arrow = nullptr;

// The system's arrow: black outline, white inside, hot spot at the tip.
HCURSOR arrow_cursor() {
    if (g_arrow) return static_cast<HCURSOR>(g_arrow->handle);
    static const char* const kShape[] = {
        "X",           "XX",          "XoX",         "XooX",        "XoooX",
        "XooooX",      "XoooooX",     "XooooooX",    "XoooooooX",   "XooooooooX",
        "XoooooooooX", "XooooooXXXXX", "XoooXooX",   "XooXXooX",    "XoX XooX",
        "XX  XooX",    "X    XooX",   "      XooX",  "       XX",
    };
    Icon* icon = new Icon;
    icon->is_icon = false;
    icon->shared = true;
    icon->stock = true;
    IconImage& image = icon->image;
    image.width = image.height = kCursorSize;
    image.bit_count = 1;
    image.monochrome = true;
    image.pixels.assign(size_t(kCursorSize) * kCursorSize, 0);
    image.mask.assign(size_t(kCursorSize) * kCursorSize, 1);
    for (size_t y = 0; y < sizeof(kShape) / sizeof(kShape[0]); ++y) {
        for (size_t x = 0; kShape[y][x]; ++x) {
            char c = kShape[y][x];
            if (c == ' ') continue;
            image.mask[y * kCursorSize + x] = 0;
            image.pixels[y * kCursorSize + x] = c == 'o' ? 0xFFFFFF : 0;
        }
    }
    HCURSOR h = static_cast<HCURSOR>(handle_alloc(icon, ObjType::Icon));
    if (h) g_arrow = icon;
    return h;
}

HANDLE load_system_image(LPCSTR name, UINT type) {
    if (type == IMAGE_CURSOR && name == IDC_ARROW) return arrow_cursor();
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

// The image of a group resource that best fits the size asked for (with
// LR_DEFAULTSIZE, zero sides are the system's size); *want gets the size
// the image is to be made at (0: the stored one).
HRSRC find_group_image(HMODULE module, LPCSTR name, bool is_icon, int width, int height, UINT flags, SIZE* want) {
    HRSRC group = FindResourceA(module, name, is_icon ? RT_GROUP_ICON : RT_GROUP_CURSOR);
    if (!group) return nullptr;
    const uint8_t* dir = static_cast<const uint8_t*>(LockResource(LoadResource(module, group)));
    std::vector<res::GroupEntry> entries;
    if (!dir || !res::parse_group_directory(dir, SizeofResource(module, group), is_icon, &entries)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    int want_w = width, want_h = height;
    if (flags & LR_DEFAULTSIZE) {
        if (!want_w) want_w = is_icon ? GetSystemMetrics(SM_CXICON) : kCursorSize;
        if (!want_h) want_h = is_icon ? GetSystemMetrics(SM_CYICON) : kCursorSize;
    } else if (!want_w && !want_h) {
        // No size asked: the first image's.
        want_w = entries[0].width;
        want_h = entries[0].height;
    }
    int best = is_icon ? res::best_icon_entry(entries, want_w, want_h, kScreenDepth)
                       : res::best_cursor_entry(entries, want_w, want_h);
    if (best < 0) return nullptr;
    // The requested size, or with none the stored one.
    *want = (flags & LR_DEFAULTSIZE) ? SIZE{want_w, want_h} : SIZE{width, height};
    return FindResourceA(module, MAKEINTRESOURCEA(entries[best].id), is_icon ? RT_ICON : RT_CURSOR);
}

// An icon or cursor from the data of an RT_ICON or RT_CURSOR resource, at
// `size`; null (the error set) for data that is not an image.
Icon* decode_icon(const uint8_t* bits, size_t size, bool is_icon, SIZE want) {
    POINT hotspot = {0, 0};
    if (!is_icon) {
        // A cursor image starts with its hot spot.
        if (!bits || size < 4) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        hotspot.x = int16_t(res::read_u16(bits));
        hotspot.y = int16_t(res::read_u16(bits + 2));
        bits += 4;
        size -= 4;
    }
    Icon* icon = new Icon;
    if (!bits || !decode_icon_image(bits, size, want.cx, want.cy, &icon->image)) {
        delete icon;
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    icon->is_icon = is_icon;
    const IconImage& image = icon->image;
    if (is_icon) {
        hotspot = {image.width / 2, image.height / 2};
    } else {
        // A stretched cursor keeps its hot spot on the same spot of the picture.
        int32_t stored_w = int32_t(res::read_u32(bits + 4)), stored_h = int32_t(res::read_u32(bits + 8)) / 2;
        if (stored_w != image.width || stored_h != image.height) {
            hotspot.x = hotspot.x * image.width / stored_w;
            hotspot.y = hotspot.y * image.height / stored_h;
        }
    }
    icon->hotspot = hotspot;
    return icon;
}

HANDLE load_module_image(HMODULE module, LPCSTR name, bool is_icon, int width, int height, UINT flags) {
    SIZE want;
    HRSRC image_res = find_group_image(module, name, is_icon, width, height, flags, &want);
    if (!image_res) return nullptr;
    HMODULE owner = module ? module : GetModuleHandleA(nullptr);
    if (flags & LR_SHARED) {
        if (HICON h = static_cast<HICON>(module_find_shared(owner, image_res))) return h;
    }
    const uint8_t* bits = static_cast<const uint8_t*>(LockResource(LoadResource(module, image_res)));
    Icon* icon = decode_icon(bits, SizeofResource(module, image_res), is_icon, want);
    if (!icon) return nullptr;
    icon->shared = (flags & LR_SHARED) != 0;
    icon->module = module;
    if (IS_INTRESOURCE(name)) icon->number = WORD(reinterpret_cast<uintptr_t>(name));
    else icon->name = name;
    HICON h = static_cast<HICON>(handle_alloc(icon, ObjType::Icon));
    if (h && (flags & LR_SHARED)) module_share(owner, image_res, h);
    return h;
}

// A copy of `from` at `width` x `height`, each pixel taken from the nearest
// one of the original, as the loader stretches.
HICON stretched_copy(const Icon& from, int width, int height) {
    Icon* icon = new Icon;
    icon->is_icon = from.is_icon;
    icon->hotspot = {from.hotspot.x * width / from.image.width, from.hotspot.y * height / from.image.height};
    IconImage& image = icon->image;
    image = from.image;
    image.width = width;
    image.height = height;
    const bool masked = !from.image.mask.empty();
    image.pixels.assign(size_t(width) * height, 0);
    image.mask.assign(masked ? size_t(width) * height : 0, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t src = size_t(y * from.image.height / height) * from.image.width + x * from.image.width / width;
            image.pixels[size_t(y) * width + x] = from.image.pixels[src];
            if (masked) image.mask[size_t(y) * width + x] = from.image.mask[src];
        }
    }
    return static_cast<HICON>(handle_alloc(icon, ObjType::Icon));
}

// A 32-bit bitmap of `width` x `height` pixels.
HBITMAP make_bitmap(int width, int height, const std::vector<uint32_t>& pixels) {
    return CreateBitmap(width, height, 1, 32, pixels.data());
}

}  // namespace

}  // namespace plat

using namespace plat;

extern "C" HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int width, int height, UINT flags) {
    if ((type != IMAGE_ICON && type != IMAGE_CURSOR) || width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!instance) return load_system_image(name, type);
    if (!module_from_handle(instance)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return load_module_image(instance, name, type == IMAGE_ICON, width, height, flags);
}

// With LR_COPYFROMRESOURCE the copy is made anew from the resource the image
// came from, choosing its stored image for the new size; otherwise (or for an
// image not loaded from a module) the image is stretched. 0: the image's size.
extern "C" HANDLE WINAPI CopyImage(HANDLE image, UINT type, int width, int height, UINT flags) {
    Icon* icon = handle_cast<Icon>(image);
    if (!icon || (type != IMAGE_ICON && type != IMAGE_CURSOR) || width < 0 || height < 0 || width > kMaxIconSide ||
        height > kMaxIconSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!width) width = icon->image.width;
    if (!height) height = icon->image.height;
    if ((flags & LR_COPYFROMRESOURCE) && icon->module) {
        LPCSTR name = icon->number ? MAKEINTRESOURCEA(icon->number) : icon->name.c_str();
        if (HANDLE copy = load_module_image(icon->module, name, icon->is_icon, width, height, 0)) return copy;
    }
    return stretched_copy(*icon, width, height);
}

extern "C" HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    return static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
}

extern "C" HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return static_cast<HCURSOR>(LoadImageA(instance, name, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
}

extern "C" BOOL WINAPI GetIconInfo(HICON handle, PICONINFO info) {
    Icon* icon = handle_cast<Icon>(handle);
    if (!icon) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return FALSE;
    }
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const IconImage& image = icon->image;
    const size_t count = size_t(image.width) * size_t(image.height);
    info->fIcon = icon->is_icon;
    info->xHotspot = DWORD(icon->hotspot.x);
    info->yHotspot = DWORD(icon->hotspot.y);
    // Masks are black where the image is opaque, white where transparent.
    std::vector<uint32_t> mask(count);
    for (size_t i = 0; i < count; ++i) mask[i] = image.mask[i] ? 0xFFFFFF : 0;
    if (image.monochrome) {
        // A monochrome icon has no colour bitmap: its mask is twice as tall,
        // the AND mask above the XOR bits.
        mask.insert(mask.end(), image.pixels.begin(), image.pixels.end());
        info->hbmColor = nullptr;
        info->hbmMask = make_bitmap(image.width, image.height * 2, mask);
        if (!info->hbmMask) return FALSE;
        return TRUE;
    }
    info->hbmMask = make_bitmap(image.width, image.height, mask);
    info->hbmColor = make_bitmap(image.width, image.height, image.pixels);
    if (!info->hbmMask || !info->hbmColor) {
        if (info->hbmMask) DeleteObject(info->hbmMask);
        if (info->hbmColor) DeleteObject(info->hbmColor);
        info->hbmMask = info->hbmColor = nullptr;
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI DestroyIcon(HICON handle) {
    Icon* icon = handle_cast<Icon>(handle);
    if (!icon) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return FALSE;
    }
    // Shared icons belong to the system (or their module) and outlive this.
    if (!icon->shared && !icon->stock) handle_free(handle);
    return TRUE;
}

extern "C" BOOL WINAPI DestroyCursor(HCURSOR cursor) { return DestroyIcon(cursor); }

extern "C" BOOL host_get_icon_image(HICON handle, HOST_ICON_IMAGE* out) {
    Icon* icon = handle_cast<Icon>(handle);
    if (!icon || !out) return FALSE;
    const IconImage& image = icon->image;
    out->width = image.width;
    out->height = image.height;
    out->bits_per_pixel = image.bit_count;
    out->is_icon = icon->is_icon;
    out->hotspot = icon->hotspot;
    out->has_alpha = image.has_alpha;
    out->pixels = image.pixels.data();
    out->mask = image.mask.data();
    return TRUE;
}
