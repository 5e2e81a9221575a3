#include "res/menu_template.h"

#include "res/resfile.h"

namespace plat {

namespace {

constexpr uint32_t kPopup = 0x0010;      // MF_POPUP
constexpr uint32_t kEnd = 0x0080;        // MF_END: the last item of a list
constexpr uint32_t kSeparator = 0x0800;  // MF_SEPARATOR / MFT_SEPARATOR

bool parse_plain(res::ByteReader& r, int depth, std::vector<MenuTemplateItem>* items) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
        uint16_t flags, id = 0;
        if (!r.u16(&flags)) return false;
        bool last = flags & kEnd;
        MenuTemplateItem item;
        item.flags = flags & ~kEnd;
        if (!(flags & kPopup) && !r.u16(&id)) return false;
        item.id = id;
        std::u16string text;
        if (!r.utf16z(&text)) return false;
        item.text = res::utf8_from_utf16(text);
        if (flags & kPopup) {
            if (!parse_plain(r, depth + 1, &item.children)) return false;
        } else if (text.empty()) {
            // MENUITEM SEPARATOR is stored as an item with no text.
            item.flags |= kSeparator;
        }
        items->push_back(std::move(item));
        if (last) return true;
    }
}

bool parse_extended(res::ByteReader& r, int depth, std::vector<MenuTemplateItem>* items) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
        uint32_t type, state, id;
        uint16_t res_info;
        if (!r.u32(&type) || !r.u32(&state) || !r.u32(&id) || !r.u16(&res_info)) return false;
        std::u16string text;
        if (!r.utf16z(&text)) return false;
        r.align4();
        MenuTemplateItem item;
        item.flags = (type | state) & ~kEnd;
        item.id = id;
        item.text = res::utf8_from_utf16(text);
        if (res_info & 0x01) {
            uint32_t help_id;
            if (!r.u32(&help_id)) return false;
            item.flags |= kPopup;
            if (!parse_extended(r, depth + 1, &item.children)) return false;
        } else if (text.empty()) {
            item.flags |= kSeparator;
        }
        items->push_back(std::move(item));
        if (res_info & kEnd) return true;
    }
}

}  // namespace

bool parse_menu_template(const uint8_t* data, size_t size, std::vector<MenuTemplateItem>* items) {
    items->clear();
    if (!data) return false;
    res::ByteReader r(data, size);
    uint16_t version, header_size;
    if (!r.u16(&version) || !r.u16(&header_size) || !r.skip(header_size)) return false;
    bool ok = false;
    if (version == 0) ok = parse_plain(r, 0, items);
    else if (version == 1) ok = parse_extended(r, 0, items);
    if (!ok) items->clear();
    return ok;
}

}  // namespace plat
