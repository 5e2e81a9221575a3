// Reader of the .res format the resource compiler writes: a run of DWORD
// aligned entries, each a header (data size, header size, type, name,
// language and a few more fields) followed by the resource's bytes. The first
// entry is an empty one that marks a 32-bit resource file.
//
// Pure functions over a byte span: the input may be anything (a file, a
// fuzzer's bytes), so every read is bounds-checked and any inconsistency is
// reported as an error, never followed.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "res/utf8.h"

namespace plat::res {

// A resource type or name: a 16-bit number or a string (UTF-16, as stored).
struct ResId {
    bool is_number = true;
    uint16_t number = 0;
    std::u16string text;

    static ResId from_number(uint16_t n) { return ResId{true, n, {}}; }
    static ResId from_text(std::u16string s) { return ResId{false, 0, std::move(s)}; }
};

// Numbers match numbers; strings match strings regardless of ASCII case (the
// resource compiler and the loader both upper-case names).
bool res_id_equal(const ResId& a, const ResId& b);

struct ResEntry {
    ResId type;
    ResId name;
    uint16_t language = 0;
    uint16_t memory_flags = 0;
    uint32_t data_version = 0;
    uint32_t version = 0;
    uint32_t characteristics = 0;
    size_t offset = 0;  // of the data, from the start of the file
    size_t size = 0;
};

enum class ResError {
    None,
    NoSignature,  // does not start with the empty entry of a 32-bit .res file
    Truncated,    // an entry's header or data runs past the end
    Misaligned,   // a header size that is not a multiple of 4
    BadHeader,    // header size smaller than its fields, or names not fitting it
    TooLarge,     // a size field beyond what the file could hold
};

// Parses a whole .res file into `entries` (the leading empty entry left out).
// On failure `entries` is cleared and `error_offset` (if given) receives the
// file offset of the entry at fault.
ResError parse_res_file(const uint8_t* data, size_t size, std::vector<ResEntry>* entries,
                        size_t* error_offset = nullptr);

enum class FindResult { Found, TypeNotFound, NameNotFound, LanguageNotFound };

// Finds the entry with this type and name in the first language of
// `languages` that has one; with `any_language_last`, an entry of any
// language is taken when none of the list matches.
FindResult find_resource(const std::vector<ResEntry>& entries, const ResId& type, const ResId& name,
                         const uint16_t* languages, size_t language_count, bool any_language_last,
                         const ResEntry** found);

// Little-endian readers; callers have checked the bounds.
inline uint16_t read_u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t read_u32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// A cursor over a byte span whose reads fail, rather than overrun, at the end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t pos() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    const uint8_t* here() const { return data_ + pos_; }

    bool u8(uint8_t* v);
    bool u16(uint16_t* v);
    bool u32(uint32_t* v);
    bool skip(size_t n);
    // Moves to the next multiple of 4 from the start; at the end it may stop
    // short, since the last item of a structure need not be padded.
    void align4();
    // A NUL-terminated UTF-16 string; false when no terminator follows.
    bool utf16z(std::u16string* s);
    // A string or an ordinal: 0xFFFF then a number, else a NUL-terminated
    // string. An empty string comes back as text "".
    bool sz_or_ord(ResId* id);

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace plat::res
