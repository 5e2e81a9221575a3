// The shared-memory view of a client area. Two images are used in turn: one
// may be read by the server (until its ShmCompletion event arrives) while the
// next update fills the other; with both in flight, updates gather into one
// pending rectangle that the next completion puts. Exposures put the surface
// as it is, so uncovering shows the last frame without asking for a new one.
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
#endif

#include <win32_host.h>

namespace plat {

#ifdef GDK_WINDOWING_X11

namespace {

struct ShmBuffer {
    XImage* image = nullptr;
    XShmSegmentInfo segment = {};
    bool attached = false;
    bool busy = false;  // put, and not yet read by the server
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

}  // namespace

struct ShmView {
    GdkDisplay* gdk_display = nullptr;
    Display* display = nullptr;
    Window xwindow = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    int completion = 0;  // the ShmCompletion event type
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
        b.image = XShmCreateImage(v->display, v->visual, unsigned(v->depth), ZPixmap, nullptr, &b.segment,
                                  unsigned(width), unsigned(height));
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
        gdk_x11_display_error_trap_push(v->gdk_display);
        XShmAttach(v->display, &b.segment);
        b.attached = gdk_x11_display_error_trap_pop(v->gdk_display) == 0;
        if (!b.attached) return false;
    }
    return true;
}

// Puts the pending rectangle through a free image, if there is one.
void put(ShmView* v) {
    RECT r = v->pending;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > v->width) r.right = v->width;
    if (r.bottom > v->height) r.bottom = v->height;
    if (is_empty(r)) {
        v->pending = RECT{0, 0, 0, 0};
        return;
    }
    ShmBuffer* b = !v->buffers[0].busy ? &v->buffers[0] : !v->buffers[1].busy ? &v->buffers[1] : nullptr;
    if (!b || !b->image) return;
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

// Our window's exposures and our images' completions, before GDK looks for a
// window of its own.
GdkFilterReturn filter(GdkXEvent* xevent, GdkEvent*, gpointer data) {
    auto* v = static_cast<ShmView*>(data);
    auto* e = static_cast<XEvent*>(xevent);
    if (e->type == v->completion) {
        auto* done = reinterpret_cast<XShmCompletionEvent*>(e);
        if (done->drawable != v->xwindow) return GDK_FILTER_CONTINUE;
        for (ShmBuffer& b : v->buffers)
            if (b.attached && b.segment.shmseg == done->shmseg) b.busy = false;
        put(v);
        return GDK_FILTER_REMOVE;
    }
    if (e->type == Expose && e->xexpose.window == v->xwindow) {
        const XExposeEvent& x = e->xexpose;
        const int s = v->scale > 0 ? v->scale : 1;
        unite(&v->pending, RECT{x.x / s, x.y / s, (x.x + x.width + s - 1) / s, (x.y + x.height + s - 1) / s});
        if (x.count == 0) put(v);
        return GDK_FILTER_REMOVE;
    }
    return GDK_FILTER_CONTINUE;
}

}  // namespace

ShmView* shm_view_create(GtkWidget* toplevel, GtkWidget* area, HWND window) {
    GdkDisplay* gdk_display = gtk_widget_get_display(toplevel);
    GdkWindow* parent = gtk_widget_get_window(toplevel);
    if (!GDK_IS_X11_DISPLAY(gdk_display) || !parent || !GDK_IS_X11_WINDOW(parent)) return nullptr;
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display);
    if (!XShmQueryExtension(display)) return nullptr;
    GdkVisual* gdk_visual = gdk_window_get_visual(parent);
    Visual* visual = GDK_VISUAL_XVISUAL(gdk_visual);
    if (gdk_visual_get_depth(gdk_visual) != 24 || visual->c_class != TrueColor) return nullptr;

    auto* v = new ShmView;
    v->gdk_display = gdk_display;
    v->display = display;
    v->visual = visual;
    v->depth = 24;
    v->completion = XShmGetEventBase(display) + ShmCompletion;
    v->toplevel = toplevel;
    v->area = area;
    v->window = window;
    XSetWindowAttributes attributes = {};
    // No background: the server never clears it, so an exposed part keeps
    // its pixels until the put that follows.
    attributes.background_pixmap = None;
    attributes.bit_gravity = NorthWestGravity;
    attributes.event_mask = ExposureMask;
    gdk_x11_display_error_trap_push(gdk_display);
    v->xwindow = XCreateWindow(display, GDK_WINDOW_XID(parent), 0, 0, 1, 1, 0, v->depth, InputOutput, visual,
                               CWBackPixmap | CWBitGravity | CWEventMask, &attributes);
    v->gc = XCreateGC(display, v->xwindow, 0, nullptr);
    bool created = gdk_x11_display_error_trap_pop(gdk_display) == 0;
    gdk_window_add_filter(nullptr, filter, v);
    if (!created || !shm_view_place(v)) {
        shm_view_destroy(v);
        return nullptr;
    }
    return v;
}

void shm_view_destroy(ShmView* v) {
    if (!v) return;
    gdk_window_remove_filter(nullptr, filter, v);
    free_buffers(v);
    if (v->gc) XFreeGC(v->display, v->gc);
    if (v->xwindow) XDestroyWindow(v->display, v->xwindow);
    XFlush(v->display);
    delete v;
}

void shm_view_update(ShmView* v, const RECT& rect) {
    unite(&v->pending, rect);
    put(v);
}

bool shm_view_place(ShmView* v) {
    int width = 0, height = 0;
    if (!host_window_pixels(v->window, &width, &height)) return false;
    int scale = gtk_widget_get_scale_factor(v->area);
    if (scale != v->scale || width != v->width || height != v->height) {
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
