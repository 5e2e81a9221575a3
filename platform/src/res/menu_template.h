// Parser of RT_MENU templates, both the plain form (version 0: per item a
// flags word, a command word unless it opens a popup, a text) and the
// extended one (version 1: type, state, 32-bit id, popup bit, help id).
// Pure and bounds-checked; LoadMenuA turns the result into menu objects.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace plat {

struct MenuTemplateItem {
    uint32_t flags = 0;  // MF_* type and state bits, MF_POPUP for popups, MF_END removed
    uint32_t id = 0;     // command (0 for popups of the plain form)
    std::string text;    // UTF-8; empty for separators
    std::vector<MenuTemplateItem> children;  // a popup's items
};

// Deepest nesting of popups accepted; real menus stay far below it.
constexpr int kMaxMenuDepth = 16;

// False for a truncated or inconsistent template (a list not ended by its
// last-item flag, an unterminated text, an unknown version, nesting too deep).
bool parse_menu_template(const uint8_t* data, size_t size, std::vector<MenuTemplateItem>* items);

}  // namespace plat
