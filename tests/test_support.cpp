#include "test_support.h"

#include <win32_host.h>

#include <gtest/gtest.h>

#include <stdlib.h>

namespace {

LRESULT CALLBACK plain_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

HWND animation_window() {
    static HWND window = nullptr;
    if (window && IsWindow(window)) return window;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = plain_window_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "animation-test";
    RegisterClassExA(&wc);
    window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 200, 200, NULL, NULL, wc.hInstance, NULL);
    create_canvas(window);
    return window;
}

void reset_animation() {
    host_reset_process();
    g_canvas_dc = NULL;
    animation_window();
    rand_state = 1;
    pattern = PatternUme;
    pulse_radius = 0;
}

Image canvas_pixels() {
    Image image;
    image.width = CANVAS_WIDTH;
    image.height = CANVAS_HEIGHT;
    image.pixels.resize(size_t(CANVAS_WIDTH) * CANVAS_HEIGHT);
    GetBitmapBits(g_canvas_bitmap, LONG(image.pixels.size() * 4), image.pixels.data());
    return image;
}

void run_script_token(const std::string& token, int* frames, void (*on_frame)(int, void*), void* context) {
    HWND window = animation_window();
    if (token == "ume") return select_pattern(window, PatternUme);
    if (token == "take") return select_pattern(window, PatternTake);
    if (token == "matsu") return select_pattern(window, PatternMatsu);
    if (token == "fast") return speed_fast(window);
    if (token == "normal") return speed_normal(window);
    ASSERT_EQ(token.find_first_not_of("0123456789"), std::string::npos) << "bad script token " << token;
    for (int n = atoi(token.c_str()); n > 0; --n) {
        draw_frame(window);
        on_frame(++*frames, context);
    }
}
