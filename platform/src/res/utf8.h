// UTF-8 and UTF-16 conversions.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace plat::res {

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD, as the system's
// converter does.
std::string utf8_from_utf16(const std::u16string& s);
std::string utf8_from_utf16(const uint8_t* le_units, size_t count);
// The code point at the start of s[0, length) and, in *used, its length in
// bytes; a malformed sequence gives U+FFFD and a length of 1.
uint32_t utf8_decode(const char* s, size_t length, size_t* used);
// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string utf16_from_utf8(const char* s, size_t length);

// Length of the longest prefix of `s` no longer than `max_bytes` that ends on
// a character boundary.
size_t utf8_fit(const std::string& s, size_t max_bytes);

}  // namespace plat::res
