// The GTK 3 backend: every top-level window becomes a GtkWindow showing the
// window's surface, with a menu bar built from its menu; dialog controls
// become native widgets; keys and menu picks come back as queued messages.
// One event loop: waits run GTK's main context until input or a deadline.
//
// A client area without controls is shown through a view of our own
// (client_view.h: a shared-memory X window or, on Wayland, a subsurface fed
// from shared-memory buffers), so that animating costs neither GTK's paint
// cycle nor a wait on the server. Elsewhere (no MIT-SHM, dialogs with their
// native controls on top, or WIN32_GTK_NO_SHM set to anything but "" or "0")
// GTK draws the surface.
#include <errno.h>
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <unordered_map>
#include <vector>

#include <win32_host.h>
#include <windows.h>

#include "backend/backend.h"
#include "backend/client_view.h"
#include "backend/window_query.h"

namespace plat {

namespace {

struct Shown {
    GtkWidget* window = nullptr;  // top level: its GtkWindow
    GtkWidget* area = nullptr;    // top level: the client area showing the surface
    GtkWidget* fixed = nullptr;   // top level: where child controls go
    GtkWidget* widget = nullptr;  // child control: its widget
    ClientView* view = nullptr;   // top level: the client area's own view, if it has one (owned)
    bool view_tried = false;
    bool has_controls = false;
};

bool shm_wanted() {
    const char* off = getenv("WIN32_GTK_NO_SHM");
    return !off || !*off || strcmp(off, "0") == 0;
}

// What the window manager is asked to offer, as the platform's style bits
// would: a caption moves the window; the system menu brings the close box,
// and with it the minimise and maximise boxes the style asks for; a sizing
// border resizes.
void set_frame_hints(GtkWidget* gtk_window, LONG style) {
    GdkWindow* w = gtk_widget_get_window(gtk_window);
    if (!w) return;
    int functions = GDK_FUNC_MOVE;
    int decorations = GDK_DECOR_BORDER;
    if ((style & WS_CAPTION) == WS_CAPTION) decorations |= GDK_DECOR_TITLE;
    if (style & WS_SYSMENU) {
        functions |= GDK_FUNC_CLOSE;
        decorations |= GDK_DECOR_MENU;
        if (style & WS_MINIMIZEBOX) {
            functions |= GDK_FUNC_MINIMIZE;
            decorations |= GDK_DECOR_MINIMIZE;
        }
        if (style & WS_MAXIMIZEBOX) {
            functions |= GDK_FUNC_MAXIMIZE;
            decorations |= GDK_DECOR_MAXIMIZE;
        }
    }
    if (style & WS_THICKFRAME) {
        functions |= GDK_FUNC_RESIZE;
        decorations |= GDK_DECOR_RESIZEH;
    }
    gdk_window_set_functions(w, GdkWMFunction(functions));
    gdk_window_set_decorations(w, GdkWMDecoration(decorations));
}

// "&X" marks a mnemonic on the platform, "_X" in GTK; "&&" is a literal "&".
std::string mnemonic_label(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '&') {
            if (p[1] == '&') {
                out += '&';
                ++p;
            } else {
                out += '_';
            }
        } else if (*p == '_') {
            out += "__";
        } else {
            out += *p;
        }
    }
    return out;
}

GdkPixbuf* pixbuf_of(const IconPixels& icon_image) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon_image.width, icon_image.height);
    guchar* out = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const size_t row = size_t(icon_image.width) * 4;
    for (int y = 0; y < icon_image.height; ++y) memcpy(out + y * stride, &icon_image.rgba[y * row], row);
    return pixbuf;
}

GdkPixbuf* icon_pixbuf(HICON icon) {
    IconPixels icon_image;
    return icon_pixels(icon, &icon_image) ? pixbuf_of(icon_image) : nullptr;
}

// Windows virtual-key code for a GDK key, taken from the key's unshifted
// symbol so that Shift+"/" is VK_OEM_2 with Shift, as on a US keyboard.
UINT virtual_key(GdkEventKey* event) {
    guint keyval = event->keyval;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
    guint base = 0;
    if (gdk_keymap_translate_keyboard_state(keymap, event->hardware_keycode, GdkModifierType(0), event->group,
                                            &base, nullptr, nullptr, nullptr))
        keyval = base;
    keyval = gdk_keyval_to_lower(keyval);
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return UINT('A' + (keyval - GDK_KEY_a));
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return UINT('0' + (keyval - GDK_KEY_0));
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return UINT(0x70 + (keyval - GDK_KEY_F1));
    switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: return VK_RETURN;
    case GDK_KEY_Escape: return VK_ESCAPE;
    case GDK_KEY_Tab: return VK_TAB;
    case GDK_KEY_BackSpace: return VK_BACK;
    case GDK_KEY_space: return VK_SPACE;
    case GDK_KEY_Left: return VK_LEFT;
    case GDK_KEY_Right: return VK_RIGHT;
    case GDK_KEY_Up: return VK_UP;
    case GDK_KEY_Down: return VK_DOWN;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R: return VK_SHIFT;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R: return VK_CONTROL;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
    case GDK_KEY_Meta_L:
    case GDK_KEY_Meta_R: return VK_MENU;
    case GDK_KEY_slash: return VK_OEM_2;
    default: return 0;
    }
}

// Why GDK found no display, in one line: every backend it was allowed to
// try (GDK_BACKEND, by default Wayland and then X11) has failed.
std::string no_display_reason() {
    auto env = [](const char* name) {
        const char* value = getenv(name);
        return std::string(value ? value : "");
    };
    const std::string allowed = env("GDK_BACKEND");
    auto tried = [&](const char* name) {
        return allowed.empty() || allowed.find('*') != std::string::npos || allowed.find(name) != std::string::npos;
    };
    std::string wayland, x11;
    if (tried("wayland")) {
        const std::string socket = env("WAYLAND_DISPLAY").empty() ? "wayland-0" : env("WAYLAND_DISPLAY");
        wayland = "no Wayland compositor answers on " + socket;
    }
    if (tried("x11"))
        x11 = env("DISPLAY").empty() ? "no X display (DISPLAY is not set)" : "cannot open the X display " + env("DISPLAY");
    if (!wayland.empty() && !x11.empty()) return "no display: " + wayland + ", and " + x11;
    if (!wayland.empty() || !x11.empty()) return wayland + x11;
    return "no display: GDK_BACKEND=" + allowed + " allows neither Wayland nor X11";
}

class GtkBackend final : public Backend {
public:
    GtkBackend() {
#ifdef WIN32_APP_ID
        // The desktop knows the window by this one name: the Wayland app id,
        // both halves of the X11 WM_CLASS and the desktop entry's id. (GTK's
        // start-up makes the class from the name, capitalised: set after it.)
        g_set_prgname(WIN32_APP_ID);
#endif
        if (!gtk_init_check(nullptr, nullptr)) {
            fprintf(stderr, "%s: %s\n", program_invocation_short_name, no_display_reason().c_str());
            exit(1);
        }
#ifdef WIN32_APP_ID
        gdk_set_program_class(WIN32_APP_ID);
#endif
    }

    void window_created(HWND window) override {
        touch();
        LONG style = GetWindowLongA(window, GWL_STYLE);
        if (style & WS_CHILD) {
            create_control(window);
            return;
        }
        Shown s;
        s.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(s.window), window_text(window).c_str());
        gtk_window_set_resizable(GTK_WINDOW(s.window), (style & WS_THICKFRAME) != 0);
        // Only a system menu gives the platform's windows a close box.
        gtk_window_set_deletable(GTK_WINDOW(s.window), (style & WS_SYSMENU) != 0);
        g_signal_connect_after(s.window, "realize", G_CALLBACK(on_realize), window);
        set_icons(window, s.window);
        HWND owner = GetWindow(window, GW_OWNER);
        gtk_window_set_type_hint(GTK_WINDOW(s.window),
                                 owner ? GDK_WINDOW_TYPE_HINT_DIALOG : GDK_WINDOW_TYPE_HINT_NORMAL);
        if (owner) {
            Shown* o = touch(owner);
            if (o && o->window) {
                gtk_window_set_transient_for(GTK_WINDOW(s.window), GTK_WINDOW(o->window));
                gtk_window_set_modal(GTK_WINDOW(s.window), TRUE);
                gtk_window_set_position(GTK_WINDOW(s.window), GTK_WIN_POS_CENTER_ON_PARENT);
            }
        }
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        gtk_container_add(GTK_CONTAINER(s.window), box);
        if (HMENU menu = GetMenu(window)) gtk_box_pack_start(GTK_BOX(box), menu_bar(window, menu), FALSE, FALSE, 0);

        RECT client;
        GetClientRect(window, &client);
        GtkWidget* overlay = gtk_overlay_new();
        s.area = gtk_drawing_area_new();
        gtk_widget_set_size_request(s.area, client.right, client.bottom);
        g_signal_connect(s.area, "draw", G_CALLBACK(on_draw), window);
        g_signal_connect(s.area, "size-allocate", G_CALLBACK(on_area_placed), window);
        g_signal_connect(s.area, "notify::scale-factor", G_CALLBACK(on_area_scaled), window);
        gtk_container_add(GTK_CONTAINER(overlay), s.area);
        s.fixed = gtk_fixed_new();
        gtk_overlay_add_overlay(GTK_OVERLAY(overlay), s.fixed);
        gtk_box_pack_start(GTK_BOX(box), overlay, FALSE, FALSE, 0);

        g_signal_connect(s.window, "key-press-event", G_CALLBACK(on_key), nullptr);
        g_signal_connect(s.window, "key-release-event", G_CALLBACK(on_key), nullptr);
        g_signal_connect(s.window, "delete-event", G_CALLBACK(on_delete), window);
        g_signal_connect(s.window, "focus-in-event", G_CALLBACK(on_focus), window);
        shown_[window] = s;
    }

    void window_destroyed(HWND window) override {
        Shown* found = touch(window);
        if (!found) return;
        Shown s = *found;
        shown_.erase(window);
        // Our X window or subsurface first: GTK's window takes them along.
        delete s.view;
        if (s.window) gtk_widget_destroy(s.window);
        else if (s.widget) gtk_widget_destroy(s.widget);
    }

    void window_shown(HWND window, bool visible) override {
        Shown* s = touch(window);
        if (!s) return;
        GtkWidget* w = s->window ? s->window : s->widget;
        if (visible) {
            gtk_widget_show_all(w);
            // A top level is given its place before it is realized.
            place_view(window);
        } else {
            gtk_widget_hide(w);
        }
    }

    void window_moved(HWND window) override {
        Shown* s = touch(window);
        if (!s || !s->area) return;
        RECT client;
        GetClientRect(window, &client);
        gtk_widget_set_size_request(s->area, client.right, client.bottom);
    }

    void title_changed(HWND window) override {
        Shown* s = touch(window);
        if (s && s->window) gtk_window_set_title(GTK_WINDOW(s->window), window_text(window).c_str());
    }

    void surface_updated(HWND window, const RECT& r) override {
        auto it = shown_.find(window);
        if (it == shown_.end() || !it->second.area) return;
        // Our X window's puts and subsurface's commits leave GTK alone: the
        // quiet poll may go on.
        if (!it->second.view || !it->second.view->update(r))
            gtk_widget_queue_draw_area(touch(window)->area, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }

    int64_t now_ms() override { return g_get_monotonic_time() / 1000; }

    // Runs GTK until something was queued for the program or the deadline
    // passes. The main context's iteration is taken apart so that the
    // deadline is only the poll's timeout: a tick costs one poll, with no
    // timer source made and dropped. And while the loop is quiet (the last
    // poll ended at our time with nothing ready, and since then nothing ran
    // in GLib, GTK or GDK), the next wait polls the same descriptors again
    // without asking the sources: GDK's would read the X connection each time.
    bool wait(int64_t deadline_ms) override {
        input_ = false;
        GMainContext* context = g_main_context_default();
        if (!g_main_context_acquire(context)) return wait_by_iteration(deadline_ms);
        while (!input_) {
            int64_t now = now_ms();
            if (deadline_ms >= 0 && now >= deadline_ms) break;
            int64_t until = deadline_ms;
            ViewsPace pace = client_views_pace(deadline_ms);
            if (pace.asked_gtk) touched_ = true;
            if (pace.wake_ms >= 0 && (until < 0 || pace.wake_ms < until)) until = pace.wake_ms;

            if (quiet_ && !touched_ && !pace.watching) {
                int64_t limit = until;
                if (glib_due_ >= 0 && (limit < 0 || glib_due_ < limit)) limit = glib_due_;
                gint ready = g_main_context_get_poll_func(context)(
                    poll_fds_.data(), guint(poll_count_), limit < 0 ? -1 : gint(limit > now ? limit - now : 0));
                // Anything else is GLib's: a whole iteration follows.
                if (!(ready == 0 && until >= 0 && limit == until)) quiet_ = false;
                continue;
            }
            touched_ = false;
            gint priority = 0;
            g_main_context_prepare(context, &priority);
            gint timeout = -1;
            gint n;
            while ((n = g_main_context_query(context, priority, &timeout, poll_fds_.data(), gint(poll_fds_.size()))) >
                   gint(poll_fds_.size()))
                poll_fds_.resize(size_t(n));
            poll_count_ = n;
            glib_due_ = timeout < 0 ? -1 : now + timeout;
            bool ours_first = until >= 0 && (timeout < 0 || until - now < timeout);
            if (ours_first) timeout = gint(until > now ? until - now : 0);
            gint ready = g_main_context_get_poll_func(context)(poll_fds_.data(), guint(n), timeout);
            quiet_ = ready == 0 && ours_first;
            if (quiet_) continue;
            g_main_context_check(context, priority, poll_fds_.data(), n);
            g_main_context_dispatch(context);
        }
        g_main_context_release(context);
        return true;
    }

    SIZE screen_size() override {
        touch();
        GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_display_get_default());
        if (!monitor) monitor = gdk_display_get_monitor(gdk_display_get_default(), 0);
        GdkRectangle geometry = {0, 0, 1024, 768};
        if (monitor) gdk_monitor_get_geometry(monitor, &geometry);
        return SIZE{geometry.width, geometry.height};
    }

    // Measured as the platform measures a dialog's font: the average width
    // of the 52 Latin letters, rounded as it rounds, and the line height, in
    // the font and resolution a label gets from the desktop's settings.
    SIZE dialog_units() override {
        touch();
        GtkWidget* label = g_object_ref_sink(gtk_label_new(nullptr));
        PangoLayout* layout =
            gtk_widget_create_pango_layout(label, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        int width = 0, height = 0;
        pango_layout_get_pixel_size(layout, &width, &height);
        g_object_unref(layout);
        g_object_unref(label);
        return SIZE{(width / 26 + 1) / 2, height};
    }

private:
    // Every call that may reach GTK starts here, finding the window it is
    // about: GTK may have added work to the main context, so the next wait
    // asks the sources again instead of polling quietly.
    Shown* touch(HWND window = nullptr) {
        touched_ = true;
        auto it = shown_.find(window);
        return it == shown_.end() ? nullptr : &it->second;
    }

    // The plain way, for a main context some other thread holds.
    bool wait_by_iteration(int64_t deadline_ms) {
        while (!input_) {
            int64_t now = now_ms();
            if (deadline_ms >= 0 && now >= deadline_ms) break;
            guint timeout = 0;
            bool expired = false;
            if (deadline_ms >= 0) timeout = g_timeout_add(guint(deadline_ms - now), on_deadline, &expired);
            g_main_context_iteration(nullptr, TRUE);
            if (expired) break;
            if (timeout) g_source_remove(timeout);
        }
        return true;
    }

    static gboolean on_deadline(gpointer expired) {
        *static_cast<bool*>(expired) = true;
        return G_SOURCE_REMOVE;
    }

    static void on_realize(GtkWidget* gtk_window, gpointer data) {
        set_frame_hints(gtk_window, GetWindowLongA(static_cast<HWND>(data), GWL_STYLE));
    }

    static void on_area_placed(GtkWidget*, GdkRectangle*, gpointer data) { self().place_view(static_cast<HWND>(data)); }
    static void on_area_scaled(GObject*, GParamSpec*, gpointer data) { self().place_view(static_cast<HWND>(data)); }

    // The client area's view: made once the area has its place, following
    // it afterwards, and given up for GTK's drawing if it cannot go on.
    void place_view(HWND window) {
        auto it = shown_.find(window);
        if (it == shown_.end() || !it->second.area) return;
        Shown& s = it->second;
        if (!s.view_tried && !s.has_controls && shm_wanted() && gtk_widget_get_realized(s.window)) {
            s.view_tried = true;
            s.view = client_view_create(s.window, s.area, window);
        }
        if (s.view && !s.view->place()) drop_view(s);
    }

    static void drop_view(Shown& s) {
        delete s.view;
        s.view = nullptr;
        gtk_widget_queue_draw(s.area);
    }

    static gboolean on_draw(GtkWidget*, cairo_t* cr, gpointer data) {
        HWND window = static_cast<HWND>(data);
        auto it = self().shown_.find(window);
        // The X window or the subsurface shows it.
        if (it != self().shown_.end() && it->second.view && it->second.view->showing())
            return TRUE;
        int width = 0, height = 0;
        const DWORD* pixels = host_window_pixels(window, &width, &height);
        if (!pixels || width <= 0 || height <= 0) return FALSE;
        cairo_surface_t* surface =
            cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<DWORD*>(pixels)),
                                                CAIRO_FORMAT_RGB24, width, height, width * 4);
        cairo_set_source_surface(cr, surface, 0, 0);
        // Scaled for a HiDPI screen, each pixel becomes a block of its colour.
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_surface_destroy(surface);
        return TRUE;
    }

    // Keys go to the program's focus window, as the keyboard's would.
    static gboolean on_key(GtkWidget*, GdkEventKey* event, gpointer) {
        UINT vk = virtual_key(event);
        if (!vk) return FALSE;
        if (event->type == GDK_KEY_PRESS) host_key_down(vk);
        else host_key_up(vk);
        self().input_ = true;
        // F10 and Alt+letter stay GTK's too, so the menu bar opens from the
        // keyboard as the platform's does.
        return (event->state & GDK_MOD1_MASK) || vk == VK_F10 ? FALSE : TRUE;
    }

    static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data) {
        host_close_window(static_cast<HWND>(data));
        self().input_ = true;
        return TRUE;
    }

    static gboolean on_focus(GtkWidget*, GdkEvent*, gpointer data) {
        HWND window = static_cast<HWND>(data);
        HWND focus = GetFocus();
        if (!focus || (focus != window && GetParent(focus) != window)) SetFocus(window);
        return FALSE;
    }

    // The item carries its window (the signal's data) and command.
    static void on_menu_item(GtkMenuItem* entry, gpointer data) {
        const UINT command = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(entry), "command"));
        host_menu_command(static_cast<HWND>(data), command);
        self().input_ = true;
    }

    static void on_button(GtkButton*, gpointer data) {
        host_click_button(static_cast<HWND>(data));
        self().input_ = true;
    }

    GtkWidget* menu_bar(HWND window, HMENU menu) {
        GtkWidget* bar = gtk_menu_bar_new();
        fill_menu(window, menu, bar);
        return bar;
    }

    void fill_menu(HWND window, HMENU menu, GtkWidget* shell) {
        int n = host_get_menu_items(menu, nullptr, 0);
        if (n <= 0) return;
        std::vector<HOST_MENU_ITEM> items(static_cast<size_t>(n));
        host_get_menu_items(menu, items.data(), n);
        for (const HOST_MENU_ITEM& item : items) {
            GtkWidget* entry;
            if (item.flags & MF_SEPARATOR) {
                entry = gtk_separator_menu_item_new();
            } else {
                entry = gtk_menu_item_new_with_mnemonic(mnemonic_label(item.text).c_str());
                gtk_widget_set_sensitive(entry, !(item.flags & (MF_GRAYED | MF_DISABLED)));
            }
            if (item.flags & MF_POPUP) {
                GtkWidget* sub = gtk_menu_new();
                fill_menu(window, item.submenu, sub);
                gtk_menu_item_set_submenu(GTK_MENU_ITEM(entry), sub);
            } else if (!(item.flags & MF_SEPARATOR)) {
                g_object_set_data(G_OBJECT(entry), "command", GUINT_TO_POINTER(item.id));
                g_signal_connect(entry, "activate", G_CALLBACK(on_menu_item), window);
            }
            gtk_menu_shell_append(GTK_MENU_SHELL(shell), entry);
        }
    }

    // The class's icons as the theme has them: each at its stored size (copied
    // anew from the resource, where the class may hold a stretched one) and
    // enlarged by whole pixels for the larger sizes a desktop shows.
    void set_icons(HWND window, GtkWidget* gtk_window) {
        HICON large = static_cast<HICON>(CopyImage(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON)),
                                                   IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                   GetSystemMetrics(SM_CYICON), LR_COPYFROMRESOURCE));
        HICON small = static_cast<HICON>(CopyImage(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM)),
                                                   IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), LR_COPYFROMRESOURCE));
        GList* icons = nullptr;
        for (int size : {16, 32, 48, 64, 128}) {
            IconPixels square;
            if (icon_for_square(large, small, size, &square)) icons = g_list_append(icons, pixbuf_of(square));
        }
        if (large) DestroyIcon(large);
        if (small) DestroyIcon(small);
        if (!icons) return;
        gtk_window_set_icon_list(GTK_WINDOW(gtk_window), icons);
        g_list_free_full(icons, g_object_unref);
    }

    // A dialog control as a native widget at its place in the parent's client area.
    void create_control(HWND control) {
        HWND parent = GetParent(control);
        Shown* dialog = touch(parent);
        if (!dialog || !dialog->fixed) return;
        // Native controls are drawn by GTK over the client area: GTK draws it too.
        dialog->has_controls = true;
        if (dialog->view) drop_view(*dialog);
        LONG style = GetWindowLongA(control, GWL_STYLE);
        GtkWidget* widget = nullptr;
        if (has_class(control, "Button")) {
            widget = gtk_button_new_with_mnemonic(mnemonic_label(window_text(control).c_str()).c_str());
            g_signal_connect(widget, "clicked", G_CALLBACK(on_button), control);
            if (style & BS_DEFPUSHBUTTON) {
                gtk_widget_set_can_default(widget, TRUE);
                gtk_window_set_default(GTK_WINDOW(dialog->window), widget);
            }
            gtk_widget_set_can_focus(widget, FALSE);  // keys go through the program's dialog handling
        } else if (has_class(control, "Static") && (style & SS_TYPEMASK) == SS_ICON) {
            HICON icon = reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0));
            if (GdkPixbuf* p = icon_pixbuf(icon)) {
                widget = gtk_image_new_from_pixbuf(p);
                g_object_unref(p);
            } else {
                widget = gtk_image_new();
            }
        } else {
            std::string text = window_text(control);
            widget = gtk_label_new(nullptr);
            if (style & SS_NOPREFIX) gtk_label_set_text(GTK_LABEL(widget), text.c_str());
            else gtk_label_set_text_with_mnemonic(GTK_LABEL(widget), mnemonic_label(text.c_str()).c_str());
            gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
        }
        const RECT r = control_rect(control);
        gtk_widget_set_size_request(widget, r.right - r.left, r.bottom - r.top);
        gtk_fixed_put(GTK_FIXED(dialog->fixed), widget, r.left, r.top);
        Shown s;
        s.widget = widget;
        shown_[control] = s;
    }

    static GtkBackend& self();

    std::unordered_map<HWND, Shown> shown_;
    std::vector<GPollFD> poll_fds_ = std::vector<GPollFD>(8);
    gint poll_count_ = 0;
    int64_t glib_due_ = -1;  // when GLib's next timeout falls due, -1 for none
    bool quiet_ = false;     // the last poll ended at our time, nothing ready
    bool touched_ = true;    // GTK was called since the last iteration
    bool input_ = false;
};

GtkBackend& GtkBackend::self() { return static_cast<GtkBackend&>(backend()); }

}  // namespace

Backend& backend() {
    static GtkBackend gtk;
    return gtk;
}

}  // namespace plat
