// The browser backend: every top-level window becomes an element of the page
// (frame, caption, a menu bar built from its menu, and a <canvas> showing the
// window's surface); dialog controls become page elements over it. The page
// side lives in web_page.js, reached through web.js; this side describes
// windows to it and takes its input. The program runs in a worker; waits suspend it (Asyncify) until
// input or a deadline, so the worker takes the page's messages in between.
#include <emscripten.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <string>
#include <unordered_map>
#include <vector>

#include <win32_host.h>
#include <windows.h>

#include "backend/backend.h"
#include "backend/web.h"
#include "backend/window_query.h"

extern "C" {
// Implemented in web.js.
void web_start(const char* json);
void web_window_create(const char* json);
void web_window_destroy(HWND window);
void web_window_show(HWND window, int visible);
void web_window_place(const char* json);
void web_window_title(HWND window, const char* title);
void web_window_icon(HWND window, const BYTE* rgba, int width, int height);
void web_control_icon(HWND control, const BYTE* rgba, int width, int height);
void web_window_focus(HWND window);
void web_window_enabled(HWND window, int enabled);
void web_pixels_due(HWND window);
void web_program_ended(int code);
int web_screen_width(void);
int web_screen_height(void);
// Suspends the program (Asyncify) until input was queued or `timeout_ms`
// passed (negative: input alone). The page's handlers run meanwhile.
void web_wait(double timeout_ms);
}

namespace plat {

namespace {

// ---- JSON for the page ----------------------------------------------------

void json_string(std::string& out, const std::string& text) {
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    out += '"';
}

// Ends an object whose last field left its comma.
void json_close(std::string& out) {
    if (!out.empty() && out.back() == ',') out.pop_back();
    out += '}';
}

void json_name(std::string& out, const char* name) {
    out += '"';
    out += name;
    out += "\":";
}

void json_field(std::string& out, const char* name, long long value) {
    json_name(out, name);
    out += std::to_string(value);
    out += ',';
}

void json_field(std::string& out, const char* name, bool value) {
    json_name(out, name);
    out += value ? "true," : "false,";
}

void json_field(std::string& out, const char* name, const std::string& value) {
    json_name(out, name);
    json_string(out, value);
    out += ',';
}

void json_rect(std::string& out, const char* name, const RECT& r) {
    json_name(out, name);
    out += '[' + std::to_string(r.left) + ',' + std::to_string(r.top) + ',' + std::to_string(r.right - r.left) + ',' +
           std::to_string(r.bottom - r.top) + "],";
}

// ---- Keys -----------------------------------------------------------------

// The virtual keys the page's own menu handling names, and the browser's key
// codes (KeyboardEvent.code, a key's place on a US keyboard) that make them.
struct NamedKey {
    const char* name;
    UINT vk;
    const char* codes[2];
};
constexpr NamedKey kNamedKeys[] = {
    {"BACK", VK_BACK, {"Backspace"}},       {"TAB", VK_TAB, {"Tab"}},
    {"RETURN", VK_RETURN, {"Enter", "NumpadEnter"}},
    {"SHIFT", VK_SHIFT, {"ShiftLeft", "ShiftRight"}},
    {"CONTROL", VK_CONTROL, {"ControlLeft", "ControlRight"}},
    {"MENU", VK_MENU, {"AltLeft", "AltRight"}}, {"ESCAPE", VK_ESCAPE, {"Escape"}},
    {"SPACE", VK_SPACE, {"Space"}},          {"LEFT", VK_LEFT, {"ArrowLeft"}},
    {"UP", VK_UP, {"ArrowUp"}},              {"RIGHT", VK_RIGHT, {"ArrowRight"}},
    {"DOWN", VK_DOWN, {"ArrowDown"}},        {"F10", VK_F10, {}},
    {"OEM_2", VK_OEM_2, {"Slash"}},
};

// Handed to the page once, before any window: what it needs of windows.h.
std::string page_constants() {
    std::string out = "{\"vk\":{";
    for (const NamedKey& k : kNamedKeys) json_field(out, k.name, (long long)k.vk);
    json_close(out);
    out += ",\"codes\":{";
    for (const NamedKey& k : kNamedKeys)
        for (const char* code : k.codes)
            if (code) json_field(out, code, (long long)k.vk);
    for (char c = 'A'; c <= 'Z'; ++c) json_field(out, (std::string("Key") + c).c_str(), (long long)c);
    for (char c = '0'; c <= '9'; ++c) json_field(out, (std::string("Digit") + c).c_str(), (long long)c);
    for (int n = 1; n <= 12; ++n) json_field(out, ("F" + std::to_string(n)).c_str(), (long long)(VK_F1 + n - 1));
    json_close(out);
    json_close(out);
    return out;
}

// The virtual key a menu mnemonic is typed with: letters and digits.
UINT mnemonic_key(UINT ch) {
    if (ch >= 'a' && ch <= 'z') return ch - 'a' + 'A';
    if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) return ch;
    return 0;
}

// ---- Menus ----------------------------------------------------------------

// A key of an accelerator as aria-keyshortcuts writes it, or "".
std::string shortcut_text(const ACCEL& a) {
    std::string key;
    if (!(a.fVirt & FVIRTKEY) && a.key > ' ' && a.key <= '~') key = std::string(1, char(a.key));
    else if ((a.fVirt & FVIRTKEY) && mnemonic_key(a.key) == a.key && a.key) key = std::string(1, char(a.key));
    else if ((a.fVirt & FVIRTKEY) && a.key >= VK_F1 && a.key < VK_F1 + 12) key = "F" + std::to_string(a.key - VK_F1 + 1);
    if (key.empty()) return key;
    return std::string(a.fVirt & FCONTROL ? "Control+" : "") + (a.fVirt & FALT ? "Alt+" : "") +
           (a.fVirt & FSHIFT ? "Shift+" : "") + key;
}

// The accelerators a window's menu goes with: by the usual practice, the
// table named like the class's menu. Only offered to assistive technology;
// the keys themselves reach the program, whose loop translates them.
std::vector<ACCEL> menu_accelerators(HWND window) {
    std::vector<ACCEL> out;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetClassLongPtrA(window, GCLP_HMODULE));
    LPCSTR name = reinterpret_cast<LPCSTR>(GetClassLongPtrA(window, GCLP_MENUNAME));
    HACCEL table = name ? LoadAcceleratorsA(instance, name) : nullptr;
    if (!table) return out;
    out.resize(size_t(CopyAcceleratorTableA(table, nullptr, 0)));
    if (!out.empty()) CopyAcceleratorTableA(table, out.data(), int(out.size()));
    DestroyAcceleratorTable(table);
    return out;
}

std::string shortcuts_of(UINT id, const std::vector<ACCEL>& accelerators) {
    std::string out;
    for (const ACCEL& a : accelerators) {
        std::string text = a.cmd == id ? shortcut_text(a) : "";
        if (!text.empty()) out += (out.empty() ? "" : " ") + text;
    }
    return out;
}

void json_menu(std::string& out, HMENU menu, const std::vector<ACCEL>& accelerators) {
    out += '[';
    int n = host_get_menu_items(menu, nullptr, 0);
    std::vector<HOST_MENU_ITEM> items(size_t(n > 0 ? n : 0));
    if (n > 0) host_get_menu_items(menu, items.data(), n);
    for (size_t i = 0; i < items.size(); ++i) {
        const HOST_MENU_ITEM& item = items[i];
        out += i ? ",{" : "{";
        json_field(out, "id", (long long)item.id);
        json_field(out, "separator", (item.flags & MF_SEPARATOR) != 0);
        json_field(out, "usable", !(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)));
        json_field(out, "key", (long long)mnemonic_key(item.mnemonic));
        json_field(out, "shortcuts", shortcuts_of(item.id, accelerators));
        if ((item.flags & MF_POPUP) && item.submenu) {
            json_name(out, "items");
            json_menu(out, item.submenu, accelerators);
            out += ',';
        }
        json_field(out, "text", std::string(item.text));
        json_close(out);
    }
    out += ']';
}

// ---- Windows --------------------------------------------------------------

// A top-level window's frame and client area on the screen.
void screen_rects(HWND window, RECT* frame, RECT* client) {
    GetWindowRect(window, frame);
    GetClientRect(window, client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(client, origin.x, origin.y);
}

bool is_control(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && GetParent(window); }

// Where the page puts a window: a top-level one's frame and client area on
// the screen; a control's rectangle in its dialog's client area.
std::string placement(HWND window) {
    std::string out = "{";
    json_field(out, "hwnd", (long long)reinterpret_cast<intptr_t>(window));
    if (is_control(window)) {
        json_rect(out, "frame", control_rect(window));
    } else {
        RECT frame, client;
        screen_rects(window, &frame, &client);
        json_rect(out, "frame", frame);
        json_rect(out, "client", client);
    }
    json_close(out);
    return out;
}

// A control as the page shows it: a button, an icon or a label.
void describe_control(std::string& out, HWND window, LONG style) {
    json_field(out, "parent", (long long)reinterpret_cast<intptr_t>(GetParent(window)));
    bool button = has_class(window, "Button");
    bool icon = has_class(window, "Static") && (style & SS_TYPEMASK) == SS_ICON;
    json_field(out, "kind", std::string(icon ? "icon" : button ? "button" : "label"));
    json_field(out, "defaultButton", button && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    json_field(out, "prefix", button || !(style & SS_NOPREFIX));
}

// A top-level window's frame parts take the platform's sizes: the border is
// what lies left of the client area, the caption what a window without a
// menu has above it besides the border.
void describe_top_level(std::string& out, HWND window, LONG style) {
    json_field(out, "owner", (long long)reinterpret_cast<intptr_t>(GetWindow(window, GW_OWNER)));
    json_field(out, "closable", (style & WS_SYSMENU) != 0);
    RECT frame, client;
    screen_rects(window, &frame, &client);
    int border = client.left - frame.left;
    RECT bare = {0, 0, 0, 0};
    AdjustWindowRectEx(&bare, DWORD(style), FALSE, DWORD(GetWindowLongA(window, GWL_EXSTYLE)));
    json_field(out, "border", (long long)border);
    json_field(out, "caption", (long long)(-bare.top - border));
    if (HMENU menu = GetMenu(window)) {
        json_name(out, "menu");
        json_menu(out, menu, menu_accelerators(window));
        out += ',';
    }
}

void send_icons(HWND window, bool control) {
    IconPixels icon;
    if (control) {
        if (icon_pixels(reinterpret_cast<HICON>(SendMessageA(window, STM_GETICON, 0, 0)), &icon))
            web_control_icon(window, icon.rgba.data(), icon.width, icon.height);
    } else if (icon_pixels(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM)), &icon)) {
        web_window_icon(window, icon.rgba.data(), icon.width, icon.height);
    }
}

// A window's pixels for the page: R, G, B, A bytes as a canvas takes them,
// converted where they changed, when the page is about to show them.
struct Shown {
    RECT dirty = {0, 0, 0, 0};  // client coordinates, not yet converted
    unsigned updates = 0;       // surface updates so far
    int width = 0, height = 0;
    std::vector<uint32_t> rgba;
};

// What web_frame hands the page: pixels, size and the rectangle that changed.
struct Frame {
    const uint32_t* rgba;
    int width, height, left, top, right, bottom;
};

class WebBackend final : public Backend {
public:
    WebBackend() { web_start(page_constants().c_str()); }

    void window_created(HWND window) override {
        LONG style = GetWindowLongA(window, GWL_STYLE);
        bool control = is_control(window);
        std::string out = "{";
        json_field(out, "visible", (style & WS_VISIBLE) != 0);
        json_field(out, "title", window_text(window));
        if (control) describe_control(out, window, style);
        else describe_top_level(out, window, style);
        json_name(out, "place");
        out += placement(window);
        json_close(out);
        web_window_create(out.c_str());
        send_icons(window, control);
        if (!control) enabled_[window] = true;
    }

    void window_destroyed(HWND window) override {
        shown_.erase(window);
        enabled_.erase(window);
        if (focus_ == window) focus_ = nullptr;
        web_window_destroy(window);
    }

    void window_shown(HWND window, bool visible) override { web_window_show(window, visible); }

    void window_moved(HWND window) override { web_window_place(placement(window).c_str()); }

    void title_changed(HWND window) override { web_window_title(window, window_text(window).c_str()); }

    // The page fetches pixels when it next shows them; it is told once per
    // stretch of changes.
    void surface_updated(HWND window, const RECT& r) override {
        Shown& s = shown_[window];
        bool was_clean = IsRectEmpty(&s.dirty);
        add_dirty(&s.dirty, r);
        ++s.updates;
        if (was_clean && !IsRectEmpty(&s.dirty)) web_pixels_due(window);
    }

    int64_t now_ms() override { return int64_t(emscripten_get_now()); }

    bool wait(int64_t deadline_ms) override {
        report_focus();
        report_enabled();
        double timeout = deadline_ms < 0 ? -1.0 : double(deadline_ms - now_ms());
        if (deadline_ms >= 0 && timeout < 0) timeout = 0;
        web_wait(timeout);
        return true;
    }

    SIZE screen_size() override { return SIZE{web_screen_width(), web_screen_height()}; }

    unsigned updates(HWND window) const {
        auto it = shown_.find(window);
        return it == shown_.end() ? 0 : it->second.updates;
    }

    const Frame* frame(HWND window);

private:
    // The page's keyboard focus follows USER's, as it stands when the program waits.
    void report_focus() {
        HWND focus = GetFocus();
        if (focus == focus_) return;
        focus_ = focus;
        if (focus) web_window_focus(focus);
    }

    // The page answers the menus of top-level windows that take input; it
    // learns what changed when the program waits.
    void report_enabled() {
        for (auto& [window, enabled] : enabled_) {
            bool now = IsWindowEnabled(window) != FALSE;
            if (now == enabled) continue;
            enabled = now;
            web_window_enabled(window, now);
        }
    }

    std::unordered_map<HWND, Shown> shown_;
    std::unordered_map<HWND, bool> enabled_;  // top-level windows, as the page last heard
    HWND focus_ = nullptr;
    Frame frame_ = {};
};

// The surface is 0x00RRGGBB words, so B, G, R, 0 bytes: the canvas wants
// them as R, G, B, 255. Only the changed rectangle is converted, and only
// for a frame the page shows.
const Frame* WebBackend::frame(HWND window) {
    auto it = shown_.find(window);
    if (it == shown_.end() || IsRectEmpty(&it->second.dirty)) return nullptr;
    Shown& s = it->second;
    RECT r = s.dirty;
    s.dirty = RECT{0, 0, 0, 0};
    int width = 0, height = 0;
    const DWORD* pixels = host_window_pixels(window, &width, &height);
    if (!pixels || width <= 0 || height <= 0) return nullptr;
    if (width != s.width || height != s.height) {
        s.width = width;
        s.height = height;
        s.rgba.assign(size_t(width) * size_t(height), 0xff000000u);
        r = RECT{0, 0, width, height};
    }
    RECT bounds = {0, 0, width, height};
    if (!IntersectRect(&r, &r, &bounds)) return nullptr;
    for (int y = r.top; y < r.bottom; ++y) {
        const DWORD* in = pixels + size_t(y) * size_t(width);
        uint32_t* out = s.rgba.data() + size_t(y) * size_t(width);
        for (int x = r.left; x < r.right; ++x) {
            uint32_t p = in[x];  // stored little-endian, 0xAABBGGRR is R, G, B, A
            out[x] = 0xff000000u | ((p & 0xff) << 16) | (p & 0xff00) | ((p >> 16) & 0xff);
        }
    }
    frame_ = Frame{s.rgba.data(), width, height, int(r.left), int(r.top), int(r.right), int(r.bottom)};
    return &frame_;
}

WebBackend& web() {
    static WebBackend backend;
    return backend;
}

}  // namespace

Backend& backend() { return web(); }

void web_report_exit(int code) { web_program_ended(code); }

}  // namespace plat

// Called for the page's messages while the program waits; each ends the wait.
extern "C" {

EMSCRIPTEN_KEEPALIVE void web_key(int virtual_key, int down) {
    if (down) host_key_down(UINT(virtual_key));
    else host_key_up(UINT(virtual_key));
}

EMSCRIPTEN_KEEPALIVE void web_command(HWND window, int id) { host_menu_command(window, UINT(id)); }

EMSCRIPTEN_KEEPALIVE void web_click(HWND control) { host_click_button(control); }

EMSCRIPTEN_KEEPALIVE void web_close(HWND window) { host_close_window(window); }

// Surface updates of a window so far: one per paint of it.
EMSCRIPTEN_KEEPALIVE unsigned web_updates(HWND window) { return plat::web().updates(window); }

// The window's pixels as they are now, for the page to show: NULL when
// nothing changed since the last time.
EMSCRIPTEN_KEEPALIVE const void* web_frame(HWND window) { return plat::web().frame(window); }

}  // extern "C"
