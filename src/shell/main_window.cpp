// The main window procedure: routes messages to the animation and the About box.
#include "animation/animation.h"
#include "shell/shell.h"

// Builds the canvas with the window.
static LRESULT on_create(HWND window) {
    create_canvas(window);
    return 0;
}

// Ends the message loop with exit code 0.
static LRESULT on_destroy() {
    PostQuitMessage(0);
    return 0;
}

// Copies the canvas to the window.
static LRESULT on_paint(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    present_canvas(paint.hdc);
    EndPaint(window, &paint);
    return 0;
}

// Draws the next frame, whichever timer fired.
static LRESULT on_timer(HWND window) {
    draw_frame(window);
    return 0;
}

// Menu picks and accelerators, by command identifier.
static LRESULT on_command(HWND window, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case CMD_PATTERN_UME: select_pattern(window, PatternUme); break;
    case CMD_SPEED_FAST: speed_fast(window); break;
    case CMD_SPEED_NORMAL: speed_normal(window); break;
    case CMD_PATTERN_TAKE: select_pattern(window, PatternTake); break;
    case CMD_PATTERN_MATSU: select_pattern(window, PatternMatsu); break;
    case CMD_ABOUT: open_about_box(window); break;
    case CMD_EXIT: DestroyWindow(window); break;
    default: return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
    }
    return 0;
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return on_create(window);
    case WM_DESTROY: return on_destroy();
    case WM_PAINT: return on_paint(window);
    case WM_COMMAND: return on_command(window, wParam, lParam);
    case WM_TIMER: return on_timer(window);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
