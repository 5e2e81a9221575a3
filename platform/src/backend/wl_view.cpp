// The Wayland view of a client area.
//
// The view's objects live on GTK's connection (a subsurface must) but on an
// event queue of our own, so that GTK's dispatch never runs their handlers.
// GDK's source reads the connection, filing what is ours in our queue;
// wl_views_pace, before each wait, runs it. We never read the connection
// ourselves: GDK may hold a prepared read between waits, and a second reader
// would block until GDK's read. So the globals are asked for without a round
// trip, and a view shows once the compositor has listed them.
//
// Each commit asks for a frame callback, and the next commit waits for it:
// at most one commit per frame of the compositor; updates that come sooner
// gather and go together when the frame is done. Three buffers in one pool
// are used in turn; a buffer still held by the compositor is skipped, and a
// commit that found none free goes when one is released. A reused buffer is
// first brought up to date with what was committed since it was last filled;
// the damage is only the update's own rectangle.
//
// The compositor keeps the last buffer: uncovering, moving or refocusing the
// window shows the last frame without asking the program for a new one.
#include "backend/client_view.h"

#include <limits.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#include <wayland-client.h>
#endif

#include <vector>

#include <win32_host.h>

#include "backend/window_query.h"
#include "geometry.h"

namespace plat {

#ifdef GDK_WINDOWING_WAYLAND

namespace {

constexpr int kBuffers = 3;

struct WlView;

struct WlBuffer {
    WlView* view = nullptr;
    wl_buffer* buffer = nullptr;
    uint32_t* pixels = nullptr;
    bool busy = false;          // committed, and not yet released by the compositor
    RECT behind = {0, 0, 0, 0};  // client pixels committed since it was last filled
};

// What all views share: our queue on GTK's connection, and the globals
// bound through it.
struct Globals {
    wl_display* display = nullptr;
    wl_event_queue* queue = nullptr;
    wl_registry* registry = nullptr;
    wl_callback* listing = nullptr;  // until the compositor has listed its globals
    wl_compositor* compositor = nullptr;
    wl_subcompositor* subcompositor = nullptr;
    wl_shm* shm = nullptr;
    bool asked_gtk = false;  // a view queued a paint of GTK's since the last pace
};

Globals g;

struct WlView final : ClientView {
    WlView(GtkWidget* toplevel, GtkWidget* area, HWND window, wl_surface* parent);
    ~WlView() override;
    bool update(const RECT& rect) override;
    bool showing() const override { return shown; }
    bool place() override;

    GtkWidget* toplevel = nullptr;
    GtkWidget* area = nullptr;
    HWND window = nullptr;
    wl_surface* parent = nullptr;  // GTK's
    wl_surface* surface = nullptr;
    wl_subsurface* subsurface = nullptr;
    wl_callback* frame = nullptr;  // the last commit's frame is not done yet
    WlBuffer buffers[kBuffers];
    void* memory = nullptr;  // the pool's pixels, mapped
    size_t memory_size = 0;
    int scale = 0;
    int width = 0, height = 0;      // client pixels
    int x = INT_MIN, y = INT_MIN;   // the subsurface's place on GTK's surface
    RECT pending = {0, 0, 0, 0};    // client pixels not yet committed
    bool shown = false;  // placed, with GTK asked to stop drawing the area
    GdkFrameClock* clock = nullptr;  // GTK's, until it has painted its surface with ours on it
    gulong painted = 0;
};

std::vector<WlView*> g_views;

void on_global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (strcmp(interface, wl_compositor_interface.name) == 0 && version >= 4)
        g.compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    else if (strcmp(interface, wl_subcompositor_interface.name) == 0)
        g.subcompositor =
            static_cast<wl_subcompositor*>(wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
    else if (strcmp(interface, wl_shm_interface.name) == 0)
        g.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
}

void on_global_remove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registry_listener = {on_global, on_global_remove};

void on_listed(void*, wl_callback* callback, uint32_t) {
    wl_callback_destroy(callback);
    g.listing = nullptr;
    // A view that cannot show now stays with GTK's drawing.
    for (WlView* v : g_views) v->place();
}

const wl_callback_listener listed_listener = {on_listed};

// Asks for the globals; their announcements and the sync's reply arrive
// in our queue with the next read of the connection.
void start_listing(wl_display* display) {
    g.display = display;
    g.queue = wl_display_create_queue(display);
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), g.queue);
    g.registry = wl_display_get_registry(wrapped);
    wl_registry_add_listener(g.registry, &registry_listener, nullptr);
    g.listing = wl_display_sync(wrapped);
    wl_callback_add_listener(g.listing, &listed_listener, nullptr);
    wl_proxy_wrapper_destroy(wrapped);
    wl_display_flush(display);
}

void free_buffers(WlView* v) {
    for (WlBuffer& b : v->buffers) {
        if (b.buffer) wl_buffer_destroy(b.buffer);
        b = WlBuffer{};
    }
    if (v->memory) munmap(v->memory, v->memory_size);
    v->memory = nullptr;
    v->memory_size = 0;
}

void commit(WlView* v);

void on_release(void* data, wl_buffer*) {
    auto* b = static_cast<WlBuffer*>(data);
    b->busy = false;
    if (!b->view->frame) commit(b->view);
}

const wl_buffer_listener release_listener = {on_release};

// Three buffers of `width` x `height` device pixels in one pool, each to be
// filled whole before its first use.
bool make_buffers(WlView* v, int width, int height) {
    const size_t one = size_t(width) * size_t(height) * 4;
    const size_t size = one * kBuffers;
    if (size > size_t(INT32_MAX)) return false;
    int fd = memfd_create("pofurin-client-area", MFD_CLOEXEC);
    if (fd < 0) return false;
    void* memory = ftruncate(fd, off_t(size)) == 0 ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                                                   : MAP_FAILED;
    if (memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    v->memory = memory;
    v->memory_size = size;
    wl_shm_pool* pool = wl_shm_create_pool(g.shm, fd, int32_t(size));
    for (int i = 0; i < kBuffers; ++i) {
        WlBuffer& b = v->buffers[i];
        b.view = v;
        b.pixels = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(memory) + one * size_t(i));
        b.buffer = wl_shm_pool_create_buffer(pool, int32_t(one * size_t(i)), width, height, width * 4,
                                             WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(b.buffer, &release_listener, &b);
        b.behind = RECT{0, 0, v->width, v->height};
    }
    // The buffers keep the pool's memory; the compositor has its own mapping.
    wl_shm_pool_destroy(pool);
    close(fd);
    return true;
}

// Copies `r` (client pixels) of the surface into `b`: each surface pixel
// becomes a scale x scale block, with no smoothing. Our surfaces hold
// 0x00RRGGBB words; XRGB8888's unused top byte is set all the same, since
// weston 10's pixman renderer takes it for alpha when it draws a subsurface.
void fill(WlView* v, WlBuffer* b, const RECT& r, const DWORD* pixels) {
    const int s = v->scale;
    const size_t stride = size_t(v->width) * size_t(s);
    for (int y = r.top * s; y < r.bottom * s; ++y) {
        const DWORD* from = pixels + size_t(y / s) * size_t(v->width);
        uint32_t* to = b->pixels + size_t(y) * stride;
        if (s == 1) {
            for (int x = r.left; x < r.right; ++x) to[x] = from[x] | 0xff000000u;
        } else {
            for (int x = r.left; x < r.right; ++x)
                for (int k = 0; k < s; ++k) to[x * s + k] = from[x] | 0xff000000u;
        }
    }
}

void on_frame_done(void* data, wl_callback* callback, uint32_t) {
    auto* v = static_cast<WlView*>(data);
    wl_callback_destroy(callback);
    v->frame = nullptr;
    commit(v);
}

const wl_callback_listener frame_listener = {on_frame_done};

// Commits the pending rectangle through a free buffer, if there is one.
void commit(WlView* v) {
    if (v->painted) return;  // GTK's surface is not shown with ours yet
    RECT r = rect_intersect(v->pending, RECT{0, 0, v->width, v->height});
    if (IsRectEmpty(&r) || !v->shown || !v->buffers[0].buffer) {
        v->pending = RECT{0, 0, 0, 0};
        return;
    }
    WlBuffer* b = nullptr;
    for (WlBuffer& candidate : v->buffers)
        if (!candidate.busy && !b) b = &candidate;
    if (!b) return;  // the compositor holds all three: a release commits this
    int width = 0, height = 0;
    const DWORD* pixels = host_window_pixels(v->window, &width, &height);
    if (!pixels || width != v->width || height != v->height) return;  // resized: placing commits it all

    RECT stale = b->behind;
    add_dirty(&stale, r);
    fill(v, b, rect_intersect(stale, RECT{0, 0, width, height}), pixels);
    for (WlBuffer& other : v->buffers)
        if (&other != b) add_dirty(&other.behind, r);
    b->behind = RECT{0, 0, 0, 0};
    const int s = v->scale;
    wl_surface_attach(v->surface, b->buffer, 0, 0);
    wl_surface_damage_buffer(v->surface, r.left * s, r.top * s, (r.right - r.left) * s, (r.bottom - r.top) * s);
    v->frame = wl_surface_frame(v->surface);
    wl_callback_add_listener(v->frame, &frame_listener, v);
    wl_surface_commit(v->surface);
    b->busy = true;
    v->pending = RECT{0, 0, 0, 0};
    wl_display_flush(g.display);
}

// Our surface over GTK's, taking no input: the pointer reaches GTK's window.
void make_surface(WlView* v) {
    v->surface = wl_compositor_create_surface(g.compositor);
    v->subsurface = wl_subcompositor_get_subsurface(g.subcompositor, v->surface, v->parent);
    // Our commits show at once, not with GTK's next one.
    wl_subsurface_set_desync(v->subsurface);
    wl_region* none = wl_compositor_create_region(g.compositor);
    wl_surface_set_input_region(v->surface, none);
    wl_region_destroy(none);
}

void on_gtk_painted(GdkFrameClock*, gpointer data);

// Asks GTK to paint (and so commit) its surface, and holds our commits
// until it has.
void await_gtk_paint(WlView* v) {
    if (!v->painted) {
        v->clock = gdk_window_get_frame_clock(gtk_widget_get_window(v->toplevel));
        v->painted = g_signal_connect_after(v->clock, "after-paint", G_CALLBACK(on_gtk_painted), v);
    }
    gtk_widget_queue_draw(v->area);
    g.asked_gtk = true;
}

// Our first commit waits for GTK's commit that places the subsurface, so
// that it never shows elsewhere.
void on_gtk_painted(GdkFrameClock*, gpointer data) {
    auto* v = static_cast<WlView*>(data);
    g_signal_handler_disconnect(v->clock, v->painted);
    v->painted = 0;
    commit(v);
}

// New buffers when the surface's size or the scale changed.
bool resize(WlView* v, int width, int height) {
    int scale = gtk_widget_get_scale_factor(v->area);
    if (scale == v->scale && width == v->width && height == v->height) return true;
    if (v->frame) wl_callback_destroy(v->frame);
    v->frame = nullptr;
    free_buffers(v);
    v->scale = scale;
    v->width = width;
    v->height = height;
    if (width > 0 && height > 0 && !make_buffers(v, width * scale, height * scale)) return false;
    wl_surface_set_buffer_scale(v->surface, scale);
    add_dirty(&v->pending, RECT{0, 0, width, height});
    return true;
}

}  // namespace

// Null where it cannot work (not Wayland). It may take a moment to show:
// until then, GTK draws the area.
ClientView* wl_view_create(GdkWindow* parent, GtkWidget* toplevel, GtkWidget* area, HWND window) {
    if (!GDK_IS_WAYLAND_WINDOW(parent)) return nullptr;
    wl_surface* parent_surface = gdk_wayland_window_get_wl_surface(parent);
    if (!parent_surface) return nullptr;
    if (!g.display) start_listing(gdk_wayland_display_get_wl_display(gdk_window_get_display(parent)));
    else if (!g.listing && (!g.compositor || !g.subcompositor || !g.shm)) return nullptr;
    return new WlView(toplevel, area, window, parent_surface);
}

WlView::WlView(GtkWidget* toplevel, GtkWidget* area, HWND window, wl_surface* parent)
    : toplevel(toplevel), area(area), window(window), parent(parent) {
    g_views.push_back(this);
}

WlView::~WlView() {
    std::erase(g_views, this);
    if (painted) g_signal_handler_disconnect(clock, painted);
    if (frame) wl_callback_destroy(frame);
    free_buffers(this);
    if (subsurface) wl_subsurface_destroy(subsurface);
    if (surface) wl_surface_destroy(surface);
    wl_display_flush(g.display);
}

// They go at once, or with the next frame of the compositor if one is
// still due.
bool WlView::update(const RECT& rect) {
    if (!shown) return false;
    add_dirty(&pending, rect);
    if (!frame) commit(this);
    return true;
}

// Takes in what the compositor sent us (frames done, buffers released, the
// globals at start) and commits what waited for it. True when it asked GTK
// to paint (a view began to show).
bool wl_views_pace() {
    if (!g.queue) return false;
    wl_display_dispatch_queue_pending(g.display, g.queue);
    // What a full socket kept back; GDK flushes only when it polls anew.
    wl_display_flush(g.display);
    bool asked = g.asked_gtk;
    g.asked_gtk = false;
    return asked;
}

bool WlView::place() {
    int new_width = 0, new_height = 0;
    if (!host_window_pixels(window, &new_width, &new_height)) return false;
    if (g.listing) return true;  // it shows once the globals are known
    if (!g.compositor || !g.subcompositor || !g.shm) return false;
    if (!surface) make_surface(this);
    if (!resize(this, new_width, new_height)) return false;
    int new_x = 0, new_y = 0;
    gtk_widget_translate_coordinates(area, toplevel, 0, 0, &new_x, &new_y);
    if (new_x != x || new_y != y || !shown) {
        // The place takes effect with GTK's next commit of its surface, and
        // GTK stops drawing the area with its next paint.
        wl_subsurface_set_position(subsurface, new_x, new_y);
        x = new_x;
        y = new_y;
        shown = true;
        await_gtk_paint(this);
    }
    if (!frame) commit(this);
    return true;
}

#else  // no Wayland in this GTK: GTK draws every client area there

ClientView* wl_view_create(GdkWindow*, GtkWidget*, GtkWidget*, HWND) { return nullptr; }
bool wl_views_pace() { return false; }

#endif

}  // namespace plat
