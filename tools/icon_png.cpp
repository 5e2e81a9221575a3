// pofurin-icon-png: writes one of the program's icons, as the platform's
// loader decodes it from the program's own resources, as an RGBA PNG. The
// build makes the desktop's icon theme files with it.
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) fail("usage: pofurin-icon-png ICON_ID SIZE OUT.png");
    int id = number_argument(argv[1], "icon id", 0xFFFF);
    int size = number_argument(argv[2], "size", 256);
    HICON icon = HICON(LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
    plat::IconPixels decoded;
    if (!plat::icon_pixels(icon, &decoded)) fail("no icon " + std::to_string(id) + " in the resources");

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
    if (!write_png(argv[3], image, &error)) fail(error);
    return 0;
}
