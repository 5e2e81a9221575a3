#include "res/resource_data.h"

#include <stdlib.h>

#include <algorithm>

#include "res/resfile.h"

namespace plat::res {

namespace {

// One node of the version information tree: a length, the value's length and
// type, a key, then the value and the children, each DWORD aligned from the
// start of the resource.
struct VersionBlock {
    std::u16string key;
    uint16_t value_length = 0;  // text: in UTF-16 units; binary: in bytes
    uint16_t type = 0;          // 1 text, 0 binary
    size_t value_at = 0;
    size_t end = 0;
};

size_t align4(size_t at) { return (at + 3) & ~size_t(3); }

// The block at `at` (< limit), which must end by `limit`.
bool read_version_block(const uint8_t* data, size_t at, size_t limit, VersionBlock* b) {
    if (limit - at < 6) return false;
    uint16_t length = read_u16(data + at);
    if (length < 6 || length > limit - at) return false;
    b->end = at + length;
    b->value_length = read_u16(data + at + 2);
    b->type = read_u16(data + at + 4);
    ByteReader r(data + at + 6, length - 6);
    if (!r.utf16z(&b->key)) return false;
    b->value_at = std::min(align4(at + 6 + r.pos()), b->end);
    return true;
}

// Calls `visit` for each child from `first` to the parent's end; false as
// soon as a child does not fit or `visit` refuses it.
template <class Visit>
bool for_each_version_child(const uint8_t* data, size_t first, size_t end, Visit visit) {
    for (size_t at = first; at < end; ) {
        VersionBlock child;
        if (!read_version_block(data, at, end, &child) || !visit(child)) return false;
        at = align4(child.end);
    }
    return true;
}

std::u16string version_text(const uint8_t* data, const VersionBlock& b) {
    size_t units = std::min<size_t>(b.value_length, (b.end - b.value_at) / 2);
    std::u16string text;
    for (size_t i = 0; i < units; ++i) {
        char16_t c = char16_t(read_u16(data + b.value_at + 2 * i));
        if (c == 0) break;
        text += c;
    }
    return text;
}

}  // namespace

bool string_table_entry(const uint8_t* data, size_t size, unsigned index, std::u16string* text) {
    text->clear();
    if (!data || index > 15) return false;
    ByteReader r(data, size);
    for (unsigned i = 0;; ++i) {
        uint16_t length;
        if (!r.u16(&length)) return false;
        if (size_t(length) * 2 > r.remaining()) return false;
        if (i == index) {
            const uint8_t* p = r.here();
            text->resize(length);
            for (uint16_t k = 0; k < length; ++k) (*text)[k] = char16_t(read_u16(p + 2 * k));
            return true;
        }
        r.skip(size_t(length) * 2);
    }
}

bool parse_accelerators(const uint8_t* data, size_t size, std::vector<AccelEntry>* entries) {
    entries->clear();
    if (!data) return false;
    for (size_t at = 0; size - at >= 8; at += 8) {
        AccelEntry e{read_u16(data + at), read_u16(data + at + 2), read_u16(data + at + 4)};
        entries->push_back(e);
        if (e.flags & 0x80) break;
    }
    return !entries->empty();
}

bool parse_group_directory(const uint8_t* data, size_t size, bool icon, std::vector<GroupEntry>* entries) {
    entries->clear();
    if (!data) return false;
    ByteReader r(data, size);
    uint16_t reserved, type, count;
    if (!r.u16(&reserved) || !r.u16(&type) || !r.u16(&count)) return false;
    if (reserved != 0 || type != (icon ? 1 : 2)) return false;
    if (size_t(count) * 14 > r.remaining()) return false;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t* p = r.here();
        GroupEntry e;
        if (icon) {
            e.width = p[0] ? p[0] : 256;
            e.height = p[1] ? p[1] : 256;
        } else {
            e.width = read_u16(p);
            e.height = read_u16(p + 2);
            if (e.height == e.width * 2) e.height /= 2;
        }
        e.bit_count = read_u16(p + 6);
        e.bytes = read_u32(p + 8);
        e.id = read_u16(p + 12);
        entries->push_back(e);
        r.skip(14);
    }
    return !entries->empty();
}

int best_icon_entry(const std::vector<GroupEntry>& entries, int width, int height, int depth) {
    // First the nearest size; among the images of exactly that difference in
    // width and height, the nearest depth (the first one on ties).
    long best_dx = -1, best_dy = -1;
    for (const GroupEntry& e : entries) {
        long dx = labs(long(width) - e.width), dy = labs(long(height) - e.height);
        if (best_dx < 0 || dx + dy < best_dx + best_dy) {
            best_dx = dx;
            best_dy = dy;
        }
    }
    int best = -1;
    long best_depth_diff = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const GroupEntry& e = entries[i];
        if (labs(long(width) - e.width) != best_dx || labs(long(height) - e.height) != best_dy) continue;
        long depth_diff = labs(long(depth) - e.bit_count);
        if (best < 0 || depth_diff < best_depth_diff) {
            best = int(i);
            best_depth_diff = depth_diff;
        }
    }
    return best;
}

int best_cursor_entry(const std::vector<GroupEntry>& entries, int width, int height) {
    if (entries.empty()) return -1;
    int best = -1, max_w = 0, max_h = 0, max_bits = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const GroupEntry& e = entries[i];
        if (e.width > width || e.height > height) continue;
        if (e.width < max_w || e.height < max_h) continue;
        if (e.width == max_w && e.height == max_h && e.bit_count <= max_bits) continue;
        best = int(i);
        max_w = e.width;
        max_h = e.height;
        max_bits = e.bit_count;
    }
    if (best >= 0) return best;
    max_w = max_h = 255;
    for (size_t i = 0; i < entries.size(); ++i) {
        const GroupEntry& e = entries[i];
        if (e.width > max_w || e.height > max_h) continue;
        if (e.width == max_w && e.height == max_h && e.bit_count <= max_bits) continue;
        best = int(i);
        max_w = e.width;
        max_h = e.height;
        max_bits = e.bit_count;
    }
    return best >= 0 ? best : 0;
}

bool parse_version_info(const uint8_t* data, size_t size, VersionInfo* info) {
    *info = VersionInfo{};
    VersionBlock root;
    if (!data || size == 0 || !read_version_block(data, 0, size, &root)) return false;
    constexpr size_t kFixedSize = 52;
    if (root.key != u"VS_VERSION_INFO" || root.value_length < kFixedSize ||
        root.value_length > root.end - root.value_at)
        return false;
    const uint8_t* fixed = data + root.value_at;
    if (read_u32(fixed) != 0xFEEF04BD) return false;
    uint32_t* fields[] = {&info->file_version_ms, &info->file_version_ls, &info->product_version_ms,
                          &info->product_version_ls, &info->file_flags_mask, &info->file_flags,
                          &info->file_os, &info->file_type, &info->file_subtype};
    for (size_t i = 0; i < 9; ++i) *fields[i] = read_u32(fixed + 8 + 4 * i);

    auto string_table = [&](const VersionBlock& table) {
        info->tables.push_back({table.key, {}});
        return for_each_version_child(data, table.value_at, table.end, [&](const VersionBlock& s) {
            info->tables.back().strings.emplace_back(s.key, version_text(data, s));
            return true;
        });
    };
    auto var = [&](const VersionBlock& v) {
        if (v.key != u"Translation") return true;
        size_t bytes = std::min<size_t>(v.value_length, v.end - v.value_at);
        for (size_t i = 0; i + 4 <= bytes; i += 4) info->translations.push_back(read_u32(data + v.value_at + i));
        return true;
    };
    bool ok = for_each_version_child(data, align4(root.value_at + root.value_length), root.end,
                                     [&](const VersionBlock& child) {
        if (child.key == u"StringFileInfo")
            return for_each_version_child(data, child.value_at, child.end, string_table);
        if (child.key == u"VarFileInfo") return for_each_version_child(data, child.value_at, child.end, var);
        return true;
    });
    if (!ok) *info = VersionInfo{};
    return ok;
}

const std::u16string* version_string(const VersionInfo& info, const std::u16string& key) {
    static const char kHex[] = "0123456789abcdef";
    const VersionInfo::StringTable* preferred = nullptr;
    if (!info.translations.empty()) {
        // The table name is the language then the code page, as eight hex digits.
        uint32_t t = info.translations[0];
        uint32_t name = (t & 0xFFFF) << 16 | t >> 16;
        std::u16string wanted;
        for (int shift = 28; shift >= 0; shift -= 4) wanted += char16_t(kHex[(name >> shift) & 0xF]);
        for (const auto& table : info.tables) {
            std::u16string lower = table.name;
            for (char16_t& c : lower)
                if (c >= u'A' && c <= u'F') c = char16_t(c + 32);
            if (lower == wanted) preferred = &table;
        }
    }
    auto find_in = [&](const VersionInfo::StringTable& table) -> const std::u16string* {
        for (const auto& [k, v] : table.strings)
            if (k == key) return &v;
        return nullptr;
    };
    if (preferred)
        if (const std::u16string* v = find_in(*preferred)) return v;
    for (const auto& table : info.tables)
        if (const std::u16string* v = find_in(table)) return v;
    return nullptr;
}

}  // namespace plat::res
