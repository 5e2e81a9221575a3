// Painting on small window surfaces, every pixel checked: update regions,
// WM_PAINT clipping, WM_ERASEBKGND with the class brush, window DCs,
// FillRect and the system colours.
#include <functional>

#include "test_window_support.h"

using namespace wintest;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kButtonFace = RGB(212, 208, 200);

DWORD gdi_objects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

bool inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Checks every pixel of the window's surface against `expected(x, y)`.
void expect_pixels(HWND w, const std::function<COLORREF(int, int)>& expected) {
    int width = 0, height = 0;
    ASSERT_NE(host_window_pixels(w, &width, &height), nullptr);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(host_window_pixel(w, x, y), expected(x, y)) << "at (" << x << ", " << y << ")";
}

class PaintTest : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        ASSERT_NE(register_class("Black", static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
        ASSERT_NE(register_class("Face", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)), 0);
        ASSERT_NE(register_class("Bare", nullptr), 0);
        red = CreateSolidBrush(kRed);
        // The first memory DC of the process makes GDI's shared default
        // bitmap; make it before any test counts objects.
        DeleteDC(CreateCompatibleDC(nullptr));
    }
    void TearDown() override {
        UserTest::TearDown();
        DeleteObject(red);
    }

    // A WM_PAINT handler that records the PAINTSTRUCT and fills the whole
    // client area red (or paints nothing).
    void paint_red(bool draw = true) {
        g_answer = [this, draw](HWND w, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m != WM_PAINT) return std::nullopt;
            HDC dc = BeginPaint(w, &last_paint);
            if (draw) {
                RECT all;
                GetClientRect(w, &all);
                FillRect(dc, &all, red);
            }
            EndPaint(w, &last_paint);
            ++paints;
            return 0;
        };
    }

    HBRUSH red = nullptr;
    PAINTSTRUCT last_paint = {};
    int paints = 0;
};

TEST_F(PaintTest, PaintingIsClippedToTheUpdateRegion) {
    HWND w = popup(8, 6, WS_VISIBLE, "Black");
    ASSERT_NE(w, nullptr);
    // The first paint erases everything with the class brush.
    EXPECT_TRUE(UpdateWindow(w));
    expect_pixels(w, [](int, int) { return kBlack; });

    paint_red();
    RECT part = {2, 1, 5, 4};
    EXPECT_TRUE(InvalidateRect(w, &part, FALSE));
    g_seen.clear();
    pump();
    EXPECT_EQ(paints, 1);
    EXPECT_TRUE(EqualRect(&last_paint.rcPaint, &part));
    EXPECT_FALSE(last_paint.fErase);
    EXPECT_TRUE(messages_of(w, {WM_ERASEBKGND}).empty());
    expect_pixels(w, [&](int x, int y) { return inside(part, x, y) ? kRed : kBlack; });
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
}

TEST_F(PaintTest, SeveralInvalidationsPaintTheirBoundingBox) {
    HWND w = popup(8, 6, WS_VISIBLE, "Black");
    UpdateWindow(w);
    paint_red();
    RECT a = {1, 1, 2, 2}, b = {4, 3, 6, 5};
    InvalidateRect(w, &a, FALSE);
    InvalidateRect(w, &b, FALSE);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(w, &update, FALSE));
    RECT box = {1, 1, 6, 5};
    EXPECT_TRUE(EqualRect(&update, &box));
    pump();
    EXPECT_EQ(paints, 1);
    expect_pixels(w, [&](int x, int y) { return inside(box, x, y) ? kRed : kBlack; });
    // Parts outside the client area are dropped.
    RECT outside = {8, 0, 20, 6};
    InvalidateRect(w, &outside, TRUE);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
}

TEST_F(PaintTest, EraseFillsTheUpdateRegionWithTheClassBrush) {
    HWND w = popup(6, 4, WS_VISIBLE, "Face");
    paint_red(false);
    UpdateWindow(w);
    EXPECT_FALSE(last_paint.fErase);  // DefWindowProcA erased
    expect_pixels(w, [](int, int) { return kButtonFace; });

    HDC dc = GetDC(w);
    RECT all = {0, 0, 6, 4};
    FillRect(dc, &all, red);
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    RECT part = {1, 1, 3, 3};
    InvalidateRect(w, &part, TRUE);
    g_seen.clear();
    UpdateWindow(w);
    // BeginPaint sends WM_ERASEBKGND (with the paint DC) before it returns.
    EXPECT_EQ(messages_of(w), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    expect_pixels(w, [&](int x, int y) { return inside(part, x, y) ? kButtonFace : kRed; });

    // A brush handle works as well as a system colour.
    HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recording_proc;
    wc.hbrBackground = green;
    wc.lpszClassName = "Green";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND g = popup(3, 2, WS_VISIBLE, "Green");
    UpdateWindow(g);
    expect_pixels(g, [](int, int) { return RGB(0, 128, 0); });
    DestroyWindow(g);
    DeleteObject(green);
}

TEST_F(PaintTest, AnEraseLeftUndoneIsReportedToThePaintHandler) {
    // Without a class brush DefWindowProcA cannot erase.
    HWND bare = popup(3, 3, WS_VISIBLE, "Bare");
    paint_red(false);
    UpdateWindow(bare);
    EXPECT_TRUE(last_paint.fErase);
    expect_pixels(bare, [](int, int) { return kWhite; });  // untouched fresh surface

    // Nor when the window answers WM_ERASEBKGND with 0 itself.
    HWND w = popup(3, 3, WS_VISIBLE, "Face");
    auto painter = g_answer;
    g_answer = [painter](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_ERASEBKGND) return 0;
        return painter(h, m, wp, lp);
    };
    UpdateWindow(w);
    EXPECT_TRUE(last_paint.fErase);
    expect_pixels(w, [](int, int) { return kWhite; });
}

TEST_F(PaintTest, UpdateRegionBookkeeping) {
    HWND w = popup(10, 10, WS_VISIBLE, "Face");
    RECT r;
    ASSERT_TRUE(GetUpdateRect(w, &r, FALSE));  // ShowWindow invalidated everything
    RECT all = {0, 0, 10, 10};
    EXPECT_TRUE(EqualRect(&r, &all));
    // Validating a band at an edge shrinks the box; a hole inside cannot.
    RECT band = {0, 0, 10, 4};
    ValidateRect(w, &band);
    GetUpdateRect(w, &r, FALSE);
    RECT rest = {0, 4, 10, 10};
    EXPECT_TRUE(EqualRect(&r, &rest));
    RECT hole = {3, 5, 4, 6};
    ValidateRect(w, &hole);
    GetUpdateRect(w, &r, FALSE);
    EXPECT_TRUE(EqualRect(&r, &rest));

    // GetUpdateRect with erase sends the owed WM_ERASEBKGND now, once.
    g_seen.clear();
    EXPECT_TRUE(GetUpdateRect(w, &r, TRUE));
    EXPECT_EQ(messages_of(w), std::vector<UINT>{WM_ERASEBKGND});
    expect_pixels(w, [&](int x, int y) { return inside(rest, x, y) ? kButtonFace : kWhite; });
    g_seen.clear();
    UpdateWindow(w);
    EXPECT_EQ(messages_of(w), std::vector<UINT>{WM_PAINT});

    ValidateRect(w, nullptr);
    EXPECT_FALSE(GetUpdateRect(w, &r, FALSE));
    EXPECT_TRUE(IsRectEmpty(&r));
    // Nothing to paint: UpdateWindow sends nothing.
    g_seen.clear();
    EXPECT_TRUE(UpdateWindow(w));
    EXPECT_TRUE(g_seen.empty());

    // A hidden window collects no update region; showing it invalidates all.
    ShowWindow(w, SW_HIDE);
    InvalidateRect(w, nullptr, FALSE);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
    ShowWindow(w, SW_SHOW);
    ASSERT_TRUE(GetUpdateRect(w, &r, FALSE));
    EXPECT_TRUE(EqualRect(&r, &all));
}

TEST_F(PaintTest, ChildrenRepaintWithTheirParentUnlessClipped) {
    HWND parent = popup(20, 20, WS_VISIBLE, "Face");
    HWND c = child(parent, 5, 5, 10, 10);
    ValidateRect(parent, nullptr);
    ValidateRect(c, nullptr);
    RECT corner = {0, 0, 8, 8};
    InvalidateRect(parent, &corner, FALSE);
    RECT r;
    ASSERT_TRUE(GetUpdateRect(c, &r, FALSE));
    RECT expected = {0, 0, 3, 3};
    EXPECT_TRUE(EqualRect(&r, &expected));
    g_seen.clear();
    UpdateWindow(parent);
    EXPECT_EQ(messages_of(parent, {WM_PAINT}).size(), 1u);
    EXPECT_EQ(messages_of(c, {WM_PAINT}).size(), 1u);

    SetWindowLongPtrA(parent, GWL_STYLE, GetWindowLongPtrA(parent, GWL_STYLE) | WS_CLIPCHILDREN);
    InvalidateRect(parent, &corner, FALSE);
    EXPECT_FALSE(GetUpdateRect(c, nullptr, FALSE));
}

TEST_F(PaintTest, WindowDCsDrawOnTheClientAreaAndEndWithTheWindow) {
    DWORD objects = gdi_objects();
    HWND w = popup(4, 3, WS_VISIBLE, "Black");
    UpdateWindow(w);
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_DC));
    EXPECT_TRUE(PatBlt(dc, 1, 1, 10, 10, WHITENESS));  // clipped to the surface
    EXPECT_EQ(ReleaseDC(w, dc), 1);
    EXPECT_EQ(ReleaseDC(w, dc), 0);
    expect_pixels(w, [](int x, int y) { return x >= 1 && y >= 1 ? kWhite : kBlack; });
    EXPECT_EQ(gdi_objects(), objects);

    // A DC still out when its window dies goes with it.
    dc = GetDC(w);
    DestroyWindow(w);
    EXPECT_EQ(GetObjectType(dc), 0u);
    EXPECT_FALSE(PatBlt(dc, 0, 0, 1, 1, BLACKNESS));
    EXPECT_EQ(ReleaseDC(w, dc), 0);
    EXPECT_EQ(gdi_objects(), objects);

    // The screen DC has no pixels but serves as a reference DC.
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    EXPECT_NE(memory, nullptr);
    DeleteDC(memory);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
    EXPECT_EQ(ReleaseDC(nullptr, nullptr), 0);
    EXPECT_EQ(gdi_objects(), objects);
}

TEST_F(PaintTest, FillRectAndSystemColours) {
    DWORD objects = gdi_objects();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 3);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT left = {0, 0, 2, 3}, right = {2, 1, 4, 3};
    EXPECT_NE(FillRect(dc, &left, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)), 0);
    EXPECT_NE(FillRect(dc, &right, red), 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(GetPixel(dc, x, y), x < 2 ? kButtonFace : (y >= 1 ? kRed : kBlack)) << x << "," << y;
    // The selected brush is back in place afterwards.
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));

    EXPECT_EQ(FillRect(dc, nullptr, red), 0);
    EXPECT_EQ(FillRect(dc, &left, nullptr), 0);
    EXPECT_EQ(FillRect(dc, &left, reinterpret_cast<HBRUSH>(uintptr_t(0x12345678))), 0);
    EXPECT_EQ(FillRect(nullptr, &left, red), 0);
    EXPECT_EQ(FillRect(nullptr, &left, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)), 0);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EXPECT_EQ(gdi_objects(), objects);

    EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), kButtonFace);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), kBlack);
    EXPECT_EQ(GetSysColor(-1), 0u);
    EXPECT_EQ(GetSysColor(31), 0u);
    HBRUSH window_brush = GetSysColorBrush(COLOR_WINDOW);
    ASSERT_NE(window_brush, nullptr);
    EXPECT_EQ(GetSysColorBrush(COLOR_WINDOW), window_brush);
    LOGBRUSH lb;
    ASSERT_EQ(GetObjectA(window_brush, sizeof lb, &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbColor, kWhite);
    // System brushes survive DeleteObject.
    EXPECT_TRUE(DeleteObject(window_brush));
    EXPECT_EQ(GetObjectType(window_brush), DWORD(OBJ_BRUSH));
    EXPECT_EQ(GetSysColorBrush(31), nullptr);
    EXPECT_EQ(GetSysColorBrush(-1), nullptr);
}

TEST_F(PaintTest, BeginPaintWithNothingToPaintDrawsNothing) {
    HWND w = popup(3, 3, WS_VISIBLE, "Black");
    UpdateWindow(w);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(IsRectEmpty(&ps.rcPaint));
    RECT all = {0, 0, 3, 3};
    FillRect(dc, &all, red);
    EXPECT_TRUE(EndPaint(w, &ps));
    expect_pixels(w, [](int, int) { return kBlack; });
    EXPECT_EQ(BeginPaint(w, nullptr), nullptr);
    EXPECT_FALSE(EndPaint(w, nullptr));
}

}  // namespace
