// Draws deterministic line, Rectangle and Ellipse cases with the real GDI and
// writes which pixels each one lit, for tests/test_raster.cpp to compare
// against. Built with mingw-w64 and run under Wine (make_raster_ref.sh).
//
// "raster_ref cases FILE", one case per line:
//   S w h [cl ct cr cb]      following cases draw on a w x h surface, clipped
//                            to the given rectangle (default: the surface)
//   L x1 y1 x2 y2 | rows     MoveToEx(x1, y1) + LineTo(x2, y2)
//   R l t r b p b | rows     Rectangle; p/b are 1 for a solid pen/brush, 0 for null
//   E l t r b p b | rows     Ellipse
// rows: "y:runs" groups separated by spaces, one per row holding any drawn
// pixel; runs are separated by ',' and written "x+n" (n pen pixels) or "x*n"
// (n brush pixels). Anything else drawn is written "x?n" and fails the test.
//
// "raster_ref run FILE": a long run of animation frames (see animation_run),
// one line per frame: "frame hash".
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

const COLORREF kBackground = RGB(0, 255, 0);
const COLORREF kPen = RGB(255, 0, 0);
const COLORREF kBrush = RGB(0, 0, 255);

// The DIB's own pixel words for those colours (0x00RRGGBB).
const DWORD kBackgroundPixel = 0x0000ff00;
const DWORD kPenPixel = 0x00ff0000;
const DWORD kBrushPixel = 0x000000ff;

unsigned int g_seed = 12345;

int rnd(int lo, int hi) {  // inclusive
    g_seed = g_seed * 1103515245u + 12345u;
    return lo + (int)((g_seed >> 8) % (unsigned)(hi - lo + 1));
}

struct Target {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HBITMAP old = nullptr;
    DWORD* bits = nullptr;
    int width = 0;
    int height = 0;
    bool clipped = false;
    RECT clip = {0, 0, 0, 0};
};

Target g_target;
FILE* g_out = nullptr;
long g_cases = 0;

void set_surface(int width, int height, const RECT* clip) {
    Target& t = g_target;
    if (t.dc) {
        SelectObject(t.dc, t.old);
        DeleteObject(t.bitmap);
        DeleteDC(t.dc);
    }
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    t.dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    t.bitmap = CreateDIBSection(t.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!t.dc || !t.bitmap || !bits) {
        fprintf(stderr, "cannot create a %dx%d DIB section\n", width, height);
        exit(1);
    }
    t.old = (HBITMAP)SelectObject(t.dc, t.bitmap);
    t.bits = (DWORD*)bits;
    t.width = width;
    t.height = height;
    t.clipped = clip != nullptr;
    if (clip) {
        t.clip = *clip;
        IntersectClipRect(t.dc, clip->left, clip->top, clip->right, clip->bottom);
        fprintf(g_out, "S %d %d %ld %ld %ld %ld\n", width, height, clip->left, clip->top, clip->right,
                clip->bottom);
    } else {
        fprintf(g_out, "S %d %d\n", width, height);
    }
}

void clear_surface() {
    GdiFlush();
    for (int i = 0; i < g_target.width * g_target.height; i++) g_target.bits[i] = kBackgroundPixel;
}

// Appends the drawn pixels of the surface as rows of runs and ends the line.
void write_rows() {
    GdiFlush();
    std::string line;
    char buf[64];
    for (int y = 0; y < g_target.height; y++) {
        const DWORD* row = g_target.bits + (size_t)y * g_target.width;
        bool any = false;
        int x = 0;
        while (x < g_target.width) {
            DWORD p = row[x];
            int n = 1;
            while (x + n < g_target.width && row[x + n] == p) n++;
            if (p != kBackgroundPixel) {
                char kind = p == kPenPixel ? '+' : p == kBrushPixel ? '*' : '?';
                if (!any)
                    snprintf(buf, sizeof(buf), " %d:%d%c%d", y, x, kind, n);
                else
                    snprintf(buf, sizeof(buf), ",%d%c%d", x, kind, n);
                line += buf;
                any = true;
            }
            x += n;
        }
    }
    fprintf(g_out, " |%s\n", line.c_str());
    g_cases++;
}

void line_case(int x1, int y1, int x2, int y2, int pen_width) {
    clear_surface();
    HPEN pen = CreatePen(PS_SOLID, pen_width, kPen);
    HGDIOBJ old = SelectObject(g_target.dc, pen);
    MoveToEx(g_target.dc, x1, y1, nullptr);
    LineTo(g_target.dc, x2, y2);
    SelectObject(g_target.dc, old);
    DeleteObject(pen);
    fprintf(g_out, "L %d %d %d %d", x1, y1, x2, y2);
    write_rows();
}

void shape_case(char kind, int l, int t, int r, int b, bool with_pen, bool with_brush) {
    clear_surface();
    HPEN pen = with_pen ? CreatePen(PS_SOLID, rnd(0, 1), kPen) : (HPEN)GetStockObject(NULL_PEN);
    HBRUSH brush = with_brush ? CreateSolidBrush(kBrush) : (HBRUSH)GetStockObject(NULL_BRUSH);
    HGDIOBJ old_pen = SelectObject(g_target.dc, pen);
    HGDIOBJ old_brush = SelectObject(g_target.dc, brush);
    if (kind == 'R')
        Rectangle(g_target.dc, l, t, r, b);
    else
        Ellipse(g_target.dc, l, t, r, b);
    SelectObject(g_target.dc, old_pen);
    SelectObject(g_target.dc, old_brush);
    if (with_pen) DeleteObject(pen);
    if (with_brush) DeleteObject(brush);
    fprintf(g_out, "%c %d %d %d %d %d %d", kind, l, t, r, b, with_pen ? 1 : 0, with_brush ? 1 : 0);
    write_rows();
}

// A box of the given size at (x, y), randomly given in reversed order.
void random_box_case(char kind, int x, int y, int w, int h, int pen_brush) {
    int l = x, t = y, r = x + w, b = y + h;
    if (rnd(0, 5) == 0) { int s = l; l = r; r = s; }
    if (rnd(0, 5) == 0) { int s = t; t = b; b = s; }
    bool with_pen = pen_brush != 1;   // 0: both, 1: brush only, 2: pen only
    bool with_brush = pen_brush != 2;
    shape_case(kind, l, t, r, b, with_pen, with_brush);
}

int random_pen_brush() {
    int v = rnd(0, 9);
    return v < 6 ? 0 : v < 8 ? 1 : 2;
}

void lines_section() {
    set_surface(64, 64, nullptr);
    // Every direction from one point: all octants and the boundaries between them.
    for (int d = -20; d <= 20; d++) {
        line_case(32, 32, 32 + d, 12, 1);
        line_case(32, 32, 32 + d, 52, 1);
        line_case(32, 32, 12, 32 + d, 1);
        line_case(32, 32, 52, 32 + d, 1);
    }
    line_case(5, 7, 5, 7, 1);
    line_case(0, 0, 64, 64, 1);
    line_case(63, 63, -1, -1, 1);
    line_case(-10, 5, 80, 5, 1);
    line_case(80, 6, -10, 6, 1);
    line_case(7, -10, 7, 80, 1);
    line_case(8, 80, 8, -10, 1);
    line_case(-5, 63, 63, -5, 0);
    // Short lines inside the surface.
    for (int i = 0; i < 400; i++) {
        int x = rnd(4, 59), y = rnd(4, 59);
        line_case(x, y, x + rnd(-4, 4), y + rnd(-4, 4), rnd(0, 1));
    }
    // Long lines, most partly or wholly outside.
    for (int i = 0; i < 1100; i++)
        line_case(rnd(-60, 123), rnd(-60, 123), rnd(-60, 123), rnd(-60, 123), rnd(0, 1));
    // Lines from far away.
    for (int i = 0; i < 100; i++)
        line_case(rnd(-3000, 3000), rnd(-3000, 3000), rnd(-20, 84), rnd(-20, 84), 1);
}

void rectangles_section() {
    set_surface(64, 64, nullptr);
    for (int h = 0; h <= 6; h++)
        for (int w = 0; w <= 6; w++)
            for (int pb = 0; pb < 3; pb++) shape_case('R', 20, 20, 20 + w, 20 + h, pb != 1, pb != 2);
    shape_case('R', 30, 30, 20, 20, true, true);
    shape_case('R', 30, 20, 20, 30, true, true);
    shape_case('R', 20, 30, 30, 20, true, true);
    shape_case('R', -5, -5, 70, 70, true, true);
    shape_case('R', -5, -5, 70, 70, false, true);
    for (int i = 0; i < 500; i++) {
        int w = rnd(0, 3) == 0 ? rnd(0, 80) : rnd(0, 12);
        int h = rnd(0, 3) == 0 ? rnd(0, 80) : rnd(0, 12);
        random_box_case('R', rnd(-20, 70), rnd(-20, 70), w, h, random_pen_brush());
    }
}

void small_ellipses_section() {
    set_surface(64, 64, nullptr);
    for (int h = 0; h <= 24; h++)
        for (int w = 0; w <= 24; w++) shape_case('E', 10, 12, 10 + w, 12 + h, true, true);
    for (int h = 0; h <= 12; h++)
        for (int w = 0; w <= 12; w++) {
            shape_case('E', 10, 12, 10 + w, 12 + h, false, true);
            shape_case('E', 10, 12, 10 + w, 12 + h, true, false);
        }
    for (int i = 0; i < 400; i++) {
        int w = rnd(0, 3) == 0 ? rnd(0, 90) : rnd(0, 14);
        int h = rnd(0, 3) == 0 ? rnd(0, 90) : rnd(0, 14);
        random_box_case('E', rnd(-20, 70), rnd(-20, 70), w, h, random_pen_brush());
    }
}

void large_ellipses_section() {
    set_surface(256, 256, nullptr);
    // Discs centred at (100, 85): the top reaches past the surface from r = 86 on.
    for (int r = 0; r <= 100; r++) shape_case('E', 100 - r, 85 - r, 100 + r, 85 + r, true, true);
    for (int i = 0; i < 120; i++) {
        int w = rnd(0, 200), h = rnd(0, 200);
        random_box_case('E', rnd(-60, 200), rnd(-60, 200), w, h, random_pen_brush());
    }
    for (int i = 0; i < 40; i++) {
        int w = rnd(150, 230), h = rnd(150, 230);
        random_box_case('E', rnd(-20, 40), rnd(-20, 40), w, h, 0);
    }
}

// Many small ellipses in a row, the way an animation draws them.
void small_ellipse_run_section() {
    set_surface(128, 128, nullptr);
    int radius = 0;
    for (int i = 0; i < 800; i++) {
        if (i % 100 == 99) {
            radius = radius % 12 + 1;
            shape_case('E', 64 - radius, 60 - radius, 64 + radius, 60 + radius, true, true);
            continue;
        }
        int x = rnd(0, 11) * 10, y = rnd(0, 11) * 10;
        int d1 = rnd(0, 9), d2 = rnd(0, 9), d3 = rnd(0, 9), d4 = rnd(0, 9);
        int pen_brush = rnd(0, 19) == 0 ? random_pen_brush() : 0;
        shape_case('E', x - d4, y - d3, x + d2, y + d1, pen_brush != 1, pen_brush != 2);
    }
}

// Narrow, tall ellipses, whose inside's walk ends before the top and bottom
// rows of the box, with and without pen and brush.
void narrow_ellipses_section() {
    set_surface(64, 80, nullptr);
    for (int w = 3; w <= 8; w++)
        for (int h = w + 1; h <= 72; h++) shape_case('E', 5, 4, 5 + w, 4 + h, h % 3 != 1, h % 3 != 2);
    for (int h = 8; h <= 72; h += 4) shape_case('E', 60, -h / 2, 63, h / 2, true, true);  // past the top and side
}

void clipped_section() {
    RECT clip = {9, 13, 47, 50};
    set_surface(64, 64, &clip);
    for (int i = 0; i < 300; i++)
        line_case(rnd(-20, 84), rnd(-20, 84), rnd(-20, 84), rnd(-20, 84), 1);
    for (int i = 0; i < 150; i++)
        random_box_case('R', rnd(-10, 60), rnd(-10, 60), rnd(0, 50), rnd(0, 50), random_pen_brush());
    for (int i = 0; i < 200; i++)
        random_box_case('E', rnd(-10, 60), rnd(-10, 60), rnd(0, 60), rnd(0, 60), random_pen_brush());
}

// Frames the way an animation draws them, on a 1200 x 800 bitmap compatible
// with the screen: a black fill, a 20 x 20 grid of small lines, rectangles or
// ellipses, then a disc growing by one pixel per frame. Each shape gets a new
// pen (and brush), deleted while still selected. Sizes and colours come
// from rand(), as in the program; the frame's hash covers the 320 x 320
// corner where everything is drawn.
const char kRunScript[] = "m150 t3 m2 u1 m40 u5 m30 t5 m30";

// The program's random source is the C runtime's rand(), never seeded.
int run_random() { return rand(); }

COLORREF run_colour() {
    int r = run_random() % 256, g = run_random() % 256, b = run_random() % 256;
    return RGB(r, g, b);
}

void animation_run() {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1200, 800);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
    ReleaseDC(nullptr, screen);
    static DWORD bits[1200 * 800];

    int radius = 0, frame = 0;
    for (const char* p = kRunScript; *p;) {
        if (*p == ' ') {
            p++;
            continue;
        }
        char kind = *p++;
        int count = (int)strtol(p, (char**)&p, 10);
        for (int i = 0; i < count; i++) {
            radius = radius == 100 ? 0 : radius + 1;
            PatBlt(dc, 0, 0, 1200, 800, BLACKNESS);
            for (int x = 0; x < 200; x += 10) {
                for (int y = 0; y < 200; y += 10) {
                    COLORREF c = run_colour();
                    HPEN pen = CreatePen(PS_SOLID, 1, c);
                    SelectObject(dc, pen);
                    if (kind == 'u') {
                        MoveToEx(dc, x, y, nullptr);
                        int dy = run_random() % 100, dx = run_random() % 100;
                        LineTo(dc, x + dx, y + dy);
                        DeleteObject(pen);
                        continue;
                    }
                    HBRUSH brush = CreateSolidBrush(c);
                    SelectObject(dc, brush);
                    if (kind == 't') {
                        int h = run_random() % 5, w = run_random() % 5;
                        Rectangle(dc, x, y, x + w, y + h);
                    } else {
                        int d1 = run_random() % 10, d2 = run_random() % 10, d3 = run_random() % 10,
                            d4 = run_random() % 10;
                        Ellipse(dc, x - d4, y - d3, x + d2, y + d1);
                    }
                    DeleteObject(pen);
                    DeleteObject(brush);
                }
            }
            COLORREF c = run_colour();
            HPEN pen = CreatePen(PS_SOLID, 1, c);
            HBRUSH brush = CreateSolidBrush(c);
            SelectObject(dc, pen);
            SelectObject(dc, brush);
            Ellipse(dc, 100 - radius, 85 - radius, 100 + radius, 85 + radius);
            DeleteObject(pen);
            DeleteObject(brush);

            GetBitmapBits(bitmap, sizeof(bits), bits);
            unsigned hash = 2166136261u;  // FNV-1a over the corner's 0x00RRGGBB words
            for (int y = 0; y < 320; y++)
                for (int x = 0; x < 320; x++) hash = (hash ^ (bits[y * 1200 + x] & 0xffffff)) * 16777619u;
            fprintf(g_out, "%d %08x\n", ++frame, hash);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (strcmp(argv[1], "cases") && strcmp(argv[1], "run"))) {
        fprintf(stderr, "usage: raster_ref cases|run OUTPUT\n");
        return 2;
    }
    g_out = fopen(argv[2], "wb");
    if (!g_out) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    if (!strcmp(argv[1], "run")) {
        fprintf(g_out, "# frames of \"%s\" as drawn by the reference GDI; see tests/wine_ref/raster_ref.cpp\n",
                kRunScript);
        animation_run();
        fclose(g_out);
        return 0;
    }
    fprintf(g_out, "# lines, Rectangle and Ellipse as drawn by the reference GDI; see tests/wine_ref/raster_ref.cpp\n");
    lines_section();
    rectangles_section();
    small_ellipses_section();
    large_ellipses_section();
    small_ellipse_run_section();
    narrow_ellipses_section();
    clipped_section();
    fclose(g_out);
    fprintf(stderr, "%ld cases\n", g_cases);
    return 0;
}
