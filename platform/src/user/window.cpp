// Windows: creation, destruction, relations, text, window longs, and the
// host reset.
#include <string.h>
#include <strings.h>

#include <algorithm>

#include <win32_host.h>

#include "backend/backend.h"
#include "clock.h"
#include "geometry.h"
#include "module.h"
#include "user/menu.h"
#include "user/nonclient.h"
#include "user/user_private.h"

namespace plat {

namespace {

// Every live window in creation order.
std::vector<HWND> g_windows;

bool is_default_coordinate(int v) { return v == CW_USEDEFAULT || v == 0x8000; }

// CW_USEDEFAULT for overlapped windows: the work area's corner and three
// quarters of its size; a y beside a default x is the show command.
void fix_coordinates(CREATESTRUCTA* cs, int* show) {
    if (cs->style & (WS_CHILD | WS_POPUP)) {
        if (is_default_coordinate(cs->x)) cs->x = cs->y = 0;
        if (is_default_coordinate(cs->cx)) cs->cx = cs->cy = 0;
        return;
    }
    SIZE screen = backend().screen_size();
    if (is_default_coordinate(cs->x)) {
        if (!is_default_coordinate(cs->y)) *show = cs->y;
        cs->x = 0;
        cs->y = 0;
    }
    auto rest = [](LONG extent, int from) { return int(std::max<int64_t>(0, int64_t(extent) * 3 / 4 - from)); };
    if (is_default_coordinate(cs->cx)) {
        cs->cx = rest(screen.cx, cs->x);
        cs->cy = rest(screen.cy, cs->y);
    } else if (is_default_coordinate(cs->cy)) {
        cs->cy = rest(screen.cy, cs->y);
    }
}

// Frees the window's resources and its handle; no messages.
void release_window(HWND hwnd) {
    Window* w = handle_cast<Window>(hwnd);
    if (!w) return;
    timers_drop_window(hwnd);
    queue_drop_window(hwnd);
    paint_window_dying(w);
    focus_window_dying(hwnd);
    dialog_window_dying(w);
    // A window's menu bar goes with it.
    if (!w->is_child() && w->menu) DestroyMenu(w->menu);
    backend().window_destroyed(hwnd);
    w->cls->windows--;
    g_windows.erase(std::remove(g_windows.begin(), g_windows.end(), hwnd), g_windows.end());
    handle_free(hwnd);
}

// The last step of destruction: children first, each gets WM_NCDESTROY and
// goes. Also ends a creation that WM_NCCREATE or WM_CREATE refused.
void finish_destroy(HWND hwnd) {
    for (HWND child : win_children(hwnd)) finish_destroy(child);
    Window* w = handle_cast<Window>(hwnd);
    if (!w) return;
    w->destroying = true;
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    release_window(hwnd);
}

// WM_DESTROY to the window, then to its children, parents first.
void send_destroy(HWND hwnd) {
    if (GetActiveWindow() == hwnd) focus_activate_other(hwnd);
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : win_children(hwnd)) {
        Window* c = handle_cast<Window>(child);
        if (!c || c->destroying) continue;
        c->destroying = true;
        send_destroy(child);
    }
}

// A new window's relations: the owner of a top-level window (its parent's
// top-level ancestor) and its menu bar, the one given or else the class menu
// (*class_menu, which a failed creation destroys). False, with the error
// set, when they are not valid.
bool check_relations(const WindowClass* cls, DWORD style, HWND parent, HINSTANCE instance, HWND* owner, HMENU* menu,
                     HMENU* class_menu) {
    const bool child = (style & (WS_CHILD | WS_POPUP)) == WS_CHILD;
    if (parent) {
        if (!win_get(parent)) return false;
        if (!child) *owner = win_top_level(parent);
    } else if (child) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return false;
    }
    if (child) return true;
    if (*menu && !handle_cast<Menu>(*menu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return false;
    }
    if (!*menu && cls->menu_name) {
        *menu = LoadMenuA(instance ? instance : cls->instance, cls->menu_name);
        *class_menu = *menu;
    }
    return true;
}

// The window CreateWindowExA makes of `cs`, in no table yet.
Window* new_window(WindowClass* cls, const CREATESTRUCTA& cs, HWND owner) {
    const DWORD style = DWORD(cs.style);
    Window* w = new Window;
    w->cls = cls;
    w->proc = cls->proc;
    w->instance = cs.hInstance;
    w->style = style & ~WS_VISIBLE;
    w->ex_style = cs.dwExStyle;
    if ((style & (WS_CHILD | WS_POPUP)) != WS_CHILD) {
        // Top-level windows always clip their siblings; overlapped ones always have a caption.
        w->style |= WS_CLIPSIBLINGS;
        if (!(style & WS_POPUP)) {
            w->style |= WS_CAPTION;
            w->need_size = true;
        }
        if ((w->style & (WS_DLGFRAME | WS_THICKFRAME)) && !(w->style & (WS_CHILD | WS_POPUP)))
            w->ex_style |= WS_EX_WINDOWEDGE;
        w->owner = owner;
        w->menu = cs.hMenu;
    } else {
        w->parent = cs.hwndParent;
        w->id = reinterpret_cast<LONG_PTR>(cs.hMenu);
    }
    w->extra.assign(size_t(cls->window_extra), 0);
    return w;
}

// WM_NCCREATE and WM_CREATE, the window placed between them; false when
// the window refused (it is then destroyed) or is gone.
bool send_create_messages(HWND hwnd, CREATESTRUCTA* cs, const RECT& rect) {
    if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(cs))) {
        finish_destroy(hwnd);
        return false;
    }
    if (!handle_cast<Window>(hwnd) || !win_set_rect(hwnd, rect)) return false;
    if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(cs)) == -1) {
        finish_destroy(hwnd);
        return false;
    }
    return handle_cast<Window>(hwnd) != nullptr;
}

// The new window meets the backend, gets its size messages, and shows if
// its style asks it to.
HWND show_created(HWND hwnd, DWORD style, int show) {
    backend().window_created(hwnd);
    if (!handle_cast<Window>(hwnd)->need_size) win_send_size_messages(hwnd);
    if (style & WS_VISIBLE) {
        if (style & WS_MAXIMIZE)
            show = SW_SHOW;
        else if (style & WS_MINIMIZE)
            show = SW_SHOWMINIMIZED;
        ShowWindow(hwnd, show);
    }
    return handle_cast<Window>(hwnd) ? hwnd : nullptr;
}

}  // namespace

Window::~Window() { gdi_free_surface(surface); }

Window* win_get(HWND window) {
    Window* w = handle_cast<Window>(window);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

std::vector<HWND> win_list() { return g_windows; }

std::vector<HWND> win_children(HWND parent) {
    std::vector<HWND> children;
    for (HWND h : g_windows)
        if (handle_cast<Window>(h)->parent == parent && parent) children.push_back(h);
    return children;
}

bool win_is_descendant(HWND ancestor, HWND window) {
    Window* w = handle_cast<Window>(window);
    while (w && w->parent) {
        if (w->parent == ancestor) return true;
        w = handle_cast<Window>(w->parent);
    }
    return false;
}

HWND win_top_level(HWND window) {
    Window* w = handle_cast<Window>(window);
    while (w && w->parent) {
        window = w->parent;
        w = handle_cast<Window>(window);
    }
    return w ? window : nullptr;
}

bool win_is_visible(const Window* w) {
    while (w) {
        if (!(w->style & WS_VISIBLE)) return false;
        if (!w->parent) return true;
        w = handle_cast<Window>(w->parent);
    }
    return false;
}

void win_set_text(Window* w, LPCSTR text) {
    w->text = text ? text : "";
    backend().title_changed(w->hwnd());
}

int text_copy(const std::string& text, LPSTR buffer, int size) {
    int n = std::min(int(text.size()), size - 1);
    memcpy(buffer, text.data(), size_t(n));
    buffer[n] = '\0';
    return n;
}

POINT win_client_origin(const Window* w) {
    // Each offset is within the coordinate limit, but a deep enough nest of
    // them is not: summed in 64 bits and saturated.
    int64_t x = 0, y = 0;
    for (; w; w = w->parent ? handle_cast<Window>(w->parent) : nullptr) {
        x += w->client_rect.left;
        y += w->client_rect.top;
    }
    return POINT{saturate(x), saturate(y)};
}

}  // namespace plat

using namespace plat;

extern "C" {

HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    WindowClass* cls = class_find(class_name, instance);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    HWND owner = nullptr;
    HMENU class_menu = nullptr;
    if (!check_relations(cls, style, parent, instance, &owner, &menu, &class_menu)) return nullptr;

    CREATESTRUCTA cs = {param, instance ? instance : cls->instance, menu, parent, height, width, y, x, LONG(style),
                        window_name, class_name, ex_style};
    int show = SW_SHOW;
    fix_coordinates(&cs, &show);
    Window* w = new_window(cls, cs, owner);
    HWND hwnd = static_cast<HWND>(handle_alloc(w, ObjType::Window));
    if (!hwnd) {
        if (class_menu) DestroyMenu(class_menu);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    cls->windows++;
    g_windows.push_back(hwnd);

    RECT rect = win_rect_from(cs.x, cs.y, cs.cx, cs.cy);
    w->window_rect = rect;
    w->client_rect = nc_client_rect(rect, w->style, w->has_menu_bar(), w->ex_style);
    w->surface = gdi_new_surface(0, 0, 0);
    if (!send_create_messages(hwnd, &cs, rect)) return nullptr;
    return show_created(hwnd, style, show);
}

BOOL WINAPI DestroyWindow(HWND window) {
    Window* w = win_get(window);
    if (!w) return FALSE;
    // A window procedure may call it again from WM_DESTROY; once is enough.
    if (w->destroying) return TRUE;
    w->destroying = true;
    bool child = w->is_child();

    if (w->style & WS_VISIBLE) {
        // Top-level windows disappear without WM_SHOWWINDOW.
        if (child)
            ShowWindow(window, SW_HIDE);
        else
            win_hide_quietly(window);
    }
    if (!handle_cast<Window>(window)) return TRUE;

    // Owned windows go first.
    if (!child) {
        for (HWND h : win_list()) {
            Window* o = handle_cast<Window>(h);
            if (o && o->owner == window && !o->destroying) DestroyWindow(h);
        }
    }
    if (!handle_cast<Window>(window)) return TRUE;

    send_destroy(window);
    finish_destroy(window);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND window) { return handle_cast<Window>(window) != nullptr; }

BOOL WINAPI IsChild(HWND parent, HWND window) { return handle_cast<Window>(parent) && win_is_descendant(parent, window); }

BOOL WINAPI IsWindowVisible(HWND window) { return win_is_visible(handle_cast<Window>(window)); }

BOOL WINAPI IsWindowEnabled(HWND window) {
    Window* w = win_get(window);
    return w && !(w->style & WS_DISABLED);
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
    Window* w = win_get(window);
    if (!w) return FALSE;
    bool was_disabled = w->style & WS_DISABLED;
    if (enable && was_disabled) {
        w->style &= ~WS_DISABLED;
        SendMessageA(window, WM_ENABLE, TRUE, 0);
    } else if (!enable && !was_disabled) {
        w->style |= WS_DISABLED;
        HWND focus = GetFocus();
        if (focus == window || win_is_descendant(window, focus)) SetFocus(nullptr);
        SendMessageA(window, WM_ENABLE, FALSE, 0);
    }
    return was_disabled;
}

HWND WINAPI GetParent(HWND window) {
    Window* w = win_get(window);
    if (!w) return nullptr;
    if (w->style & WS_CHILD) return w->parent;
    if (w->style & WS_POPUP) return w->owner;
    return nullptr;
}

HWND WINAPI GetWindow(HWND window, UINT relation) {
    Window* w = win_get(window);
    if (!w) return nullptr;
    if (relation == GW_OWNER) return w->owner;
    if (relation == GW_CHILD) {
        std::vector<HWND> children = win_children(window);
        return children.empty() ? nullptr : children.front();
    }
    // Siblings from the top: children in creation order, top-level windows newest first.
    std::vector<HWND> siblings;
    if (w->parent) {
        siblings = win_children(w->parent);
    } else {
        for (HWND h : g_windows)
            if (!handle_cast<Window>(h)->parent) siblings.insert(siblings.begin(), h);
    }
    auto it = std::find(siblings.begin(), siblings.end(), window);
    switch (relation) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return it + 1 != siblings.end() ? *(it + 1) : nullptr;
    case GW_HWNDPREV: return it != siblings.begin() ? *(it - 1) : nullptr;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

int WINAPI GetDlgCtrlID(HWND window) { return int(GetWindowLongPtrA(window, GWLP_ID)); }

HWND WINAPI FindWindowA(LPCSTR class_name, LPCSTR window_name) {
    WindowClass* cls = nullptr;
    if (class_name) {
        cls = class_find(class_name, nullptr);
        if (!cls) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
    }
    // Top-level windows, newest (topmost) first; titles compare without case.
    for (auto it = g_windows.rbegin(); it != g_windows.rend(); ++it) {
        Window* w = handle_cast<Window>(*it);
        if (w->parent) continue;
        if (cls && strcasecmp(w->cls->name.c_str(), cls->name.c_str()) != 0) continue;
        if (window_name && strcasecmp(w->text.c_str(), window_name) != 0) continue;
        return *it;
    }
    return nullptr;
}

int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    return int(SendMessageA(window, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(buffer)));
}

int WINAPI GetWindowTextLengthA(HWND window) { return int(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)); }

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    if (!win_get(window)) return FALSE;
    return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index) {
    Window* w = win_get(window);
    if (!w) return 0;
    if (index >= 0) {
        if (!extra_fits(w->extra, index, sizeof(LONG_PTR))) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        LONG_PTR value;
        memcpy(&value, &w->extra[size_t(index)], sizeof value);
        return value;
    }
    switch (index) {
    case GWL_STYLE: return LONG_PTR(w->style);
    case GWL_EXSTYLE: return LONG_PTR(w->ex_style);
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    // A top-level window keeps its menu where a child keeps its identifier.
    case GWLP_ID: return w->is_child() ? w->id : reinterpret_cast<LONG_PTR>(w->menu);
    case GWLP_USERDATA: return w->user_data;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
    if (index >= 0) {
        Window* w = win_get(window);
        if (!w) return 0;
        if (!extra_fits(w->extra, index, sizeof(LONG))) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        LONG value;
        memcpy(&value, &w->extra[size_t(index)], sizeof value);
        return value;
    }
    return LONG(GetWindowLongPtrA(window, index));
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    Window* w = win_get(window);
    if (!w) return 0;
    LONG_PTR old = 0;
    if (index >= 0) {
        if (!extra_fits(w->extra, index, sizeof(LONG_PTR))) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        memcpy(&old, &w->extra[size_t(index)], sizeof old);
        memcpy(&w->extra[size_t(index)], &value, sizeof value);
        return old;
    }
    switch (index) {
    case GWL_STYLE:
        old = LONG_PTR(w->style);
        w->style = DWORD(value);
        return old;
    case GWL_EXSTYLE:
        old = LONG_PTR(w->ex_style);
        w->ex_style = DWORD(value);
        return old;
    case GWLP_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(value);
        return old;
    case GWLP_HWNDPARENT: {
        // Changes the owner of a top-level window.
        HWND owner = reinterpret_cast<HWND>(value);
        if (w->is_child() || (owner && !win_get(owner))) return 0;
        old = reinterpret_cast<LONG_PTR>(w->owner);
        w->owner = owner ? win_top_level(owner) : nullptr;
        return old;
    }
    case GWLP_ID:
        if (w->is_child()) {
            old = w->id;
            w->id = value;
        } else {
            old = reinterpret_cast<LONG_PTR>(w->menu);
            w->menu = reinterpret_cast<HMENU>(value);
        }
        return old;
    case GWLP_USERDATA:
        old = w->user_data;
        w->user_data = value;
        return old;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

void host_reset_process(void) {
    // Children before parents, so no release looks at a freed parent.
    std::vector<HWND> windows = g_windows;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) release_window(*it);
    g_windows.clear();
    queue_reset();
    timers_reset();
    paint_reset();
    focus_reset();
    input_reset();
    classes_reset();
    gdi_reset();
    modules_reset();
    clock_set_virtual(false);
}

}  // extern "C"
