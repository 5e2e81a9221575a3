// Painting: update regions, WM_PAINT and WM_ERASEBKGND, and the DCs that
// draw on window surfaces.
//
// An update region is kept as its bounding rectangle, so a paint may cover a
// little more than was invalidated, never less.
#include <string.h>

#include <algorithm>

#include <win32_host.h>

#include "backend/backend.h"
#include "user/user_private.h"

namespace plat {

namespace {

// GetDC(NULL): DCs of the whole screen, which has no pixels here.
std::vector<HDC> g_screen_dcs;

// Removes `r` from the bounding box where the rest is still one rectangle.
RECT subtract(const RECT& box, const RECT& r) {
    RECT cut;
    if (!IntersectRect(&cut, &box, &r)) return box;
    RECT rest = box;
    bool full_width = cut.left == box.left && cut.right == box.right;
    bool full_height = cut.top == box.top && cut.bottom == box.bottom;
    if (full_width && full_height) return RECT{};
    if (full_width && cut.top == box.top) rest.top = cut.bottom;
    else if (full_width && cut.bottom == box.bottom) rest.bottom = cut.top;
    else if (full_height && cut.left == box.left) rest.left = cut.right;
    else if (full_height && cut.right == box.right) rest.right = cut.left;
    return rest;
}

HDC window_dc(Window* w, const RECT& bounds) {
    HDC dc = gdi_create_window_dc(w->hwnd(), w->surface, bounds);
    if (dc) w->dcs.push_back(dc);
    return dc;
}

// Ends a DC of `w` and tells the backend what it may have drawn.
bool release_window_dc(Window* w, HDC dc) {
    auto it = std::find(w->dcs.begin(), w->dcs.end(), dc);
    if (it == w->dcs.end()) return false;
    w->dcs.erase(it);
    HWND owner;
    RECT bounds, client = w->client_size(), drawn;
    if (gdi_window_dc_of(dc, &owner, &bounds) && IntersectRect(&drawn, &bounds, &client))
        backend().surface_updated(w->hwnd(), drawn);
    gdi_delete_window_dc(dc);
    return true;
}

// Sends WM_ERASEBKGND with a DC limited to the update region; true when the
// window erased (a non-zero answer).
bool send_erase(HWND hwnd, const RECT& bounds) {
    Window* w = handle_cast<Window>(hwnd);
    HDC dc = window_dc(w, bounds);
    bool erased = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
    if ((w = handle_cast<Window>(hwnd))) release_window_dc(w, dc);
    return erased;
}

}  // namespace

void paint_invalidate(Window* w, const RECT* rect, bool erase) {
    if (!win_is_visible(w)) return;
    RECT client = w->client_size();
    RECT r = client;
    if ((rect && !IntersectRect(&r, rect, &client)) || IsRectEmpty(&r)) return;
    UnionRect(&w->update, &w->update, &r);
    if (erase) w->erase = true;
    // Children are repainted too unless the parent clips them out.
    if (w->style & WS_CLIPCHILDREN) return;
    for (HWND h : win_children(w->hwnd())) {
        Window* c = handle_cast<Window>(h);
        RECT part;
        if (!IntersectRect(&part, &r, &c->client_rect)) continue;
        OffsetRect(&part, -c->client_rect.left, -c->client_rect.top);
        paint_invalidate(c, &part, erase);
    }
}

HWND paint_find(HWND filter) {
    for (HWND h : win_list()) {
        Window* w = handle_cast<Window>(h);
        if (!IsRectEmpty(&w->update) && win_is_visible(w) && msg_window_matches(filter, h)) return h;
    }
    return nullptr;
}

void paint_window_dying(Window* w) {
    for (HDC dc : w->dcs) gdi_delete_window_dc(dc);
    w->dcs.clear();
}

void paint_reset() {
    for (HDC dc : g_screen_dcs) gdi_delete_window_dc(dc);
    g_screen_dcs.clear();
}

}  // namespace plat

using namespace plat;

extern "C" {

BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
    if (!window) {
        // The desktop: every window.
        for (HWND h : win_list())
            if (Window* w = handle_cast<Window>(h); w && !w->parent) paint_invalidate(w, nullptr, erase);
        return TRUE;
    }
    Window* w = win_get(window);
    if (!w) return FALSE;
    paint_invalidate(w, rect, erase);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT* rect) {
    // As documented, a null window makes everything repaint.
    if (!window) return InvalidateRect(nullptr, nullptr, TRUE);
    Window* w = win_get(window);
    if (!w) return FALSE;
    w->update = rect ? subtract(w->update, *rect) : RECT{};
    if (IsRectEmpty(&w->update)) w->erase = false;
    return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND window, LPRECT rect, BOOL erase) {
    Window* w = win_get(window);
    if (!w) return FALSE;
    RECT update = w->update;
    if (rect) *rect = update;
    if (IsRectEmpty(&update)) return FALSE;
    if (erase && w->erase) {
        w->erase = false;
        send_erase(window, update);
    }
    return TRUE;
}

BOOL WINAPI UpdateWindow(HWND window) {
    Window* w = win_get(window);
    if (!w) return FALSE;
    if (!IsRectEmpty(&w->update) && win_is_visible(w)) {
        SendMessageA(window, WM_PAINT, 0, 0);
        if (handle_cast<Window>(window)) GetUpdateRect(window, nullptr, TRUE);
    }
    for (HWND child : win_children(window)) UpdateWindow(child);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    Window* w = win_get(window);
    if (!w) return nullptr;
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The region is valid from here on; what the handler draws is clipped to it.
    RECT update = w->update;
    bool erase = w->erase;
    w->update = RECT{};
    w->erase = false;
    HDC dc = window_dc(w, update);
    bool still_to_erase = false;
    if (erase) still_to_erase = !send_erase(window, update);
    // The erase may have destroyed the window, and its DCs with it.
    if (!handle_cast<Window>(window)) dc = nullptr;
    memset(paint, 0, sizeof *paint);
    paint->hdc = dc;
    paint->fErase = still_to_erase;
    paint->rcPaint = update;
    return dc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
    if (!paint) return FALSE;
    if (Window* w = handle_cast<Window>(window)) release_window_dc(w, paint->hdc);
    return TRUE;
}

HDC WINAPI GetDC(HWND window) {
    if (!window) {
        HDC dc = gdi_create_window_dc(nullptr, nullptr, RECT{});
        if (dc) g_screen_dcs.push_back(dc);
        return dc;
    }
    Window* w = win_get(window);
    return w ? window_dc(w, w->client_size()) : nullptr;
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    (void)window;  // the DC alone says whose it is
    if (!dc) return 0;
    auto screen = std::find(g_screen_dcs.begin(), g_screen_dcs.end(), dc);
    if (screen != g_screen_dcs.end()) {
        g_screen_dcs.erase(screen);
        gdi_delete_window_dc(dc);
        return 1;
    }
    HWND owner;
    RECT bounds;
    Window* w = gdi_window_dc_of(dc, &owner, &bounds) ? handle_cast<Window>(owner) : nullptr;
    return w && release_window_dc(w, dc) ? 1 : 0;
}

const DWORD* host_window_pixels(HWND window, int* width, int* height) {
    Window* w = win_get(window);
    if (!w) return nullptr;
    int w_, h_;
    const uint32_t* bits = gdi_surface_pixels(w->surface, &w_, &h_);
    if (width) *width = w_;
    if (height) *height = h_;
    return reinterpret_cast<const DWORD*>(bits);
}

COLORREF host_window_pixel(HWND window, int x, int y) {
    Window* w = win_get(window);
    if (!w) return CLR_INVALID;
    int width, height;
    const uint32_t* bits = gdi_surface_pixels(w->surface, &width, &height);
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    return colorref_from_pixel(bits[size_t(y) * size_t(width) + size_t(x)]);
}

}  // extern "C"
