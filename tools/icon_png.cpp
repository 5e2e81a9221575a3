// pofurin-icon-png: writes one of the program's icons, as the platform's
// loader decodes it from the program's own resources, as an RGBA PNG. The
// build makes the desktop's icon theme files with it.
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include <win32_host.h>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) fail("usage: pofurin-icon-png ICON_ID SIZE OUT.png");
    int id = number_argument(argv[1], "icon id", 0xFFFF);
    int size = number_argument(argv[2], "size", 256);
    HICON icon = HICON(LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    HOST_ICON_IMAGE decoded;
    if (!icon || !host_get_icon_image(icon, &decoded)) fail("no icon " + std::to_string(id) + " in the resources");

    Image image;
    image.width = decoded.width;
    image.height = decoded.height;
    image.alpha = true;
    image.pixels.resize(size_t(size) * size);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t p = decoded.pixels[i];
        if (decoded.has_alpha) image.pixels[i] = p;
        else image.pixels[i] = decoded.mask[i] ? 0 : (p & 0xFFFFFF) | 0xFF000000u;
    }
    std::string error;
    if (!write_png(argv[3], image, &error)) fail(error);
    return 0;
}
