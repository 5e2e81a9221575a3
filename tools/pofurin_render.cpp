// pofurin-render: runs the program's own animation code headless and saves
// what it draws as PNG frames or an animated GIF.
#include <ctype.h>
#include <errno.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <win32_host.h>

#include "animation/animation.h"
#include "image_io.h"
#include "shell/shell.h"

namespace {

const char kUsage[] =
    "usage: pofurin-render --run \"SCRIPT\" [--out DIR] [--last FILE.png] [--gif FILE.gif] [--stats] [--realtime]\n"
    "       pofurin-render --version | --help\n"
    "  SCRIPT: tokens ume, take, matsu, fast, normal, or a number N (N frames)\n"
    "  --realtime: run the program's message loop on the real clock; N waits for N timer ticks\n"
    "  See pofurin-render(1).\n";

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
    bool realtime = false;
};

// Set while a progress line stands on the terminal, so that an error starts
// on a line of its own.
bool g_progress_line = false;

void clear_progress_line() {
    if (g_progress_line) fputs("\r\033[K", stderr);
    g_progress_line = false;
}

[[noreturn]] void fail(const std::string& message) {
    clear_progress_line();
    fprintf(stderr, "pofurin-render: %s\n", message.c_str());
    exit(2);
}

double monotonic_seconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Frames done of the total and the time left, redrawn in place on stderr
// a few times a second; nothing at all when stderr is not a terminal.
class Progress {
public:
    explicit Progress(int total) : total_(total), enabled_(total > 0 && isatty(STDERR_FILENO)) {}

    void frame_done(int done) {
        if (!enabled_) return;
        double now = monotonic_seconds();
        if (done > 1 && now - last_shown_ < 0.2) return;
        last_shown_ = now;
        long left = lround((now - start_) / done * (total_ - done));
        fprintf(stderr, "\rpofurin-render: frame %d of %d, %ld:%02ld left\033[K", done, total_, left / 60, left % 60);
        g_progress_line = true;
    }

    ~Progress() { clear_progress_line(); }

private:
    int total_;
    bool enabled_;
    double start_ = monotonic_seconds();
    double last_shown_ = 0;
};

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

// The program's own title (its resources) and the build's version, which the
// resources' version information carries too.
void print_version() {
    char title[TEXT_BUFFER_SIZE] = "";
    LoadStringA(GetModuleHandleA(NULL), RES_APP_TITLE, title, TEXT_BUFFER_SIZE);
    printf("pofurin-render (%s) %s\n", title, POFURIN_VERSION);
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
        } else if (arg == "--realtime") {
            o.realtime = true;
        } else if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            exit(0);
        } else if (arg == "--version") {
            print_version();
            exit(0);
        } else {
            fail("unknown argument '" + arg + "'");
        }
    }
    if (!have_script) fail("--run \"SCRIPT\" is required");
    // On the real clock frames come only from the frame timer, which no
    // run has until a command starts it.
    for (const Step& step : o.steps) {
        if (step.kind == Step::Command) break;
        if (o.realtime && step.value > 0) fail("with --realtime, frames need a command before them to start the timer");
    }
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

// What the window shows: its client area's pixels.
Image window_image(HWND window) {
    Image image;
    const DWORD* pixels = host_window_pixels(window, &image.width, &image.height);
    if (pixels) image.pixels.assign(pixels, pixels + size_t(image.width) * image.height);
    for (uint32_t& p : image.pixels) p &= 0xffffff;
    return image;
}

// The program's own main window, made by the program's own start-up
// (without its message loop), so the canvas and timer are its own.
HWND open_main_window() {
    if (!start_program(GetModuleHandleA(NULL), SW_SHOWNORMAL)) return NULL;
    return FindWindowA(g_window_class, NULL);
}

int interval_after(int command, int interval_ms) {
    switch (command) {
    case CMD_SPEED_FAST: return FRAME_INTERVAL_FAST;
    case CMD_PATTERN_UME:
    case CMD_PATTERN_TAKE:
    case CMD_PATTERN_MATSU:
    case CMD_SPEED_NORMAL: return FRAME_INTERVAL_NORMAL;
    default: return interval_ms;
    }
}

int total_frames(const Options& o) {
    long total = 0;
    for (const Step& step : o.steps)
        if (step.kind == Step::Frames) total += step.value;
    return total > INT32_MAX ? INT32_MAX : int(total);
}

// Where each frame goes once drawn.
struct Output {
    Output(const Options& o, HWND w) : options(o), window(w), progress(total_frames(o)) {}
    const Options& options;
    HWND window;
    GifWriter gif;
    Progress progress;
    int frames = 0;

    void frame_drawn(int interval_ms) {
        ++frames;
        std::string error;
        if (!options.out_dir.empty()) {
            char name[32];
            snprintf(name, sizeof name, "/frame-%06d.png", frames);
            if (!write_png(options.out_dir + name, canvas_image(), &error)) fail(error);
        }
        if (!options.gif.empty()) {
            UpdateWindow(window);  // the program's own paint
            if (!gif.add_frame(window_image(window), interval_ms, &error)) fail(error);
        }
        progress.frame_done(frames);
    }
};

// Steps frames directly: each command and tick is handed to the program's
// window procedure at once, as fast as frames can be drawn.
void run_stepped(const Options& options, Output& out) {
    int interval_ms = FRAME_INTERVAL_NORMAL;
    for (const Step& step : options.steps) {
        if (step.kind == Step::Command) {
            SendMessageA(out.window, WM_COMMAND, MAKEWPARAM(step.value, 0), 0);
            interval_ms = interval_after(step.value, interval_ms);
            continue;
        }
        for (int i = 0; i < step.value; ++i) {
            SendMessageA(out.window, WM_TIMER, FRAME_TIMER_ID, 0);
            out.frame_drawn(interval_ms);
        }
    }
}

// Runs the program's message loop on the real clock: commands are posted as
// the menu would, and frames come only from the frame timer.
void run_realtime(const Options& options, Output& out) {
    int interval_ms = FRAME_INTERVAL_NORMAL;
    int64_t first_tick = -1, last_tick = -1;
    int ticks = 0;
    for (const Step& step : options.steps) {
        if (step.kind == Step::Command) {
            PostMessageA(out.window, WM_COMMAND, MAKEWPARAM(step.value, 0), 0);
            interval_ms = interval_after(step.value, interval_ms);
            continue;
        }
        int wanted = out.frames + step.value;
        MSG message;
        while (out.frames < wanted && GetMessageA(&message, NULL, 0, 0) > 0) {
            bool tick = message.hwnd == out.window && message.message == WM_TIMER;
            DispatchMessageA(&message);
            if (!tick) continue;
            last_tick = host_now_ms();
            if (first_tick < 0) first_tick = last_tick;
            ++ticks;
            out.frame_drawn(interval_ms);
        }
    }
    clear_progress_line();
    if (options.stats) {
        double seconds = double(last_tick - first_tick) / 1000.0;
        printf("ticks_per_second=%.2f\n", ticks > 1 && seconds > 0 ? (ticks - 1) / seconds : 0.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options = parse_arguments(argc, argv);
    if (!options.out_dir.empty() && mkdir(options.out_dir.c_str(), 0777) != 0 && errno != EEXIST)
        fail(options.out_dir + ": " + strerror(errno));

    Output out(options, open_main_window());
    if (!out.window || !g_canvas_bitmap) fail("cannot create the program's window");
    RECT client;
    GetClientRect(out.window, &client);
    std::string error;
    if (!options.gif.empty() && !out.gif.open(options.gif, client.right, client.bottom, &error)) fail(error);

    if (options.realtime) run_realtime(options, out);
    else run_stepped(options, out);
    clear_progress_line();

    if (!options.gif.empty() && !out.gif.close(&error)) fail(error);
    if (!options.last_png.empty() && !write_png(options.last_png, canvas_image(), &error)) fail(error);
    if (options.stats) printf("frames=%d live_gdi_objects=%lu\n", out.frames,
                              static_cast<unsigned long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)));
    return 0;
}
