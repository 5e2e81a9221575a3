// The .res reader on hand-made and malformed input.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include <win32_host.h>
#include <windows.h>

#include "res/resfile.h"
#include "res_builder.h"

extern "C" {
extern const unsigned char win32_module_resources[];
extern const size_t win32_module_resources_size;
}

namespace {

using plat::res::ResError;

ResError parse(const std::vector<uint8_t>& b, size_t* count = nullptr) {
    std::vector<plat::res::ResEntry> entries;
    ResError e = plat::res::parse_res_file(b.data(), b.size(), &entries);
    if (count) *count = entries.size();
    return e;
}

void set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) b.at(at + k) = uint8_t(v >> (8 * k));
}

TEST(ResFileReader, ParsesEntriesWithNamesAndPadding) {
    ResBuilder b;
    b.add(u"CUSTOM", u"NAME", 0x0407, {1, 2, 3}).add(5, 7, 0x0411, {9});
    std::vector<plat::res::ResEntry> entries;
    ASSERT_EQ(plat::res::parse_res_file(b.bytes.data(), b.bytes.size(), &entries), ResError::None);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_FALSE(entries[0].type.is_number);
    EXPECT_EQ(entries[0].type.text, u"CUSTOM");
    EXPECT_EQ(entries[0].name.text, u"NAME");
    EXPECT_EQ(entries[0].language, 0x0407);
    EXPECT_EQ(entries[0].memory_flags, 0x1030);
    EXPECT_EQ(entries[0].size, 3u);
    EXPECT_EQ(b.bytes[entries[0].offset + 2], 3);
    EXPECT_EQ(entries[0].offset % 4, 0u);
    EXPECT_TRUE(entries[1].type.is_number);
    EXPECT_EQ(entries[1].type.number, 5);
    EXPECT_EQ(entries[1].name.number, 7);
    EXPECT_EQ(b.bytes[entries[1].offset], 9);
    // The last entry's padding may be missing.
    std::vector<uint8_t> unpadded(b.bytes.begin(), b.bytes.end() - 3);
    size_t count = 0;
    EXPECT_EQ(parse(unpadded, &count), ResError::None);
    EXPECT_EQ(count, 2u);
}

TEST(ResFileReader, EveryTruncationIsCleanlyHandled) {
    std::vector<uint8_t> full(win32_module_resources, win32_module_resources + win32_module_resources_size);
    std::vector<plat::res::ResEntry> entries;
    ASSERT_EQ(plat::res::parse_res_file(full.data(), full.size(), &entries), ResError::None);
    // Entry boundaries: a file cut there is a shorter valid file.
    std::set<size_t> ends = {32};
    for (const auto& e : entries) {
        // The last entry's padding may be cut anywhere.
        for (size_t end = e.offset + e.size; end <= ((e.offset + e.size + 3) & ~size_t(3)); ++end) ends.insert(end);
    }
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        ResError e = parse(cut);
        if (ends.count(n)) {
            EXPECT_EQ(e, ResError::None) << n;
        } else {
            EXPECT_NE(e, ResError::None) << n;
            // (Zero bytes make a module without resources.)
            if (n) {
                EXPECT_EQ(host_create_module(cut.data(), cut.size()), nullptr) << n;
            }
        }
    }
}

TEST(ResFileReader, BadSizesAndCounts) {
    ResBuilder b;
    b.add(5, 7, 0x0411, {1, 2, 3, 4, 5, 6, 7, 8});
    const size_t entry = 32;  // the second entry's offset
    auto with = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> c = b.bytes;
        set32(c, at, v);
        return c;
    };
    EXPECT_EQ(parse(b.bytes), ResError::None);
    EXPECT_EQ(parse(with(entry, 0xFFFFFFF0u)), ResError::TooLarge);  // data size
    EXPECT_EQ(parse(with(entry, 9)), ResError::Truncated);
    EXPECT_EQ(parse(with(entry + 4, 0xFFFFFFF0u)), ResError::TooLarge);  // header size
    EXPECT_EQ(parse(with(entry + 4, 34)), ResError::Misaligned);
    EXPECT_EQ(parse(with(entry + 4, 16)), ResError::BadHeader);
    EXPECT_EQ(parse(with(entry + 4, 36)), ResError::BadHeader);  // disagrees with the fields
    EXPECT_EQ(parse(with(entry + 4, 48)), ResError::Truncated);
    EXPECT_EQ(parse(with(0, 4)), ResError::NoSignature);  // the empty first entry has data
    EXPECT_EQ(parse(with(8, 0x0001FFFF)), ResError::NoSignature);  // ... or a type
    EXPECT_EQ(parse({}), ResError::NoSignature);

    // A name string with no terminator inside the header.
    std::vector<uint8_t> named = ResBuilder().add(u"AB", 1, 0, {}).bytes;
    for (size_t i = entry + 8; i < named.size(); i += 2)
        if (named[i] == 0 && named[i + 1] == 0) {
            named[i] = 'C';
            break;
        }
    EXPECT_EQ(parse(named), ResError::BadHeader);

    // Trailing bytes too few for another header.
    std::vector<uint8_t> tail = b.bytes;
    tail.insert(tail.end(), {0, 0, 0, 0});
    EXPECT_EQ(parse(tail), ResError::Truncated);

    SetLastError(0);
    std::vector<uint8_t> bad = with(entry + 4, 34);
    EXPECT_EQ(host_create_module(bad.data(), bad.size()), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    EXPECT_EQ(host_create_module(nullptr, 10), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(ResFileReader, TextConversions) {
    using plat::res::utf16_from_utf8;
    using plat::res::utf8_from_utf16;
    EXPECT_EQ(utf8_from_utf16(u"aé日\U0001F600"), "aé日\U0001F600");
    EXPECT_EQ(utf8_from_utf16(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(utf16_from_utf8("aé日\U0001F600", strlen("aé日\U0001F600")), u"aé日\U0001F600");
    EXPECT_EQ(utf16_from_utf8("\xC0\xAF", 2), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(utf16_from_utf8("\xE6\x97", 2), u"\uFFFD\uFFFD");  // cut short
    std::string s = "aポ";
    EXPECT_EQ(plat::res::utf8_fit(s, 3), 1u);
    EXPECT_EQ(plat::res::utf8_fit(s, 4), 4u);
    EXPECT_EQ(plat::res::utf8_fit(s, 0), 0u);
}

}  // namespace
