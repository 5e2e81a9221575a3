// The frame generator: one complete frame into the canvas per timer tick.
#include "animation/animation.h"

int32_t pattern = PatternUme;
int32_t pulse_radius = 0;
HPEN g_pen;
HBRUSH g_brush;

#define GRID_FIRST 0
#define GRID_STEP 10
#define GRID_BOUND 200
#define PULSE_X 100
#define PULSE_Y 85
#define PULSE_MAX_RADIUS 100

// Three values: red, green, blue.
static COLORREF random_color() {
    int red = next_random() % 256;
    int green = next_random() % 256;
    int blue = next_random() % 256;
    return RGB(red, green, blue);
}

// A fresh pen and brush of one random colour, selected for the next shape.
static void select_shape_objects() {
    COLORREF color = random_color();
    g_pen = CreatePen(PS_SOLID, 1, color);
    g_brush = CreateSolidBrush(color);
    SelectObject(g_canvas_dc, g_pen);
    SelectObject(g_canvas_dc, g_brush);
}

// They stay selected until the next shape replaces them.
static void delete_shape_objects() {
    DeleteObject(g_pen);
    DeleteObject(g_brush);
}

// 梅: a line right and down, up to 99 pixels each way.
static void draw_line(int x, int y) {
    g_pen = CreatePen(PS_SOLID, 1, random_color());
    SelectObject(g_canvas_dc, g_pen);
    MoveToEx(g_canvas_dc, x, y, NULL);
    int dy = next_random() % 100;
    int dx = next_random() % 100;
    LineTo(g_canvas_dc, x + dx, y + dy);
    DeleteObject(g_pen);
}

// 竹: a rectangle of 0 to 4 pixels each way.
static void draw_rectangle(int x, int y) {
    select_shape_objects();
    int h = next_random() % 5;
    int w = next_random() % 5;
    Rectangle(g_canvas_dc, x, y, x + w, y + h);
    delete_shape_objects();
}

// 松: an ellipse reaching up to 9 pixels from the grid point each way.
static void draw_small_ellipse(int x, int y) {
    select_shape_objects();
    int bottom = next_random() % 10;
    int right = next_random() % 10;
    int top = next_random() % 10;
    int left = next_random() % 10;
    Ellipse(g_canvas_dc, x - left, y - top, x + right, y + bottom);
    delete_shape_objects();
}

// Advances the pulse, redraws the whole canvas and asks for a repaint.
void draw_frame(HWND window) {
    pulse_radius = pulse_radius + 1;
    if (pulse_radius > PULSE_MAX_RADIUS) pulse_radius = 0;

    PatBlt(g_canvas_dc, 0, 0, CANVAS_WIDTH, CANVAS_HEIGHT, BLACKNESS);

    for (int x = GRID_FIRST; x < GRID_BOUND; x += GRID_STEP) {
        for (int y = GRID_FIRST; y < GRID_BOUND; y += GRID_STEP) {
            switch (pattern) {
            case PatternUme: draw_line(x, y); break;
            case PatternTake: draw_rectangle(x, y); break;
            case PatternMatsu: draw_small_ellipse(x, y); break;
            }
        }
    }

    int r = pulse_radius;
    select_shape_objects();
    Ellipse(g_canvas_dc, PULSE_X - r, PULSE_Y - r, PULSE_X + r, PULSE_Y + r);
    delete_shape_objects();

    InvalidateRect(window, NULL, FALSE);
}
