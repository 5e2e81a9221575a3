// The active window and the keyboard focus: SetFocus, GetFocus,
// GetActiveWindow.
#include "user/user_private.h"

namespace plat {

namespace {

HWND g_active = nullptr;
HWND g_focus = nullptr;

// Moves the focus and tells both windows; returns the previous focus.
HWND set_focus_window(HWND window) {
    HWND previous = g_focus;
    if (previous == window) return previous;
    g_focus = window;
    if (previous && handle_cast<Window>(previous)) SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (window && g_focus == window && handle_cast<Window>(window))
        SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

bool can_activate(HWND window) {
    Window* w = handle_cast<Window>(window);
    return w && !w->parent && win_is_visible(w) && !(w->style & WS_DISABLED);
}

}  // namespace

void focus_set_active(HWND window) {
    if (window == g_active) return;
    HWND previous = g_active;
    g_active = window;
    if (previous && handle_cast<Window>(previous))
        SendMessageA(previous, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(window));
    if (window && g_active == window) {
        Window* w = handle_cast<Window>(window);
        if (!w) return;
        BOOL minimized = (w->style & WS_MINIMIZE) != 0;
        SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, minimized), reinterpret_cast<LPARAM>(previous));
    }
    // The focus belongs inside the active window (DefWindowProc usually put it there).
    if (g_active == window && (!g_focus || win_top_level(g_focus) != window)) set_focus_window(window);
}

void focus_activate_other(HWND leaving) {
    Window* w = handle_cast<Window>(leaving);
    HWND next = nullptr;
    if (w && w->owner && w->owner != leaving && can_activate(w->owner)) {
        next = w->owner;
    } else {
        std::vector<HWND> windows = win_list();
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            if (*it != leaving && can_activate(*it)) {
                next = *it;
                break;
            }
        }
    }
    focus_set_active(next);
}

void focus_window_dying(HWND window) {
    if (g_focus == window) g_focus = nullptr;
    if (g_active == window) g_active = nullptr;
}

void focus_reset() {
    g_active = nullptr;
    g_focus = nullptr;
}

}  // namespace plat

using namespace plat;

extern "C" {

HWND WINAPI SetFocus(HWND window) {
    if (!window) return g_focus ? set_focus_window(nullptr) : nullptr;
    Window* w = win_get(window);
    if (!w) return nullptr;
    if (window == g_focus) return window;
    // Disabled or minimised windows, or windows inside one, cannot take the focus.
    HWND top = window;
    for (Window* p = w;; p = handle_cast<Window>(p->parent)) {
        if (!p || (p->style & (WS_MINIMIZE | WS_DISABLED))) return nullptr;
        if (!p->parent) break;
        top = p->parent;
    }
    if (top != g_active) {
        focus_set_active(top);
        if (!handle_cast<Window>(window) || top != g_active) return nullptr;
    }
    return set_focus_window(window);
}

HWND WINAPI GetFocus(void) { return g_focus; }

HWND WINAPI GetActiveWindow(void) { return g_active; }

}  // extern "C"
