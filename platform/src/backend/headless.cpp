// The headless backend: windows live only in memory (their surfaces are read
// back through the host calls), time is the monotonic clock, and no input
// ever arrives except what the host injects between calls.
#include <errno.h>
#include <time.h>

#include "backend/backend.h"

namespace plat {

namespace {

class HeadlessBackend final : public Backend {
public:
    void window_created(HWND) override {}
    void window_destroyed(HWND) override {}
    void window_shown(HWND, bool) override {}
    void window_moved(HWND) override {}
    void title_changed(HWND) override {}
    void surface_updated(HWND, const RECT&) override {}

    int64_t now_ms() override {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }

    bool wait(int64_t deadline_ms) override {
        // Nothing can be injected while the only thread sleeps here.
        if (deadline_ms < 0) return false;
        // An absolute deadline keeps periodic timers free of drift.
        timespec until = {time_t(deadline_ms / 1000), long(deadline_ms % 1000) * 1000000L};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
        return true;
    }

    // The size Wine reports for a display without a monitor.
    SIZE screen_size() override { return SIZE{1024, 768}; }
};

}  // namespace

Backend& backend() {
    static HeadlessBackend headless;
    return headless;
}

}  // namespace plat
