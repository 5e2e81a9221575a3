// The choice of a client area's view, and the pacing of all views.
#include "backend/client_view.h"

namespace plat {

namespace {

// A view that cannot take its first place is given up at once.
ClientView* placed(ClientView* view) {
    if (view && !view->place()) {
        delete view;
        return nullptr;
    }
    return view;
}

}  // namespace

ClientView* client_view_create(GtkWidget* toplevel, GtkWidget* area, HWND window) {
    GdkWindow* parent = gtk_widget_get_window(toplevel);
    if (!parent) return nullptr;
    if (ClientView* view = placed(shm_view_create(parent, toplevel, area, window))) return view;
    return placed(wl_view_create(parent, toplevel, area, window));
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
