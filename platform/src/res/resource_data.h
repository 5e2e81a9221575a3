// Readers of the small resource formats: string table blocks, accelerator
// tables, icon/cursor group directories and version information. Pure and bounds-checked, like
// the .res reader.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

namespace plat::res {

// String `index` (0..15) of an RT_STRING block: sixteen counted UTF-16
// strings. False when the block ends before it.
bool string_table_entry(const uint8_t* data, size_t size, unsigned index, std::u16string* text);

// An RT_ACCELERATOR entry as stored: flags, key, command (and padding).
struct AccelEntry {
    uint16_t flags;  // FVIRTKEY, FSHIFT, FCONTROL, FALT; 0x80 ends the table
    uint16_t key;    // virtual key, or a UTF-16 character
    uint16_t command;
};

// Entries up to the one flagged last (or as many whole ones as the data
// holds). False for an empty table.
bool parse_accelerators(const uint8_t* data, size_t size, std::vector<AccelEntry>* entries);

// One image of an RT_GROUP_ICON / RT_GROUP_CURSOR directory.
struct GroupEntry {
    int width;   // icons: 0 in the byte means 256
    int height;  // cursors: the stored height is twice the image's; halved here
    int bit_count;
    uint32_t bytes;
    uint16_t id;  // of the RT_ICON / RT_CURSOR resource
};

// The directory's entries; false if the header is wrong (reserved 0, type 1
// for icons or 2 for cursors) or the entries do not fit.
bool parse_group_directory(const uint8_t* data, size_t size, bool icon, std::vector<GroupEntry>* entries);

// The entry best fitting a requested size and colour depth: the smallest
// difference in width plus height, then the nearest bit count. -1 if none.
int best_icon_entry(const std::vector<GroupEntry>& entries, int width, int height, int depth);

// Cursors: the largest image not bigger than requested, else the smallest
// bigger one.
int best_cursor_entry(const std::vector<GroupEntry>& entries, int width, int height);

// An RT_VERSION resource: the fixed file information and the string tables.
struct VersionInfo {
    uint32_t file_version_ms = 0, file_version_ls = 0;  // major << 16 | minor, build << 16 | revision
    uint32_t product_version_ms = 0, product_version_ls = 0;
    uint32_t file_flags_mask = 0, file_flags = 0;
    uint32_t file_os = 0, file_type = 0, file_subtype = 0;
    struct StringTable {
        std::u16string name;  // language and code page in hex: "041104b0"
        std::vector<std::pair<std::u16string, std::u16string>> strings;
    };
    std::vector<StringTable> tables;
    // VarFileInfo's Translation: language in the low word, code page high.
    std::vector<uint32_t> translations;
};

// Parses the VS_VERSIONINFO tree. False unless the root is "VS_VERSION_INFO"
// with a signed VS_FIXEDFILEINFO and every block lies inside its parent;
// blocks of unknown names are skipped.
bool parse_version_info(const uint8_t* data, size_t size, VersionInfo* info);

// The value of `key` in the table of the first translation, else in the
// first table that has it; null if none does.
const std::u16string* version_string(const VersionInfo& info, const std::u16string& key);

}  // namespace plat::res
