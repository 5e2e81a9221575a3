// A top-level window's client area shown by a native view of our own beside
// GTK's widgets: each update goes to the display server with its rectangle
// only and never waits for it, so a busy server may cost shown frames but
// never ticks. Where no view can work, the GTK backend draws the area itself.
#pragma once

#include <gtk/gtk.h>

#include <windows.h>

namespace plat {

class ClientView {
public:
    virtual ~ClientView() = default;

    // Pixels inside `rect` (client coordinates) of the surface changed.
    // False while the view does not show them: GTK must draw them.
    virtual bool update(const RECT& rect) = 0;

    // Whether the view shows the area (GTK need not draw it).
    virtual bool showing() const = 0;

    // Follows the area's place, the surface's size and the widget's scale;
    // false when the view cannot go on (its buffers could not be made anew).
    virtual bool place() = 0;
};

// A view showing `window`'s surface over `area`, a widget of the realized
// top level `toplevel`: an X window where X11 and MIT-SHM allow, else a
// Wayland subsurface; null where neither works.
ClientView* client_view_create(GtkWidget* toplevel, GtkWidget* area, HWND window);

// What the views need of the next wait.
struct ViewsPace {
    int64_t wake_ms = -1;    // when it must end for a held-back update (-1: never)
    bool asked_gtk = false;  // a view asked GTK to paint: its sources have work
    bool watching = false;   // a view waits for the server with a GLib source
};

// Before waiting until `deadline_ms` (of g_get_monotonic_time, in ms; -1 for
// none): takes in what the servers sent and sends what waited for it.
ViewsPace client_views_pace(int64_t deadline_ms);

// Each kind's own (x11_shm.cpp, wl_view.cpp), for the two above: a view
// over `parent`, the top level's GdkWindow, not placed yet.
ClientView* shm_view_create(GdkWindow* parent, GtkWidget* toplevel, GtkWidget* area, HWND window);
int64_t shm_views_pace(int64_t deadline_ms);
bool shm_views_watching();
ClientView* wl_view_create(GdkWindow* parent, GtkWidget* toplevel, GtkWidget* area, HWND window);
bool wl_views_pace();

}  // namespace plat
