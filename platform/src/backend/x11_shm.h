// A top-level window's client area as a native X child window fed from
// shared-memory images: each update puts only its rectangle and never waits
// for the X server, so a busy server may cost shown frames but never ticks.
// The GTK backend draws the client area itself where this cannot work.
#pragma once

#include <gtk/gtk.h>

#include <windows.h>

namespace plat {

struct ShmView;

// A view showing `window`'s surface over `area`, a widget of the realized
// top level `toplevel`; null where it cannot work: not X11, no MIT-SHM (or
// the server cannot attach our segments, as over a network), or a visual
// other than 24-bit TrueColor.
ShmView* shm_view_create(GtkWidget* toplevel, GtkWidget* area, HWND window);
void shm_view_destroy(ShmView* view);

// Pixels inside `rect` (client coordinates) of the surface changed. They are
// put at once, or held back when the last put was less than a refresh period
// of the display ago.
void shm_view_update(ShmView* view, const RECT& rect);

// Before waiting until `deadline_ms` (of g_get_monotonic_time, in ms; -1 for
// none): puts the held-back updates that cannot wait for the next one, and
// returns when the wait must end to put the others (-1 for never).
int64_t shm_views_pace(int64_t deadline_ms);

// Whether a view waits for the server with a GLib source of its own.
bool shm_views_watching();

// Follows the area's place, the surface's size and the widget's scale; false
// when the view cannot go on (its images could not be made anew).
bool shm_view_place(ShmView* view);

}  // namespace plat
