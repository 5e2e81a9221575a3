// The shared-memory view of a client area.
//
// The view talks to the X server over an XCB connection of its own, which
// GTK's main loop does not watch: the completions of its puts (ShmCompletion, sent
// once the server has read an image) wait there until the next update needs
// an image, so a frame costs one put and no extra wake-up. Two images are
// used in turn; only with both still unread does the view watch its
// connection, and the completion that frees one puts what gathered meanwhile.
// Exposures arrive on GTK's connection (it selects them on our window) and
// put the surface as it is: uncovering shows the last frame without asking
// for a new one.
//
// Updates are put at the display's pace at most (its refresh rate; 60 Hz
// where it tells none): one that comes sooner is held back and goes with the
// next update, or, if none is due soon enough, when its time comes.
#include "backend/client_view.h"

#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#endif

#include <vector>

#include <win32_host.h>

#include "backend/window_query.h"

namespace plat {

#ifdef GDK_WINDOWING_X11

namespace {

struct ShmBuffer {
    xcb_shm_seg_t seg = 0;  // 0 until attached
    uint8_t* pixels = nullptr;
    bool busy = false;  // put, and not known to be read by the server
};

// Whether the server takes a depth-24 image of `visual` as our surfaces hold
// pixels: 0x00RRGGBB words in host order, 32 bits each, rows unpadded.
bool takes_surface_words(xcb_connection_t* c, xcb_visualid_t visual) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    int host_order = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != host_order) return false;
    bool words = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24) words = f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    if (!words) return false;
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen))
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem; xcb_depth_next(&depth)) {
            if (depth.data->depth != 24) continue;
            for (auto v = xcb_depth_visuals_iterator(depth.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == visual)
                    return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000 &&
                           v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff;
        }
    return false;
}

struct ShmView final : ClientView {
    ShmView();
    ~ShmView() override;
    bool update(const RECT& rect) override;
    bool showing() const override { return true; }
    bool place() override;

    Display* gdk_xdisplay = nullptr;  // GTK's connection: exposures
    xcb_connection_t* c = nullptr;    // ours: window, images, puts, completions
    xcb_window_t xwindow = 0;
    xcb_gcontext_t gc = 0;
    uint8_t completion = 0;  // the ShmCompletion event code
    guint watch = 0;         // watching our connection while both images are unread
    GtkWidget* toplevel = nullptr;
    GtkWidget* area = nullptr;
    HWND window = nullptr;
    int scale = 0;
    int width = 0, height = 0;  // client pixels
    bool mapped = false;
    ShmBuffer buffers[2];
    RECT pending = {0, 0, 0, 0};  // client pixels not yet put
    int64_t interval_us = 0;      // the display's refresh period
    int64_t last_put_us = 0;
    bool held = false;            // pending waits for the display's pace
};

std::vector<ShmView*> g_views;

void free_buffers(ShmView* v) {
    for (ShmBuffer& b : v->buffers) {
        // Requests run in order: the server has read every put before it detaches.
        if (b.seg) xcb_shm_detach(v->c, b.seg);
        if (b.pixels) shmdt(b.pixels);
        b = ShmBuffer{};
    }
}

bool make_buffers(ShmView* v, int width, int height) {
    for (ShmBuffer& b : v->buffers) {
        int id = shmget(IPC_PRIVATE, size_t(width) * size_t(height) * 4, IPC_CREAT | 0600);
        if (id < 0) return false;
        void* at = shmat(id, nullptr, 0);
        // Marked for removal at once: it goes when both sides have detached,
        // however the process ends.
        shmctl(id, IPC_RMID, nullptr);
        if (at == reinterpret_cast<void*>(-1)) return false;
        b.pixels = static_cast<uint8_t*>(at);
        xcb_shm_seg_t seg = xcb_generate_id(v->c);
        xcb_generic_error_t* error = xcb_request_check(v->c, xcb_shm_attach_checked(v->c, seg, uint32_t(id), 1));
        if (error) {
            free(error);
            return false;
        }
        b.seg = seg;
    }
    return true;
}

// Takes in the completions that have arrived, without waiting for any.
void take_completions(ShmView* v) {
    while (xcb_generic_event_t* e = xcb_poll_for_event(v->c)) {
        if ((e->response_type & 0x7f) == v->completion) {
            auto* done = reinterpret_cast<xcb_shm_completion_event_t*>(e);
            for (ShmBuffer& b : v->buffers)
                if (b.seg && b.seg == done->shmseg) b.busy = false;
        }
        free(e);
    }
}

gboolean on_readable(gint, GIOCondition, gpointer data);

// Puts the pending rectangle through a free image, if there is one.
void put(ShmView* v) {
    const RECT whole = {0, 0, v->width, v->height};
    RECT r;
    if (!IntersectRect(&r, &v->pending, &whole) || !v->buffers[0].seg) {
        v->pending = RECT{0, 0, 0, 0};
        v->held = false;
        return;
    }
    if (v->buffers[0].busy && v->buffers[1].busy) take_completions(v);
    ShmBuffer* b = !v->buffers[0].busy ? &v->buffers[0] : !v->buffers[1].busy ? &v->buffers[1] : nullptr;
    if (!b) {
        // The server is behind: the completion that frees an image puts this.
        if (!v->watch) v->watch = g_unix_fd_add(xcb_get_file_descriptor(v->c), G_IO_IN, on_readable, v);
        return;
    }
    int width = 0, height = 0;
    const DWORD* pixels = host_window_pixels(v->window, &width, &height);
    if (!pixels || width != v->width || height != v->height) return;  // resized: placing puts it all

    // Each surface pixel becomes a scale x scale block, with no smoothing.
    const int s = v->scale;
    const size_t stride = size_t(width) * size_t(s);
    for (int y = r.top * s; y < r.bottom * s; ++y) {
        const DWORD* from = pixels + size_t(y / s) * size_t(width);
        auto* to = reinterpret_cast<uint32_t*>(b->pixels) + size_t(y) * stride;
        if (s == 1) {
            memcpy(to + r.left, from + r.left, size_t(r.right - r.left) * 4);
        } else {
            for (int x = r.left; x < r.right; ++x)
                for (int k = 0; k < s; ++k) to[x * s + k] = from[x];
        }
    }
    v->held = false;
    v->last_put_us = g_get_monotonic_time();
    xcb_shm_put_image(v->c, v->xwindow, v->gc, uint16_t(width * s), uint16_t(v->height * s), uint16_t(r.left * s),
                      uint16_t(r.top * s), uint16_t((r.right - r.left) * s), uint16_t((r.bottom - r.top) * s),
                      int16_t(r.left * s), int16_t(r.top * s), 24, XCB_IMAGE_FORMAT_Z_PIXMAP, 1, b->seg, 0);
    b->busy = true;
    v->pending = RECT{0, 0, 0, 0};
    xcb_flush(v->c);
}

gboolean on_readable(gint, GIOCondition, gpointer data) {
    auto* v = static_cast<ShmView*>(data);
    take_completions(v);
    if (v->buffers[0].busy && v->buffers[1].busy && !xcb_connection_has_error(v->c)) return G_SOURCE_CONTINUE;
    v->watch = 0;
    put(v);
    return G_SOURCE_REMOVE;
}

// Our window's exposures, before GDK looks for a window of its own.
GdkFilterReturn filter(GdkXEvent* xevent, GdkEvent*, gpointer data) {
    auto* v = static_cast<ShmView*>(data);
    auto* e = static_cast<XEvent*>(xevent);
    if (e->type != Expose || e->xexpose.window != v->xwindow) return GDK_FILTER_CONTINUE;
    const XExposeEvent& x = e->xexpose;
    const int s = v->scale > 0 ? v->scale : 1;
    add_dirty(&v->pending, RECT{x.x / s, x.y / s, (x.x + x.width + s - 1) / s, (x.y + x.height + s - 1) / s});
    if (x.count == 0 && !v->watch) put(v);
    return GDK_FILTER_REMOVE;
}

}  // namespace

// Null where it cannot work: not X11, no MIT-SHM (or the server cannot
// attach our segments, as over a network), or a visual other than 24-bit
// TrueColor.
ClientView* shm_view_create(GdkWindow* parent, GtkWidget* toplevel, GtkWidget* area, HWND window) {
    if (!GDK_IS_X11_WINDOW(parent)) return nullptr;
    GdkDisplay* gdk_display = gdk_window_get_display(parent);
    Display* gdk_xdisplay = GDK_DISPLAY_XDISPLAY(gdk_display);
    GdkVisual* gdk_visual = gdk_window_get_visual(parent);
    if (gdk_visual_get_depth(gdk_visual) != 24) return nullptr;
    xcb_visualid_t visual = xcb_visualid_t(XVisualIDFromVisual(GDK_VISUAL_XVISUAL(gdk_visual)));

    xcb_connection_t* c = xcb_connect(DisplayString(gdk_xdisplay), nullptr);
    const xcb_query_extension_reply_t* shm = xcb_connection_has_error(c) ? nullptr : xcb_get_extension_data(c, &xcb_shm_id);
    if (!shm || !shm->present || !takes_surface_words(c, visual)) {
        xcb_disconnect(c);
        return nullptr;
    }
    auto* v = new ShmView;
    v->gdk_xdisplay = gdk_xdisplay;
    v->c = c;
    v->completion = uint8_t(shm->first_event + XCB_SHM_COMPLETION);
    v->toplevel = toplevel;
    v->area = area;
    v->window = window;
    // The top level must exist for the server before our connection names it.
    XSync(gdk_xdisplay, False);
    v->xwindow = xcb_generate_id(c);
    // No background: the server never clears it, so an exposed part keeps
    // its pixels until the put that follows.
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, XCB_GRAVITY_NORTH_WEST};
    xcb_void_cookie_t made =
        xcb_create_window_checked(c, 24, v->xwindow, xcb_window_t(GDK_WINDOW_XID(parent)), 0, 0, 1, 1, 0,
                                  XCB_WINDOW_CLASS_INPUT_OUTPUT, visual, XCB_CW_BACK_PIXMAP | XCB_CW_BIT_GRAVITY, values);
    v->gc = xcb_generate_id(c);
    xcb_create_gc(c, v->gc, v->xwindow, 0, nullptr);
    if (xcb_generic_error_t* error = xcb_request_check(c, made)) {
        free(error);
        delete v;
        return nullptr;
    }
    XSelectInput(gdk_xdisplay, v->xwindow, ExposureMask);
    GdkMonitor* monitor = gdk_display_get_monitor_at_window(gdk_display, parent);
    int millihertz = monitor ? gdk_monitor_get_refresh_rate(monitor) : 0;
    if (millihertz < 20000 || millihertz > 500000) millihertz = 60000;
    v->interval_us = 1000000000LL / millihertz;
    gdk_window_add_filter(nullptr, filter, v);
    return v;
}

ShmView::ShmView() { g_views.push_back(this); }

ShmView::~ShmView() {
    gdk_window_remove_filter(nullptr, filter, this);
    std::erase(g_views, this);
    if (watch) g_source_remove(watch);
    free_buffers(this);
    // Leaving ends our window, GC and attachments with the connection.
    xcb_disconnect(c);
}

// Put at once, or held back when the last put was less than a refresh
// period of the display ago.
bool ShmView::update(const RECT& rect) {
    add_dirty(&pending, rect);
    if (watch) return true;
    // A millisecond early is on time: ticks come on a millisecond grid.
    if (g_get_monotonic_time() - last_put_us >= interval_us - 1000) put(this);
    else held = true;
    return true;
}

// Puts the held-back updates that cannot wait for the next one, and returns
// when the wait must end to put the others.

int64_t shm_views_pace(int64_t deadline_ms) {
    int64_t wake_ms = -1;
    int64_t now_us = g_get_monotonic_time();
    for (ShmView* v : g_views) {
        if (!v->held || v->watch) continue;
        int64_t due_us = v->last_put_us + v->interval_us;
        // The next update, if it comes within half a period of the due time,
        // takes the held one along.
        if (deadline_ms >= 0 && deadline_ms * 1000 <= due_us + v->interval_us / 2) continue;
        if (now_us >= due_us - 1000) {
            put(v);
            continue;
        }
        int64_t due_ms = (due_us + 999) / 1000;
        if (wake_ms < 0 || due_ms < wake_ms) wake_ms = due_ms;
    }
    return wake_ms;
}

bool shm_views_watching() {
    for (ShmView* v : g_views)
        if (v->watch) return true;
    return false;
}

bool ShmView::place() {
    int new_width = 0, new_height = 0;
    if (!host_window_pixels(window, &new_width, &new_height) || xcb_connection_has_error(c)) return false;
    int new_scale = gtk_widget_get_scale_factor(area);
    if (new_scale != scale || new_width != width || new_height != height) {
        if (watch) g_source_remove(watch);
        watch = 0;
        free_buffers(this);
        scale = new_scale;
        width = new_width;
        height = new_height;
        if (width > 0 && height > 0 && !make_buffers(this, width * scale, height * scale)) return false;
        const uint32_t size[] = {uint32_t(width > 0 ? width * scale : 1), uint32_t(height > 0 ? height * scale : 1)};
        xcb_configure_window(c, xwindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        add_dirty(&pending, RECT{0, 0, width, height});
    }
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(area, toplevel, 0, 0, &x, &y);
    const uint32_t at[] = {uint32_t(x * scale), uint32_t(y * scale)};
    xcb_configure_window(c, xwindow, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, at);
    if (!mapped) {
        xcb_map_window(c, xwindow);
        mapped = true;
    }
    if (!watch) put(this);
    xcb_flush(c);
    return true;
}

#else  // no X11 in this GTK: GTK draws every client area

ClientView* shm_view_create(GdkWindow*, GtkWidget*, GtkWidget*, HWND) { return nullptr; }
int64_t shm_views_pace(int64_t) { return -1; }
bool shm_views_watching() { return false; }

#endif

}  // namespace plat
