// pofurin-icon-png: writes the program's icon for one size of the desktop's
// icon theme as an RGBA PNG: its large or its small icon, as the platform's
// loader decodes them from the program's own resources at their stored
// sizes, whichever covers more of the square once enlarged by whole pixels
// (the pictures are pixel art), as the window offers them. The build makes the
// icon theme's files with it.
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include <win32_host.h>

#include "backend/window_query.h"

#include "image_io.h"

namespace {

[[noreturn]] void fail(const std::string& message) {
    fprintf(stderr, "pofurin-icon-png: %s\n", message.c_str());
    exit(2);
}

int number_argument(const char* text, const char* what, int max) {
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (!*text || *end || value < 1 || value > max) fail(std::string("bad ") + what + " '" + text + "'");
    return int(value);
}

HICON load_icon(int id, int size) {
    return HICON(LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) fail("usage: pofurin-icon-png LARGE_ICON_ID SMALL_ICON_ID SIZE OUT.png");
    int large_id = number_argument(argv[1], "icon id", 0xFFFF);
    int small_id = number_argument(argv[2], "icon id", 0xFFFF);
    int size = number_argument(argv[3], "size", 256);
    plat::IconPixels decoded;
    if (!plat::icon_for_square(load_icon(large_id, GetSystemMetrics(SM_CXICON)),
                               load_icon(small_id, GetSystemMetrics(SM_CXSMICON)), size, &decoded))
        fail("no icon " + std::to_string(large_id) + " or " + std::to_string(small_id) + " fits " + std::to_string(size) +
             " pixels");

    Image image;
    image.width = decoded.width;
    image.height = decoded.height;
    image.alpha = true;
    image.pixels.resize(decoded.rgba.size() / 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint8_t* p = &decoded.rgba[i * 4];
        image.pixels[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    std::string error;
    if (!write_png(argv[4], image, &error)) fail(error);
    return 0;
}
