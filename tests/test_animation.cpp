// The animation's own rules: the random sequence, the first frames' shapes and
// colours, the pulse, commands, and that frames neither leak nor grow.
#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>

#include "test_support.h"

namespace {

uint32_t pixel_at(const Image& image, int x, int y) { return image.pixels[size_t(y) * image.width + x]; }
uint32_t rgb(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

TEST(RandomSource, FirstValuesAndStateFollowTheFixedSequence) {
    rand_state = 1;
    EXPECT_EQ(next_random(), 41);
    EXPECT_EQ(rand_state, 2745024u);
    const int rest[] = {18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int expected : rest) EXPECT_EQ(next_random(), expected);
}

// Values 2,004 and 2,804 of the sequence from state 1, as the platform's C
// runtime rand() gives them: what follows one frame of 梅 or 竹, and of 松.
constexpr int kValue2004 = 32707;
constexpr int kValue2804 = 6766;

TEST(RandomSource, StateWrapsModulo32BitsAndResultsStayIn15Bits) {
    rand_state = 0xffffffffu;
    EXPECT_EQ(next_random(), 35);
    EXPECT_EQ(rand_state, 2316998u);
    for (int i = 0; i < 100000; ++i) {
        int v = next_random();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(FrameGenerator, FirstUmeFrameStartsWithTheKnownLine) {
    reset_animation();
    select_pattern(animation_window(), PatternUme);
    draw_frame(animation_window());
    EXPECT_EQ(pulse_radius, 1);
    // Line 1 runs along row 0 from (0, 0) in (41, 35, 190); nothing else reaches (0, 0).
    Image canvas = canvas_pixels();
    EXPECT_EQ(pixel_at(canvas, 0, 0), rgb(41, 35, 190));
    EXPECT_EQ(pixel_at(canvas, 9, 0), rgb(41, 35, 190));
    // Line 2 starts at (0, 10) in (108, 214, 174); its end point (64, 72) is not drawn by it.
    EXPECT_EQ(pixel_at(canvas, 0, 10), rgb(108, 214, 174));
    EXPECT_EQ(next_random(), kValue2004) << "a frame of 梅 draws 2,003 values";
}

TEST(FrameGenerator, FirstTakeFrameHasAnEmptyThenASmallRectangle) {
    reset_animation();
    select_pattern(animation_window(), PatternTake);
    draw_frame(animation_window());
    Image canvas = canvas_pixels();
    // (0, 0, 4, 0) is empty: nothing of it in row 0 left of the next column.
    for (int x = 0; x < 10; ++x) EXPECT_EQ(pixel_at(canvas, x, 0), 0u) << x;
    // (0, 10, 4, 12): a 4 x 2 outline in (108, 214, 174), and nothing around it.
    for (int y = 8; y < 20; ++y) {
        for (int x = 0; x < 10; ++x) {
            bool inside = x < 4 && y >= 10 && y < 12;
            EXPECT_EQ(pixel_at(canvas, x, y), inside ? rgb(108, 214, 174) : 0u) << x << "," << y;
        }
    }
}

TEST(FrameGenerator, MatsuFramesDrawMoreValues) {
    reset_animation();
    select_pattern(animation_window(), PatternMatsu);
    draw_frame(animation_window());
    EXPECT_EQ(next_random(), kValue2804) << "a frame of 松 draws 2,803 values";
}

TEST(FrameGenerator, PulseGrowsToOneHundredThenWrapsToZero) {
    reset_animation();
    HWND window = animation_window();
    select_pattern(window, PatternTake);
    for (int frame = 1; frame <= 100; ++frame) draw_frame(window);
    EXPECT_EQ(pulse_radius, 100);
    // Radius 100 centred at (100, 85): the disc reaches the top-left area's far corners' edges.
    Image canvas = canvas_pixels();
    EXPECT_NE(pixel_at(canvas, 100, 0), 0u);
    EXPECT_NE(pixel_at(canvas, 199, 85), 0u);
    EXPECT_EQ(pixel_at(canvas, 200, 85), 0u);
    draw_frame(window);
    EXPECT_EQ(pulse_radius, 0);
    draw_frame(window);
    EXPECT_EQ(pulse_radius, 1);
}

TEST(FrameGenerator, LeavesNoStrayObjectsSelectedOrLive) {
    reset_animation();
    HWND window = animation_window();
    select_pattern(window, PatternMatsu);
    draw_frame(window);
    // The last shape's pen and brush are deleted but still selected.
    EXPECT_EQ(GetCurrentObject(g_canvas_dc, OBJ_PEN), (HGDIOBJ)g_pen);
    EXPECT_EQ(GetCurrentObject(g_canvas_dc, OBJ_BRUSH), (HGDIOBJ)g_brush);
    EXPECT_EQ(GetObjectType(GetCurrentObject(g_canvas_dc, OBJ_BITMAP)), DWORD(OBJ_BITMAP));
    EXPECT_EQ(GetCurrentObject(g_canvas_dc, OBJ_BITMAP), (HGDIOBJ)g_canvas_bitmap);
}

long resident_kib() {
    long pages = 0, resident = 0;
    FILE* f = fopen("/proc/self/statm", "r");
    if (!f) return -1;
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
    fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class FrameResources : public testing::TestWithParam<GenerationPattern> {};

TEST_P(FrameResources, TenThousandFramesKeepObjectsAndMemoryFlat) {
#ifdef SANITIZED_BUILD
    const int frames = 1000;  // the sanitizers watch every allocation meanwhile
#else
    const int frames = 10000;
#endif
    reset_animation();
    HWND window = animation_window();
    select_pattern(window, GetParam());
    draw_frame(window);
    DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    long memory = resident_kib();
    for (int i = 1; i < frames; ++i) draw_frame(window);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objects);
#ifndef SANITIZED_BUILD
    EXPECT_LT(resident_kib() - memory, 1024) << "resident memory grew";
#else
    (void)memory;
#endif
}

INSTANTIATE_TEST_SUITE_P(Patterns, FrameResources, testing::Values(PatternUme, PatternTake, PatternMatsu));

}  // namespace
