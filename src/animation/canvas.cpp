// The off-screen canvas every frame is drawn into.
#include "animation/animation.h"

HDC g_canvas_dc;
HBITMAP g_canvas_bitmap;

// Creates the canvas in the screen's format; it lives as long as the process.
void create_canvas(HWND window) {
    HDC window_dc = GetDC(window);
    g_canvas_bitmap = CreateCompatibleBitmap(window_dc, CANVAS_WIDTH, CANVAS_HEIGHT);
    g_canvas_dc = CreateCompatibleDC(NULL);
    SelectObject(g_canvas_dc, g_canvas_bitmap);
    ReleaseDC(window, window_dc);
}

// Copies the canvas's top-left corner onto the target; the target clips.
void present_canvas(HDC target_dc) {
    BitBlt(target_dc, 0, 0, CANVAS_WIDTH, CANVAS_HEIGHT, g_canvas_dc, 0, 0, SRCCOPY);
}
