#include "res/resource_data.h"

#include <stdlib.h>

#include "res/resfile.h"

namespace plat::res {

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

}  // namespace plat::res
