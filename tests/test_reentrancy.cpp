// Window procedures that destroy windows at the worst moment: one case per
// way the platform runs a procedure (send, paint, dialog creation, the end of
// the modal loop, IsDialogMessageA, EndDialog). Destroying any window from
// any handler is legal; the platform must carry on with what is left and
// leak nothing. The sanitizer build of these tests is what catches a pointer
// kept across the call.
#include <map>
#include <string>

#include "test_window_support.h"

using namespace wintest;

namespace {

constexpr int kAbout = 103;

DWORD gui_objects() {
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) + GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
}

// Subclassing: a window's procedure is replaced by one that runs `g_hook`
// for the window first, then, unless the hook answered, hands the message to
// the original.
std::map<HWND, WNDPROC> g_original;
std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> g_hook;

LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC original = g_original[window];
    if (g_hook)
        if (std::optional<LRESULT> answer = g_hook(window, message, wparam, lparam)) return *answer;
    return IsWindow(window) ? CallWindowProcA(original, window, message, wparam, lparam) : 0;
}

void subclass(HWND window) {
    g_original[window] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass_proc)));
}

INT_PTR CALLBACK plain_dialog_proc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class ReentrancyTest : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        g_original.clear();
        g_hook = nullptr;
        // The About box's icon is loaded once and shared for good.
        DestroyWindow(about(nullptr));
        baseline = gui_objects();
        main = popup(300, 200);
        ASSERT_NE(main, nullptr);
    }

    void TearDown() override {
        g_hook = nullptr;
        g_during = nullptr;
        for (HWND w : {main, dialog})
            if (IsWindow(w)) DestroyWindow(w);
        // Every window went, and everything it held with it.
        EXPECT_EQ(gui_objects(), baseline);
        UserTest::TearDown();
    }

    HWND about(HWND owner, DLGPROC proc = plain_dialog_proc) {
        return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), owner, proc, 0);
    }

    // The About box, modal over `main`; `during` runs once it is up.
    INT_PTR modal_about(std::function<void()> during) {
        g_during = std::move(during);
        SetTimer(nullptr, 0, 100, run_during);
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), main, plain_dialog_proc, 0);
    }

    static HWND find_dialog() { return FindWindowA("#32770", nullptr); }

    DWORD baseline = 0;
    HWND main = nullptr;
    HWND dialog = nullptr;
};

// Every message the window calls send: the window, its parent or its owner
// dies in it, during creation, showing, sizing, focus, enabling, text,
// painting, closing and destruction.
TEST_F(ReentrancyTest, SendSurvivesTheWindowOrItsParentOrOwnerDyingInAnyMessage) {
    const UINT messages[] = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE,   WM_SIZE,     WM_MOVE,  WM_SHOWWINDOW,
                             WM_ACTIVATE, WM_SETFOCUS,   WM_KILLFOCUS, WM_ENABLE,  WM_SETTEXT, WM_GETTEXT,
                             WM_ERASEBKGND, WM_PAINT,    WM_CLOSE,    WM_DESTROY, WM_NCDESTROY};
    for (UINT message : messages) {
        for (int victim = 0; victim < 4; ++victim) {  // the child, the popup, or their parent / owner
            const std::string where = "message " + std::to_string(message) + " victim " + std::to_string(victim);
            HWND top = popup(100, 100);
            HWND kid = nullptr, owned = nullptr;
            g_answer = [&](HWND w, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (m != message || w == top || !w) return std::nullopt;
                if (victim == 0 || victim == 1)
                    DestroyWindow(w);
                else
                    DestroyWindow(top);
                return std::nullopt;
            };
            const bool reacts_as_child = victim % 2 == 0;
            kid = CreateWindowExA(0, kClass, "kid", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, top, nullptr, nullptr,
                                  nullptr);
            owned = CreateWindowExA(0, kClass, "owned", WS_POPUP | WS_VISIBLE, 20, 20, 40, 40, top, nullptr, nullptr,
                                    nullptr);
            HWND reacting = reacts_as_child ? kid : owned;
            // Only the chosen window reacts from here on.
            auto react = g_answer;
            g_answer = [&, react](HWND w, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
                return w == reacting ? react(w, m, wp, lp) : std::nullopt;
            };
            char text[16];
            ShowWindow(reacting, SW_HIDE);
            ShowWindow(reacting, SW_SHOWNORMAL);
            MoveWindow(reacting, 5, 5, 70, 30, TRUE);
            SetFocus(reacting);
            SetFocus(top);
            EnableWindow(reacting, FALSE);
            EnableWindow(reacting, TRUE);
            SetWindowTextA(reacting, "x");
            GetWindowTextA(reacting, text, sizeof text);
            InvalidateRect(reacting, nullptr, TRUE);
            UpdateWindow(top);
            pump();
            SendMessageA(reacting, WM_CLOSE, 0, 0);
            DestroyWindow(top);
            g_answer = nullptr;
            EXPECT_FALSE(IsWindow(top) || IsWindow(kid) || IsWindow(owned)) << where;
            EXPECT_EQ(gui_objects(), baseline + 1) << where;  // only `main` is left
        }
    }
}

// A Button or a Static, or its parent, destroyed in the WM_ERASEBKGND that
// the control's own WM_PAINT sends; a dialog destroyed while it is asked for
// its background colour.
TEST_F(ReentrancyTest, PaintSurvivesAControlOrItsParentDyingInTheEraseOfItsPaint) {
    for (const char* cls : {"Button", "Static"}) {
        for (bool parent_dies : {false, true}) {
            HWND parent = popup(100, 100);
            HWND control = CreateWindowExA(0, cls, "&c", WS_CHILD | WS_VISIBLE, 5, 5, 40, 20, parent, nullptr,
                                           nullptr, nullptr);
            ASSERT_NE(control, nullptr);
            subclass(control);
            g_hook = [&](HWND w, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (m == WM_ERASEBKGND) DestroyWindow(parent_dies ? GetParent(w) : w);
                return std::nullopt;
            };
            InvalidateRect(control, nullptr, TRUE);
            UpdateWindow(parent);
            pump();
            g_hook = nullptr;
            EXPECT_FALSE(IsWindow(control)) << cls;
            EXPECT_EQ(IsWindow(parent), !parent_dies) << cls;
            DestroyWindow(parent);
        }
    }
    static HBRUSH red;
    red = CreateSolidBrush(RGB(255, 0, 0));
    dialog = about(main, [](HWND d, UINT m, WPARAM, LPARAM) -> INT_PTR {
        if (m != WM_CTLCOLORDLG) return m == WM_INITDIALOG;
        DestroyWindow(d);
        return reinterpret_cast<INT_PTR>(red);
    });
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
    EXPECT_FALSE(IsWindow(dialog));
    DeleteObject(red);
}

// A control that answers WM_GETDLGCODE as a default push button and destroys
// the dialog, or the dialog's owner, while the dialog is being made.
TEST_F(ReentrancyTest, DialogCreationSurvivesAControlDestroyingTheDialogOrItsOwner) {
    WNDCLASSEXA builtin = {};
    ASSERT_TRUE(GetClassInfoExA(nullptr, "Button", &builtin));
    static WNDPROC button_proc;
    static bool owner_dies;
    button_proc = builtin.lpfnWndProc;
    // The program's own "Button" class comes before the platform's for its module.
    WNDCLASSEXA wc = builtin;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Button";
    wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m != WM_GETDLGCODE) return CallWindowProcA(button_proc, w, m, wp, lp);
        HWND dlg = GetParent(w);
        DestroyWindow(owner_dies ? GetWindow(dlg, GW_OWNER) : dlg);
        return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    };
    ASSERT_NE(RegisterClassExA(&wc), 0);
    owner_dies = false;
    EXPECT_EQ(about(main), nullptr);
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), main, plain_dialog_proc, 0), -1);
    // The modal attempt gave the owner back.
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(find_dialog(), nullptr);
    owner_dies = true;
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAbout), main, plain_dialog_proc, 0), -1);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(find_dialog(), nullptr);
}

// The modal loop ends on WM_QUIT and enables the owner, whose WM_ENABLE
// destroys the dialog or the owner itself.
TEST_F(ReentrancyTest, ModalLoopEndSurvivesTheOwnerDestroyingTheDialogOrItselfOnEnable) {
    for (bool owner_dies : {false, true}) {
        g_answer = [&](HWND w, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
            if (w == main && m == WM_ENABLE && wp) DestroyWindow(owner_dies ? main : find_dialog());
            return std::nullopt;
        };
        EXPECT_EQ(modal_about([] { PostQuitMessage(4); }), 0);
        g_answer = nullptr;
        MSG msg;
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, UINT(WM_QUIT));  // still handed on to the program's loop
        EXPECT_EQ(msg.wParam, 4u);
        EXPECT_EQ(find_dialog(), nullptr);
        EXPECT_EQ(IsWindow(main), !owner_dies);
        EXPECT_TRUE(owner_dies || IsWindowEnabled(main));
    }
}

// IsDialogMessageA asks every control for its dialog code; a control
// destroys itself, or the dialog, when asked.
TEST_F(ReentrancyTest, IsDialogMessageSurvivesAControlDestroyingItselfOrTheDialogWhenAsked) {
    const MSG kinds[] = {
        {nullptr, WM_CHAR, 'o', 0, 0, {0, 0}},           // a mnemonic: every control is asked
        {nullptr, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}},  // the focus and the default button are asked
        {nullptr, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}},
    };
    for (const MSG& kind : kinds) {
        for (bool dialog_dies : {false, true}) {
            dialog = about(main);
            ASSERT_NE(dialog, nullptr);
            ShowWindow(dialog, SW_SHOWNORMAL);
            for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) subclass(c);
            // Each answers as a label with a mnemonic would, after it went.
            g_hook = [&](HWND w, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (m != WM_GETDLGCODE) return std::nullopt;
                DestroyWindow(dialog_dies ? GetParent(w) : w);
                return DLGC_STATIC;
            };
            for (HWND target : {GetFocus(), dialog}) {
                MSG msg = kind;
                msg.hwnd = target;
                if (IsWindow(dialog)) IsDialogMessageA(dialog, &msg);
            }
            g_hook = nullptr;
            EXPECT_EQ(IsWindow(dialog), !dialog_dies) << kind.message;
            // A mnemonic asks every control, and each went when asked.
            if (kind.message == WM_CHAR) {
                EXPECT_EQ(GetWindow(dialog, GW_CHILD), nullptr);
            }
            DestroyWindow(dialog);
        }
    }
}

// EndDialog enables the owner, whose WM_ENABLE destroys the dialog or the
// owner itself before EndDialog is done.
TEST_F(ReentrancyTest, EndDialogSurvivesTheOwnerDestroyingTheDialogOrItselfOnEnable) {
    for (bool owner_dies : {false, true}) {
        g_answer = [&](HWND w, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
            if (w == main && m == WM_ENABLE && wp) DestroyWindow(owner_dies ? main : find_dialog());
            return std::nullopt;
        };
        bool ended = false;
        // A dialog destroyed before its loop saw the end returns 0, as on the platform.
        EXPECT_EQ(modal_about([&] { ended = EndDialog(find_dialog(), 7); }), 0);
        g_answer = nullptr;
        EXPECT_TRUE(ended);
        EXPECT_EQ(find_dialog(), nullptr);
        EXPECT_EQ(IsWindow(main), !owner_dies);
        EXPECT_TRUE(owner_dies || IsWindowEnabled(main));
    }
}

}  // namespace
