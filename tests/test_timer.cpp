// Timers on the virtual clock: intervals, lateness, replacement, killing,
// ordering, timer procedures, and the clock itself.
#include "test_window_support.h"

using namespace wintest;

namespace {

class TimerTest : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        // Hidden windows: nothing to paint, so only timers arrive.
        w = popup(5, 5, 0);
        w2 = popup(5, 5, 0);
        ASSERT_TRUE(w && w2);
    }

    // The next message; GetMessageA moves the virtual clock to the next due timer.
    static MSG next() {
        MSG msg = {};
        EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
        return msg;
    }

    static bool peek_timer(MSG* msg, UINT remove = PM_REMOVE) {
        return PeekMessageA(msg, nullptr, WM_TIMER, WM_TIMER, remove);
    }

    HWND w = nullptr;
    HWND w2 = nullptr;
};

TEST_F(TimerTest, TicksComeAtTheInterval) {
    ASSERT_EQ(host_now_ms(), 0);
    EXPECT_EQ(SetTimer(w, 7, 100, nullptr), 7u);
    for (int i = 1; i <= 3; ++i) {
        MSG msg = next();
        EXPECT_EQ(msg.message, UINT(WM_TIMER));
        EXPECT_EQ(msg.hwnd, w);
        EXPECT_EQ(msg.wParam, 7u);
        EXPECT_EQ(msg.lParam, 0);
        EXPECT_EQ(msg.time, DWORD(100 * i));
        EXPECT_EQ(host_now_ms(), 100 * i);
        EXPECT_EQ(GetTickCount(), DWORD(100 * i));
    }
}

TEST_F(TimerTest, ALateLoopGetsOneTimerMessageAndTheTicksStayOnTheirGrid) {
    SetTimer(w, 1, 100, nullptr);
    host_advance_clock(1050);
    MSG msg;
    ASSERT_TRUE(peek_timer(&msg));
    EXPECT_EQ(msg.time, 1050u);
    // Ten intervals passed, yet there is no backlog.
    EXPECT_FALSE(peek_timer(&msg));
    EXPECT_EQ(next().time, 1100u);
    // Late by less than an interval: the next tick is still on the grid.
    host_advance_clock(130);
    ASSERT_TRUE(peek_timer(&msg));
    EXPECT_EQ(msg.time, 1230u);
    EXPECT_EQ(next().time, 1300u);
    EXPECT_EQ(next().time, 1400u);
}

TEST_F(TimerTest, SettingAnExistingTimerReplacesTheIntervalAndRestartsTheCount) {
    EXPECT_EQ(SetTimer(w, 1, 100, nullptr), 1u);
    host_advance_clock(90);
    EXPECT_EQ(SetTimer(w, 1, 50, nullptr), 1u);
    EXPECT_EQ(next().time, 140u);
    EXPECT_EQ(next().time, 190u);
    // The same interval again still restarts the count.
    host_advance_clock(40);
    SetTimer(w, 1, 50, nullptr);
    EXPECT_EQ(next().time, 280u);
    // Another identifier is another timer.
    SetTimer(w, 2, 30, nullptr);
    MSG msg = next();
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_EQ(msg.time, 310u);
    msg = next();
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_EQ(msg.time, 330u);
}

TEST_F(TimerTest, IntervalsBelowTheMinimumBecomeTenMilliseconds) {
    SetTimer(w, 1, 0, nullptr);
    EXPECT_EQ(next().time, 10u);
    SetTimer(w, 1, 3, nullptr);
    EXPECT_EQ(next().time, 20u);
    EXPECT_EQ(next().time, 30u);
}

TEST_F(TimerTest, KillTimerStopsTheTicksAndAnUnknownTimerIsHarmless) {
    SetLastError(0);
    EXPECT_FALSE(KillTimer(w, 1));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(KillTimer(nullptr, 1));
    // The fast command kills first; the timer it then sets runs normally.
    EXPECT_EQ(SetTimer(w, 1, 10, nullptr), 1u);
    EXPECT_EQ(next().time, 10u);
    // A due timer killed before its message was taken sends nothing.
    host_advance_clock(25);
    EXPECT_TRUE(KillTimer(w, 1));
    EXPECT_FALSE(KillTimer(w, 1));
    host_advance_clock(1000);
    MSG msg;
    EXPECT_FALSE(peek_timer(&msg));
}

TEST_F(TimerTest, PeekingWithoutRemovingLeavesTheTimerDue) {
    SetTimer(w, 1, 100, nullptr);
    host_advance_clock(100);
    MSG msg;
    ASSERT_TRUE(peek_timer(&msg, PM_NOREMOVE));
    ASSERT_TRUE(peek_timer(&msg, PM_NOREMOVE));
    host_advance_clock(150);
    ASSERT_TRUE(peek_timer(&msg, PM_REMOVE));
    EXPECT_EQ(msg.time, 250u);
    EXPECT_FALSE(peek_timer(&msg));
    EXPECT_EQ(next().time, 300u);
}

TEST_F(TimerTest, DueTimersComeEarliestFirst) {
    SetTimer(w, 1, 30, nullptr);
    SetTimer(w, 2, 20, nullptr);
    SetTimer(w2, 3, 25, nullptr);
    host_advance_clock(30);
    UINT_PTR order[3];
    MSG msg;
    for (UINT_PTR& id : order) {
        ASSERT_TRUE(peek_timer(&msg));
        id = msg.wParam;
    }
    EXPECT_EQ(order[0], 2u);
    EXPECT_EQ(order[1], 3u);
    EXPECT_EQ(order[2], 1u);
    // A window filter sees only its own timers.
    host_advance_clock(30);
    ASSERT_TRUE(PeekMessageA(&msg, w2, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, w2, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, TimersDueTogetherComeLastScheduledFirst) {
    SetTimer(w, 1, 50, nullptr);
    SetTimer(w2, 2, 50, nullptr);
    UINT_PTR order[4];
    DWORD times[4];
    for (int i = 0; i < 4; ++i) {
        MSG msg = next();
        order[i] = msg.wParam;
        times[i] = msg.time;
    }
    // At 50 the timer set last; each retrieval reschedules, so at 100 the
    // one retrieved last leads.
    EXPECT_EQ(order[0], 2u);
    EXPECT_EQ(order[1], 1u);
    EXPECT_EQ(order[2], 1u);
    EXPECT_EQ(order[3], 2u);
    EXPECT_EQ(times[1], 50u);
    EXPECT_EQ(times[2], 100u);
}

TEST_F(TimerTest, DestroyingTheWindowEndsItsTimers) {
    SetTimer(w, 1, 10, nullptr);
    SetTimer(w2, 1, 500, nullptr);
    host_advance_clock(10);
    DestroyWindow(w);
    MSG msg;
    EXPECT_FALSE(peek_timer(&msg));
    SetLastError(0);
    EXPECT_EQ(SetTimer(w, 1, 10, nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    msg = next();
    EXPECT_EQ(msg.hwnd, w2);
    EXPECT_EQ(msg.time, 500u);
}

TEST_F(TimerTest, ThreadTimersAndTimerProcedures) {
    static std::vector<std::pair<UINT_PTR, DWORD>> calls;
    calls.clear();
    TIMERPROC proc = [](HWND window, UINT message, UINT_PTR id, DWORD time) {
        EXPECT_EQ(message, UINT(WM_TIMER));
        calls.emplace_back(id + (window ? 1000 : 0), time);
    };
    UINT_PTR a = SetTimer(nullptr, 0, 50, proc);
    UINT_PTR b = SetTimer(nullptr, 0, 70, proc);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    MSG msg = next();
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, a);
    EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(proc));
    g_seen.clear();
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(a, DWORD(50)));
    // Setting a thread timer by its identifier replaces it.
    EXPECT_EQ(SetTimer(nullptr, a, 200, proc), a);
    EXPECT_TRUE(KillTimer(nullptr, b));
    // A window timer with a procedure calls the procedure, not the window.
    SetTimer(w, 9, 100, proc);
    msg = next();
    EXPECT_EQ(msg.hwnd, w);
    EXPECT_EQ(msg.time, 150u);
    DispatchMessageA(&msg);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], std::make_pair(UINT_PTR(1009), DWORD(150)));
    EXPECT_TRUE(g_seen.empty());
}

TEST_F(TimerTest, TickCountSleepAndClockSwitches) {
    EXPECT_EQ(host_now_ms(), 0);
    Sleep(250);
    EXPECT_EQ(host_now_ms(), 250);
    EXPECT_EQ(GetTickCount(), 250u);
    EXPECT_TRUE(host_advance_clock(5));
    EXPECT_EQ(GetTickCount(), 255u);

    // A timer keeps at most its remaining time across a trip to the real clock.
    SetTimer(w, 1, 100, nullptr);
    host_use_virtual_clock(FALSE);
    EXPECT_FALSE(host_advance_clock(5));
    host_use_virtual_clock(TRUE);
    EXPECT_EQ(host_now_ms(), 0);
    MSG msg = next();
    EXPECT_EQ(msg.message, UINT(WM_TIMER));
    EXPECT_LE(msg.time, 100u);
}

}  // namespace
