// UTF-8 and UTF-16, the two encodings that meet in resources and A calls.
#include "res/utf8.h"

namespace plat::res {

namespace {

void append_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

template <class Unit>
std::string convert_utf16(Unit unit_at, size_t count) {
    std::string out;
    out.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        uint32_t u = unit_at(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count) {
            uint32_t low = unit_at(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        append_utf8(out, u);
    }
    return out;
}

}  // namespace

std::string utf8_from_utf16(const std::u16string& s) {
    return convert_utf16([&](size_t i) { return uint32_t(s[i]); }, s.size());
}

std::string utf8_from_utf16(const uint8_t* le_units, size_t count) {
    return convert_utf16([&](size_t i) { return uint32_t(le_units[2 * i] | (le_units[2 * i + 1] << 8)); }, count);
}

uint32_t utf8_decode(const char* s, size_t length, size_t* used) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    *used = 1;
    if (length == 0) return 0xFFFD;
    uint32_t c = p[0];
    size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
    uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    if (extra > 3 || extra >= length) return 0xFFFD;
    for (size_t k = 1; k <= extra; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed.
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    *used = extra + 1;
    return cp;
}

std::u16string utf16_from_utf8(const char* s, size_t length) {
    std::u16string out;
    for (size_t i = 0; i < length;) {
        size_t used;
        uint32_t cp = utf8_decode(s + i, length - i, &used);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += used;
    }
    return out;
}

size_t utf8_fit(const std::string& s, size_t max_bytes) {
    if (s.size() <= max_bytes) return s.size();
    size_t n = max_bytes;
    // Back off over continuation bytes to the start of the cut character.
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return n;
}

}  // namespace plat::res
