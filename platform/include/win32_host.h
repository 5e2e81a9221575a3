// Host extensions: what tests, tools and display backends need from the
// platform beyond the Win32 API a program sees. Every name starts with host_.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- Modules ---------------------------------------------------------------

// A module whose resources are the given .res file bytes (copied). Size 0
// makes a module without resources. NULL, with ERROR_INVALID_DATA, when the
// bytes are not a well-formed .res file.
HMODULE host_create_module(const void* res_data, size_t size);

// Frees a module made by host_create_module, with the shared icons loaded
// from it. FALSE for the main module or an invalid handle.
BOOL host_free_module(HMODULE module);

// ---- Icons and cursors -----------------------------------------------------

typedef struct HOST_ICON_IMAGE {
    int width;
    int height;
    int bits_per_pixel;  // of the image the icon was loaded from
    BOOL is_icon;        // FALSE for a cursor
    POINT hotspot;
    BOOL has_alpha;      // pixels carry alpha in their top byte
    const DWORD* pixels;  // width * height, top-down rows, 0x00RRGGBB
    const BYTE* mask;     // width * height, top-down rows, 1 = transparent
} HOST_ICON_IMAGE;

// The decoded image of an icon or cursor; the pointers stay valid while the
// icon lives. FALSE for an invalid handle.
BOOL host_get_icon_image(HICON icon, HOST_ICON_IMAGE* image);

// ---- Menus -----------------------------------------------------------------

typedef struct HOST_MENU_ITEM {
    const char* text;   // UTF-8 as stored, "&" markers included; "" for separators
    UINT id;            // command identifier; 0 for popups and separators
    UINT flags;         // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_CHECKED, ...
    HMENU submenu;      // for MF_POPUP items
    UINT mnemonic;      // the character after the first single "&" (as written), or 0
    int mnemonic_offset;  // its byte offset in text, or -1
} HOST_MENU_ITEM;

// Fills up to `count` items of `menu` in order and returns how many the
// menu has (so items may be NULL to ask). -1 for an invalid handle. The
// pointers stay valid until the menu is destroyed.
int host_get_menu_items(HMENU menu, HOST_MENU_ITEM* items, int count);

#ifdef __cplusplus
}
#endif
