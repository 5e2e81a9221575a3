// The pixel primitives: compared case by case with what Wine's GDI drew for
// the same calls (tests/data/raster_ref, made by tests/wine_ref), plus small
// hand-worked cases that spell out the rules.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gdi/raster.h"

using plat::Surface;

namespace {

constexpr uint32_t kBack = 0x00ff00;
constexpr uint32_t kPen = 0xff0000;
constexpr uint32_t kBrush = 0x0000ff;

struct Canvas {
    int width, height;
    std::vector<uint32_t> bits;
    Canvas(int w, int h, uint32_t fill = kBack) : width(w), height(h), bits(size_t(w) * h, fill) {}
    Surface surface() { return Surface{bits.data(), width, height, width}; }
    RECT all() const { return RECT{0, 0, width, height}; }
    uint32_t at(int x, int y) const { return bits[size_t(y) * width + x]; }
};

// Renders the canvas as rows of characters: '.' background, 'P' pen,
// 'B' brush, '?' anything else.
std::string picture(const Canvas& c) {
    std::string out;
    for (int y = 0; y < c.height; y++) {
        for (int x = 0; x < c.width; x++) {
            uint32_t p = c.at(x, y);
            out += p == kBack ? '.' : p == kPen ? 'P' : p == kBrush ? 'B' : '?';
        }
        out += '\n';
    }
    return out;
}

std::string rows(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) (out += l) += '\n';
    return out;
}

// ---------------------------------------------------------------------------
// Reference cases

struct RefCase {
    char kind;  // 'L', 'R' or 'E'
    int v[4];
    bool pen, brush;
    int width, height;
    RECT clip;
    std::string expected;  // the "rows" part of the line, as written by the generator
    int line_no;
};

std::vector<RefCase> load_reference() {
    std::vector<RefCase> cases;
    std::ifstream in(std::string(TEST_DATA_DIR) + "/raster_ref/raster_ref.txt");
    if (!in) return cases;
    std::string line;
    int width = 0, height = 0, line_no = 0;
    RECT clip = {0, 0, 0, 0};
    while (std::getline(in, line)) {
        line_no++;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        char kind;
        ls >> kind;
        if (kind == 'S') {
            ls >> width >> height;
            clip = RECT{0, 0, width, height};
            LONG l, t, r, b;
            if (ls >> l >> t >> r >> b) clip = RECT{l, t, r, b};
            continue;
        }
        RefCase c{};
        c.kind = kind;
        c.width = width;
        c.height = height;
        c.clip = clip;
        c.line_no = line_no;
        ls >> c.v[0] >> c.v[1] >> c.v[2] >> c.v[3];
        if (kind != 'L') {
            int p, b;
            ls >> p >> b;
            c.pen = p;
            c.brush = b;
        }
        size_t bar = line.find('|');
        c.expected = bar == std::string::npos ? "?" : line.substr(bar + 1);
        cases.push_back(c);
    }
    return cases;
}

const std::vector<RefCase>& reference() {
    static const std::vector<RefCase> cases = load_reference();
    return cases;
}

// The same encoding as the generator's, so a mismatch shows as text.
std::string encode(const Canvas& c) {
    std::string out;
    char buf[64];
    for (int y = 0; y < c.height; y++) {
        bool any = false;
        int x = 0;
        while (x < c.width) {
            uint32_t p = c.at(x, y);
            int n = 1;
            while (x + n < c.width && c.at(x + n, y) == p) n++;
            if (p != kBack) {
                char kind = p == kPen ? '+' : p == kBrush ? '*' : '?';
                if (any)
                    snprintf(buf, sizeof(buf), ",%d%c%d", x, kind, n);
                else
                    snprintf(buf, sizeof(buf), " %d:%d%c%d", y, x, kind, n);
                out += buf;
                any = true;
            }
            x += n;
        }
    }
    return out;
}

void draw_case(const RefCase& c, Canvas& canvas) {
    Surface s = canvas.surface();
    const uint32_t pen = kPen, brush = kBrush;
    if (c.kind == 'L') {
        plat::raster_line(s, c.clip, POINT{c.v[0], c.v[1]}, POINT{c.v[2], c.v[3]}, kPen);
    } else {
        RECT box{c.v[0], c.v[1], c.v[2], c.v[3]};
        if (c.kind == 'R')
            plat::raster_rectangle(s, c.clip, box, c.pen ? &pen : nullptr, c.brush ? &brush : nullptr);
        else
            plat::raster_ellipse(s, c.clip, box, c.pen ? &pen : nullptr, c.brush ? &brush : nullptr);
    }
}

// What our primitives draw for each reference case, drawn once.
const std::vector<std::string>& replay() {
    static const std::vector<std::string> results = [] {
        std::vector<std::string> out;
        for (const RefCase& c : reference()) {
            Canvas canvas(c.width, c.height);
            draw_case(c, canvas);
            out.push_back(encode(canvas));
        }
        return out;
    }();
    return results;
}

// Every reference case that `pick` accepts must match to the pixel.
void check_reference(bool (*pick)(const RefCase&), int min_cases) {
    const std::vector<RefCase>& cases = reference();
    ASSERT_FALSE(cases.empty()) << "no reference data in " << TEST_DATA_DIR;
    const std::vector<std::string>& got = replay();
    int run = 0, failed = 0;
    for (size_t i = 0; i < cases.size(); i++) {
        const RefCase& c = cases[i];
        if (!pick(c)) continue;
        run++;
        if (got[i] != c.expected && ++failed <= 10)
            ADD_FAILURE() << "reference line " << c.line_no << ": " << c.kind << " " << c.v[0] << " " << c.v[1] << " "
                          << c.v[2] << " " << c.v[3] << (c.kind == 'L' ? "" : c.pen ? " pen" : " no-pen")
                          << (c.kind == 'L' ? "" : c.brush ? " brush" : " no-brush") << "\n expected:" << c.expected
                          << "\n      got:" << got[i];
    }
    EXPECT_EQ(failed, 0) << "of " << run << " cases";
    EXPECT_GE(run, min_cases);
}

bool unclipped(const RefCase& c) {
    return c.clip.left == 0 && c.clip.top == 0 && c.clip.right == c.width && c.clip.bottom == c.height;
}

TEST(RasterWineReference, Lines) {
    check_reference([](const RefCase& c) { return c.kind == 'L' && unclipped(c); }, 1500);
}

TEST(RasterWineReference, Rectangles) {
    check_reference([](const RefCase& c) { return c.kind == 'R' && unclipped(c); }, 500);
}

TEST(RasterWineReference, SmallEllipses) {
    check_reference([](const RefCase& c) { return c.kind == 'E' && unclipped(c) && c.width <= 64; }, 1000);
}

TEST(RasterWineReference, LargeEllipses) {
    check_reference([](const RefCase& c) { return c.kind == 'E' && unclipped(c) && c.width == 256; }, 200);
}

// Small ellipses one after another, as an animation draws them, many narrow.
TEST(RasterWineReference, RunOfSmallEllipses) {
    check_reference([](const RefCase& c) { return c.kind == 'E' && unclipped(c) && c.width == 128; }, 800);
}

// Taller than wide: the inside's walk can end before the box's last rows.
TEST(RasterWineReference, NarrowEllipsesAnywhere) {
    check_reference(
        [](const RefCase& c) {
            const int w = std::abs(c.v[2] - c.v[0]), h = std::abs(c.v[3] - c.v[1]);
            return c.kind == 'E' && w >= 3 && h > w;
        },
        600);
}

TEST(RasterWineReference, ClippedToARectangle) {
    check_reference([](const RefCase& c) { return !unclipped(c); }, 500);
}


// ---------------------------------------------------------------------------
// Hand-worked cases. Canvases start as background '.'; 'P' is the pen, 'B' the brush.

struct Draw {
    Canvas canvas;
    Draw(int w, int h) : canvas(w, h) {}
    Draw& line(int x1, int y1, int x2, int y2) {
        plat::raster_line(canvas.surface(), canvas.all(), POINT{x1, y1}, POINT{x2, y2}, kPen);
        return *this;
    }
    Draw& rect(int l, int t, int r, int b, bool pen = true, bool brush = true) {
        plat::raster_rectangle(canvas.surface(), canvas.all(), RECT{l, t, r, b}, pen ? &kPen : nullptr,
                               brush ? &kBrush : nullptr);
        return *this;
    }
    Draw& ellipse(int l, int t, int r, int b, bool pen = true, bool brush = true) {
        plat::raster_ellipse(canvas.surface(), canvas.all(), RECT{l, t, r, b}, pen ? &kPen : nullptr,
                             brush ? &kBrush : nullptr);
        return *this;
    }
    std::string str() const { return picture(canvas); }
};

TEST(RasterLine, LeavesOutTheEndPointInEitherDirection) {
    EXPECT_EQ(Draw(8, 2).line(1, 0, 6, 0).line(6, 1, 1, 1).str(), rows({
                                                                     ".PPPPP..",
                                                                     "..PPPPP.",
                                                                 }));
    EXPECT_EQ(Draw(2, 6).line(0, 1, 0, 5).line(1, 5, 1, 1).str(), rows({
                                                                     "..",
                                                                     "P.",
                                                                     "PP",
                                                                     "PP",
                                                                     "PP",
                                                                     ".P",
                                                                 }));
}

TEST(RasterLine, ZeroLengthDrawsNothing) {
    EXPECT_EQ(Draw(3, 3).line(1, 1, 1, 1).str(), rows({"...", "...", "..."}));
}

TEST(RasterLine, TiesRoundSoThatReversedLinesShareTheirInnerPixels) {
    // (0,0)-(4,2): the error term ties at x = 0 and x = 2; going right the
    // line stays on its row, going left (octant 5, biased) it steps.
    EXPECT_EQ(Draw(5, 3).line(0, 0, 4, 2).str(), rows({
                                                     "PP...",
                                                     "..PP.",
                                                     ".....",
                                                 }));
    EXPECT_EQ(Draw(5, 3).line(4, 2, 0, 0).str(), rows({
                                                     ".P...",
                                                     "..PP.",
                                                     "....P",
                                                 }));
    // Steep lines: y is the major axis.
    EXPECT_EQ(Draw(3, 5).line(0, 0, 2, 4).str(), rows({
                                                     "P..",
                                                     "P..",
                                                     ".P.",
                                                     ".P.",
                                                     "...",
                                                 }));
    EXPECT_EQ(Draw(4, 4).line(0, 3, 3, 0).str(), rows({
                                                     "....",
                                                     "..P.",
                                                     ".P..",
                                                     "P...",
                                                 }));
}

TEST(RasterLine, ClippingKeepsThePixelsOfTheWholeLine) {
    // A line running off all four sides, against the same line drawn whole on
    // a larger canvas and cut out.
    const POINT ends[][2] = {{{-7, -3}, {12, 9}}, {{11, -6}, {-4, 8}}, {{-9, 4}, {15, 1}}, {{2, 12}, {5, -9}}};
    for (const auto& e : ends) {
        Canvas clipped(8, 6), whole(48, 48);
        plat::raster_line(clipped.surface(), RECT{0, 0, 8, 6}, e[0], e[1], kPen);
        plat::raster_line(whole.surface(), whole.all(), POINT{e[0].x + 20, e[0].y + 20},
                          POINT{e[1].x + 20, e[1].y + 20}, kPen);
        for (int y = 0; y < 6; y++)
            for (int x = 0; x < 8; x++)
                EXPECT_EQ(clipped.at(x, y), whole.at(x + 20, y + 20)) << "at " << x << "," << y;
    }
}

TEST(RasterRectangle, OutlineOnTheBoxEdgesInsideWithTheBrush) {
    EXPECT_EQ(Draw(6, 5).rect(1, 1, 5, 4).str(), rows({
                                                    "......",
                                                    ".PPPP.",
                                                    ".PBBP.",
                                                    ".PPPP.",
                                                    "......",
                                                }));
    // Any corner order gives the same box.
    EXPECT_EQ(Draw(6, 5).rect(5, 4, 1, 1).str(), Draw(6, 5).rect(1, 1, 5, 4).str());
    EXPECT_EQ(Draw(6, 5).rect(1, 4, 5, 1).str(), Draw(6, 5).rect(1, 1, 5, 4).str());
}

TEST(RasterRectangle, NullPenFillsAllButTheLastRowAndColumn) {
    EXPECT_EQ(Draw(5, 4).rect(1, 0, 5, 3, false, true).str(), rows({
                                                                 ".BBB.",
                                                                 ".BBB.",
                                                                 ".....",
                                                                 ".....",
                                                             }));
    EXPECT_EQ(Draw(5, 4).rect(1, 0, 5, 3, true, false).str(), rows({
                                                                 ".PPPP",
                                                                 ".P..P",
                                                                 ".PPPP",
                                                                 ".....",
                                                             }));
}

TEST(RasterRectangle, EmptyAndTinyBoxes) {
    const std::string blank = rows({"....", "....", "...."});
    EXPECT_EQ(Draw(4, 3).rect(1, 1, 1, 3).str(), blank);  // no width
    EXPECT_EQ(Draw(4, 3).rect(0, 2, 4, 2).str(), blank);  // no height
    EXPECT_EQ(Draw(4, 3).rect(1, 1, 2, 2).str(), blank);  // 1 x 1: every outline segment is empty
    EXPECT_EQ(Draw(4, 3).rect(1, 0, 2, 3).str(), rows({".P..", ".P..", ".P.."}));
    EXPECT_EQ(Draw(4, 3).rect(0, 1, 3, 2).str(), rows({"....", "PPP.", "...."}));
    EXPECT_EQ(Draw(4, 3).rect(0, 0, 2, 2).str(), rows({"PP..", "PP..", "...."}));
}

// Pen and brush of one colour (as the grid patterns draw): the whole box, in
// any corner order and partly off the surface, except a 1 x 1 box.
TEST(RasterRectangle, OneColourCoversTheWholeBox) {
    for (int w = 0; w <= 6; w++)
        for (int h = 0; h <= 6; h++)
            for (int x = -3; x <= 6; x++)
                for (int y = -3; y <= 6; y++) {
                    Canvas c(8, 8);
                    const bool flip = (x + y) & 1;
                    const RECT box = flip ? RECT{x + w, y + h, x, y} : RECT{x, y, x + w, y + h};
                    plat::raster_rectangle(c.surface(), c.all(), box, &kPen, &kPen);
                    const bool paints = w > 0 && h > 0 && !(w == 1 && h == 1);
                    for (int py = 0; py < 8; py++)
                        for (int px = 0; px < 8; px++) {
                            const bool inside = paints && px >= x && px < x + w && py >= y && py < y + h;
                            ASSERT_EQ(c.at(px, py), inside ? kPen : kBack)
                                << w << "x" << h << " at " << x << "," << y << ": pixel " << px << "," << py;
                        }
                }
}

TEST(RasterEllipse, SmallBoxes) {
    EXPECT_EQ(Draw(5, 5).ellipse(1, 1, 4, 4).str(), rows({
                                                       ".....",
                                                       "..P..",
                                                       ".PBP.",
                                                       "..P..",
                                                       ".....",
                                                   }));
    EXPECT_EQ(Draw(6, 6).ellipse(1, 1, 5, 5).str(), rows({
                                                       "......",
                                                       "..PP..",
                                                       ".PBBP.",
                                                       ".PBBP.",
                                                       "..PP..",
                                                       "......",
                                                   }));
    // Up to two pixels wide or high it is a rectangle.
    EXPECT_EQ(Draw(5, 5).ellipse(4, 0, 0, 2).str(), Draw(5, 5).rect(0, 0, 4, 2).str());
    EXPECT_EQ(Draw(5, 5).ellipse(0, 0, 2, 5, false, true).str(), Draw(5, 5).rect(0, 0, 2, 5, false, true).str());
    EXPECT_EQ(Draw(5, 5).ellipse(2, 2, 2, 4).str(), rows({".....", ".....", ".....", ".....", "....."}));
}

TEST(RasterEllipse, NullPenStillFillsTheOutlinePixels) {
    EXPECT_EQ(Draw(5, 5).ellipse(0, 0, 5, 5, false, true).str(), rows({
                                                                   ".BBB.",
                                                                   "BBBBB",
                                                                   "BBBBB",
                                                                   "BBBBB",
                                                                   ".BBB.",
                                                               }));
    EXPECT_EQ(Draw(5, 5).ellipse(0, 0, 5, 5, true, false).str(), rows({
                                                                   ".PPP.",
                                                                   "P...P",
                                                                   "P...P",
                                                                   "P...P",
                                                                   ".PPP.",
                                                               }));
}

TEST(RasterEllipse, NarrowOnesLeaveTheRowsTheWalkMissesEmpty) {
    // A 3 x 9 ellipse's inside walk stops one row short: that row and its
    // mirror get no inside; the outline still closes the ends.
    EXPECT_EQ(Draw(6, 11).ellipse(2, 1, 5, 10).str(), rows({
                                                         "......",
                                                         "......",
                                                         "...P..",
                                                         "..PBP.",
                                                         "..PBP.",
                                                         "..PBP.",
                                                         "..PBP.",
                                                         "..PBP.",
                                                         "...P..",
                                                         "......",
                                                         "......",
                                                     }));
}

// ---------------------------------------------------------------------------
// Properties over many random shapes.

uint32_t g_seed = 7;
int rnd(int lo, int hi) {
    g_seed = g_seed * 1664525u + 1013904223u;
    return lo + int((g_seed >> 8) % uint32_t(hi - lo + 1));
}

enum Shape { kLine, kRect, kEllipse };

void draw_shape(Canvas& c, const RECT& clip, Shape shape, const int v[4], int dx, int dy, bool pen, bool brush) {
    if (shape == kLine)
        plat::raster_line(c.surface(), clip, POINT{v[0] + dx, v[1] + dy}, POINT{v[2] + dx, v[3] + dy}, kPen);
    else if (shape == kRect)
        plat::raster_rectangle(c.surface(), clip, RECT{v[0] + dx, v[1] + dy, v[2] + dx, v[3] + dy},
                               pen ? &kPen : nullptr, brush ? &kBrush : nullptr);
    else
        plat::raster_ellipse(c.surface(), clip, RECT{v[0] + dx, v[1] + dy, v[2] + dx, v[3] + dy},
                             pen ? &kPen : nullptr, brush ? &kBrush : nullptr);
}

TEST(RasterProperties, ClippingNeverMovesAPixel) {
    // Drawn clipped to a random rectangle, a shape lights exactly the pixels
    // it lights unclipped inside that rectangle, and nothing outside it.
    for (int i = 0; i < 3000; i++) {
        const Shape shape = Shape(i % 3);
        int v[4];
        for (int& c : v) c = rnd(-30, 70);
        const bool pen = rnd(0, 3) != 0, brush = rnd(0, 3) != 0;
        int l = rnd(-5, 40), t = rnd(-5, 40);
        RECT clip{l, t, l + rnd(0, 30), t + rnd(0, 30)};
        Canvas clipped(48, 48), whole(160, 160);
        draw_shape(clipped, clip, shape, v, 0, 0, pen, brush);
        draw_shape(whole, whole.all(), shape, v, 50, 50, pen, brush);
        int wrong = 0;
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 48; x++) {
                bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                uint32_t want = inside ? whole.at(x + 50, y + 50) : kBack;
                wrong += clipped.at(x, y) != want;
            }
        ASSERT_EQ(wrong, 0) << "shape " << shape << " " << v[0] << "," << v[1] << "," << v[2] << "," << v[3]
                            << " clip " << clip.left << "," << clip.top << "," << clip.right << "," << clip.bottom;
    }
}

TEST(RasterProperties, ShapesStayInsideTheirBounds) {
    for (int i = 0; i < 3000; i++) {
        const Shape shape = Shape(i % 3);
        int v[4];
        for (int& c : v) c = rnd(2, 60);
        if (shape == kEllipse && rnd(0, 2) == 0) v[2] = v[0] + rnd(3, 5);  // narrow ones leave rows empty
        Canvas c(64, 64);
        // Bounds are taken before drawing, as the DC code does.
        const RECT box{v[0], v[1], v[2], v[3]};
        RECT bounds = shape == kLine        ? plat::raster_line_bounds(POINT{v[0], v[1]}, POINT{v[2], v[3]})
                      : shape == kEllipse ? plat::raster_ellipse_bounds(box)
                                          : plat::raster_rectangle_bounds(box);
        draw_shape(c, c.all(), shape, v, 0, 0, true, true);
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++) {
                if (c.at(x, y) == kBack) continue;
                ASSERT_TRUE(x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom)
                    << "shape " << shape << " " << v[0] << "," << v[1] << "," << v[2] << "," << v[3] << " drew " << x
                    << "," << y;
            }
    }
}

TEST(RasterProperties, AbsurdCoordinatesStayInsideTheClip) {
    // Far-off and extreme coordinates must neither crash nor write outside
    // the clip (the canvas has a margin around it that must stay untouched).
    const int far[] = {INT32_MIN, INT32_MIN + 1, -0x10000000, -70000, -1, 0, 5, 70000, 0x0fffffff, INT32_MAX};
    const RECT clip{4, 4, 20, 20};
    for (int i = 0; i < 2000; i++) {
        int v[4];
        for (int& c : v) c = rnd(0, 2) ? far[rnd(0, 9)] : rnd(-10, 30);
        Canvas c(24, 24);
        draw_shape(c, clip, Shape(i % 3), v, 0, 0, true, true);
        for (int y = 0; y < 24; y++)
            for (int x = 0; x < 24; x++) {
                if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) continue;
                ASSERT_EQ(c.at(x, y), kBack) << v[0] << "," << v[1] << "," << v[2] << "," << v[3];
            }
    }
    RECT b = plat::raster_line_bounds(POINT{INT32_MIN, INT32_MIN}, POINT{INT32_MAX, INT32_MAX});
    EXPECT_EQ(b.left, INT32_MIN);
    EXPECT_EQ(b.right, INT32_MAX);
}

TEST(RasterFill, FillsTheHalfOpenRectangleWithinTheClip) {
    Canvas c(6, 4);
    plat::raster_fill(c.surface(), RECT{0, 0, 5, 4}, RECT{-3, 1, 9, 3}, kBrush);
    plat::raster_fill(c.surface(), c.all(), RECT{2, 0, 2, 4}, kPen);  // empty
    plat::raster_fill(c.surface(), c.all(), RECT{4, 3, 1, 2}, kPen);  // reversed: empty
    EXPECT_EQ(picture(c), rows({"......", "BBBBB.", "BBBBB.", "......"}));
}

}  // namespace
