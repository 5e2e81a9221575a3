// Readers of the small resource formats: string table blocks, accelerator
// tables and icon/cursor group directories. Pure and bounds-checked, like
// the .res reader.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
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

}  // namespace plat::res
