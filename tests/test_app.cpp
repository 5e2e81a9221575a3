// The whole program on the headless platform: the real app_main runs its own
// message loop while a driver window, ticking on the virtual clock, plays the
// user's part (menu picks, keys) and looks at what the program shows.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <vector>

#include <win32_host.h>

#include "animation/animation.h"
#include "shell/shell.h"

namespace {

const char kTitle[] = "ポフリン発生ソフト";
const char kAboutCaption[] = "ﾊﾞｰｼﾞｮﾝ情報";

// Steps run, in order, at their virtual times (ms after the program started).
struct Step {
    int64_t at;
    std::function<void()> run;
};

struct Driver {
    std::vector<Step> steps;
    size_t next = 0;
    int64_t start = 0;
    HWND window = nullptr;
};

Driver* g_driver;

LRESULT CALLBACK driver_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_TIMER) return DefWindowProcA(window, message, wparam, lparam);
    Driver& d = *g_driver;
    while (d.next < d.steps.size() && host_now_ms() - d.start >= d.steps[d.next].at) d.steps[d.next++].run();
    if (d.next == d.steps.size()) KillTimer(window, 1);
    return 0;
}

// Runs app_main with the driver's steps; returns its exit code.
int run_program(std::vector<Step> steps) {
    host_reset_process();
    host_use_virtual_clock(TRUE);
    Driver driver;
    driver.steps = std::move(steps);
    driver.start = host_now_ms();
    g_driver = &driver;

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = driver_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "test-driver";
    RegisterClassExA(&wc);
    driver.window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, wc.hInstance, NULL);
    SetTimer(driver.window, 1, 10, NULL);

    int code = app_main(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT);
    EXPECT_EQ(driver.next, driver.steps.size()) << "the program ended before the script did";
    g_driver = nullptr;
    host_reset_process();
    return code;
}

HWND main_window() { return FindWindowA("MY", NULL); }

void post_command(int command) { PostMessageA(main_window(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }

// The canvas pixel at (x, y) as 0x00RRGGBB.
DWORD canvas_pixel(int x, int y) {
    COLORREF c = GetPixel(g_canvas_dc, x, y);
    return DWORD(GetRValue(c)) << 16 | DWORD(GetGValue(c)) << 8 | GetBValue(c);
}

// True when every client pixel equals the canvas pixel at the same place.
bool window_shows_canvas(HWND window) {
    int width = 0, height = 0;
    const DWORD* pixels = host_window_pixels(window, &width, &height);
    if (!pixels) return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((pixels[y * width + x] & 0xffffff) != canvas_pixel(x, y)) return false;
    return true;
}

bool all_black(HWND window) {
    int width = 0, height = 0;
    const DWORD* pixels = host_window_pixels(window, &width, &height);
    if (!pixels || width == 0) return false;
    for (int i = 0; i < width * height; ++i)
        if (pixels[i] & 0xffffff) return false;
    return true;
}

TEST(Program, StartsWithItsWindowAndTheUntouchedCanvasThenExitsWithZero) {
    int32_t radius = -1;
    int code = run_program({
        {20,
         [&] {
             HWND w = main_window();
             ASSERT_NE(w, nullptr);
             char title[100] = "";
             GetWindowTextA(w, title, sizeof title);
             EXPECT_STREQ(title, kTitle);
             RECT r, client;
             GetWindowRect(w, &r);
             GetClientRect(w, &client);
             EXPECT_EQ(r.right - r.left, 200);
             EXPECT_EQ(r.bottom - r.top, 200);
             EXPECT_EQ(client.right, 194);
             EXPECT_EQ(client.bottom, 156);
             LONG style = GetWindowLongA(w, GWL_STYLE);
             EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
             EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
             EXPECT_NE(GetMenu(w), nullptr);
             EXPECT_NE(GetClassLongPtrA(w, GCLP_HICON), 0u);
             EXPECT_NE(GetClassLongPtrA(w, GCLP_HICONSM), 0u);
             // The first paint showed the new canvas: black, not the white class background.
             EXPECT_TRUE(all_black(w));
             radius = pulse_radius;
         }},
        // No command yet: no frame however long we wait.
        {3000, [&] { EXPECT_EQ(pulse_radius, radius); }},
        {3010, [] { post_command(CMD_EXIT); }},
    });
    EXPECT_EQ(code, 0);
}

// The driver ticks every 10 ms like the fast frame timer, so counts are taken
// between two driver ticks a whole number of intervals apart: however ties
// between the two timers are ordered, exactly that many frames fall between.
TEST(Program, CommandsAnimateAndPaintsCopyTheCanvas) {
    int32_t radius = 0;
    auto frames_since = [&] { return (pulse_radius - radius + 101) % 101; };
    int code = run_program({
        {20, [] { post_command(CMD_PATTERN_TAKE); }},
        {30, [&] { radius = pulse_radius; }},
        {1030,
         [&] {
             EXPECT_EQ(frames_since(), 10);
             EXPECT_EQ(pattern, PatternTake);
             EXPECT_TRUE(window_shows_canvas(main_window()));
             EXPECT_FALSE(all_black(main_window()));
             post_command(CMD_SPEED_FAST);
         }},
        {1050, [&] { radius = pulse_radius; }},
        {1150,
         [&] {
             EXPECT_EQ(frames_since(), 10);
             EXPECT_EQ(pattern, PatternTake);
             post_command(CMD_PATTERN_MATSU);
         }},
        // Back at 100 ms with 松: frames at 1250, 1350, 1450 and 1550.
        {1160, [&] { radius = pulse_radius; }},
        {1560,
         [&] {
             EXPECT_EQ(frames_since(), 4);
             EXPECT_EQ(pattern, PatternMatsu);
             EXPECT_TRUE(window_shows_canvas(main_window()));
             radius = pulse_radius;
             // A tick of any timer draws a frame.
             PostMessageA(main_window(), WM_TIMER, 77, 0);
         }},
        {1570,
         [&] {
             EXPECT_EQ(frames_since(), 1);
             PostMessageA(main_window(), WM_CLOSE, 0, 0);
         }},
    });
    EXPECT_EQ(code, 0);
}

HWND about_box() { return FindWindowA(NULL, kAboutCaption); }

TEST(Program, AltQuestionMarkOpensTheAboutBoxWhileTheAnimationGoesOn) {
    int32_t radius = 0;
    int code = run_program({
        // Without Alt the characters are plain input: no About box.
        {20, [] { host_send_char('?', FALSE); host_send_char('/', FALSE); }},
        {40, [] { EXPECT_EQ(about_box(), nullptr); }},
        // Before any command the box leaves the canvas as it was.
        {50, [] { host_send_char('?', TRUE); }},
        {60,
         [] {
             HWND box = about_box();
             ASSERT_NE(box, nullptr);
             EXPECT_EQ(GetWindow(box, GW_OWNER), main_window());
             EXPECT_FALSE(IsWindowEnabled(main_window()));
             EXPECT_TRUE(all_black(main_window()));
             host_send_key(VK_ESCAPE, 0);
         }},
        {70,
         [] {
             EXPECT_EQ(about_box(), nullptr);
             EXPECT_TRUE(IsWindowEnabled(main_window()));
             EXPECT_TRUE(all_black(main_window()));
             post_command(CMD_PATTERN_UME);
         }},
        {100, [] { host_send_char('/', TRUE); }},
        {110, [&] {
             ASSERT_NE(about_box(), nullptr);
             radius = pulse_radius;
         }},
        // Frames go on behind the box; Enter presses its default button.
        {620,
         [&] {
             EXPECT_EQ((pulse_radius - radius + 101) % 101, 5);
             host_send_key(VK_RETURN, 0);
         }},
        {630,
         [] {
             EXPECT_EQ(about_box(), nullptr);
             post_command(CMD_EXIT);
         }},
    });
    EXPECT_EQ(code, 0);
}

LRESULT CALLBACK refusing_proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_CREATE ? -1 : 0; }

TEST(Program, ReturnsZeroAtOnceWhenTheWindowCannotBeCreated) {
    host_reset_process();
    // A class "MY" that refuses its windows: the program's own registration
    // fails and its window creation with it.
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = refusing_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "MY";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    EXPECT_EQ(app_main(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT), 0);
    EXPECT_EQ(main_window(), nullptr);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE));
    host_reset_process();
}

}  // namespace
