// The shared-memory view of a client area.
//
// The view talks to the X server over a connection of its own, which GTK's
// main loop does not watch: the completions of its puts (ShmCompletion, sent
// once the server has read an image) wait there until the next update needs
// an image, so a frame costs one put and no extra wake-up. Two images are
// used in turn; only with both still unread does the view watch its
// connection, and the completion that frees one puts what gathered meanwhile.
// Exposures arrive on GTK's connection (it selects them on our window) and
// put the surface as it is: uncovering shows the last frame without asking
// for a new one.
#include "backend/x11_shm.h"

#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#endif

#include <vector>

#include <win32_host.h>

namespace plat {

#ifdef GDK_WINDOWING_X11

namespace {

struct ShmBuffer {
    XImage* image = nullptr;
    XShmSegmentInfo segment = {};
    bool attached = false;
    bool busy = false;  // put, and not known to be read by the server
};

bool is_empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

void unite(RECT* into, const RECT& r) {
    if (is_empty(r)) return;
    if (is_empty(*into)) {
        *into = r;
        return;
    }
    into->left = r.left < into->left ? r.left : into->left;
    into->top = r.top < into->top ? r.top : into->top;
    into->right = r.right > into->right ? r.right : into->right;
    into->bottom = r.bottom > into->bottom ? r.bottom : into->bottom;
}

// Our surfaces hold 0x00RRGGBB words in host order: the image must take them
// as they are.
bool takes_surface_words(const XImage* image) {
    int host_order = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? LSBFirst : MSBFirst;
    return image->bits_per_pixel == 32 && image->byte_order == host_order && image->red_mask == 0xff0000 &&
           image->green_mask == 0xff00 && image->blue_mask == 0xff;
}

// X error handlers are per process: ours counts the errors of the views'
// own connections (a segment the server cannot attach, a window already
// gone with its top level) and hands every other one on, to GDK's.
std::vector<Display*> g_own_displays;
XErrorHandler g_next_handler = nullptr;
int g_own_errors = 0;

int on_x_error(Display* display, XErrorEvent* error) {
    for (Display* own : g_own_displays) {
        if (own == display) {
            ++g_own_errors;
            return 0;
        }
    }
    return g_next_handler ? g_next_handler(display, error) : 0;
}

}  // namespace

struct ShmView {
    Display* gdk_xdisplay = nullptr;  // GTK's connection: exposures
    Display* display = nullptr;       // ours: windows, images, puts, completions
    Window xwindow = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int completion = 0;  // the ShmCompletion event type
    guint watch = 0;     // watching our connection while both images are unread
    GtkWidget* toplevel = nullptr;
    GtkWidget* area = nullptr;
    HWND window = nullptr;
    int scale = 0;
    int width = 0, height = 0;  // client pixels
    bool mapped = false;
    ShmBuffer buffers[2];
    RECT pending = {0, 0, 0, 0};  // client pixels not yet put
};

namespace {

void free_buffers(ShmView* v) {
    for (ShmBuffer& b : v->buffers) {
        // Requests run in order: the server has read every put before it detaches.
        if (b.attached) XShmDetach(v->display, &b.segment);
        if (b.segment.shmaddr && b.segment.shmaddr != reinterpret_cast<char*>(-1)) shmdt(b.segment.shmaddr);
        if (b.image) {
            b.image->data = nullptr;  // the segment's, not the image's
            XDestroyImage(b.image);
        }
        b = ShmBuffer{};
    }
}

bool make_buffers(ShmView* v, int width, int height) {
    for (ShmBuffer& b : v->buffers) {
        b.image = XShmCreateImage(v->display, v->visual, 24, ZPixmap, nullptr, &b.segment, unsigned(width),
                                  unsigned(height));
        if (!b.image || !takes_surface_words(b.image)) return false;
        b.segment.shmid = shmget(IPC_PRIVATE, size_t(b.image->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
        if (b.segment.shmid < 0) return false;
        b.segment.shmaddr = static_cast<char*>(shmat(b.segment.shmid, nullptr, 0));
        // Marked for removal at once: it goes when both sides have detached,
        // however the process ends.
        shmctl(b.segment.shmid, IPC_RMID, nullptr);
        if (b.segment.shmaddr == reinterpret_cast<char*>(-1)) return false;
        b.image->data = b.segment.shmaddr;
        b.segment.readOnly = True;
        int errors = g_own_errors;
        XShmAttach(v->display, &b.segment);
        XSync(v->display, False);
        b.attached = g_own_errors == errors;
        if (!b.attached) return false;
    }
    return true;
}

// Takes in the completions that have arrived, without waiting for any.
void take_completions(ShmView* v) {
    while (XEventsQueued(v->display, QueuedAfterReading) > 0) {
        XEvent e;
        XNextEvent(v->display, &e);
        if (e.type != v->completion) continue;
        auto* done = reinterpret_cast<XShmCompletionEvent*>(&e);
        for (ShmBuffer& b : v->buffers)
            if (b.attached && b.segment.shmseg == done->shmseg) b.busy = false;
    }
}

gboolean on_readable(gint, GIOCondition, gpointer data);

// Puts the pending rectangle through a free image, if there is one.
void put(ShmView* v) {
    RECT r = v->pending;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > v->width) r.right = v->width;
    if (r.bottom > v->height) r.bottom = v->height;
    if (is_empty(r) || !v->buffers[0].image) {
        v->pending = RECT{0, 0, 0, 0};
        return;
    }
    if (v->buffers[0].busy && v->buffers[1].busy) take_completions(v);
    ShmBuffer* b = !v->buffers[0].busy ? &v->buffers[0] : !v->buffers[1].busy ? &v->buffers[1] : nullptr;
    if (!b) {
        // The server is behind: the completion that frees an image puts this.
        if (!v->watch) v->watch = g_unix_fd_add(ConnectionNumber(v->display), G_IO_IN, on_readable, v);
        return;
    }
    int width = 0, height = 0;
    const DWORD* pixels = host_window_pixels(v->window, &width, &height);
    if (!pixels || width != v->width || height != v->height) return;  // resized: placing puts it all

    // Each surface pixel becomes a scale x scale block, with no smoothing.
    const int s = v->scale;
    for (int y = r.top * s; y < r.bottom * s; ++y) {
        const DWORD* from = pixels + size_t(y / s) * size_t(width);
        auto* to = reinterpret_cast<uint32_t*>(b->image->data + size_t(y) * size_t(b->image->bytes_per_line));
        if (s == 1) {
            memcpy(to + r.left, from + r.left, size_t(r.right - r.left) * 4);
        } else {
            for (int x = r.left; x < r.right; ++x)
                for (int k = 0; k < s; ++k) to[x * s + k] = from[x];
        }
    }
    XShmPutImage(v->display, v->xwindow, v->gc, b->image, r.left * s, r.top * s, r.left * s, r.top * s,
                 unsigned((r.right - r.left) * s), unsigned((r.bottom - r.top) * s), True);
    b->busy = true;
    v->pending = RECT{0, 0, 0, 0};
    XFlush(v->display);
}

gboolean on_readable(gint, GIOCondition, gpointer data) {
    auto* v = static_cast<ShmView*>(data);
    take_completions(v);
    if (v->buffers[0].busy && v->buffers[1].busy) return G_SOURCE_CONTINUE;
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
    unite(&v->pending, RECT{x.x / s, x.y / s, (x.x + x.width + s - 1) / s, (x.y + x.height + s - 1) / s});
    if (x.count == 0) put(v);
    return GDK_FILTER_REMOVE;
}

}  // namespace

ShmView* shm_view_create(GtkWidget* toplevel, GtkWidget* area, HWND window) {
    GdkDisplay* gdk_display = gtk_widget_get_display(toplevel);
    GdkWindow* parent = gtk_widget_get_window(toplevel);
    if (!GDK_IS_X11_DISPLAY(gdk_display) || !parent || !GDK_IS_X11_WINDOW(parent)) return nullptr;
    Display* gdk_xdisplay = GDK_DISPLAY_XDISPLAY(gdk_display);
    GdkVisual* gdk_visual = gdk_window_get_visual(parent);
    Visual* visual = GDK_VISUAL_XVISUAL(gdk_visual);
    if (gdk_visual_get_depth(gdk_visual) != 24 || visual->c_class != TrueColor) return nullptr;
    Display* display = XOpenDisplay(DisplayString(gdk_xdisplay));
    if (!display) return nullptr;
    if (!XShmQueryExtension(display)) {
        XCloseDisplay(display);
        return nullptr;
    }
    static bool handling = false;
    if (!handling) g_next_handler = XSetErrorHandler(on_x_error);
    handling = true;
    g_own_displays.push_back(display);

    auto* v = new ShmView;
    v->gdk_xdisplay = gdk_xdisplay;
    v->display = display;
    v->visual = visual;
    v->completion = XShmGetEventBase(display) + ShmCompletion;
    v->toplevel = toplevel;
    v->area = area;
    v->window = window;
    // The top level must exist for the server before our connection names it.
    XSync(gdk_xdisplay, False);
    int errors = g_own_errors;
    XSetWindowAttributes attributes = {};
    // No background: the server never clears it, so an exposed part keeps
    // its pixels until the put that follows.
    attributes.background_pixmap = None;
    attributes.bit_gravity = NorthWestGravity;
    v->xwindow = XCreateWindow(display, GDK_WINDOW_XID(parent), 0, 0, 1, 1, 0, 24, InputOutput, visual,
                               CWBackPixmap | CWBitGravity, &attributes);
    v->gc = XCreateGC(display, v->xwindow, 0, nullptr);
    XSync(display, False);
    if (g_own_errors != errors) {
        shm_view_destroy(v);
        return nullptr;
    }
    XSelectInput(gdk_xdisplay, v->xwindow, ExposureMask);
    gdk_window_add_filter(nullptr, filter, v);
    if (!shm_view_place(v)) {
        shm_view_destroy(v);
        return nullptr;
    }
    return v;
}

void shm_view_destroy(ShmView* v) {
    if (!v) return;
    gdk_window_remove_filter(nullptr, filter, v);
    if (v->watch) g_source_remove(v->watch);
    free_buffers(v);
    // Closing the connection ends its window, GC and attachments with it.
    XCloseDisplay(v->display);
    std::erase(g_own_displays, v->display);
    delete v;
}

void shm_view_update(ShmView* v, const RECT& rect) {
    unite(&v->pending, rect);
    if (!v->watch) put(v);
}

bool shm_view_place(ShmView* v) {
    int width = 0, height = 0;
    if (!host_window_pixels(v->window, &width, &height)) return false;
    int scale = gtk_widget_get_scale_factor(v->area);
    if (scale != v->scale || width != v->width || height != v->height) {
        if (v->watch) g_source_remove(v->watch);
        v->watch = 0;
        free_buffers(v);
        v->scale = scale;
        v->width = width;
        v->height = height;
        if (width > 0 && height > 0 && !make_buffers(v, width * scale, height * scale)) return false;
        XResizeWindow(v->display, v->xwindow, unsigned(width > 0 ? width * scale : 1),
                      unsigned(height > 0 ? height * scale : 1));
        unite(&v->pending, RECT{0, 0, width, height});
    }
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(v->area, v->toplevel, 0, 0, &x, &y);
    XMoveWindow(v->display, v->xwindow, x * scale, y * scale);
    if (!v->mapped) {
        XMapWindow(v->display, v->xwindow);
        v->mapped = true;
    }
    put(v);
    XFlush(v->display);
    return true;
}

#else  // no X11 in this GTK: GTK draws every client area

struct ShmView {};
ShmView* shm_view_create(GtkWidget*, GtkWidget*, HWND) { return nullptr; }
void shm_view_destroy(ShmView*) {}
void shm_view_update(ShmView*, const RECT&) {}
bool shm_view_place(ShmView*) { return false; }

#endif

}  // namespace plat
