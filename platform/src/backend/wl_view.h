// A top-level window's client area on Wayland as a subsurface of the GTK
// window's surface, fed from shared-memory buffers of our own: each update
// is attached with its rectangle only, at most once per frame of the
// compositor, and nothing ever waits for the compositor, so a busy one may
// cost shown frames but never ticks. The GTK backend draws the client area
// itself where this cannot work.
#pragma once

#include <gtk/gtk.h>

#include <windows.h>

namespace plat {

struct WlView;

// A view showing `window`'s surface over `area`, a widget of the realized
// top level `toplevel`; null where it cannot work (not Wayland). It may take
// a moment to show: until wl_view_showing, GTK draws the area.
WlView* wl_view_create(GtkWidget* toplevel, GtkWidget* area, HWND window);
void wl_view_destroy(WlView* view);

// Pixels inside `rect` (client coordinates) of the surface changed. They go
// at once, or with the next frame of the compositor if one is still due.
// False while the view is not showing: GTK must draw them.
bool wl_view_update(WlView* view, const RECT& rect);

// Whether the subsurface shows the area (GTK need not draw it).
bool wl_view_showing(const WlView* view);

// Before each wait: takes in what the compositor sent us (frames done,
// buffers released, the globals at start) and commits what waited for it.
// True when it asked GTK to paint (a view began to show).
bool wl_views_pace();

// Follows the area's place, the surface's size and the widget's scale; false
// when the view cannot go on (its buffers could not be made anew).
bool wl_view_place(WlView* view);

}  // namespace plat
