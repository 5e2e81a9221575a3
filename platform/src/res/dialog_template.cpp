#include "res/dialog_template.h"

#include "res/resfile.h"

namespace plat {

namespace {

// An sz_Or_Ord field; `empty_is_none` for menu and class, where an empty
// string means "none".
bool read_id(res::ByteReader& r, bool empty_is_none, DialogId* id) {
    res::ResId raw;
    if (!r.sz_or_ord(&raw)) return false;
    *id = DialogId{};
    if (raw.is_number) {
        id->kind = DialogId::Kind::Number;
        id->number = raw.number;
    } else if (!raw.text.empty() || !empty_is_none) {
        id->kind = DialogId::Kind::Text;
        id->text = res::utf8_from_utf16(raw.text);
    }
    return true;
}

bool read_text(res::ByteReader& r, std::string* text) {
    std::u16string s;
    if (!r.utf16z(&s)) return false;
    *text = res::utf8_from_utf16(s);
    return true;
}

bool read_i16(res::ByteReader& r, int16_t* v) {
    uint16_t u;
    if (!r.u16(&u)) return false;
    *v = int16_t(u);
    return true;
}

bool read_item(res::ByteReader& r, bool extended, DialogItemTemplate* item) {
    if (extended) {
        if (!r.u32(&item->help_id) || !r.u32(&item->ex_style) || !r.u32(&item->style)) return false;
    } else {
        if (!r.u32(&item->style) || !r.u32(&item->ex_style)) return false;
    }
    if (!read_i16(r, &item->x) || !read_i16(r, &item->y) || !read_i16(r, &item->cx) || !read_i16(r, &item->cy))
        return false;
    if (extended) {
        if (!r.u32(&item->id)) return false;
    } else {
        uint16_t id;
        if (!r.u16(&id)) return false;
        item->id = id;
    }
    if (!read_id(r, false, &item->class_name) || !read_id(r, false, &item->title)) return false;
    uint16_t extra;
    if (!r.u16(&extra)) return false;
    if (extra > r.remaining()) return false;
    item->creation_data.assign(r.here(), r.here() + extra);
    r.skip(extra);
    return true;
}

}  // namespace

bool parse_dialog_template(const uint8_t* data, size_t size, DialogTemplate* out) {
    *out = DialogTemplate{};
    if (!data) return false;
    res::ByteReader r(data, size);
    DialogTemplate t;
    if (size >= 4 && res::read_u16(data) == 1 && res::read_u16(data + 2) == 0xFFFF) {
        t.extended = true;
        r.skip(4);
        if (!r.u32(&t.help_id) || !r.u32(&t.ex_style) || !r.u32(&t.style)) return false;
    } else {
        if (!r.u32(&t.style) || !r.u32(&t.ex_style)) return false;
    }
    uint16_t count;
    if (!r.u16(&count)) return false;
    if (!read_i16(r, &t.x) || !read_i16(r, &t.y) || !read_i16(r, &t.cx) || !read_i16(r, &t.cy)) return false;
    if (!read_id(r, true, &t.menu) || !read_id(r, true, &t.class_name) || !read_text(r, &t.caption)) return false;
    if (t.style & kDialogSetFont) {
        t.has_font = true;
        if (!r.u16(&t.point_size)) return false;
        if (t.point_size != 0x7FFF) {
            if (t.extended) {
                uint8_t italic;
                if (!r.u16(&t.weight) || !r.u8(&italic) || !r.u8(&t.charset)) return false;
                t.italic = italic != 0;
            }
            if (!read_text(r, &t.font_name)) return false;
        }
    }
    // Each control starts on a DWORD boundary of the template.
    for (uint16_t i = 0; i < count; ++i) {
        r.align4();
        DialogItemTemplate item;
        if (!read_item(r, t.extended, &item)) return false;
        t.items.push_back(std::move(item));
    }
    *out = std::move(t);
    return true;
}

std::string dialog_control_class(const DialogId& class_name) {
    static const char* const kAtoms[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
    switch (class_name.kind) {
    case DialogId::Kind::Text: return class_name.text;
    case DialogId::Kind::Number: {
        // As the dialog manager does, 0..5 stand for the same classes as 0x80..0x85.
        uint16_t n = class_name.number;
        if (n >= 0x80 && n <= 0x85) n -= 0x80;
        return n <= 5 ? kAtoms[n] : std::string();
    }
    case DialogId::Kind::None: break;
    }
    return std::string();
}

}  // namespace plat
