// Parser of RT_DIALOG templates, plain (DLGTEMPLATE) and extended
// (DLGTEMPLATEEX), for the dialog manager. Pure and bounds-checked: a
// malformed template is refused as a whole.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace plat {

// A template's menu, class or control title: absent, a number (menu or
// icon resource, predefined class atom) or a string (UTF-8).
struct DialogId {
    enum class Kind { None, Number, Text };
    Kind kind = Kind::None;
    uint16_t number = 0;
    std::string text;
};

struct DialogItemTemplate {
    uint32_t help_id = 0;  // extended form only
    uint32_t style = 0;
    uint32_t ex_style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    uint32_t id = 0;  // 16 bits in the plain form (so -1 reads 0xFFFF), 32 in the extended
    DialogId class_name;  // Number: a predefined class atom (0x80 Button ... 0x85 ComboBox)
    DialogId title;       // Number: a resource id, e.g. the icon of an SS_ICON static
    std::vector<uint8_t> creation_data;
};

struct DialogTemplate {
    bool extended = false;
    uint32_t help_id = 0;  // extended form only
    uint32_t style = 0;
    uint32_t ex_style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    DialogId menu;
    DialogId class_name;  // None: the standard dialog class
    std::string caption;
    bool has_font = false;  // DS_SETFONT
    uint16_t point_size = 0;  // 0x7FFF: the system's message box font, no name follows
    uint16_t weight = 0;      // extended form only
    bool italic = false;      // extended form only
    uint8_t charset = 0;      // extended form only
    std::string font_name;
    std::vector<DialogItemTemplate> items;
};

// The dialog style bit that announces the font fields.
constexpr uint32_t kDialogSetFont = 0x40;

bool parse_dialog_template(const uint8_t* data, size_t size, DialogTemplate* out);

// The class name of a control ("Button", "Static", ...): a predefined atom's
// name, or the stored string; empty for an unknown atom.
std::string dialog_control_class(const DialogId& class_name);

}  // namespace plat
