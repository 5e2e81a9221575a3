// The message queue: retrieval order, filters, sending and dispatch, misuse,
// keyboard messages and their translation, and closing a window.
#include "test_window_support.h"

using namespace wintest;

namespace {

using Messages = std::vector<UINT>;

class MessageTest : public UserTest {
protected:
    // Retrieves `n` messages without dispatching them.
    static std::vector<MSG> get(int n, HWND filter = nullptr, UINT first = 0, UINT last = 0) {
        std::vector<MSG> out;
        for (int i = 0; i < n; ++i) {
            MSG msg;
            GetMessageA(&msg, filter, first, last);
            out.push_back(msg);
        }
        return out;
    }

    static bool nothing_queued() {
        MSG msg;
        return !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
};

TEST_F(MessageTest, PostedAndInputComeBeforePaintAndPaintBeforeTimer) {
    HWND w = popup(10, 10);  // shown, so it has everything to repaint
    ASSERT_NE(w, nullptr);
    SetTimer(w, 1, 10, nullptr);
    host_advance_clock(10);
    ASSERT_TRUE(host_send_key('A', 0));
    PostMessageA(w, WM_USER, 1, 0);
    PostMessageA(w, WM_USER, 2, 0);

    std::vector<MSG> got = get(5);
    EXPECT_EQ(got[0].message, UINT(WM_USER));
    EXPECT_EQ(got[0].wParam, 1u);
    EXPECT_EQ(got[1].message, UINT(WM_USER));
    EXPECT_EQ(got[1].wParam, 2u);
    EXPECT_EQ(got[2].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(got[3].message, UINT(WM_KEYUP));
    EXPECT_EQ(got[4].message, UINT(WM_PAINT));
    EXPECT_EQ(got[4].hwnd, w);
    // WM_PAINT comes back until the window is validated; then the timer's turn.
    EXPECT_EQ(get(1)[0].message, UINT(WM_PAINT));
    ValidateRect(w, nullptr);
    MSG timer = get(1)[0];
    EXPECT_EQ(timer.message, UINT(WM_TIMER));
    EXPECT_EQ(timer.hwnd, w);
    EXPECT_EQ(timer.wParam, 1u);
    EXPECT_EQ(timer.lParam, 0);
    EXPECT_TRUE(nothing_queued());
}

TEST_F(MessageTest, QuitWaitsForPostedMessagesOnlyAndIgnoresFilters) {
    HWND w = popup(10, 10);
    host_send_key('A', 0);
    PostMessageA(w, WM_USER, 0, 0);
    PostQuitMessage(3);
    PostMessageA(w, WM_USER + 1, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_USER));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_USER + 1));
    // A filter that matches nothing still gets the quit request, before input.
    EXPECT_FALSE(GetMessageA(&msg, w, WM_USER + 5, WM_USER + 5));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(msg.hwnd, nullptr);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_KEYDOWN));
}

TEST_F(MessageTest, PaintIsValidatedByDefWindowProc) {
    HWND w = popup(10, 10);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_PAINT));
    g_seen.clear();
    DispatchMessageA(&msg);
    // The erase owed by ShowWindow comes inside BeginPaint.
    EXPECT_EQ(messages_of(w), (Messages{WM_PAINT, WM_ERASEBKGND}));
    EXPECT_TRUE(nothing_queued());
    // A hidden window has nothing to paint.
    ShowWindow(w, SW_HIDE);
    InvalidateRect(w, nullptr, TRUE);
    EXPECT_TRUE(nothing_queued());
}

TEST_F(MessageTest, WindowAndRangeFilters) {
    HWND a = popup(5, 5, 0);
    HWND b = popup(5, 5, 0);
    HWND b_child = child(b, 0, 0, 1, 1, 1, 0);
    PostMessageA(a, WM_USER, 0, 0);
    PostMessageA(nullptr, WM_USER + 1, 0, 0);
    PostMessageA(b_child, WM_USER + 2, 0, 0);
    PostMessageA(b, WM_USER + 3, 0, 0);

    MSG msg;
    // A window filter takes the window's and its children's messages.
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 3));
    EXPECT_FALSE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    // -1: the thread's own messages only.
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 1));
    EXPECT_EQ(msg.hwnd, nullptr);
    // Ranges are inclusive; PM_NOREMOVE leaves the message.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 9, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, a);
    EXPECT_TRUE(nothing_queued());
}

TEST_F(MessageTest, SendCallsTheProcedureAndDispatchDelivers) {
    HWND w = popup(5, 5, 0);
    g_answer = [](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_USER) return LRESULT(wp + lp);
        return std::nullopt;
    };
    EXPECT_EQ(SendMessageA(w, WM_USER, 40, 2), 42);
    PostMessageA(w, WM_USER, 1, 1);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(DispatchMessageA(&msg), 2);
    // Thread messages are not dispatched to anyone.
    PostMessageA(nullptr, WM_USER, 1, 1);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    g_seen.clear();
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_TRUE(g_seen.empty());
    // Unknown messages get DefWindowProcA's 0.
    EXPECT_EQ(SendMessageA(w, 0x7fff, 1, 1), 0);
}

TEST_F(MessageTest, MisuseGetsFailureResults) {
    HWND w = popup(5, 5, 0);
    PostMessageA(w, WM_USER, 0, 0);
    MSG retrieved;
    ASSERT_TRUE(GetMessageA(&retrieved, nullptr, 0, 0));
    PostMessageA(w, WM_USER + 1, 0, 0);
    DestroyWindow(w);

    // Messages for a destroyed window leave the queue with it.
    EXPECT_TRUE(nothing_queued());
    // A message whose window died meanwhile is not delivered.
    g_seen.clear();
    SetLastError(0);
    EXPECT_EQ(DispatchMessageA(&retrieved), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_TRUE(g_seen.empty());
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);

    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_FALSE(TranslateMessage(nullptr));
    SetLastError(0);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, w, 0, 0), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));

    // A WM_TIMER naming a procedure no timer has is not called.
    static int calls;
    calls = 0;
    TIMERPROC proc = [](HWND, UINT, UINT_PTR, DWORD) { ++calls; };
    MSG forged = {nullptr, WM_TIMER, 1, reinterpret_cast<LPARAM>(proc), 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&forged), 0);
    EXPECT_EQ(calls, 0);
}

TEST_F(MessageTest, WmCloseThroughDefWindowProcDestroysAndTheLoopEnds) {
    g_answer = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_DESTROY) return std::nullopt;
        PostQuitMessage(0);
        return 0;
    };
    HWND w = popup(10, 10);
    PostMessageA(w, WM_CLOSE, 0, 0);
    MSG msg;
    int loops = 0;
    while (GetMessageA(&msg, nullptr, 0, 0) && ++loops < 100) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    EXPECT_LT(loops, 100);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(messages_of(w, {WM_CLOSE, WM_DESTROY, WM_NCDESTROY}), (Messages{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(MessageTest, AltF4ClosesTheWindow) {
    HWND w = popup(10, 10);
    ASSERT_TRUE(host_send_key(VK_F4, HOST_ALT));
    pump();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(messages_of(w, {WM_SYSCOMMAND, WM_CLOSE}), (Messages{WM_SYSCOMMAND, WM_CLOSE}));
}

// ---- keyboard ----

struct KeyMessage {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const KeyMessage&) const = default;
};

std::ostream& operator<<(std::ostream& os, const KeyMessage& k) {
    return os << "{" << std::hex << k.message << ", " << k.wparam << ", " << k.lparam << "}";
}

// Retrieves, translates and records the keyboard messages of `w`.
std::vector<KeyMessage> typed(HWND w, std::vector<SHORT>* shift_states = nullptr) {
    std::vector<KeyMessage> out;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_PAINT) {
            ValidateRect(msg.hwnd, nullptr);
            continue;
        }
        EXPECT_EQ(msg.hwnd, w);
        out.push_back(KeyMessage{msg.message, msg.wParam, msg.lParam});
        if (shift_states) shift_states->push_back(GetKeyState(VK_SHIFT));
        TranslateMessage(&msg);
    }
    return out;
}

TEST_F(MessageTest, TypingAShiftedCharacterMakesTheKeysOfAUsKeyboard) {
    HWND w = popup(10, 10);
    ASSERT_EQ(GetFocus(), w);
    ASSERT_TRUE(host_send_char('?', FALSE));
    std::vector<SHORT> shift;
    std::vector<KeyMessage> expected = {
        {WM_KEYDOWN, VK_SHIFT, 0x002a0001},  {WM_KEYDOWN, VK_OEM_2, 0x00350001}, {WM_CHAR, '?', 0x00350001},
        {WM_KEYUP, VK_OEM_2, LPARAM(0xc0350001)}, {WM_KEYUP, VK_SHIFT, LPARAM(0xc02a0001)},
    };
    EXPECT_EQ(typed(w, &shift), expected);
    // GetKeyState follows the messages as they are retrieved.
    ASSERT_EQ(shift.size(), 5u);
    EXPECT_LT(shift[0], 0);
    EXPECT_LT(shift[3], 0);
    EXPECT_GE(shift[4], 0);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 1, 1);  // toggled once

    ASSERT_TRUE(host_send_char('a', FALSE));
    std::vector<KeyMessage> lower = typed(w);
    ASSERT_EQ(lower.size(), 3u);
    EXPECT_EQ(lower[1], (KeyMessage{WM_CHAR, 'a', 0x001e0001}));
    ASSERT_TRUE(host_send_char('A', FALSE));
    EXPECT_EQ(typed(w)[2], (KeyMessage{WM_CHAR, 'A', 0x001e0001}));
    ASSERT_TRUE(host_send_key('A', HOST_CONTROL));
    EXPECT_EQ(typed(w)[2], (KeyMessage{WM_CHAR, 1, 0x001e0001}));
    ASSERT_TRUE(host_send_char('\r', FALSE));
    EXPECT_EQ(typed(w)[1], (KeyMessage{WM_CHAR, '\r', 0x001c0001}));

    // What a US keyboard cannot type queues nothing.
    EXPECT_FALSE(host_send_char('\xc3', FALSE));
    EXPECT_FALSE(host_send_char('\0', FALSE));
    EXPECT_FALSE(host_key_down(0));
    EXPECT_FALSE(host_key_down(255));
    EXPECT_TRUE(nothing_queued());
}

TEST_F(MessageTest, AltMakesSystemKeysWithTheContextBit) {
    HWND w = popup(10, 10);
    ASSERT_TRUE(host_send_char('x', TRUE));
    std::vector<KeyMessage> expected = {
        {WM_SYSKEYDOWN, VK_MENU, 0x20380001},          {WM_SYSKEYDOWN, 'X', 0x202d0001},
        {WM_SYSCHAR, 'x', 0x202d0001},                 {WM_SYSKEYUP, 'X', LPARAM(0xe02d0001)},
        {WM_KEYUP, VK_MENU, LPARAM(0xc0380001)},
    };
    EXPECT_EQ(typed(w), expected);
    // Alt pressed and released alone stays a system key.
    ASSERT_TRUE(host_send_key(VK_MENU, 0));
    expected = {{WM_SYSKEYDOWN, VK_MENU, 0x20380001}, {WM_SYSKEYUP, VK_MENU, LPARAM(0xc0380001)}};
    EXPECT_EQ(typed(w), expected);
    // Shift + Alt + '/' types a '?' as a system character.
    ASSERT_TRUE(host_send_char('?', TRUE));
    std::vector<KeyMessage> shifted = typed(w);
    ASSERT_EQ(shifted.size(), 7u);
    EXPECT_EQ(shifted[3], (KeyMessage{WM_SYSCHAR, '?', 0x20350001}));
    // F10 is a system key even without Alt, and types nothing.
    ASSERT_TRUE(host_send_key(VK_F10, 0));
    expected = {{WM_SYSKEYDOWN, VK_F10, 0x00440001}, {WM_SYSKEYUP, VK_F10, LPARAM(0xc0440001)}};
    EXPECT_EQ(typed(w), expected);
    // Without a focus window the active window gets system keys (and characters).
    SetFocus(nullptr);
    ASSERT_TRUE(host_send_key('A', 0));
    expected = {{WM_SYSKEYDOWN, 'A', 0x001e0001},
                {WM_SYSCHAR, 'a', 0x001e0001},
                {WM_SYSKEYUP, 'A', LPARAM(0xc01e0001)}};
    EXPECT_EQ(typed(w), expected);
}

// ---- waiting ----

using MessageDeathTest = MessageTest;

TEST_F(MessageDeathTest, WaitingForWhatCanNeverComeAbortsInsteadOfHanging) {
    HWND w = popup(5, 5, 0);
    MSG msg;
    EXPECT_DEATH(GetMessageA(&msg, nullptr, 0, 0), "nothing can ever arrive");
    EXPECT_DEATH(WaitMessage(), "nothing can ever arrive");
    // A timer of another window cannot end a wait filtered to this one.
    HWND other = popup(5, 5, 0);
    SetTimer(other, 1, 100, nullptr);
    EXPECT_DEATH(GetMessageA(&msg, w, 0, 0), "nothing can ever arrive");
}

}  // namespace

// What every display backend reports of a person's acts: a button click, a
// menu command and the close box, each as the messages the platform makes,
// and nothing for a window that takes no input or a command the menu lacks.
TEST_F(MessageTest, PersonsActsMakeThePlatformsMessages) {
    ASSERT_NE(register_class("Acts", nullptr, MAKEINTRESOURCEA(109)), 0);
    HWND w = CreateWindowExA(0, "Acts", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    HWND button = CreateWindowExA(0, "Button", "OK", WS_CHILD | WS_VISIBLE, 0, 0, 40, 20, w,
                                  reinterpret_cast<HMENU>(INT_PTR(IDOK)), nullptr, nullptr);
    ASSERT_TRUE(button);
    const UINT ume = 32771;
    EXPECT_FALSE(host_menu_command(w, 12345) || host_menu_command(button, ume));
    EnableWindow(w, FALSE);
    EXPECT_FALSE(host_close_window(w) || host_click_button(button) || host_menu_command(w, ume));
    EnableWindow(w, TRUE);
    pump();
    g_seen.clear();
    ASSERT_TRUE(host_click_button(button) && host_menu_command(w, ume) && host_close_window(w));
    pump();
    EXPECT_EQ(messages_of(w, {WM_COMMAND, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              Messages({WM_COMMAND, WM_COMMAND, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
    std::vector<WPARAM> wparams;
    for (const Seen& s : g_seen)
        if (s.message == WM_COMMAND || s.message == WM_SYSCOMMAND) wparams.push_back(s.wparam);
    EXPECT_EQ(wparams, std::vector<WPARAM>({MAKEWPARAM(IDOK, BN_CLICKED), MAKEWPARAM(ume, 0), SC_CLOSE}));
    EXPECT_FALSE(host_close_window(w) || host_click_button(button));
    EXPECT_TRUE(nothing_queued());
}
