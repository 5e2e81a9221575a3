// Window classes and windows: creation and destruction, failure paths, the
// non-client frame, text, window longs, relations, focus and stale handles.
#include <string.h>

#include <string>

#include "test_window_support.h"

using namespace wintest;

namespace {

using Messages = std::vector<UINT>;

class WindowTest : public UserTest {};

// ---- creation and destruction ----

TEST_F(WindowTest, CreationSendsNcCreateThenCreateBeforeReturning) {
    struct {
        bool seen = false;
        int x, y, cx, cy;
        LONG style;
        std::string name, cls;
        BOOL is_window;
        RECT client;
        char title[16];
    } at_create;
    g_answer = [&](HWND w, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m != WM_CREATE) return std::nullopt;
        auto* cs = reinterpret_cast<const CREATESTRUCTA*>(l);
        at_create.seen = true;
        at_create.x = cs->x;
        at_create.y = cs->y;
        at_create.cx = cs->cx;
        at_create.cy = cs->cy;
        at_create.style = cs->style;
        at_create.name = cs->lpszName;
        at_create.cls = cs->lpszClass;
        at_create.is_window = IsWindow(w);
        GetClientRect(w, &at_create.client);
        GetWindowTextA(w, at_create.title, sizeof at_create.title);
        return 0;
    };
    HWND w = CreateWindowExA(0, kClass, "title", WS_OVERLAPPED, CW_USEDEFAULT, 0, 200, 200, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    // The WM_GETTEXT is the handler's own GetWindowTextA.
    EXPECT_EQ(messages_of(w), (Messages{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_GETTEXT}));
    ASSERT_TRUE(at_create.seen);
    // CW_USEDEFAULT places an overlapped window at the work area's corner.
    EXPECT_EQ(at_create.x, 0);
    EXPECT_EQ(at_create.y, 0);
    EXPECT_EQ(at_create.cx, 200);
    EXPECT_EQ(at_create.cy, 200);
    EXPECT_EQ(at_create.style, LONG(WS_OVERLAPPED));
    EXPECT_EQ(at_create.name, "title");
    EXPECT_EQ(at_create.cls, kClass);
    EXPECT_TRUE(at_create.is_window);
    EXPECT_EQ(at_create.client.right, 194);
    EXPECT_EQ(at_create.client.bottom, 175);
    // DefWindowProcA took the title from WM_NCCREATE.
    EXPECT_STREQ(at_create.title, "title");
    EXPECT_FALSE(IsWindowVisible(w));
    // Overlapped windows always get a caption and clip their siblings.
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)), DWORD(WS_CAPTION | WS_CLIPSIBLINGS));
}

TEST_F(WindowTest, FirstShowActivatesFocusesAndSendsTheSizeMessages) {
    HWND w = CreateWindowExA(0, kClass, "t", WS_OVERLAPPED, 10, 20, 200, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    g_seen.clear();
    EXPECT_FALSE(ShowWindow(w, SW_SHOWNORMAL));
    EXPECT_EQ(messages_of(w), (Messages{WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS, WM_SIZE, WM_MOVE}));
    EXPECT_EQ(last_seen(w, WM_SHOWWINDOW)->wparam, WPARAM(TRUE));
    EXPECT_EQ(LOWORD(last_seen(w, WM_ACTIVATE)->wparam), WA_ACTIVE);
    EXPECT_EQ(last_seen(w, WM_SIZE)->lparam, MAKELPARAM(194, 175));
    EXPECT_EQ(last_seen(w, WM_MOVE)->lparam, MAKELPARAM(13, 42));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetActiveWindow(), w);
    EXPECT_EQ(GetFocus(), w);
    // Showing again changes nothing and reports the window was visible.
    g_seen.clear();
    EXPECT_TRUE(ShowWindow(w, SW_SHOW));
    EXPECT_EQ(messages_of(w), Messages{});
    EXPECT_TRUE(ShowWindow(w, SW_HIDE));
    EXPECT_EQ(messages_of(w, {WM_SHOWWINDOW}), Messages{WM_SHOWWINDOW});
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(ShowWindow(w, SW_HIDE));
}

TEST_F(WindowTest, DestroySendsDestroyThenNcDestroyAndNothingAfter) {
    HWND w = popup(10, 10);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetActiveWindow(), w);
    g_seen.clear();
    EXPECT_TRUE(DestroyWindow(w));
    Messages seen = messages_of(w);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[seen.size() - 2], UINT(WM_DESTROY));
    EXPECT_EQ(seen.back(), UINT(WM_NCDESTROY));
    // The active window loses activation and focus first.
    EXPECT_EQ(messages_of(w, {WM_ACTIVATE, WM_KILLFOCUS}), (Messages{WM_ACTIVATE, WM_KILLFOCUS}));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowTest, DestroyGoesDownToChildrenAndOwnedWindows) {
    HWND parent = popup(50, 50);
    HWND first = child(parent, 0, 0, 10, 10, 1);
    HWND second = child(parent, 10, 0, 10, 10, 2);
    HWND grandchild = child(first, 0, 0, 5, 5, 3);
    HWND owned = CreateWindowExA(0, kClass, "owned", WS_POPUP, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent && first && second && grandchild && owned);
    g_seen.clear();
    EXPECT_TRUE(DestroyWindow(parent));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Seen& s : g_seen)
        if (s.message == WM_DESTROY || s.message == WM_NCDESTROY) order.emplace_back(s.window, s.message);
    // Owned windows first; then WM_DESTROY parents first and WM_NCDESTROY children first.
    std::vector<std::pair<HWND, UINT>> expected = {
        {owned, WM_DESTROY},       {owned, WM_NCDESTROY},      {parent, WM_DESTROY},
        {first, WM_DESTROY},       {grandchild, WM_DESTROY},   {second, WM_DESTROY},
        {grandchild, WM_NCDESTROY}, {first, WM_NCDESTROY},     {second, WM_NCDESTROY},
        {parent, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    for (HWND h : {parent, first, second, grandchild, owned}) EXPECT_FALSE(IsWindow(h));
}

TEST_F(WindowTest, DestroyWindowFromWmDestroyIsHarmless) {
    g_answer = [](HWND w, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_DESTROY) {
            EXPECT_TRUE(DestroyWindow(w));
        }
        return std::nullopt;
    };
    HWND w = popup(5, 5, 0);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_EQ(messages_of(w, {WM_DESTROY, WM_NCDESTROY}), (Messages{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowTest, CreationFailsCleanly) {
    DWORD windows_before = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);

    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "no such class", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(CreateWindowExA(0, nullptr, "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    // An icon title cut short after its 0xff names no icon, and nothing past the string is read.
    static const char kShort[] = "\xff";
    HWND icon = CreateWindowExA(0, "Static", kShort, WS_POPUP | SS_ICON, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SendMessageA(icon, STM_GETICON, 0, 0), 0);
    DestroyWindow(icon);

    // WM_CREATE answering -1: the window gets WM_NCDESTROY (no WM_DESTROY) and is gone.
    g_answer = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_CREATE) return -1;
        return std::nullopt;
    };
    EXPECT_EQ(popup(10, 10), nullptr);
    ASSERT_FALSE(g_seen.empty());
    HWND refused = g_seen.front().window;
    EXPECT_EQ(messages_of(refused), (Messages{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(refused));

    // WM_NCCREATE answering FALSE stops even earlier.
    g_seen.clear();
    g_answer = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_NCCREATE) return FALSE;
        return std::nullopt;
    };
    EXPECT_EQ(popup(10, 10), nullptr);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(messages_of(g_seen.front().window), (Messages{WM_NCCREATE, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(g_seen.front().window));
    g_answer = nullptr;

    // A child needs a parent, and the parent must be a window.
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, kClass, "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TLW_WITH_WSCHILD));
    HWND gone = popup(1, 1, 0);
    DestroyWindow(gone);
    SetLastError(0);
    EXPECT_EQ(child(gone, 0, 0, 1, 1), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));

    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), windows_before);
}

// ---- classes ----

TEST_F(WindowTest, ClassRegistrationAndLookup) {
    HICON icon = reinterpret_cast<HICON>(uintptr_t(0x1234));
    HICON small_icon = reinterpret_cast<HICON>(uintptr_t(0x5678));
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = recording_proc;
    wc.cbClsExtra = 8;
    wc.cbWndExtra = 16;
    wc.hIcon = icon;
    wc.hIconSm = small_icon;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(109);
    wc.lpszClassName = "Registered";
    ATOM atom = RegisterClassExA(&wc);
    ASSERT_NE(atom, 0);

    SetLastError(0);
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
    WNDCLASSEXA bad = wc;
    bad.cbSize = sizeof wc - 4;
    bad.lpszClassName = "Other";
    SetLastError(0);
    EXPECT_EQ(RegisterClassExA(&bad), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegisterClassExA(nullptr), 0);

    WNDCLASSEXA info = {};
    EXPECT_EQ(GetClassInfoExA(nullptr, "registered", &info), BOOL(atom));  // names ignore case
    EXPECT_EQ(info.style, UINT(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(info.cbWndExtra, 16);
    EXPECT_EQ(info.lpszMenuName, MAKEINTRESOURCEA(109));
    EXPECT_FALSE(GetClassInfoExA(nullptr, "Unregistered", &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));

    HWND w = CreateWindowExA(0, MAKEINTRESOURCEA(atom), "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetClassLongPtrA(w, GCLP_HICON), reinterpret_cast<ULONG_PTR>(icon));
    EXPECT_EQ(GetClassLongPtrA(w, GCLP_HICONSM), reinterpret_cast<ULONG_PTR>(small_icon));
    EXPECT_EQ(GetClassLongPtrA(w, GCLP_MENUNAME), ULONG_PTR(109));
    EXPECT_EQ(GetClassLongPtrA(w, GCLP_HBRBACKGROUND), ULONG_PTR(COLOR_WINDOW + 1));
    EXPECT_EQ(GetClassLongPtrA(w, GCLP_WNDPROC), reinterpret_cast<ULONG_PTR>(recording_proc));
    EXPECT_EQ(GetClassLongPtrA(w, GCL_STYLE), ULONG_PTR(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(GetClassLongPtrA(w, GCW_ATOM), ULONG_PTR(atom));
    EXPECT_EQ(GetClassLongPtrA(w, 0), 0u);  // class extra bytes start zeroed
    SetLastError(0);
    EXPECT_EQ(GetClassLongPtrA(w, 8), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
    SetLastError(0);
    EXPECT_EQ(GetClassLongPtrA(w, -1000), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));

    char name[32];
    EXPECT_EQ(GetClassNameA(w, name, sizeof name), 10);
    EXPECT_STREQ(name, "Registered");
    EXPECT_EQ(GetClassNameA(w, name, 4), 3);
    EXPECT_STREQ(name, "Reg");
    EXPECT_EQ(GetClassNameA(w, name, 0), 0);

    // A class with windows stays.
    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("Registered", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA("Registered", nullptr));
    EXPECT_FALSE(UnregisterClassA("Registered", nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
    // The name keeps its atom.
    EXPECT_EQ(RegisterClassExA(&wc), atom);
}

TEST_F(WindowTest, MenuNameStringIsKeptAsACopy) {
    char menu[] = "MainMenu";
    ASSERT_NE(register_class("WithMenuName", nullptr, menu), 0);
    strcpy(menu, "Changed!");
    HWND w = popup(1, 1, 0, "WithMenuName");
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(GetClassLongPtrA(w, GCLP_MENUNAME)), "MainMenu");
}

// ---- the non-client frame ----

TEST_F(WindowTest, OverlappedWindowWithClassMenuHasTheClientAreaOfThePlatform) {
    ASSERT_NE(register_class("WithMenu", nullptr, MAKEINTRESOURCEA(109)), 0);
    HWND w = CreateWindowExA(0, "WithMenu", "", WS_OVERLAPPED, CW_USEDEFAULT, 0, 200, 200, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(w, nullptr);
    RECT r;
    ASSERT_TRUE(GetWindowRect(w, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 200);
    ASSERT_TRUE(GetClientRect(w, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 194);
    EXPECT_EQ(r.bottom, 156);
    POINT origin = {0, 0};
    ASSERT_TRUE(ClientToScreen(w, &origin));
    EXPECT_EQ(origin.x, 3);
    EXPECT_EQ(origin.y, 41);
    int width, height;
    ASSERT_NE(host_window_pixels(w, &width, &height), nullptr);
    EXPECT_EQ(width, 194);
    EXPECT_EQ(height, 156);

    // The same frame from the metrics and from AdjustWindowRectEx.
    EXPECT_EQ(GetSystemMetrics(SM_CXFIXEDFRAME), 3);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
    EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 19);
    RECT client = {0, 0, 194, 156};
    ASSERT_TRUE(AdjustWindowRectEx(&client, DWORD(GetWindowLongA(w, GWL_STYLE)), TRUE, 0));
    EXPECT_EQ(client.left, -3);
    EXPECT_EQ(client.top, -41);
    EXPECT_EQ(client.right, 197);
    EXPECT_EQ(client.bottom, 159);
}

TEST_F(WindowTest, FrameSizesFollowTheStyles) {
    struct Case {
        DWORD style;
        DWORD ex_style;
        BOOL menu;
        RECT expected;  // AdjustWindowRectEx of {0, 0, 100, 50}
    } cases[] = {
        {0, 0, FALSE, {0, 0, 100, 50}},
        {WS_BORDER, 0, FALSE, {-1, -1, 101, 51}},
        {WS_CAPTION, 0, FALSE, {-3, -22, 103, 53}},
        {WS_CAPTION, 0, TRUE, {-3, -41, 103, 53}},
        {WS_OVERLAPPEDWINDOW, 0, FALSE, {-4, -23, 104, 54}},
        {WS_THICKFRAME, 0, FALSE, {-3, -3, 103, 53}},
        {WS_CAPTION, WS_EX_TOOLWINDOW, FALSE, {-3, -19, 103, 53}},
        {WS_CAPTION, WS_EX_CLIENTEDGE, FALSE, {-5, -24, 105, 55}},
        {WS_POPUP, WS_EX_DLGMODALFRAME, FALSE, {-3, -3, 103, 53}},
    };
    ASSERT_NE(register_class("FrameMenu", nullptr, MAKEINTRESOURCEA(109)), 0);
    for (const Case& c : cases) {
        RECT r = {0, 0, 100, 50};
        ASSERT_TRUE(AdjustWindowRectEx(&r, c.style, c.menu, c.ex_style));
        EXPECT_EQ(r.left, c.expected.left) << std::hex << c.style;
        EXPECT_EQ(r.top, c.expected.top) << std::hex << c.style;
        EXPECT_EQ(r.right, c.expected.right) << std::hex << c.style;
        EXPECT_EQ(r.bottom, c.expected.bottom) << std::hex << c.style;
        // A popup of that window size gets exactly the client size back.
        HWND w = CreateWindowExA(c.ex_style, c.menu ? "FrameMenu" : kClass, "", WS_POPUP | c.style, 0, 0,
                                 r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(w, nullptr);
        RECT client;
        GetClientRect(w, &client);
        EXPECT_EQ(client.right, 100) << std::hex << c.style;
        EXPECT_EQ(client.bottom, 50) << std::hex << c.style;
        DestroyWindow(w);
    }
    EXPECT_FALSE(AdjustWindowRectEx(nullptr, 0, FALSE, 0));
    EXPECT_EQ(GetSystemMetrics(SM_CXBORDER), 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), 4);
    EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 200);
    EXPECT_EQ(GetSystemMetrics(-1), 0);
    EXPECT_EQ(GetSystemMetrics(100000), 0);
}

TEST_F(WindowTest, ChildRectanglesAreRelativeToTheParentClientArea) {
    HWND parent = CreateWindowExA(0, kClass, "", WS_CAPTION | WS_POPUP, 100, 50, 200, 150, nullptr, nullptr, nullptr,
                                  nullptr);
    HWND c = CreateWindowExA(0, kClass, "", WS_CHILD | WS_BORDER, 10, 20, 30, 40, parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent && c);
    RECT r;
    GetWindowRect(c, &r);
    // Parent client origin: (100 + 3, 50 + 22).
    EXPECT_EQ(r.left, 113);
    EXPECT_EQ(r.top, 92);
    EXPECT_EQ(r.right, 143);
    EXPECT_EQ(r.bottom, 132);
    GetClientRect(c, &r);
    EXPECT_EQ(r.right, 28);
    EXPECT_EQ(r.bottom, 38);
    POINT p = {0, 0};
    ClientToScreen(c, &p);
    EXPECT_EQ(p.x, 114);
    EXPECT_EQ(p.y, 93);
    ScreenToClient(c, &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);

    g_seen.clear();
    EXPECT_TRUE(MoveWindow(c, 0, 0, 12, 12, FALSE));
    EXPECT_EQ(messages_of(c, {WM_MOVE, WM_SIZE}), (Messages{WM_MOVE, WM_SIZE}));
    EXPECT_EQ(last_seen(c, WM_SIZE)->lparam, MAKELPARAM(10, 10));
    EXPECT_EQ(last_seen(c, WM_MOVE)->lparam, MAKELPARAM(1, 1));
    int width, height;
    host_window_pixels(c, &width, &height);
    EXPECT_EQ(width, 10);
    EXPECT_EQ(height, 10);
}

TEST_F(WindowTest, ExtremeCoordinatesWrapOrClampInsteadOfOverflowing) {
    // Rectangle arithmetic wraps around like the platform's 32-bit integers.
    RECT r = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    ASSERT_TRUE(AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, TRUE, WS_EX_CLIENTEDGE));
    EXPECT_EQ(r.left, INT32_MAX - 5);
    EXPECT_EQ(r.top, INT32_MAX - 43);
    EXPECT_EQ(r.right, INT32_MIN + 5);
    EXPECT_EQ(r.bottom, INT32_MIN + 5);
    r = RECT{INT32_MAX, INT32_MIN, 0, 0};
    OffsetRect(&r, 1, -1);
    EXPECT_EQ(r.left, INT32_MIN);
    EXPECT_EQ(r.top, INT32_MAX);
    InflateRect(&r, INT32_MIN, 1);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, INT32_MIN + 1);

    // Windows far out or huge still work; their surfaces stay bounded.
    HWND w = CreateWindowExA(0, kClass, "", WS_POPUP | WS_CAPTION, INT32_MAX - 1, INT32_MIN + 1, INT32_MAX, INT32_MAX,
                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    HWND c = child(w, INT32_MAX, INT32_MIN, 10, INT32_MAX);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(MoveWindow(w, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, TRUE));
    EXPECT_TRUE(GetWindowRect(c, &r));
    POINT p = {INT32_MAX, INT32_MIN};
    EXPECT_TRUE(ClientToScreen(c, &p));
    EXPECT_TRUE(ScreenToClient(c, &p));
    EXPECT_EQ(p.x, INT32_MAX);
    EXPECT_EQ(p.y, INT32_MIN);
    int width = 0, height = 0;
    ASSERT_NE(host_window_pixels(w, &width, &height), nullptr);
    EXPECT_LE(width, 4096);
    EXPECT_LE(height, 4096);
    EXPECT_TRUE(InvalidateRect(w, &r, TRUE));
    EXPECT_TRUE(UpdateWindow(w));
}

// ---- text and window longs ----

TEST_F(WindowTest, WindowTextGoesThroughTheWindowProcedure) {
    HWND w = popup(1, 1, 0);
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(GetWindowTextA(w, buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "popup");
    EXPECT_EQ(GetWindowTextLengthA(w), 5);
    g_seen.clear();
    EXPECT_TRUE(SetWindowTextA(w, "a longer title"));
    EXPECT_EQ(messages_of(w), Messages{WM_SETTEXT});
    EXPECT_EQ(GetWindowTextA(w, buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "a longe");
    EXPECT_EQ(GetWindowTextLengthA(w), 14);
    EXPECT_EQ(GetWindowTextA(w, buffer, 0), 0);
    EXPECT_TRUE(SetWindowTextA(w, nullptr));
    EXPECT_EQ(GetWindowTextLengthA(w), 0);
    // UTF-8 is this platform's ANSI code page; bytes pass unchanged.
    const char* japanese = "\xe3\x83\x9d\xe3\x83\x95";
    SetWindowTextA(w, japanese);
    char wide[16];
    EXPECT_EQ(GetWindowTextA(w, wide, sizeof wide), 6);
    EXPECT_STREQ(wide, japanese);

    // A window that handles WM_NCCREATE itself gets no title.
    g_answer = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_NCCREATE) return TRUE;
        return std::nullopt;
    };
    HWND untitled = popup(1, 1, 0);
    ASSERT_NE(untitled, nullptr);
    EXPECT_EQ(GetWindowTextLengthA(untitled), 0);
}

TEST_F(WindowTest, WindowLongsAndExtraBytes) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recording_proc;
    wc.cbWndExtra = 12;
    wc.lpszClassName = "Extra";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    HWND w = popup(1, 1, 0, "Extra");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(w, 0), 0);
    EXPECT_EQ(SetWindowLongPtrA(w, 4, 0x1122334455667788), 0);
    EXPECT_EQ(GetWindowLongPtrA(w, 4), 0x1122334455667788);
    EXPECT_EQ(GetWindowLongA(w, 8), LONG(0x11223344));
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(w, 5), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
    EXPECT_EQ(SetWindowLongPtrA(w, 12, 1), 0);
    EXPECT_EQ(GetWindowLongA(w, 9), 0);
    EXPECT_EQ(GetWindowLongPtrA(w, -1000), 0);

    EXPECT_EQ(SetWindowLongPtrA(w, GWLP_USERDATA, 42), 0);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 42);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(recording_proc));

    // Subclassing: the new procedure gets the messages.
    static int subclass_calls;
    subclass_calls = 0;
    WNDPROC sub = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        ++subclass_calls;
        return m == WM_USER ? 7 : DefWindowProcA(h, m, wp, lp);
    };
    EXPECT_EQ(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sub)),
              reinterpret_cast<LONG_PTR>(recording_proc));
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 7);
    EXPECT_EQ(subclass_calls, 1);
    EXPECT_EQ(CallWindowProcA(recording_proc, w, WM_USER + 1, 0, 0), 0);
    EXPECT_EQ(CallWindowProcA(nullptr, w, WM_USER, 0, 0), 0);

    HWND c = child(w, 0, 0, 1, 1, 77);
    EXPECT_EQ(GetWindowLongPtrA(c, GWLP_ID), 77);
    EXPECT_EQ(GetDlgCtrlID(c), 77);
    EXPECT_EQ(GetDlgItem(w, 77), c);
    SetLastError(0);
    EXPECT_EQ(GetDlgItem(w, 78), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(c, GWLP_HWNDPARENT), reinterpret_cast<LONG_PTR>(w));
    EXPECT_EQ(DWORD(GetWindowLongA(c, GWL_STYLE)), DWORD(WS_CHILD | WS_VISIBLE));
}

// ---- relations, enabling and focus ----

TEST_F(WindowTest, ParentsOwnersAndSiblings) {
    HWND main = CreateWindowExA(0, kClass, "Main", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND popup_owned = CreateWindowExA(0, kClass, "Popup", WS_POPUP, 0, 0, 10, 10, main, nullptr, nullptr, nullptr);
    HWND overlapped_owned =
        CreateWindowExA(0, kClass, "Owned", WS_OVERLAPPED, 0, 0, 10, 10, main, nullptr, nullptr, nullptr);
    HWND c1 = child(main, 0, 0, 5, 5, 1);
    HWND c2 = child(main, 5, 0, 5, 5, 2);
    HWND inner = child(c1, 0, 0, 2, 2, 3);
    // A window given as parent to a top-level window owns it through its top-level ancestor.
    HWND via_child = CreateWindowExA(0, kClass, "ViaChild", WS_POPUP, 0, 0, 10, 10, inner, nullptr, nullptr, nullptr);
    ASSERT_TRUE(main && popup_owned && overlapped_owned && c1 && c2 && inner && via_child);

    EXPECT_EQ(GetParent(c1), main);
    EXPECT_EQ(GetParent(inner), c1);
    EXPECT_EQ(GetParent(popup_owned), main);  // a popup's parent is its owner
    EXPECT_EQ(GetParent(overlapped_owned), nullptr);
    EXPECT_EQ(GetParent(main), nullptr);
    EXPECT_EQ(GetWindow(overlapped_owned, GW_OWNER), main);
    EXPECT_EQ(GetWindow(via_child, GW_OWNER), main);
    EXPECT_EQ(GetWindow(c1, GW_OWNER), nullptr);
    EXPECT_EQ(GetWindow(main, GW_CHILD), c1);
    EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
    EXPECT_EQ(GetWindow(c2, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(c2, GW_HWNDPREV), c1);
    EXPECT_EQ(GetWindow(c2, GW_HWNDFIRST), c1);
    EXPECT_EQ(GetWindow(inner, GW_CHILD), nullptr);

    EXPECT_EQ(FindWindowA(kClass, "main"), main);
    EXPECT_EQ(FindWindowA(nullptr, "Owned"), overlapped_owned);
    EXPECT_EQ(FindWindowA(kClass, "child"), nullptr);  // children are not searched
    EXPECT_EQ(FindWindowA(kClass, "nobody"), nullptr);
    EXPECT_EQ(FindWindowA("no class", nullptr), nullptr);
}

TEST_F(WindowTest, EnablingAndFocus) {
    HWND top = popup(50, 50);
    HWND a = child(top, 0, 0, 5, 5, 1);
    HWND b = child(top, 5, 0, 5, 5, 2);
    ASSERT_TRUE(top && a && b);
    EXPECT_EQ(GetFocus(), top);

    g_seen.clear();
    EXPECT_EQ(SetFocus(a), top);
    EXPECT_EQ(messages_of(top, {WM_KILLFOCUS}), Messages{WM_KILLFOCUS});
    EXPECT_EQ(messages_of(a, {WM_SETFOCUS}), Messages{WM_SETFOCUS});
    EXPECT_EQ(last_seen(a, WM_SETFOCUS)->wparam, reinterpret_cast<WPARAM>(top));
    EXPECT_EQ(GetFocus(), a);

    // Disabling the focus window drops the focus.
    g_seen.clear();
    EXPECT_FALSE(EnableWindow(a, FALSE));
    EXPECT_EQ(messages_of(a), (Messages{WM_KILLFOCUS, WM_ENABLE}));
    EXPECT_EQ(last_seen(a, WM_ENABLE)->wparam, WPARAM(FALSE));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(a));
    EXPECT_TRUE(EnableWindow(a, FALSE));  // it was disabled already
    EXPECT_EQ(SetFocus(a), nullptr);      // disabled windows take no focus
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_TRUE(EnableWindow(a, TRUE));
    EXPECT_TRUE(IsWindowEnabled(a));
    EXPECT_EQ(SetFocus(b), nullptr);
    EXPECT_EQ(GetFocus(), b);
    EXPECT_EQ(SetFocus(nullptr), b);
    EXPECT_EQ(GetFocus(), nullptr);

    // Destroying the active window activates its owner.
    HWND owned = CreateWindowExA(0, kClass, "", WS_POPUP | WS_VISIBLE, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetActiveWindow(), owned);
    DestroyWindow(owned);
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(GetFocus(), top);
}

// ---- stale and foreign handles ----

TEST_F(WindowTest, StaleAndForeignHandlesFailWithoutHarm) {
    HWND dead = popup(10, 10);
    ASSERT_NE(dead, nullptr);
    ASSERT_TRUE(DestroyWindow(dead));
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HWND handles[] = {dead, reinterpret_cast<HWND>(uintptr_t(0x12345678)), reinterpret_cast<HWND>(brush),
                      reinterpret_cast<HWND>(uintptr_t(0xffffffff12345678ull))};
    for (HWND h : handles) {
        RECT r = {1, 2, 3, 4};
        POINT p = {5, 6};
        char text[8] = "keep";
        MSG msg = {h, WM_USER, 0, 0, 0, {0, 0}};
        PAINTSTRUCT ps;
        SetLastError(0);
        EXPECT_FALSE(IsWindow(h));
        EXPECT_EQ(GetLastError(), 0u);  // IsWindow only answers
        EXPECT_FALSE(GetClientRect(h, &r));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_EQ(r.left, 1);
        EXPECT_FALSE(GetWindowRect(h, &r));
        EXPECT_FALSE(ClientToScreen(h, &p));
        EXPECT_EQ(p.x, 5);
        EXPECT_FALSE(DestroyWindow(h));
        EXPECT_FALSE(ShowWindow(h, SW_SHOW));
        EXPECT_FALSE(UpdateWindow(h));
        EXPECT_FALSE(MoveWindow(h, 0, 0, 1, 1, TRUE));
        EXPECT_FALSE(IsWindowVisible(h));
        EXPECT_FALSE(IsWindowEnabled(h));
        EXPECT_FALSE(EnableWindow(h, TRUE));
        EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 0);
        SetLastError(0);
        EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_EQ(DispatchMessageA(&msg), 0);
        EXPECT_EQ(DefWindowProcA(h, WM_CLOSE, 0, 0), 0);
        EXPECT_EQ(SetTimer(h, 1, 100, nullptr), 0u);
        EXPECT_FALSE(KillTimer(h, 1));
        EXPECT_FALSE(InvalidateRect(h, nullptr, TRUE));
        EXPECT_FALSE(ValidateRect(h, nullptr));
        EXPECT_FALSE(GetUpdateRect(h, &r, FALSE));
        EXPECT_EQ(BeginPaint(h, &ps), nullptr);
        EXPECT_EQ(GetDC(h), nullptr);
        EXPECT_EQ(GetWindowTextA(h, text, sizeof text), 0);
        EXPECT_STREQ(text, "");
        EXPECT_EQ(GetWindowTextLengthA(h), 0);
        EXPECT_FALSE(SetWindowTextA(h, "x"));
        EXPECT_EQ(GetClassNameA(h, text, sizeof text), 0);
        EXPECT_EQ(GetWindowLongPtrA(h, GWL_STYLE), 0);
        EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 1), 0);
        EXPECT_EQ(GetClassLongPtrA(h, GCLP_HICON), 0u);
        EXPECT_EQ(GetParent(h), nullptr);
        EXPECT_EQ(GetWindow(h, GW_OWNER), nullptr);
        EXPECT_EQ(GetDlgItem(h, 1), nullptr);
        EXPECT_EQ(GetDlgCtrlID(h), 0);
        EXPECT_EQ(SetFocus(h), nullptr);
        EXPECT_EQ(host_window_pixels(h, nullptr, nullptr), nullptr);
        EXPECT_EQ(host_window_pixel(h, 0, 0), CLR_INVALID);
        MSG out;
        EXPECT_EQ(GetMessageA(&out, h, 0, 0), -1);
        EXPECT_FALSE(PeekMessageA(&out, h, 0, 0, PM_REMOVE));
    }
    // The brush is untouched by all that.
    EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH));
    DeleteObject(brush);
    // A new window never answers to an old handle.
    HWND fresh = popup(10, 10);
    EXPECT_NE(fresh, dead);
    EXPECT_FALSE(IsWindow(dead));
}

}  // namespace
