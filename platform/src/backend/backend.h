// The display backend: what USER tells the outside world about its windows,
// and where it waits for input. The headless backend keeps everything in
// memory; a display backend shows the windows and feeds input back through
// the host input calls.
#pragma once

#include <stdint.h>

#include <windows.h>

namespace plat {

class Backend {
public:
    virtual ~Backend() = default;

    // A window exists (after WM_CREATE) / is gone (after WM_NCDESTROY).
    virtual void window_created(HWND window) = 0;
    virtual void window_destroyed(HWND window) = 0;
    // Visibility, position or size, or title changed; the backend reads the
    // new state through the USER calls.
    virtual void window_shown(HWND window, bool visible) = 0;
    virtual void window_moved(HWND window) = 0;
    virtual void title_changed(HWND window) = 0;
    // Pixels inside `rect` (client coordinates) of the window's surface may
    // have changed.
    virtual void surface_updated(HWND window, const RECT& rect) = 0;

    // Milliseconds of a monotonic clock.
    virtual int64_t now_ms() = 0;
    // Sleeps until `deadline_ms` (of now_ms) or until input has been queued,
    // whichever comes first; a negative deadline waits for input alone.
    // Returns false when it would wait for input that can never come.
    virtual bool wait(int64_t deadline_ms) = 0;

    virtual SIZE screen_size() = 0;

    // Dialog base units (average character width and line height, in
    // pixels) of the font that dialog controls are really drawn in, for a
    // backend that draws them in a font of its own; {0, 0} where they are
    // drawn in the template's font, whose units the platform knows.
    virtual SIZE dialog_units() { return SIZE{0, 0}; }
};

// The backend this build was linked with.
Backend& backend();

}  // namespace plat
