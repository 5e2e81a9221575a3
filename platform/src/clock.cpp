// The clock behind timers, message times, GetTickCount and Sleep.
#include "clock.h"

#include <windows.h>
#include <win32_host.h>

#include "backend/backend.h"

namespace plat {

namespace {

bool g_virtual = false;
int64_t g_virtual_now = 0;

}  // namespace

int64_t clock_now_ms() { return g_virtual ? g_virtual_now : backend().now_ms(); }

bool clock_is_virtual() { return g_virtual; }

bool clock_set_virtual(bool enable) {
    if (enable == g_virtual) return false;
    g_virtual = enable;
    g_virtual_now = 0;
    return true;
}

bool clock_wait_until(int64_t deadline_ms) {
    if (!g_virtual) return backend().wait(deadline_ms);
    // Nothing is injected while the program waits, so only a timer can end it.
    if (deadline_ms < 0) return false;
    if (deadline_ms > g_virtual_now) g_virtual_now = deadline_ms;
    return true;
}

void clock_sleep(uint32_t ms) {
    if (g_virtual) {
        g_virtual_now += ms;
        return;
    }
    int64_t deadline = backend().now_ms() + ms;
    while (backend().now_ms() < deadline) {
        // Input does not end a Sleep; the headless wait only returns at the deadline.
        if (!backend().wait(deadline)) break;
    }
}

}  // namespace plat

using namespace plat;

extern "C" {

BOOL host_advance_clock(DWORD ms) {
    if (!g_virtual) return FALSE;
    g_virtual_now += ms;
    return TRUE;
}

int64_t host_now_ms(void) { return clock_now_ms(); }

}  // extern "C"
