// The pixel primitives: compared case by case with what Wine's GDI drew for
// the same calls (tests/data/raster_ref, made by tests/wine_ref), plus small
// hand-worked cases that spell out the rules.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>

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

// What our primitives draw for each reference case. Ellipses recycle scratch
// blocks whose old contents can show (see raster.cpp), so all cases are
// replayed once, in the generator's order, from a fresh start.
const std::vector<std::string>& replay() {
    static const std::vector<std::string> results = [] {
        std::vector<std::string> out;
        plat::raster_reset_scratch();
        for (const RefCase& c : reference()) {
            Canvas canvas(c.width, c.height);
            draw_case(c, canvas);
            out.push_back(encode(canvas));
        }
        plat::raster_reset_scratch();
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
    check_reference([](const RefCase& c) { return c.kind == 'E' && unclipped(c) && c.width > 64; }, 200);
}

TEST(RasterWineReference, ClippedToARectangle) {
    check_reference([](const RefCase& c) { return !unclipped(c); }, 500);
}

}  // namespace
