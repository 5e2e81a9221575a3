#include "res/resfile.h"

namespace plat::res {

namespace {

constexpr size_t kMinHeader = 32;  // sizes, two ordinals, the fixed fields

char16_t ascii_upper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

// Parses one entry starting at `at`; on success stores it and the offset of
// the next entry.
ResError parse_entry(const uint8_t* data, size_t size, size_t at, ResEntry* e, size_t* next) {
    if (size - at < 8) return ResError::Truncated;
    uint32_t data_size = read_u32(data + at);
    uint32_t header_size = read_u32(data + at + 4);
    if (header_size < kMinHeader) return ResError::BadHeader;
    if (header_size % 4) return ResError::Misaligned;
    if (header_size > size) return ResError::TooLarge;
    if (header_size > size - at) return ResError::Truncated;

    ByteReader r(data + at, header_size);
    r.skip(8);
    if (!r.sz_or_ord(&e->type) || !r.sz_or_ord(&e->name)) return ResError::BadHeader;
    r.align4();
    uint32_t data_version, version, characteristics;
    uint16_t memory_flags, language;
    if (!r.u32(&data_version) || !r.u16(&memory_flags) || !r.u16(&language) || !r.u32(&version) ||
        !r.u32(&characteristics))
        return ResError::BadHeader;
    // The fixed fields end the header exactly: anything else means the
    // sizes and names disagree.
    if (r.remaining() != 0) return ResError::BadHeader;

    size_t data_at = at + header_size;
    if (data_size > size) return ResError::TooLarge;
    if (data_size > size - data_at) return ResError::Truncated;
    e->data_version = data_version;
    e->memory_flags = memory_flags;
    e->language = language;
    e->version = version;
    e->characteristics = characteristics;
    e->offset = data_at;
    e->size = data_size;

    size_t end = data_at + data_size;
    size_t padded = end + ((4 - end % 4) % 4);
    *next = padded < size ? padded : size;
    return ResError::None;
}


}  // namespace

bool res_id_equal(const ResId& a, const ResId& b) {
    if (a.is_number != b.is_number) return false;
    if (a.is_number) return a.number == b.number;
    if (a.text.size() != b.text.size()) return false;
    for (size_t i = 0; i < a.text.size(); ++i)
        if (ascii_upper(a.text[i]) != ascii_upper(b.text[i])) return false;
    return true;
}

ResError parse_res_file(const uint8_t* data, size_t size, std::vector<ResEntry>* entries, size_t* error_offset) {
    entries->clear();
    if (error_offset) *error_offset = 0;
    if (!data) size = 0;

    ResEntry first;
    size_t at = 0;
    ResError err = size < kMinHeader ? ResError::NoSignature : parse_entry(data, size, 0, &first, &at);
    if (err == ResError::None && (first.size != 0 || !first.type.is_number || first.type.number != 0 ||
                                  !first.name.is_number || first.name.number != 0))
        err = ResError::NoSignature;
    if (err != ResError::None) return ResError::NoSignature;

    while (at < size) {
        ResEntry e;
        size_t next = 0;
        err = parse_entry(data, size, at, &e, &next);
        if (err != ResError::None) {
            if (error_offset) *error_offset = at;
            entries->clear();
            return err;
        }
        entries->push_back(std::move(e));
        at = next;
    }
    return ResError::None;
}

FindResult find_resource(const std::vector<ResEntry>& entries, const ResId& type, const ResId& name,
                         const uint16_t* languages, size_t language_count, bool any_language_last,
                         const ResEntry** found) {
    *found = nullptr;
    bool type_seen = false;
    const ResEntry* first_of_name = nullptr;
    const ResEntry* best = nullptr;
    size_t best_rank = language_count;
    for (const ResEntry& e : entries) {
        if (!res_id_equal(e.type, type)) continue;
        type_seen = true;
        if (!res_id_equal(e.name, name)) continue;
        if (!first_of_name) first_of_name = &e;
        for (size_t i = 0; i < best_rank; ++i) {
            if (languages[i] == e.language) {
                best = &e;
                best_rank = i;
                break;
            }
        }
    }
    if (!type_seen) return FindResult::TypeNotFound;
    if (!first_of_name) return FindResult::NameNotFound;
    if (!best && any_language_last) best = first_of_name;
    if (!best) return FindResult::LanguageNotFound;
    *found = best;
    return FindResult::Found;
}

bool ByteReader::u8(uint8_t* v) {
    if (remaining() < 1) return false;
    *v = data_[pos_++];
    return true;
}

bool ByteReader::u16(uint16_t* v) {
    if (remaining() < 2) return false;
    *v = read_u16(data_ + pos_);
    pos_ += 2;
    return true;
}

bool ByteReader::u32(uint32_t* v) {
    if (remaining() < 4) return false;
    *v = read_u32(data_ + pos_);
    pos_ += 4;
    return true;
}

bool ByteReader::skip(size_t n) {
    if (remaining() < n) return false;
    pos_ += n;
    return true;
}

void ByteReader::align4() {
    size_t target = (pos_ + 3) & ~size_t(3);
    pos_ = target < size_ ? target : size_;
}

bool ByteReader::utf16z(std::u16string* s) {
    s->clear();
    for (;;) {
        uint16_t c;
        if (!u16(&c)) return false;
        if (c == 0) return true;
        *s += char16_t(c);
    }
}

bool ByteReader::sz_or_ord(ResId* id) {
    if (remaining() < 2) return false;
    if (read_u16(here()) == 0xFFFF) {
        uint16_t number;
        skip(2);
        if (!u16(&number)) return false;
        *id = ResId::from_number(number);
        return true;
    }
    id->is_number = false;
    id->number = 0;
    return utf16z(&id->text);
}


}  // namespace plat::res
