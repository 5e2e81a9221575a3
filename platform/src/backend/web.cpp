// The browser backend: every top-level window becomes an element of the page
// (frame, caption, a menu bar built from its menu, and a <canvas> showing the
// window's surface); dialog controls become page elements over it. The page
// side lives in web.js; this side describes windows to it and takes its
// input. Waits suspend the program (Asyncify) until input or a deadline, so
// the browser runs in between.
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
void web_window_create(const char* json);
void web_window_destroy(HWND window);
void web_window_show(HWND window, int visible);
void web_window_place(const char* json);
void web_window_title(HWND window, const char* title);
void web_window_icon(HWND window, int small, const BYTE* rgba, int width, int height);
void web_control_icon(HWND control, const BYTE* rgba, int width, int height);
void web_present(HWND window, const BYTE* rgba, int width, int height, int left, int top, int right, int bottom);
void web_program_ended(int code);
int web_screen_width(void);
int web_screen_height(void);
}

// Suspends the program until input was queued or `timeout_ms` passed
// (negative: input alone). The page's handlers run meanwhile.
EM_ASYNC_JS(void, web_wait, (double timeout_ms), { await Module.win32Wait(timeout_ms); });

namespace plat {

namespace {

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

void json_field(std::string& out, const char* name, long long value) {
    out += '"';
    out += name;
    out += "\":";
    out += std::to_string(value);
    out += ',';
}

void json_rect(std::string& out, const char* name, const RECT& r) {
    out += '"';
    out += name;
    out += "\":[";
    out += std::to_string(r.left) + ',' + std::to_string(r.top) + ',' + std::to_string(r.right - r.left) + ',' +
           std::to_string(r.bottom - r.top) + "],";
}

void json_menu(std::string& out, HMENU menu) {
    out += '[';
    int n = host_get_menu_items(menu, nullptr, 0);
    std::vector<HOST_MENU_ITEM> items(size_t(n > 0 ? n : 0));
    if (n > 0) host_get_menu_items(menu, items.data(), n);
    for (size_t i = 0; i < items.size(); ++i) {
        const HOST_MENU_ITEM& item = items[i];
        if (i) out += ',';
        out += '{';
        json_field(out, "id", item.id);
        json_field(out, "flags", item.flags);
        json_field(out, "mnemonic", item.mnemonic);
        if ((item.flags & MF_POPUP) && item.submenu) {
            out += "\"items\":";
            json_menu(out, item.submenu);
            out += ',';
        }
        out += "\"text\":";
        json_string(out, item.text);
        json_close(out);
    }
    out += ']';
}

// The window's frame and client area on the screen, and its styles.
std::string placement(HWND window) {
    std::string out = "{";
    json_field(out, "hwnd", reinterpret_cast<intptr_t>(window));
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    HWND parent = GetParent(window);
    if (parent && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
        // Controls are placed in their parent's client area.
        POINT parent_origin = {0, 0};
        ClientToScreen(parent, &parent_origin);
        OffsetRect(&frame, -parent_origin.x, -parent_origin.y);
        OffsetRect(&client, -parent_origin.x, -parent_origin.y);
    }
    json_rect(out, "frame", frame);
    json_rect(out, "client", client);
    json_close(out);
    return out;
}

struct Shown {
    RECT dirty = {0, 0, 0, 0};  // client coordinates, to go to the page at the next wait
    unsigned updates = 0;       // surface updates so far
};

class WebBackend final : public Backend {
public:
    void window_created(HWND window) override {
        LONG style = GetWindowLongA(window, GWL_STYLE);
        bool child = (style & WS_CHILD) != 0;
        std::string out = "{";
        json_field(out, "hwnd", reinterpret_cast<intptr_t>(window));
        json_field(out, "style", style);
        json_field(out, "visible", (style & WS_VISIBLE) != 0);
        out += "\"title\":";
        json_string(out, window_text(window));
        out += ',';
        if (child) {
            json_field(out, "parent", reinterpret_cast<intptr_t>(GetParent(window)));
            json_field(out, "id", GetDlgCtrlID(window));
            out += "\"kind\":";
            bool icon = has_class(window, "Static") && (style & SS_TYPEMASK) == SS_ICON;
            json_string(out, icon ? "icon" : has_class(window, "Button") ? "button" : "label");
            out += ',';
        } else {
            json_field(out, "owner", reinterpret_cast<intptr_t>(GetWindow(window, GW_OWNER)));
            // The frame takes the platform's sizes: the border is what lies
            // left of the client area, the caption what a window without a
            // menu has above it besides the border.
            RECT frame, client;
            GetWindowRect(window, &frame);
            GetClientRect(window, &client);
            POINT origin = {0, 0};
            ClientToScreen(window, &origin);
            int border = origin.x - frame.left;
            RECT bare = {0, 0, 0, 0};
            AdjustWindowRectEx(&bare, DWORD(style), FALSE, DWORD(GetWindowLongA(window, GWL_EXSTYLE)));
            json_field(out, "border", border);
            json_field(out, "caption", -bare.top - border);
            if (HMENU menu = GetMenu(window)) {
                out += "\"menu\":";
                json_menu(out, menu);
                out += ',';
            }
        }
        out += "\"place\":";
        out += placement(window);
        json_close(out);
        web_window_create(out.c_str());

        if (child) {
            IconPixels icon;
            if (icon_pixels(reinterpret_cast<HICON>(SendMessageA(window, STM_GETICON, 0, 0)), &icon))
                web_control_icon(window, icon.rgba.data(), icon.width, icon.height);
            return;
        }
        const int kinds[2] = {GCLP_HICON, GCLP_HICONSM};
        for (int small = 0; small < 2; ++small) {
            IconPixels icon;
            if (icon_pixels(reinterpret_cast<HICON>(GetClassLongPtrA(window, kinds[small])), &icon))
                web_window_icon(window, small, icon.rgba.data(), icon.width, icon.height);
        }
    }

    void window_destroyed(HWND window) override {
        shown_.erase(window);
        web_window_destroy(window);
    }

    void window_shown(HWND window, bool visible) override { web_window_show(window, visible); }

    void window_moved(HWND window) override { web_window_place(placement(window).c_str()); }

    void title_changed(HWND window) override { web_window_title(window, window_text(window).c_str()); }

    // Collected here and shown at the next wait, once per yield to the browser.
    void surface_updated(HWND window, const RECT& r) override {
        Shown& s = shown_[window];
        add_dirty(&s.dirty, r);
        ++s.updates;
    }

    int64_t now_ms() override { return int64_t(emscripten_get_now()); }

    bool wait(int64_t deadline_ms) override {
        present();
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

private:
    void present() {
        for (auto& [window, s] : shown_) {
            if (IsRectEmpty(&s.dirty)) continue;
            int width = 0, height = 0;
            const DWORD* pixels = host_window_pixels(window, &width, &height);
            RECT r = s.dirty;
            s.dirty = RECT{0, 0, 0, 0};
            if (!pixels || width <= 0 || height <= 0) continue;
            RECT bounds = {0, 0, width, height};
            if (!IntersectRect(&r, &r, &bounds)) continue;
            rgba_.resize(size_t(width) * size_t(height) * 4);
            for (int y = r.top; y < r.bottom; ++y) {
                const DWORD* in = pixels + size_t(y) * size_t(width);
                BYTE* out = rgba_.data() + size_t(y) * size_t(width) * 4;
                for (int x = r.left; x < r.right; ++x) {
                    DWORD p = in[x];
                    out[x * 4 + 0] = BYTE(p >> 16);
                    out[x * 4 + 1] = BYTE(p >> 8);
                    out[x * 4 + 2] = BYTE(p);
                    out[x * 4 + 3] = 255;
                }
            }
            web_present(window, rgba_.data(), width, height, r.left, r.top, r.right, r.bottom);
        }
    }

    std::unordered_map<HWND, Shown> shown_;
    std::vector<BYTE> rgba_;
};

WebBackend& web() {
    static WebBackend backend;
    return backend;
}

}  // namespace

Backend& backend() { return web(); }

void web_report_exit(int code) { web_program_ended(code); }

}  // namespace plat

// Called by the page's handlers while the program waits; each ends the wait.
extern "C" {

EMSCRIPTEN_KEEPALIVE void web_key(int virtual_key, int down) {
    if (down) host_key_down(UINT(virtual_key));
    else host_key_up(UINT(virtual_key));
}

EMSCRIPTEN_KEEPALIVE void web_command(HWND window, int id) { host_menu_command(window, UINT(id)); }

EMSCRIPTEN_KEEPALIVE void web_click(HWND control) { host_click_button(control); }

EMSCRIPTEN_KEEPALIVE void web_close(HWND window) { host_close_window(window); }

EMSCRIPTEN_KEEPALIVE int web_enabled(HWND window) { return IsWindow(window) && IsWindowEnabled(window); }

// Surface updates of a window so far: one per paint of it.
EMSCRIPTEN_KEEPALIVE unsigned web_updates(HWND window) { return plat::web().updates(window); }

}  // extern "C"
