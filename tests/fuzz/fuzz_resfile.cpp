// libFuzzer target: the .res reader and every resource format parser on
// arbitrary bytes. Each entry's data is copied into a buffer of exactly its
// size, so that a parser reading past its resource is caught by ASan.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "res/dialog_template.h"
#include "res/icon_image.h"
#include "res/menu_template.h"
#include "res/resfile.h"
#include "res/resource_data.h"

namespace {

using namespace plat;

void parse_as_everything(const uint8_t* data, size_t size) {
    std::u16string text;
    for (unsigned i = 0; i < 16; ++i) res::string_table_entry(data, size, i, &text);

    std::vector<res::AccelEntry> accels;
    res::parse_accelerators(data, size, &accels);

    for (bool icon : {true, false}) {
        std::vector<res::GroupEntry> group;
        if (res::parse_group_directory(data, size, icon, &group)) {
            int best = icon ? res::best_icon_entry(group, 32, 32, 32) : res::best_cursor_entry(group, 32, 32);
            if (best < 0 || size_t(best) >= group.size()) abort();
        }
    }

    IconImage image;
    if (decode_icon_image(data, size, 0, 0, &image)) {
        if (image.pixels.size() != size_t(image.width) * size_t(image.height)) abort();
        if (image.mask.size() != image.pixels.size()) abort();
    }
    decode_icon_image(data, size, 24, 40, &image);

    std::vector<MenuTemplateItem> menu;
    parse_menu_template(data, size, &menu);

    res::VersionInfo version;
    if (res::parse_version_info(data, size, &version)) res::version_string(version, u"ProductName");

    DialogTemplate dialog;
    parse_dialog_template(data, size, &dialog);
    for (const DialogItemTemplate& item : dialog.items) dialog_control_class(item.class_name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<res::ResEntry> entries;
    if (res::parse_res_file(data, size, &entries) == res::ResError::None) {
        for (const res::ResEntry& e : entries) {
            if (e.offset > size || e.size > size - e.offset) abort();
            std::vector<uint8_t> copy(data + e.offset, data + e.offset + e.size);
            parse_as_everything(copy.data(), copy.size());
            const uint16_t languages[] = {0x0411, 0x0000};
            const res::ResEntry* found = nullptr;
            if (res::find_resource(entries, e.type, e.name, languages, 2, true, &found) !=
                    res::FindResult::Found ||
                !found)
                abort();
        }
    } else if (!entries.empty()) {
        abort();
    }
    std::vector<uint8_t> whole(data, data + size);
    parse_as_everything(whole.data(), whole.size());
    return 0;
}
