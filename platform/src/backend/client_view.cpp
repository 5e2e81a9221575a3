// The choice of a client area's view, and the pacing of all views.
#include "backend/client_view.h"

namespace plat {

ClientView* client_view_create(GtkWidget* toplevel, GtkWidget* area, HWND window) {
    if (ClientView* view = shm_view_create(toplevel, area, window)) return view;
    return wl_view_create(toplevel, area, window);
}

ViewsPace client_views_pace(int64_t deadline_ms) {
    ViewsPace pace;
    pace.asked_gtk = wl_views_pace();
    pace.wake_ms = shm_views_pace(deadline_ms);
    // After the puts above: one that found no free image begins to watch.
    pace.watching = shm_views_watching();
    return pace;
}

}  // namespace plat
