// Window geometry and visibility: ShowWindow, MoveWindow, the window and
// client rectangles, and the surface that follows the client size.
#include <algorithm>

#include "backend/backend.h"
#include "user/nonclient.h"
#include "user/user_private.h"

namespace plat {

namespace {

// Surfaces stop growing here; the client rectangle still reports the real size.
constexpr int kMaxSurfaceSide = 4096;
// Fresh surfaces are white until something paints them.
constexpr uint32_t kSurfaceFill = 0x00ffffff;

constexpr int kLastShowCommand = 11;  // SW_FORCEMINIMIZE

void fit_surface(Window* w) {
    RECT size = w->client_size();
    int width = std::min<int>(size.right, kMaxSurfaceSide);
    int height = std::min<int>(size.bottom, kMaxSurfaceSide);
    int old_width, old_height;
    gdi_surface_pixels(w->surface, &old_width, &old_height);
    if (old_width != width || old_height != height) gdi_resize_surface(w->surface, width, height, kSurfaceFill);
}

POINT parent_origin(const Window* w) {
    Window* parent = w->parent ? handle_cast<Window>(w->parent) : nullptr;
    return parent ? win_client_origin(parent) : POINT{0, 0};
}

bool same_size(const RECT& a, const RECT& b) {
    return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
}

}  // namespace

RECT win_rect_from(int64_t x, int64_t y, int64_t width, int64_t height) {
    auto clamp = [](int64_t v, int64_t low) { return LONG(std::clamp<int64_t>(v, low, kCoordinateLimit)); };
    LONG left = clamp(x, -kCoordinateLimit), top = clamp(y, -kCoordinateLimit);
    LONG right = clamp(left + clamp(width, 0), -kCoordinateLimit);
    LONG bottom = clamp(top + clamp(height, 0), -kCoordinateLimit);
    return RECT{left, top, right, bottom};
}

bool win_set_rect(HWND hwnd, const RECT& rect) {
    Window* w = handle_cast<Window>(hwnd);
    if (!w) return false;
    w->window_rect = rect;
    // WM_NCCALCSIZE works in screen coordinates.
    POINT origin = parent_origin(w);
    RECT client = rect;
    OffsetRect(&client, origin.x, origin.y);
    SendMessageA(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
    if (!(w = handle_cast<Window>(hwnd))) return false;
    // The answer is the window procedure's: kept within the limit and never
    // inside out, like every other rectangle of a window.
    auto back = [](LONG v, LONG o) {
        return LONG(std::clamp<int64_t>(int64_t(v) - o, -kCoordinateLimit, kCoordinateLimit));
    };
    client = RECT{back(client.left, origin.x), back(client.top, origin.y), back(client.right, origin.x),
                  back(client.bottom, origin.y)};
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    w->client_rect = client;
    fit_surface(w);
    return true;
}

void win_send_size_messages(HWND hwnd) {
    Window* w = handle_cast<Window>(hwnd);
    if (!w) return;
    RECT size = w->client_size();
    WPARAM kind = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SendMessageA(hwnd, WM_SIZE, kind, MAKELPARAM(size.right, size.bottom));
    if (!(w = handle_cast<Window>(hwnd))) return;
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(w->client_rect.left, w->client_rect.top));
}

void win_hide_quietly(HWND hwnd) {
    Window* w = handle_cast<Window>(hwnd);
    if (!w || !(w->style & WS_VISIBLE)) return;
    w->style &= ~WS_VISIBLE;
    w->update = RECT{};
    w->erase = false;
    backend().window_shown(hwnd, false);
}

}  // namespace plat

using namespace plat;

extern "C" {

BOOL WINAPI ShowWindow(HWND window, int command) {
    Window* w = win_get(window);
    if (!w) return FALSE;
    if (command < 0 || command > kLastShowCommand) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (command == SW_SHOWDEFAULT) command = SW_SHOWNORMAL;
    bool was_visible = w->style & WS_VISIBLE;

    if (command == SW_HIDE) {
        if (!was_visible) return FALSE;
        SendMessageA(window, WM_SHOWWINDOW, FALSE, 0);
        win_hide_quietly(window);
        if (!(w = handle_cast<Window>(window))) return TRUE;
        if (!w->is_child() && GetActiveWindow() == window) focus_activate_other(window);
        // The focus cannot stay in a hidden window: it moves to the parent.
        HWND focus = GetFocus();
        if ((w = handle_cast<Window>(window)) && (focus == window || win_is_descendant(window, focus)))
            SetFocus(w->is_child() ? w->parent : nullptr);
        return TRUE;
    }

    // No sizes or positions to restore here: the states are style bits only.
    switch (command) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case kLastShowCommand: w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE; break;
    case SW_SHOWMAXIMIZED: w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE; break;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_RESTORE: w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE); break;
    default: break;
    }

    if (!was_visible) {
        SendMessageA(window, WM_SHOWWINDOW, TRUE, 0);
        if (!(w = handle_cast<Window>(window))) return FALSE;
        w->style |= WS_VISIBLE;
        paint_invalidate(w, nullptr, true);
        backend().window_shown(window, true);
    }
    bool activate = command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && command != SW_SHOWMINNOACTIVE &&
                    command != SW_MINIMIZE && command != kLastShowCommand;
    if (activate && !w->is_child()) focus_set_active(window);
    if ((w = handle_cast<Window>(window)) && w->need_size) {
        w->need_size = false;
        win_send_size_messages(window);
    }
    return was_visible;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    Window* w = win_get(window);
    if (!w) return FALSE;
    RECT old_client = w->client_rect;
    if (!win_set_rect(window, win_rect_from(x, y, width, height))) return TRUE;
    w = handle_cast<Window>(window);
    backend().window_moved(window);
    bool resized = !same_size(old_client, w->client_rect);
    bool moved = old_client.left != w->client_rect.left || old_client.top != w->client_rect.top;
    // A resized surface has lost its pixels, so it is repainted whatever `repaint` says.
    if (repaint || resized) paint_invalidate(w, nullptr, true);
    w->need_size = false;
    if (moved) SendMessageA(window, WM_MOVE, 0, MAKELPARAM(w->client_rect.left, w->client_rect.top));
    if (resized && (w = handle_cast<Window>(window))) {
        RECT size = w->client_size();
        SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.right, size.bottom));
    }
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    Window* w = win_get(window);
    if (!w || !rect) return FALSE;
    *rect = w->client_size();
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    Window* w = win_get(window);
    if (!w || !rect) return FALSE;
    POINT o = parent_origin(w);
    *rect = w->window_rect;
    OffsetRect(rect, o.x, o.y);
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND window, LPPOINT point) {
    Window* w = win_get(window);
    if (!w || !point) return FALSE;
    POINT o = win_client_origin(w);
    point->x = wrapping_add(point->x, o.x);
    point->y = wrapping_add(point->y, o.y);
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND window, LPPOINT point) {
    Window* w = win_get(window);
    if (!w || !point) return FALSE;
    POINT o = win_client_origin(w);
    point->x = wrapping_add(point->x, -int64_t(o.x));
    point->y = wrapping_add(point->y, -int64_t(o.y));
    return TRUE;
}

}  // extern "C"
