// The thread's message queue: posting, sending, retrieval and dispatch.
//
// Retrieval order is the platform's: posted messages, then the quit request,
// then input, then WM_PAINT (made up while a visible window has something to
// repaint), then WM_TIMER (made up when a timer is due, one at a time).
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <deque>

#include "clock.h"
#include "user/user_private.h"

namespace plat {

namespace {

std::deque<MSG> g_posted;
std::deque<MSG> g_input;
bool g_quit = false;
int g_quit_code = 0;

// Takes the first queued message that passes the filter.
bool take_from(std::deque<MSG>& queue, HWND filter, UINT first, UINT last, bool remove, MSG* msg) {
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!msg_window_matches(filter, it->hwnd) || !msg_range_matches(it->message, first, last)) continue;
        *msg = *it;
        if (remove) queue.erase(it);
        return true;
    }
    return false;
}

MSG make_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return MSG{window, message, wparam, lparam, DWORD(clock_now_ms()), POINT{0, 0}};
}

bool peek(MSG* msg, HWND filter, UINT first, UINT last, bool remove) {
    if (take_from(g_posted, filter, first, last, remove, msg)) return true;
    // The quit request waits for the posted messages but ignores every filter.
    if (g_quit) {
        *msg = make_message(nullptr, WM_QUIT, WPARAM(g_quit_code), 0);
        if (remove) g_quit = false;
        return true;
    }
    if (take_from(g_input, filter, first, last, remove, msg)) {
        if (remove) input_key_retrieved(*msg);
        return true;
    }
    if (msg_range_matches(WM_PAINT, first, last)) {
        if (HWND window = paint_find(filter)) {
            *msg = make_message(window, WM_PAINT, 0, 0);
            return true;
        }
    }
    return timer_fetch(filter, first, last, remove, msg);
}

// Blocks until something may have arrived: on the virtual clock that means
// jumping to the next due timer. A wait nothing can end is a hang; say so.
void wait_for_message(HWND filter, UINT first, UINT last, const char* caller) {
    if (clock_wait_until(timer_next_due(filter, first, last))) return;
    fprintf(stderr,
            "%s: nothing can ever arrive (no message queued, no timer set, no input source%s); "
            "aborting instead of waiting forever\n",
            caller, clock_is_virtual() ? " on the virtual clock" : "");
    abort();
}

bool valid_filter(HWND filter) {
    return !filter || filter == reinterpret_cast<HWND>(-1) || win_get(filter) != nullptr;
}

}  // namespace

bool msg_window_matches(HWND filter, HWND target) {
    if (!filter) return true;
    // -1 asks for the thread's own messages, those without a window.
    if (filter == reinterpret_cast<HWND>(-1)) return target == nullptr;
    return target == filter || win_is_descendant(filter, target);
}

bool msg_range_matches(UINT message, UINT first, UINT last) {
    if (first == 0 && last == 0) return true;
    return message >= first && message <= last;
}

void queue_post_input(const MSG& msg) { g_input.push_back(msg); }

void queue_drop_window(HWND window) {
    auto for_window = [window](const MSG& m) { return m.hwnd == window; };
    g_posted.erase(std::remove_if(g_posted.begin(), g_posted.end(), for_window), g_posted.end());
    g_input.erase(std::remove_if(g_input.begin(), g_input.end(), for_window), g_input.end());
}

void queue_reset() {
    g_posted.clear();
    g_input.clear();
    g_quit = false;
    g_quit_code = 0;
}

}  // namespace plat

using namespace plat;

extern "C" {

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // A null window posts to the thread itself.
    if (window && !win_get(window)) return FALSE;
    g_posted.push_back(make_message(window, message, wparam, lparam));
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* w = win_get(window);
    if (!w || !w->proc) return 0;
    return w->proc(window, message, wparam, lparam);
}

LRESULT WINAPI CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return proc ? proc(window, message, wparam, lparam) : 0;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT first, UINT last) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (!valid_filter(window)) return -1;
    while (!peek(msg, window, first, last, true)) wait_for_message(window, first, last, "GetMessageA");
    return msg->message != WM_QUIT;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!valid_filter(window)) return FALSE;
    return peek(msg, window, first, last, remove & PM_REMOVE);
}

BOOL WINAPI WaitMessage(void) {
    MSG msg;
    while (!peek(&msg, nullptr, 0, 0, false)) wait_for_message(nullptr, 0, 0, "WaitMessage");
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    // A timer procedure is called only while some timer still has it.
    if (msg->message == WM_TIMER && msg->lParam) {
        TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        if (timer_proc_is_live(proc)) proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd) return 0;
    Window* w = win_get(msg->hwnd);
    if (!w) return 0;
    LRESULT result = CallWindowProcA(w->proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
    // A paint handler that left the background unerased still gets it erased.
    if (msg->message == WM_PAINT && handle_cast<Window>(msg->hwnd)) GetUpdateRect(msg->hwnd, nullptr, TRUE);
    return result;
}

void WINAPI PostQuitMessage(int exit_code) {
    g_quit = true;
    g_quit_code = exit_code;
}

}  // extern "C"
