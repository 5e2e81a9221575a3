// GDI objects: handles, selection, deferred deletion, fills and block transfers.
#include <gtest/gtest.h>

#include <windows.h>
#include <win32_host.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

DWORD live_objects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// A memory DC with a w x h bitmap selected.
struct MemorySurface {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old_bitmap;
    MemorySurface(int w, int h) {
        dc = CreateCompatibleDC(NULL);
        bitmap = CreateCompatibleBitmap(dc, w, h);
        old_bitmap = SelectObject(dc, bitmap);
    }
    ~MemorySurface() {
        SelectObject(dc, old_bitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

TEST(GdiHandles, StaleForeignAndNullHandlesAreRefused) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    ASSERT_NE(pen, nullptr);
    EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(GetObjectType(pen), 0u);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(uintptr_t(0x12345678))));
    EXPECT_EQ(SelectObject(nullptr, GetStockObject(BLACK_PEN)), nullptr);
    // A slot reused by a new object does not revive the old handle.
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    EXPECT_EQ(GetObjectType(pen), 0u);
    MemorySurface s(4, 4);
    EXPECT_EQ(SelectObject(s.dc, pen), nullptr);
    EXPECT_FALSE(PatBlt(reinterpret_cast<HDC>(pen), 0, 0, 1, 1, BLACKNESS));
    EXPECT_FALSE(LineTo(reinterpret_cast<HDC>(brush), 1, 1));
    EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(brush), 0, 0), CLR_INVALID);
    // A DC is not a GDI object to select or delete.
    EXPECT_EQ(SelectObject(s.dc, s.dc), nullptr);
    EXPECT_FALSE(DeleteObject(s.dc));
    DeleteObject(brush);
}

TEST(GdiHandles, UnsupportedPensFailAndStockObjectsSurviveDeletion) {
    EXPECT_EQ(CreatePen(PS_DASH, 1, 0), nullptr);
    EXPECT_EQ(CreatePen(PS_SOLID, 3, 0), nullptr);
    EXPECT_EQ(CreatePen(PS_SOLID, -1, 0), nullptr);
    HGDIOBJ black = GetStockObject(BLACK_PEN);
    EXPECT_TRUE(DeleteObject(black));
    EXPECT_EQ(GetObjectType(black), DWORD(OBJ_PEN));
    EXPECT_EQ(GetStockObject(-1), nullptr);
    EXPECT_EQ(GetStockObject(1000), nullptr);
}

TEST(GdiSelection, NewDcHoldsDefaultsAndSelectReturnsThePrevious) {
    HDC dc = CreateCompatibleDC(NULL);
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    BITMAP info;
    ASSERT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, 1);
    EXPECT_EQ(info.bmHeight, 1);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_PEN)), (HGDIOBJ)pen);
    DeleteObject(pen);
    DeleteDC(dc);
    EXPECT_FALSE(DeleteDC(dc));
}

// The first memory DC of a process, asked for while the handle table is
// full, fails; the next, once there is room, holds its 1 x 1 bitmap like any
// other. Run in a fresh process, where it is the first.
TEST(GdiSelection, ADefaultBitmapThatFoundTheTableFullIsMadeLater) {
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::vector<HBRUSH> brushes;
            while (HBRUSH b = CreateSolidBrush(0)) brushes.push_back(b);
            const bool refused = !CreateCompatibleDC(NULL);
            for (HBRUSH b : brushes) DeleteObject(b);
            BITMAP info = {};
            GetObjectA(GetCurrentObject(CreateCompatibleDC(NULL), OBJ_BITMAP), sizeof info, &info);
            fprintf(stderr, "refused %d, then %ld x %ld\n", refused, long(info.bmWidth), long(info.bmHeight));
            exit(0);
        },
        testing::ExitedWithCode(0), "refused 1, then 1 x 1");
    GTEST_FLAG_SET(death_test_style, style);
}

TEST(GdiSelection, ABitmapGoesIntoOneDcAtATime) {
    HDC a = CreateCompatibleDC(NULL);
    HDC b = CreateCompatibleDC(NULL);
    HBITMAP bm = CreateCompatibleBitmap(a, 8, 8);
    HGDIOBJ old = SelectObject(a, bm);
    EXPECT_NE(old, nullptr);
    EXPECT_EQ(SelectObject(b, bm), nullptr);
    SelectObject(a, old);
    EXPECT_NE(SelectObject(b, bm), nullptr);
    DeleteDC(a);
    DeleteDC(b);  // lets go of bm
    EXPECT_EQ(GetObjectType(bm), DWORD(OBJ_BITMAP));
    EXPECT_TRUE(DeleteObject(bm));
    EXPECT_EQ(GetObjectType(bm), 0u);
}

TEST(GdiSelection, DeletingASelectedObjectDefersItUntilReplaced) {
    MemorySurface s(16, 16);
    DWORD before = live_objects();
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(s.dc, pen);
    SelectObject(s.dc, brush);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    // Still selected: still live.
    EXPECT_EQ(live_objects(), before + 2);
    EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));
    HPEN next = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
    EXPECT_EQ(SelectObject(s.dc, next), (HGDIOBJ)pen);
    EXPECT_EQ(GetObjectType(pen), 0u);
    EXPECT_EQ(live_objects(), before + 2);  // brush + next
    SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetObjectType(brush), 0u);
    SelectObject(s.dc, GetStockObject(BLACK_PEN));
    DeleteObject(next);
    EXPECT_EQ(live_objects(), before);
    // Deleting the DC releases objects deleted while selected in it.
    HDC dc = CreateCompatibleDC(NULL);
    HPEN held = CreatePen(PS_SOLID, 1, 0);
    SelectObject(dc, held);
    DeleteObject(held);
    DeleteDC(dc);
    EXPECT_EQ(GetObjectType(held), 0u);
}

TEST(GdiBitmap, NewBitmapsAreBlackAndSizeLimitsHold) {
    MemorySurface s(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(GetPixel(s.dc, x, y), 0u);
    EXPECT_EQ(GetPixel(s.dc, 5, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(s.dc, -1, 0), CLR_INVALID);
    EXPECT_EQ(CreateCompatibleBitmap(s.dc, -1, 4), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(s.dc, 1 << 20, 1 << 20), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 4, 4), nullptr);
}

// Reads every pixel of a surface back through GetPixel.
std::vector<COLORREF> read_all(HDC dc, int w, int h) {
    std::vector<COLORREF> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.push_back(GetPixel(dc, x, y));
    return out;
}

TEST(GdiFill, PatBltFillsExactlyItsRectangleInAnyOrder) {
    MemorySurface s(8, 6);
    PatBlt(s.dc, 0, 0, 8, 6, WHITENESS);
    PatBlt(s.dc, 6, 4, -4, -3, BLACKNESS);  // (2, 1) to (6, 4)
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    SelectObject(s.dc, brush);
    PatBlt(s.dc, -3, 5, 5, 10, PATCOPY);  // clipped to (0, 5) to (2, 6)
    std::vector<COLORREF> px = read_all(s.dc, 8, 6);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            COLORREF want = RGB(255, 255, 255);
            if (x >= 2 && x < 6 && y >= 1 && y < 4) want = 0;
            if (x < 2 && y == 5) want = RGB(10, 20, 30);
            EXPECT_EQ(px[size_t(y) * 8 + x], want) << x << "," << y;
        }
    }
    EXPECT_FALSE(PatBlt(s.dc, 0, 0, 1, 1, 0x00AA0029));  // an unsupported raster operation
    SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

TEST(GdiFill, WholeFillsAfterDrawingLeaveNoTrace) {
    // The bitmap tracks what was drawn since its last one-colour fill; every
    // way of drawing must be part of that, or a later clear leaves pixels behind.
    MemorySurface s(64, 48);
    MemorySurface src(64, 48);
    PatBlt(src.dc, 0, 0, 64, 48, WHITENESS);
    for (int round = 0; round < 3; ++round) {
        PatBlt(s.dc, 0, 0, 64, 48, BLACKNESS);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(200, 100, 50));
        HGDIOBJ old_pen = SelectObject(s.dc, pen);
        MoveToEx(s.dc, 60 - round, 2, NULL);
        LineTo(s.dc, 63, 47);
        Rectangle(s.dc, 1 + round, 40, 9, 46);
        Ellipse(s.dc, 30, -5, 45, 3 + round);
        SetPixel(s.dc, 0, 47 - round, RGB(1, 1, 1));
        BitBlt(s.dc, 20, 20, 3, 3, src.dc, 0, 0, SRCCOPY);
        PatBlt(s.dc, 50, 30 + round, 2, 2, WHITENESS);
        SelectObject(s.dc, old_pen);
        DeleteObject(pen);
        PatBlt(s.dc, 0, 0, 64, 48, BLACKNESS);
        std::vector<COLORREF> px = read_all(s.dc, 64, 48);
        for (size_t i = 0; i < px.size(); ++i) ASSERT_EQ(px[i], 0u) << "round " << round << " pixel " << i;
        // A fill with another colour covers the whole bitmap, not only what was drawn.
        PatBlt(s.dc, 0, 0, 64, 48, WHITENESS);
        px = read_all(s.dc, 64, 48);
        for (size_t i = 0; i < px.size(); ++i) ASSERT_EQ(px[i], RGB(255, 255, 255)) << i;
    }
}

TEST(GdiBitBlt, CopiesClipsToBothSurfacesAndHandlesOverlap) {
    MemorySurface src(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) SetPixel(src.dc, x, y, RGB(x, y, 7));
    MemorySurface dst(5, 5);
    PatBlt(dst.dc, 0, 0, 5, 5, WHITENESS);
    // Destination (-1, 2) from source (2, 1), 100 x 100: only what both hold is copied.
    EXPECT_TRUE(BitBlt(dst.dc, -1, 2, 100, 100, src.dc, 2, 1, SRCCOPY));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            int sx = x + 1 + 2, sy = y - 2 + 1;
            bool copied = y >= 2 && sx < 6 && sy < 4;
            EXPECT_EQ(GetPixel(dst.dc, x, y), copied ? RGB(sx, sy, 7) : RGB(255, 255, 255)) << x << "," << y;
        }
    }
    // Overlapping copy within one bitmap moves the rows intact.
    BitBlt(src.dc, 0, 1, 6, 3, src.dc, 0, 0, SRCCOPY);
    for (int y = 1; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(GetPixel(src.dc, x, y), RGB(x, y - 1, 7)) << x << "," << y;
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 1, 1, src.dc, 0, 0, SRCCOPY));
}

TEST(GdiFill, ExtremeCoordinatesSaturateInsteadOfWrapping) {
    // x + width past the 32-bit range stays past it: nothing is drawn where
    // wrapped-around arithmetic would cover the whole bitmap.
    MemorySurface s(8, 8);
    MemorySurface src(8, 8);
    PatBlt(src.dc, 0, 0, 8, 8, WHITENESS);
    EXPECT_TRUE(PatBlt(s.dc, INT32_MIN, 0, -10, 10, WHITENESS));
    EXPECT_TRUE(PatBlt(s.dc, INT32_MAX, 0, 10, 10, WHITENESS));
    EXPECT_TRUE(BitBlt(s.dc, INT32_MAX, 0, 10, 10, src.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(s.dc, 0, 0, 8, 8, src.dc, INT32_MIN, INT32_MAX, SRCCOPY));
    EXPECT_TRUE(BitBlt(s.dc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, src.dc, INT32_MAX, INT32_MAX, SRCCOPY));
    for (COLORREF c : read_all(s.dc, 8, 8)) ASSERT_EQ(c, 0u);
    // The largest rectangle there is covers everything.
    RECT all = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_TRUE(FillRect(s.dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
    for (COLORREF c : read_all(s.dc, 8, 8)) ASSERT_EQ(c, RGB(255, 255, 255));
    // A huge copy still lands exactly where source and destination overlap.
    PatBlt(src.dc, 7, 7, 1, 1, BLACKNESS);
    EXPECT_TRUE(BitBlt(s.dc, -7, -7, INT32_MAX, INT32_MAX, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(s.dc, 0, 0), 0u);
    EXPECT_EQ(GetPixel(s.dc, 1, 0), RGB(255, 255, 255));
}

TEST(GdiLines, MoveToExReportsThePreviousPositionAndNullPensDrawNothing) {
    MemorySurface s(8, 8);
    POINT previous = {-1, -1};
    MoveToEx(s.dc, 3, 4, NULL);
    MoveToEx(s.dc, 1, 1, &previous);
    EXPECT_EQ(previous.x, 3);
    EXPECT_EQ(previous.y, 4);
    SelectObject(s.dc, GetStockObject(NULL_PEN));
    LineTo(s.dc, 7, 1);
    for (COLORREF c : read_all(s.dc, 8, 8)) EXPECT_EQ(c, 0u);
    MoveToEx(s.dc, 0, 0, &previous);
    EXPECT_EQ(previous.x, 7);  // LineTo moved the position even without drawing
    SelectObject(s.dc, GetStockObject(BLACK_PEN));
}

}  // namespace

namespace {

std::vector<DWORD> bits_of(const MemorySurface& s, int w, int h) {
    std::vector<DWORD> bits(size_t(w) * h);
    GetBitmapBits(s.bitmap, LONG(bits.size() * sizeof(DWORD)), bits.data());
    return bits;
}

void solid_ellipse(HDC dc, const RECT& box, COLORREF pen_colour, COLORREF brush_colour) {
    HPEN pen = CreatePen(PS_SOLID, 1, pen_colour);
    HBRUSH brush = CreateSolidBrush(brush_colour);
    HGDIOBJ old_pen = SelectObject(dc, pen), old_brush = SelectObject(dc, brush);
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

}  // namespace

TEST(GdiEllipse, PixelsDependOnlyOnTheShapeNotOnWhatWasDrawnBefore) {
    // Narrow ellipses are where an implementation could leak earlier shapes'
    // rows; each probe, drawn after random histories on its own DC and on
    // another, must paint what it paints on a fresh start.
    const RECT probes[] = {{10, 4, 13, 13}, {20, 2, 24, 20}, {30, 1, 35, 40}, {40, -5, 43, 30}, {2, 30, 9, 37}};
    uint32_t seed = 99;
    auto rnd = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % uint32_t(n));
    };
    auto history = [&rnd](HDC dc) {
        for (int i = 0; i < 300; i++) {
            const int x = rnd(60) - 10, y = rnd(60) - 10, w = rnd(4) ? rnd(10) : rnd(70), h = rnd(4) ? rnd(45) : rnd(70);
            solid_ellipse(dc, RECT{x, y, x + w, y + h}, RGB(rnd(256), 1, 2), RGB(3, rnd(256), 4));
        }
    };
    for (const RECT& box : probes) {
        MemorySurface fresh(48, 48);
        solid_ellipse(fresh.dc, box, RGB(255, 0, 0), RGB(0, 0, 255));
        const std::vector<DWORD> want = bits_of(fresh, 48, 48);
        for (int round = 0; round < 4; round++) {
            MemorySurface target(48, 48), other(64, 64);
            history(round % 2 ? other.dc : target.dc);
            PatBlt(target.dc, 0, 0, 48, 48, BLACKNESS);
            solid_ellipse(target.dc, box, RGB(255, 0, 0), RGB(0, 0, 255));
            EXPECT_EQ(bits_of(target, 48, 48), want) << "probe " << box.left << "," << box.top << " round " << round;
        }
    }
}

TEST(HostReset, LeavesNoGdiObjectModuleOrVirtualClockBehind) {
    HDC dc = CreateCompatibleDC(NULL);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    SelectObject(dc, pen);
    DeleteObject(pen);  // still selected: deferred
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
    HMODULE module = host_create_module(nullptr, 0);
    host_use_virtual_clock(TRUE);
    host_advance_clock(5000);
    host_reset_process();
    EXPECT_EQ(live_objects(), 0u);
    EXPECT_EQ(GetObjectType(dc), 0u);
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_FALSE(host_free_module(module));
    EXPECT_FALSE(host_advance_clock(1)) << "back on the real clock";
    EXPECT_NE(GetStockObject(BLACK_PEN), nullptr);
}
