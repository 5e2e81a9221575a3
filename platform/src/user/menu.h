// Menu objects (HMENU): a menu bar or popup and its items.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "handles.h"

namespace plat {

struct MenuItem {
    UINT flags = 0;  // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED, ...
    UINT id = 0;     // command; 0 for popups
    std::string text;  // UTF-8, "&" markers included
    HMENU submenu = nullptr;
    UINT mnemonic = 0;        // character after the first single "&", or 0
    int mnemonic_offset = -1;  // its byte offset in text
};

struct Menu : Object {
    static constexpr ObjType kType = ObjType::Menu;
    std::vector<MenuItem> items;
};

// The item at `item` (a command found in the menu or its popups, or a
// position); null if there is none. `owner` receives the menu holding it.
MenuItem* menu_find_item(HMENU menu, UINT item, UINT flags, Menu** owner);

// Byte offset of the mnemonic in a menu or control text: the character after
// the first "&" that is not part of a doubled "&&" (a literal ampersand); -1
// when there is none.
int mnemonic_offset(const std::string& text);

}  // namespace plat
