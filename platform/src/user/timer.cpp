// Timers: SetTimer, KillTimer and the WM_TIMER messages they make.
//
// A timer is due when the clock reaches its due time. Retrieving its WM_TIMER
// moves the due time on by whole intervals from the previous due time, past
// the present: ticks stay on their grid however late the loop is, and a late
// loop gets one WM_TIMER, never a burst. Timers due at the same time come
// in Wine's order: the one set or restarted last comes first.
#include <algorithm>

#include <win32_host.h>

#include "clock.h"
#include "user/user_private.h"

namespace plat {

namespace {

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT interval;
    int64_t due;
    TIMERPROC proc;
    uint64_t scheduled;  // when the due time was last set, as a sequence number
};

std::vector<Timer> g_timers;
uint64_t g_schedules = 0;

bool timer_matches(const Timer& t, HWND filter, UINT first, UINT last) {
    return msg_range_matches(WM_TIMER, first, last) && msg_window_matches(filter, t.window);
}

Timer* find(HWND window, UINT_PTR id) {
    for (Timer& t : g_timers)
        if (t.window == window && t.id == id) return &t;
    return nullptr;
}

// Identifiers of timers without a window are the platform's to choose.
UINT_PTR new_thread_timer_id() {
    static UINT_PTR next = 1;
    while (find(nullptr, next) || next == 0) ++next;
    return next++;
}

}  // namespace

bool timer_fetch(HWND filter, UINT first, UINT last, bool remove, MSG* msg) {
    int64_t now = clock_now_ms();
    Timer* due = nullptr;
    for (Timer& t : g_timers)
        if (t.due <= now && timer_matches(t, filter, first, last) &&
            (!due || t.due < due->due || (t.due == due->due && t.scheduled > due->scheduled)))
            due = &t;
    if (!due) return false;
    *msg = MSG{due->window, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), DWORD(now), POINT{0, 0}};
    if (remove) {
        due->due += ((now - due->due) / due->interval + 1) * int64_t(due->interval);
        due->scheduled = ++g_schedules;
    }
    return true;
}

int64_t timer_next_due(HWND filter, UINT first, UINT last) {
    int64_t next = -1;
    for (const Timer& t : g_timers)
        if (timer_matches(t, filter, first, last) && (next < 0 || t.due < next)) next = t.due;
    return next;
}

bool timer_proc_is_live(TIMERPROC proc) {
    return std::any_of(g_timers.begin(), g_timers.end(), [proc](const Timer& t) { return t.proc == proc; });
}

void timers_drop_window(HWND window) {
    auto of_window = [window](const Timer& t) { return t.window == window; };
    g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(), of_window), g_timers.end());
}

void timers_shift(int64_t delta_ms) {
    for (Timer& t : g_timers) t.due += delta_ms;
}

void timers_reset() { g_timers.clear(); }

}  // namespace plat

using namespace plat;

extern "C" {

// The clock's owner is the kernel; pending timers keep their remaining time.
void host_use_virtual_clock(BOOL enable) {
    const int64_t before = clock_now_ms();
    if (clock_set_virtual(enable)) timers_shift(clock_now_ms() - before);
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (window && !win_get(window)) return 0;
    elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    int64_t due = clock_now_ms() + elapse;
    // An existing timer takes the new interval and starts counting again.
    if (Timer* t = find(window, id)) {
        t->interval = elapse;
        t->due = due;
        t->proc = proc;
        t->scheduled = ++g_schedules;
    } else {
        if (!window) id = new_thread_timer_id();
        g_timers.push_back(Timer{window, id, elapse, due, proc, ++g_schedules});
    }
    return id ? id : 1;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    if (window && !win_get(window)) return FALSE;
    Timer* t = find(window, id);
    if (!t) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    g_timers.erase(g_timers.begin() + (t - g_timers.data()));
    return TRUE;
}

}  // extern "C"
