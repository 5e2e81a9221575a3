// pofurin-render: runs the program's own animation code headless and saves
// what it draws as PNG frames or an animated GIF.
#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "animation/animation.h"
#include "image_io.h"

namespace {

const char kUsage[] =
    "usage: pofurin-render --run \"SCRIPT\" [--out DIR] [--last FILE.png] [--gif FILE.gif] [--stats]\n"
    "  SCRIPT: tokens ume, take, matsu, fast, normal, or a number N (N frames)\n";

struct Step {
    enum Kind { Command, Frames } kind;
    int value;  // command identifier or frame count
};

struct Options {
    std::vector<Step> steps;
    std::string out_dir;
    std::string last_png;
    std::string gif;
    bool stats = false;
};

[[noreturn]] void fail(const std::string& message) {
    fprintf(stderr, "pofurin-render: %s\n", message.c_str());
    exit(2);
}

bool parse_script(const std::string& script, std::vector<Step>* steps, std::string* bad) {
    static const struct {
        const char* name;
        int command;
    } kCommands[] = {{"ume", CMD_PATTERN_UME},   {"take", CMD_PATTERN_TAKE},  {"matsu", CMD_PATTERN_MATSU},
                     {"fast", CMD_SPEED_FAST}, {"normal", CMD_SPEED_NORMAL}};
    size_t i = 0;
    while (i < script.size()) {
        if (isspace(static_cast<unsigned char>(script[i]))) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < script.size() && !isspace(static_cast<unsigned char>(script[end]))) ++end;
        std::string token = script.substr(i, end - i);
        i = end;
        bool known = false;
        for (const auto& c : kCommands) {
            if (token == c.name) {
                steps->push_back({Step::Command, c.command});
                known = true;
            }
        }
        if (known) continue;
        bool digits = token.size() <= 9 && token.find_first_not_of("0123456789") == std::string::npos;
        if (!digits) {
            *bad = token;
            return false;
        }
        steps->push_back({Step::Frames, atoi(token.c_str())});
    }
    return true;
}

Options parse_arguments(int argc, char** argv) {
    Options o;
    bool have_script = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) fail("option " + arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--run") {
            std::string bad;
            if (!parse_script(value(), &o.steps, &bad)) fail("unknown script token '" + bad + "'");
            have_script = true;
        } else if (arg == "--out") {
            o.out_dir = value();
        } else if (arg == "--last") {
            o.last_png = value();
        } else if (arg == "--gif") {
            o.gif = value();
        } else if (arg == "--stats") {
            o.stats = true;
        } else if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            exit(0);
        } else {
            fail("unknown argument '" + arg + "'");
        }
    }
    if (!have_script) fail("--run \"SCRIPT\" is required");
    return o;
}

Image canvas_image() {
    Image image;
    image.width = CANVAS_WIDTH;
    image.height = CANVAS_HEIGHT;
    image.pixels.resize(size_t(CANVAS_WIDTH) * CANVAS_HEIGHT);
    GetBitmapBits(g_canvas_bitmap, LONG(image.pixels.size() * 4), image.pixels.data());
    return image;
}

Image crop(const Image& image, int width, int height) {
    Image out;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        memcpy(&out.pixels[size_t(y) * width], &image.pixels[size_t(y) * image.width], size_t(width) * 4);
    return out;
}

LRESULT CALLBACK render_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

// A window of the main window's size, so that the canvas and the frame timer
// have the window they expect.
HWND open_window() {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = render_window_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "pofurin-render";
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 200, 200, NULL, NULL, wc.hInstance, NULL);
    if (window) create_canvas(window);
    return window;
}

void run_command(HWND window, int command, int* interval_ms) {
    switch (command) {
    case CMD_PATTERN_UME: select_pattern(window, PatternUme); *interval_ms = FRAME_INTERVAL_NORMAL; break;
    case CMD_PATTERN_TAKE: select_pattern(window, PatternTake); *interval_ms = FRAME_INTERVAL_NORMAL; break;
    case CMD_PATTERN_MATSU: select_pattern(window, PatternMatsu); *interval_ms = FRAME_INTERVAL_NORMAL; break;
    case CMD_SPEED_FAST: speed_fast(window); *interval_ms = FRAME_INTERVAL_FAST; break;
    case CMD_SPEED_NORMAL: speed_normal(window); *interval_ms = FRAME_INTERVAL_NORMAL; break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options = parse_arguments(argc, argv);
    if (!options.out_dir.empty() && mkdir(options.out_dir.c_str(), 0777) != 0 && errno != EEXIST)
        fail(options.out_dir + ": " + strerror(errno));

    HWND window = open_window();
    if (!window || !g_canvas_bitmap) fail("cannot create the canvas");
    RECT client;
    GetClientRect(window, &client);

    GifWriter gif;
    std::string error;
    if (!options.gif.empty() && !gif.open(options.gif, client.right, client.bottom, &error)) fail(error);

    int frames = 0;
    int interval_ms = FRAME_INTERVAL_NORMAL;
    for (const Step& step : options.steps) {
        if (step.kind == Step::Command) {
            run_command(window, step.value, &interval_ms);
            continue;
        }
        for (int i = 0; i < step.value; ++i) {
            draw_frame(window);
            ++frames;
            if (options.out_dir.empty() && options.gif.empty()) continue;
            Image image = canvas_image();
            if (!options.out_dir.empty()) {
                char name[32];
                snprintf(name, sizeof name, "/frame-%06d.png", frames);
                if (!write_png(options.out_dir + name, image, &error)) fail(error);
            }
            if (!options.gif.empty() && !gif.add_frame(crop(image, client.right, client.bottom), interval_ms, &error))
                fail(error);
        }
    }
    if (!options.gif.empty() && !gif.close(&error)) fail(error);
    if (!options.last_png.empty() && !write_png(options.last_png, canvas_image(), &error)) fail(error);
    if (options.stats) printf("frames=%d live_gdi_objects=%lu\n", frames,
                              static_cast<unsigned long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)));
    return 0;
}
