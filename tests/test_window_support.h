// Shared pieces of the window, message, timer and paint tests: a fixture
// that starts from no windows on the virtual clock, and a window procedure
// that records every message and can be told to answer some itself.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <win32_host.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace wintest {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// Every message the recording procedure received, in order.
inline std::vector<Seen> g_seen;

// Answers a message instead of DefWindowProcA when it returns a value.
inline std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)> g_answer;

inline LRESULT CALLBACK recording_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    g_seen.push_back(Seen{window, message, wparam, lparam});
    if (g_answer) {
        if (std::optional<LRESULT> r = g_answer(window, message, wparam, lparam)) return *r;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

inline const char kClass[] = "wintest";

// The messages `window` saw, in order; with `only`, just those.
inline std::vector<UINT> messages_of(HWND window, const std::vector<UINT>& only = {}) {
    std::vector<UINT> out;
    for (const Seen& s : g_seen) {
        if (s.window != window) continue;
        if (!only.empty() && std::find(only.begin(), only.end(), s.message) == only.end()) continue;
        out.push_back(s.message);
    }
    return out;
}

// The message `message` as `window` last saw it.
inline const Seen* last_seen(HWND window, UINT message) {
    for (auto it = g_seen.rbegin(); it != g_seen.rend(); ++it)
        if (it->window == window && it->message == message) return &*it;
    return nullptr;
}

// What run_during does when its thread timer fires, once, inside a modal
// loop that the test cannot step itself.
inline std::function<void()> g_during;

inline void CALLBACK run_during(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::function<void()> action = std::move(g_during);
    g_during = nullptr;
    if (action) action();
}

class UserTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_reset_process();
        host_use_virtual_clock(TRUE);
        g_seen.clear();
        g_answer = nullptr;
        g_during = nullptr;
        register_class(kClass, nullptr);
    }

    void TearDown() override {
        g_answer = nullptr;
        host_reset_process();
    }

    static ATOM register_class(const char* name, HBRUSH background, LPCSTR menu = nullptr) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = recording_proc;
        wc.hbrBackground = background;
        wc.lpszMenuName = menu;
        wc.lpszClassName = name;
        return RegisterClassExA(&wc);
    }

    // A borderless popup: its client area is its whole rectangle.
    static HWND popup(int width, int height, DWORD extra_style = WS_VISIBLE, const char* cls = kClass) {
        return CreateWindowExA(0, cls, "popup", WS_POPUP | extra_style, 0, 0, width, height, nullptr, nullptr,
                               nullptr, nullptr);
    }

    static HWND child(HWND parent, int x, int y, int width, int height, int id = 0, DWORD extra_style = WS_VISIBLE) {
        return CreateWindowExA(0, kClass, "child", WS_CHILD | extra_style, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }

    // Retrieves and dispatches what is already queued (no waiting); stops
    // after 1000 messages so a paint that never validates fails, not hangs.
    static int pump() {
        MSG msg;
        int n = 0;
        while (n < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            ++n;
        }
        return n;
    }
};

}  // namespace wintest
