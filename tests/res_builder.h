// Builders of hand-made .res files and resources, for the tests of the
// resource parsers and loaders.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace {

inline void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
inline void put_text(std::vector<uint8_t>& b, const std::u16string& s) {
    for (char16_t c : s) put16(b, c);
    put16(b, 0);
}
inline void pad4(std::vector<uint8_t>& b) {
    while (b.size() % 4) b.push_back(0);
}

struct Id {
    bool number;
    uint16_t n;
    std::u16string s;
    Id(int v) : number(true), n(uint16_t(v)) {}
    Id(const char16_t* t) : number(false), n(0), s(t) {}
};

inline void put_id(std::vector<uint8_t>& b, const Id& id) {
    if (id.number) {
        put16(b, 0xFFFF);
        put16(b, id.n);
    } else {
        put_text(b, id.s);
    }
}

// A .res file: the empty signature entry, then the added resources.
class ResBuilder {
public:
    ResBuilder() { add(0, 0, 0, {}); }

    ResBuilder& add(Id type, Id name, WORD language, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> header;
        put_id(header, type);
        put_id(header, name);
        pad4(header);
        put32(header, 0);       // data version
        put16(header, 0x1030);  // memory flags
        put16(header, language);
        put32(header, 0);  // version
        put32(header, 0);  // characteristics
        put32(bytes, uint32_t(data.size()));
        put32(bytes, uint32_t(header.size() + 8));
        bytes.insert(bytes.end(), header.begin(), header.end());
        bytes.insert(bytes.end(), data.begin(), data.end());
        pad4(bytes);
        return *this;
    }

    std::vector<uint8_t> bytes;
};

// A string table block with `texts` at its first positions.
inline std::vector<uint8_t> string_block(const std::vector<std::u16string>& texts) {
    std::vector<uint8_t> b;
    for (size_t i = 0; i < 16; ++i) {
        std::u16string t = i < texts.size() ? texts[i] : u"";
        put16(b, uint32_t(t.size()));
        for (char16_t c : t) put16(b, c);
    }
    return b;
}

// An icon/cursor image: `bits` bpp over a palette, rows given top-down as
// palette indexes (or 0xAARRGGBB for 32 bpp), mask as 0/1 (empty: no mask).
inline std::vector<uint8_t> dib(int w, int h, int bits, const std::vector<uint32_t>& palette,
                         const std::vector<uint32_t>& pixels, const std::vector<uint8_t>& mask) {
    std::vector<uint8_t> b;
    size_t stride = ((size_t(w) * bits + 31) / 32) * 4, mstride = ((size_t(w) + 31) / 32) * 4;
    put32(b, 40);
    put32(b, uint32_t(w));
    put32(b, uint32_t(h * 2));
    put16(b, 1);
    put16(b, uint32_t(bits));
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, uint32_t(palette.size()));
    put32(b, 0);
    for (uint32_t c : palette) put32(b, c);
    for (int y = h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride);
        for (int x = 0; x < w; ++x) {
            uint32_t v = pixels[size_t(y) * w + x];
            switch (bits) {
            case 1: row[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
            case 4: row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
            case 8: row[x] = uint8_t(v); break;
            case 32:
                for (int k = 0; k < 4; ++k) row[4 * x + k] = uint8_t(v >> (8 * k));
                break;
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    if (!mask.empty()) {
        for (int y = h - 1; y >= 0; --y) {
            std::vector<uint8_t> row(mstride);
            for (int x = 0; x < w; ++x)
                if (mask[size_t(y) * w + x]) row[x / 8] |= uint8_t(0x80 >> (x % 8));
            b.insert(b.end(), row.begin(), row.end());
        }
    }
    return b;
}

struct GroupImage {
    int w, h, bits;
    uint16_t id;
    size_t bytes;
};

inline std::vector<uint8_t> group(bool icon, const std::vector<GroupImage>& images) {
    std::vector<uint8_t> b;
    put16(b, 0);
    put16(b, icon ? 1 : 2);
    put16(b, uint32_t(images.size()));
    for (const GroupImage& g : images) {
        if (icon) {
            b.push_back(uint8_t(g.w));
            b.push_back(uint8_t(g.h));
            b.push_back(g.bits < 8 ? uint8_t(1 << g.bits) : 0);
            b.push_back(0);
        } else {
            put16(b, uint32_t(g.w));
            put16(b, uint32_t(g.h * 2));
        }
        put16(b, 1);
        put16(b, uint32_t(g.bits));
        put32(b, uint32_t(g.bytes));
        put16(b, g.id);
    }
    return b;
}

}  // namespace
