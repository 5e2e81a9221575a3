// USER's internals: window classes, windows, and what the window, message,
// timer, paint, focus and input code tell each other. One thread only.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include <windows.h>

#include "gdi/surface.h"
#include "handles.h"

namespace plat {

struct DialogInfo;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON small_icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    LPCSTR menu_name = nullptr;  // an integer identifier, or menu_name_text
    std::string menu_name_text;
    int window_extra = 0;
    std::vector<BYTE> extra;
    int windows = 0;       // live windows of this class
    bool builtin = false;  // the platform's own (dialogs, controls)
};

struct Window : Object {
    static constexpr ObjType kType = ObjType::Window;

    WindowClass* cls = nullptr;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    HWND parent = nullptr;  // child windows only
    HWND owner = nullptr;   // top-level windows only
    LONG_PTR id = 0;        // GWLP_ID: the control identifier of a child
    LONG_PTR user_data = 0;
    HMENU menu = nullptr;   // top-level windows: the menu bar
    std::string text;
    RECT window_rect = {};  // in the parent's client coordinates; screen for top-level windows
    RECT client_rect = {};  // the same coordinates
    Bitmap* surface = nullptr;  // client-area pixels
    RECT update = {};       // bounds of the update region, client coordinates
    bool erase = false;     // WM_ERASEBKGND owed to the next paint
    bool need_size = false; // WM_SIZE and WM_MOVE owed to the first show
    bool destroying = false;
    std::vector<HDC> dcs;   // DCs handed out and not yet released
    std::vector<BYTE> extra;
    DialogInfo* dialog = nullptr;

    ~Window() override;
    HWND hwnd() const { return static_cast<HWND>(handle); }
    bool is_child() const { return (style & (WS_CHILD | WS_POPUP)) == WS_CHILD; }
    bool has_menu_bar() const { return !is_child() && menu; }
    RECT client_size() const {
        return RECT{0, 0, client_rect.right - client_rect.left, client_rect.bottom - client_rect.top};
    }
};

// Whether `size` bytes at `offset` lie within a window's or class's extra bytes.
inline bool extra_fits(const std::vector<BYTE>& extra, LONG_PTR offset, size_t size) {
    return offset >= 0 && size_t(offset) + size <= extra.size();
}

// ---- window.cpp ----

// The window behind a handle; null, with ERROR_INVALID_WINDOW_HANDLE, for
// anything else. Lookups that only ask take handle_cast<Window>, which leaves
// the last error alone.
Window* win_get(HWND window);
// All windows in creation order, and a window's direct children (creation
// order, which is also their z-order from the top).
std::vector<HWND> win_list();
std::vector<HWND> win_children(HWND parent);
// Whether `window` is a descendant of `ancestor`.
bool win_is_descendant(HWND ancestor, HWND window);
HWND win_top_level(HWND window);
bool win_is_visible(const Window* w);
// Sets the window's text without messages (WM_SETTEXT and WM_NCCREATE defaults).
void win_set_text(Window* w, LPCSTR text);
// Screen position of the client area's origin.
POINT win_client_origin(const Window* w);
// Copies as much of `text` as fits in `size` (> 0) bytes with the
// terminator; returns the bytes copied without it.
int text_copy(const std::string& text, LPSTR buffer, int size);

// ---- winpos.cpp ----

// Window positions and sizes stay within this many pixels of the origin, so
// no sum of them overflows.
constexpr int64_t kCoordinateLimit = 1 << 24;
// The rectangle of a window placed at (x, y) with that size, clamped.
RECT win_rect_from(int64_t x, int64_t y, int64_t width, int64_t height);
// Places the window at `rect` (parent client coordinates): asks the window
// for its client area with WM_NCCALCSIZE and fits the surface to it. False
// when the window died meanwhile.
bool win_set_rect(HWND window, const RECT& rect);
// WM_SIZE and WM_MOVE for the current geometry.
void win_send_size_messages(HWND window);
// Hides a window without WM_SHOWWINDOW (top-level windows being destroyed,
// dialogs at EndDialog); activation is the caller's business.
void win_hide_quietly(HWND window);

// ---- class.cpp ----

WindowClass* class_find(LPCSTR name, HINSTANCE instance);
// The platform's own classes (dialogs, controls); kept across resets.
WindowClass* class_register_builtin(const char* name, ATOM atom, UINT style, WNDPROC proc, int window_extra,
                                    HBRUSH background);
void classes_reset();

// ---- message.cpp ----

bool msg_window_matches(HWND filter, HWND target);
bool msg_range_matches(UINT message, UINT first, UINT last);
void queue_post_input(const MSG& msg);
void queue_drop_window(HWND window);
void queue_reset();

// ---- timer.cpp ----

// The due timer (earliest first) that matches the filter, as a WM_TIMER;
// removing it schedules its next expiry.
bool timer_fetch(HWND filter, UINT first, UINT last, bool remove, MSG* msg);
// When the next matching timer is due; -1 when none is set.
int64_t timer_next_due(HWND filter, UINT first, UINT last);
bool timer_proc_is_live(TIMERPROC proc);
void timers_drop_window(HWND window);
void timers_shift(int64_t delta_ms);
void timers_reset();

// ---- paint.cpp ----

// Adds `rect` (client coordinates; null: all) to the update region of a
// visible window and of its children that it does not clip.
void paint_invalidate(Window* w, const RECT* rect, bool erase);
// A visible window with a non-empty update region that matches the filter.
HWND paint_find(HWND filter);
void paint_window_dying(Window* w);
void paint_reset();

// ---- focus.cpp ----

void focus_set_active(HWND window);
// Activates another window in place of `leaving` (hidden or destroyed).
void focus_activate_other(HWND leaving);
// Forgets a dying window as focus or active window, without messages.
void focus_window_dying(HWND window);
void focus_reset();

// ---- input.cpp ----

// A key message leaves the queue: GetKeyState follows it.
void input_key_retrieved(const MSG& msg);
void input_reset();

// ---- dialog.cpp, button.cpp, static.cpp ----

void dialog_window_dying(Window* w);
void dialog_class_register();
void button_class_register();
void static_class_register();
// What the controls share: `paint` draws the whole control in WM_PAINT (so
// WM_ERASEBKGND has nothing to do), a new text repaints it, and everything
// else goes to DefWindowProcA.
LRESULT control_default(HWND control, UINT message, WPARAM wparam, LPARAM lparam, void (*paint)(HWND, HDC));

}  // namespace plat
