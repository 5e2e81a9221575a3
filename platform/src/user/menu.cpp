// Menus: LoadMenuA, DestroyMenu, GetMenuItemCount, GetMenuItemID,
// GetSubMenu, GetMenuStringA, GetMenuState.
#include "user/menu.h"

#include <string.h>

#include <win32_host.h>

#include "res/menu_template.h"
#include "res/resfile.h"

namespace plat {

int mnemonic_offset(const std::string& t) {
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i] != '&') continue;
        if (t[i + 1] != '&') return int(i + 1);
        ++i;
    }
    return -1;
}

namespace {

void find_mnemonic(MenuItem& item) {
    item.mnemonic_offset = mnemonic_offset(item.text);
    if (item.mnemonic_offset >= 0) {
        size_t used;
        item.mnemonic = res::utf8_decode(item.text.data() + item.mnemonic_offset,
                                         item.text.size() - size_t(item.mnemonic_offset), &used);
    }
}

void destroy_menu(HMENU handle, int depth) {
    Menu* menu = handle_cast<Menu>(handle);
    if (!menu) return;
    if (depth <= kMaxMenuDepth)
        for (MenuItem& item : menu->items)
            if (item.submenu) destroy_menu(item.submenu, depth + 1);
    handle_free(handle);
}

HMENU build_menu(const std::vector<MenuTemplateItem>& items) {
    Menu* menu = new Menu;
    HMENU handle = static_cast<HMENU>(handle_alloc(menu, ObjType::Menu));
    if (!handle) return nullptr;
    for (const MenuTemplateItem& t : items) {
        MenuItem item;
        item.flags = t.flags;
        item.text = t.text;
        if (t.flags & MF_POPUP) {
            item.submenu = build_menu(t.children);
            if (!item.submenu) {
                destroy_menu(handle, 0);
                return nullptr;
            }
        } else {
            item.id = t.id;
        }
        if (!(item.flags & MF_SEPARATOR)) find_mnemonic(item);
        menu->items.push_back(std::move(item));
    }
    return handle;
}

MenuItem* find_by_command(Menu* menu, UINT id, int depth, Menu** owner) {
    for (MenuItem& item : menu->items) {
        if (item.flags & MF_POPUP) {
            Menu* sub = handle_cast<Menu>(item.submenu);
            if (sub && depth < kMaxMenuDepth)
                if (MenuItem* found = find_by_command(sub, id, depth + 1, owner)) return found;
        } else if (item.id == id) {
            *owner = menu;
            return &item;
        }
    }
    return nullptr;
}

}  // namespace

MenuItem* menu_find_item(HMENU handle, UINT item, UINT flags, Menu** owner) {
    Menu* menu = handle_cast<Menu>(handle);
    if (!menu) return nullptr;
    if (flags & MF_BYPOSITION) {
        if (item >= menu->items.size()) return nullptr;
        *owner = menu;
        return &menu->items[item];
    }
    return find_by_command(menu, item, 0, owner);
}

}  // namespace plat

using namespace plat;

extern "C" HMENU WINAPI LoadMenuA(HINSTANCE instance, LPCSTR name) {
    HRSRC resource = FindResourceA(instance, name, RT_MENU);
    if (!resource) return nullptr;
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(instance, resource)));
    std::vector<MenuTemplateItem> items;
    if (!data || !parse_menu_template(data, SizeofResource(instance, resource), &items)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return build_menu(items);
}

extern "C" BOOL WINAPI DestroyMenu(HMENU menu) {
    if (!handle_cast<Menu>(menu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    destroy_menu(menu, 0);
    return TRUE;
}

extern "C" int WINAPI GetMenuItemCount(HMENU handle) {
    Menu* menu = handle_cast<Menu>(handle);
    if (!menu) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return int(menu->items.size());
}

extern "C" UINT WINAPI GetMenuItemID(HMENU handle, int position) {
    Menu* menu = handle_cast<Menu>(handle);
    if (!menu) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return UINT(-1);
    }
    if (position < 0 || size_t(position) >= menu->items.size()) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return UINT(-1);
    }
    const MenuItem& item = menu->items[size_t(position)];
    return (item.flags & MF_POPUP) ? UINT(-1) : item.id;
}

extern "C" HMENU WINAPI GetSubMenu(HMENU handle, int position) {
    Menu* menu = handle_cast<Menu>(handle);
    if (!menu) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return nullptr;
    }
    if (position < 0 || size_t(position) >= menu->items.size()) return nullptr;
    const MenuItem& item = menu->items[size_t(position)];
    return (item.flags & MF_POPUP) ? item.submenu : nullptr;
}

extern "C" int WINAPI GetMenuStringA(HMENU handle, UINT id, LPSTR buffer, int size, UINT flags) {
    if (buffer && size > 0) buffer[0] = '\0';
    if (!handle_cast<Menu>(handle)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return 0;
    }
    Menu* owner = nullptr;
    const MenuItem* item = menu_find_item(handle, id, flags, &owner);
    if (!item) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return 0;
    }
    if (item->flags & MF_SEPARATOR) return 0;
    // Without a buffer, the length the text needs (without the terminator).
    if (!buffer || size <= 0) return int(item->text.size());
    size_t n = res::utf8_fit(item->text, size_t(size) - 1);
    memcpy(buffer, item->text.data(), n);
    buffer[n] = '\0';
    return int(n);
}

extern "C" UINT WINAPI GetMenuState(HMENU handle, UINT id, UINT flags) {
    Menu* owner = nullptr;
    const MenuItem* item = menu_find_item(handle, id, flags, &owner);
    if (!item) {
        // A missing item is only reported by the result.
        if (!handle_cast<Menu>(handle)) SetLastError(ERROR_INVALID_MENU_HANDLE);
        return UINT(-1);
    }
    if (item->flags & MF_POPUP) {
        // A popup reports its item count in the high byte of the low word.
        const Menu* sub = handle_cast<Menu>(item->submenu);
        if (!sub) return UINT(-1);
        return (UINT(sub->items.size()) << 8) | (item->flags & 0xFF);
    }
    return item->flags;
}

extern "C" int host_get_menu_items(HMENU handle, HOST_MENU_ITEM* items, int count) {
    Menu* menu = handle_cast<Menu>(handle);
    if (!menu) return -1;
    int n = int(menu->items.size());
    for (int i = 0; items && i < count && i < n; ++i) {
        const MenuItem& item = menu->items[size_t(i)];
        items[i].text = item.text.c_str();
        items[i].id = item.id;
        items[i].flags = item.flags;
        items[i].submenu = item.submenu;
        items[i].mnemonic = item.mnemonic;
        items[i].mnemonic_offset = item.mnemonic_offset;
    }
    return n;
}
