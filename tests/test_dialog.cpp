// Menus of windows, accelerators and dialog boxes, driven by the program's
// own resources (menu and accelerators 109, About box 103) on the virtual
// clock. Dialog geometry is what Wine gives the same template.
#include <functional>
#include <string>

#include "test_window_support.h"

using namespace wintest;

namespace {

constexpr int kMenu = 109;
constexpr int kAbout = 103;
constexpr WORD kCmdAbout = 104;

// Dialogs come from the program's module: their icon control loads the icon
// from the dialog's instance (a null one would mean the system's icons).

INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

class DialogTest : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        ASSERT_NE(register_class("Main", reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), MAKEINTRESOURCEA(kMenu)), 0);
        main = CreateWindowExA(0, "Main", "main", WS_OVERLAPPED, CW_USEDEFAULT, 0, 200, 200, nullptr, nullptr,
                               nullptr, nullptr);
        ASSERT_NE(main, nullptr);
        ShowWindow(main, SW_SHOWNORMAL);
        UpdateWindow(main);
    }

    // The About box, modal over the main window; `during` runs while it is up.
    INT_PTR about_box(std::function<void()> during, DLGPROC proc = about_proc) {
        g_during = std::move(during);
        SetTimer(nullptr, 0, 350, run_during);
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), main, proc, 0);
    }

    int main_timer_ticks() { return int(messages_of(main, {WM_TIMER}).size()); }

    HWND main = nullptr;
};

RECT rect_in(HWND window, HWND relative_to) {
    RECT r;
    GetWindowRect(window, &r);
    POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    ScreenToClient(relative_to, &corners[0]);
    ScreenToClient(relative_to, &corners[1]);
    return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

void expect_rect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

std::string text_of(HWND window) {
    char buffer[128];
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

// ---- menus and accelerators ----

TEST_F(DialogTest, TheClassMenuBecomesTheWindowMenuAndGoesWithIt) {
    HMENU menu = GetMenu(main);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(GetWindowLongPtrA(main, GWLP_ID), reinterpret_cast<LONG_PTR>(menu));
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.bottom, 156);
    HWND c = child(main, 0, 0, 5, 5, 1);
    EXPECT_EQ(GetMenu(c), nullptr);
    DestroyWindow(main);
    EXPECT_EQ(GetMenu(main), nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), -1);  // destroyed with its window

    // A class menu that does not load leaves the window without a menu bar.
    ASSERT_NE(register_class("NoMenu", nullptr, MAKEINTRESOURCEA(999)), 0);
    HWND plain = CreateWindowExA(0, "NoMenu", "", WS_OVERLAPPED, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(GetMenu(plain), nullptr);
    GetClientRect(plain, &client);
    EXPECT_EQ(client.bottom, 175);
    // A menu handle that is not a menu fails the creation.
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, kClass, "", WS_OVERLAPPED, 0, 0, 9, 9, nullptr,
                              reinterpret_cast<HMENU>(uintptr_t(0x4321)), nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MENU_HANDLE));
}

// The program's loop: accelerators first, against the message's window.
void run_loop_once(HACCEL accelerators) {
    MSG msg;
    int n = 0;
    while (n++ < 100 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!TranslateAcceleratorA(msg.hwnd, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

TEST_F(DialogTest, AltQuestionMarkAndAltSlashPickAboutAndPlainKeysDoNot) {
    HACCEL accelerators = LoadAcceleratorsA(nullptr, MAKEINTRESOURCEA(kMenu));
    ASSERT_NE(accelerators, nullptr);
    HMENU help = GetSubMenu(GetMenu(main), 1);
    ASSERT_NE(help, nullptr);

    for (char ch : {'?', '/'}) {
        g_seen.clear();
        ASSERT_TRUE(host_send_char(ch, TRUE));
        run_loop_once(accelerators);
        // As a menu pick: the menu and its popup hear of it first.
        EXPECT_EQ(messages_of(main, {WM_INITMENU, WM_INITMENUPOPUP, WM_COMMAND, WM_SYSCHAR}),
                  (std::vector<UINT>{WM_INITMENU, WM_INITMENUPOPUP, WM_COMMAND}))
            << ch;
        EXPECT_EQ(last_seen(main, WM_INITMENU)->wparam, reinterpret_cast<WPARAM>(GetMenu(main)));
        EXPECT_EQ(last_seen(main, WM_INITMENUPOPUP)->wparam, reinterpret_cast<WPARAM>(help));
        EXPECT_EQ(last_seen(main, WM_INITMENUPOPUP)->lparam, MAKELPARAM(1, FALSE));
        EXPECT_EQ(last_seen(main, WM_COMMAND)->wparam, MAKEWPARAM(kCmdAbout, 1));
        EXPECT_EQ(last_seen(main, WM_COMMAND)->lparam, 0);
    }
    // Without Alt the same characters are just characters.
    for (char ch : {'?', '/'}) {
        g_seen.clear();
        ASSERT_TRUE(host_send_char(ch, FALSE));
        run_loop_once(accelerators);
        EXPECT_TRUE(messages_of(main, {WM_COMMAND, WM_INITMENU}).empty()) << ch;
        EXPECT_EQ(messages_of(main, {WM_CHAR}).size(), 1u) << ch;
    }
    // Other Alt characters are not accelerators.
    g_seen.clear();
    ASSERT_TRUE(host_send_char('x', TRUE));
    run_loop_once(accelerators);
    EXPECT_TRUE(messages_of(main, {WM_COMMAND}).empty());
    EXPECT_EQ(messages_of(main, {WM_SYSCHAR}).size(), 1u);

    // A disabled window takes the keystroke but gets no command.
    EnableWindow(main, FALSE);
    MSG syschar = {main, WM_SYSCHAR, '?', 0x20350001, 0, {0, 0}};
    host_key_down(VK_MENU);  // the Alt state comes from the keys retrieved
    MSG alt;
    ASSERT_TRUE(PeekMessageA(&alt, nullptr, 0, 0, PM_REMOVE));
    g_seen.clear();
    EXPECT_EQ(TranslateAcceleratorA(main, accelerators, &syschar), 1);
    EXPECT_TRUE(messages_of(main, {WM_COMMAND}).empty());
    EnableWindow(main, TRUE);

    // Failures.
    EXPECT_EQ(TranslateAcceleratorA(nullptr, accelerators, &syschar), 0);
    EXPECT_EQ(TranslateAcceleratorA(main, accelerators, nullptr), 0);
    SetLastError(0);
    EXPECT_EQ(TranslateAcceleratorA(main, reinterpret_cast<HACCEL>(main), &syschar), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ACCEL_HANDLE));
    MSG other = {main, WM_KEYUP, '?', 0, 0, {0, 0}};
    EXPECT_EQ(TranslateAcceleratorA(main, accelerators, &other), 0);
    DestroyAcceleratorTable(accelerators);
    EXPECT_EQ(TranslateAcceleratorA(main, accelerators, &syschar), 0);
}

// ---- the About box ----

TEST_F(DialogTest, AboutBoxIsBuiltAsWineBuildsIt) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), main, about_proc, 0);
    ASSERT_NE(dialog, nullptr);
    char cls[16];
    GetClassNameA(dialog, cls, sizeof cls);
    EXPECT_STREQ(cls, "#32770");
    EXPECT_EQ(text_of(dialog), "ﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(DWORD(GetWindowLongA(dialog, GWL_STYLE)), 0x04c800c4u);
    EXPECT_EQ(DWORD(GetWindowLongA(dialog, GWL_EXSTYLE)), 0x00010101u);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
    RECT r;
    GetWindowRect(dialog, &r);
    expect_rect(r, 33, 45, 384, 183);
    GetClientRect(dialog, &r);
    expect_rect(r, 0, 0, 345, 113);
    RECT units = {0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 12);

    struct Control {
        const char* cls;
        int id;
        DWORD style;
        RECT rect;
    } expected[] = {
        {"Static", IDCANCEL, 0x50000003, {21, 14, 53, 46}},  // the icon takes the icon's 32 x 32
        {"Static", 65535, 0x50020080, {74, 15, 253, 27}},
        {"Static", 65535, 0x50020000, {74, 30, 253, 42}},
        {"Button", IDOK, 0x50030001, {293, 9, 338, 26}},
    };
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const Control& e : expected) {
        ASSERT_NE(control, nullptr);
        GetClassNameA(control, cls, sizeof cls);
        EXPECT_STREQ(cls, e.cls);
        EXPECT_EQ(GetDlgCtrlID(control), e.id);
        EXPECT_EQ(DWORD(GetWindowLongA(control, GWL_STYLE)), e.style);
        EXPECT_EQ(DWORD(GetWindowLongA(control, GWL_EXSTYLE)), DWORD(WS_EX_NOPARENTNOTIFY));
        RECT in_dialog = rect_in(control, dialog);
        expect_rect(in_dialog, e.rect.left, e.rect.top, e.rect.right, e.rect.bottom);
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr);
    EXPECT_EQ(text_of(GetDlgItem(dialog, IDOK)), "OK");
    EXPECT_EQ(text_of(GetWindow(GetDlgItem(dialog, IDCANCEL), GW_HWNDNEXT)),
              "ポフリン発生 Version 1.0");
    EXPECT_NE(SendMessageA(GetDlgItem(dialog, IDCANCEL), STM_GETICON, 0, 0), 0);
    // TRUE from WM_INITDIALOG put the focus on the first tab stop, the default button.
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
    EXPECT_EQ(DWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), DWORD(MAKELONG(IDOK, DC_HASDEFID)));
    EXPECT_EQ(GetNextDlgTabItem(dialog, nullptr, FALSE), GetDlgItem(dialog, IDOK));
    EXPECT_EQ(GetNextDlgTabItem(dialog, GetDlgItem(dialog, IDOK), TRUE), GetDlgItem(dialog, IDOK));
    // The template has no WS_VISIBLE: a modeless dialog stays hidden until shown.
    EXPECT_FALSE(IsWindowVisible(dialog));
    DestroyWindow(dialog);
}

TEST_F(DialogTest, AboutBoxPaintsItsFaceIconAndButton) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), main, about_proc, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int width, height;
    ASSERT_NE(host_window_pixels(dialog, &width, &height), nullptr);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(host_window_pixel(dialog, x, y), face) << x << "," << y;

    // The icon's opaque pixels over the face.
    HWND icon_control = GetDlgItem(dialog, IDCANCEL);
    HICON icon = reinterpret_cast<HICON>(SendMessageA(icon_control, STM_GETICON, 0, 0));
    HOST_ICON_IMAGE image;
    ASSERT_TRUE(host_get_icon_image(icon, &image));
    ASSERT_EQ(image.width, 32);
    int opaque = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            size_t i = size_t(y) * 32 + size_t(x);
            DWORD p = image.pixels[i];
            COLORREF expected = image.mask[i] ? face : RGB((p >> 16) & 0xff, (p >> 8) & 0xff, p & 0xff);
            opaque += !image.mask[i];
            ASSERT_EQ(host_window_pixel(icon_control, x, y), expected) << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 0);

    // The default button: black frame, raised edge, face.
    HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(host_window_pixels(ok, &width, &height), nullptr);
    ASSERT_EQ(width, 45);
    ASSERT_EQ(height, 17);
    auto ring_colour = [&](int x, int y) -> COLORREF {
        int ring = std::min(std::min(x, y), std::min(width - 1 - x, height - 1 - y));
        bool far_side = x == width - 1 - ring || y == height - 1 - ring;
        switch (ring) {
        case 0: return GetSysColor(COLOR_WINDOWFRAME);
        case 1: return GetSysColor(far_side ? COLOR_3DDKSHADOW : COLOR_3DLIGHT);
        case 2: return GetSysColor(far_side ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
        default: return face;
        }
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(host_window_pixel(ok, x, y), ring_colour(x, y)) << x << "," << y;
    DestroyWindow(dialog);
}

TEST_F(DialogTest, AColourAnswerFromTheDialogProcedurePaintsTheBackground) {
    static HBRUSH red;
    red = CreateSolidBrush(RGB(255, 0, 0));
    DLGPROC proc = [](HWND d, UINT m, WPARAM w, LPARAM l) -> INT_PTR {
        if (m == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(red);
        return about_proc(d, m, w, l);
    };
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), main, proc, 0);
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
    EXPECT_EQ(host_window_pixel(dialog, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(host_window_pixel(dialog, 344, 112), RGB(255, 0, 0));
    DestroyWindow(dialog);
    DeleteObject(red);
}

TEST_F(DialogTest, ModalLoopRunsOtherWindowsAndEnterEndsWithIdOk) {
    SetTimer(main, 1, 100, nullptr);
    bool checked = false;
    INT_PTR result = about_box([&] {
        HWND dialog = GetActiveWindow();
        char cls[16] = "";
        GetClassNameA(dialog, cls, sizeof cls);
        EXPECT_STREQ(cls, "#32770");
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_FALSE(IsWindowEnabled(main));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
        // The main window's timer kept running behind the box.
        EXPECT_EQ(main_timer_ticks(), 3);
        checked = true;
        host_send_key(VK_RETURN, 0);
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(GetFocus(), main);
    EXPECT_EQ(FindWindowA("#32770", nullptr), nullptr);
    EXPECT_EQ(messages_of(main, {WM_ENABLE}), (std::vector<UINT>{WM_ENABLE, WM_ENABLE}));
}

TEST_F(DialogTest, EscapeCloseAndAltF4EndWithIdCancelAndSpaceClicksOk) {
    std::pair<std::function<void()>, INT_PTR> cases[] = {
        {[] { host_send_key(VK_ESCAPE, 0); }, IDCANCEL},
        {[] { PostMessageA(GetActiveWindow(), WM_CLOSE, 0, 0); }, IDCANCEL},
        {[] { host_send_key(VK_F4, HOST_ALT); }, IDCANCEL},
        {[] { host_send_key(VK_SPACE, 0); }, IDOK},
        {[] { host_send_char('?', TRUE); }, 0},  // accelerators are the program loop's business
    };
    for (auto& [action, expected] : cases) {
        if (expected == 0) {
            // The box stays; end it from a second timer.
            auto type_then_end = [action = action] {
                action();
                g_during = [] { host_send_key(VK_RETURN, 0); };
                SetTimer(nullptr, 0, 100, run_during);
            };
            EXPECT_EQ(about_box(type_then_end), IDOK);
        } else {
            EXPECT_EQ(about_box(action), expected);
        }
        EXPECT_TRUE(IsWindowEnabled(main));
        EXPECT_EQ(GetActiveWindow(), main);
        EXPECT_FALSE(messages_of(main, {WM_COMMAND}).size());
    }
}

TEST_F(DialogTest, QuitRequestsAndAVanishingOwnerEndTheModalLoop) {
    // WM_QUIT ends the box and is handed on to the program's loop.
    EXPECT_EQ(about_box([] { PostQuitMessage(5); }), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_TRUE(IsWindowEnabled(main));

    // Destroying the owner destroys the box with it.
    HWND owner = main;
    EXPECT_EQ(about_box([owner] { DestroyWindow(owner); }), 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(FindWindowA("#32770", nullptr), nullptr);
}

// Over an owner whose client area lies near the coordinate limit (a nest of
// children, each as far off as a window can be placed, takes it there) a
// box, modeless or modal, is still kept on the screen: the sums saturate.
TEST_F(DialogTest, ABoxOverAnOwnerAtTheCoordinateLimitStaysOnTheScreen) {
    constexpr int64_t kNear = INT32_MAX - 200, kStep = 1 << 24;
    HWND owner = main;
    POINT o = {0, 0};
    while (ClientToScreen(owner, &(o = POINT{0, 0})) && (o.x < kNear || o.y < kNear))
        owner = child(owner, int(std::min(kNear - o.x, kStep)), int(std::min(kNear - o.y, kStep)), 10, 10);
    const LONG cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), owner, about_proc, 0);
    RECT modeless = {}, modal = {};
    GetWindowRect(dialog, &modeless);
    DestroyWindow(dialog);
    g_during = [&] {
        GetWindowRect(FindWindowA("#32770", nullptr), &modal);
        EndDialog(FindWindowA("#32770", nullptr), IDOK);
    };
    SetTimer(nullptr, 0, 350, run_during);
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), owner, about_proc, 0), IDOK);
    expect_rect(modeless, cx - 351, cy - 138, cx, cy);
    expect_rect(modal, cx - 351, cy - 138, cx, cy);
}

TEST_F(DialogTest, DialogFailures) {
    HWND dead = popup(1, 1, 0);
    DestroyWindow(dead);
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), dead, about_proc, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999), main, about_proc, 0), -1);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999), main, about_proc, 0), nullptr);
    EXPECT_EQ(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), dead, about_proc, 0), nullptr);

    // EndDialog and the dialog calls want a dialog.
    EXPECT_FALSE(EndDialog(main, 1));
    EXPECT_FALSE(EndDialog(dead, 1));
    RECT r = {0, 0, 4, 8};
    EXPECT_FALSE(MapDialogRect(main, &r));
    EXPECT_EQ(r.right, 4);
    EXPECT_FALSE(MapDialogRect(dead, &r));
    MSG msg = {main, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
    EXPECT_FALSE(IsDialogMessageA(dead, &msg));
    EXPECT_FALSE(IsDialogMessageA(main, nullptr));
    EXPECT_EQ(GetNextDlgTabItem(dead, nullptr, FALSE), nullptr);
    EXPECT_EQ(GetDlgItem(dead, IDOK), nullptr);

    // A message for another window is not the dialog's.
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), main, about_proc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsDialogMessageA(dialog, &msg));
    // Enter in a modeless box: the dialog procedure ends it; the box hides.
    ShowWindow(dialog, SW_SHOWNORMAL);
    MSG enter = {GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001c0001, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessageA(dialog, &enter));
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(DWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), 0u);  // no default once ended
    DestroyWindow(dialog);
}

}  // namespace
