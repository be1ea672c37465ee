// fenra on an X server through Xlib: one top-level window shown with XPutImage.
#include "fenra/x11/x11_backend.h"
#include "fenra/x11/x11_keys.h"
#include "foundation/memory.h"
#include "imaging/image.h"

#include <algorithm>

namespace {

constexpr long EVENT_MASK = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | ExposureMask | StructureNotifyMask |
                            FocusChangeMask;
static_assert(EVENT_MASK == 0x22804F);

uint32_t modifiers_from_state(unsigned int state) {
    uint32_t m = 0;
    if (state & ShiftMask) m |= MOD_SHIFT;
    if (state & ControlMask) m |= MOD_CTRL;
    if (state & Mod1Mask) m |= MOD_ALT;
    if (state & Mod4Mask) m |= MOD_SUPER;
    if (state & LockMask) m |= MOD_CAPS;
    if (state & Mod2Mask) m |= MOD_NUM;
    return m;
}

void build_key_map(Window* w, Display* display) {
    int min_code = 0, max_code = 0, per = 0;
    XDisplayKeycodes(display, &min_code, &max_code);
    KeySym* syms =
        XGetKeyboardMapping(display, static_cast<KeyCode>(min_code), max_code - min_code + 1, &per);
    x11_key_map_fill(w->key_map, syms, min_code, max_code, per);
    if (syms) XFree(syms);
}

// A broken connection reaches Xlib's IO error handler inside whichever call noticed
// it. The default one prints a line and its exit handler ends the process with
// status 1 on the spot. Here the handler stays quiet (the main loop reports the
// loss) and the exit handler (libX11 1.8 and later) only records it and returns:
// Xlib then keeps the display marked dead and its later calls do no I/O, so the
// next fenra_dispatch returns -1 and the process ends through the main loop.
int quiet_io_error(Display*) { return 0; }

void record_io_failure(Display*, void* user) { static_cast<WindowBackend*>(user)->io_failed = 1; }

void release_failed(Window* w, Display* display) {
    if (display) XCloseDisplay(display);
    dru_free(w->backend);
    dru_free(w);
}

void handle_key(Window* w, XKeyEvent& ev, bool press) {
    int32_t code = ev.keycode <= 255 ? w->key_map[ev.keycode] : -1;
    w->modifiers = modifiers_from_state(ev.state);
    if (w->callbacks.on_key.fn)
        w->callbacks.on_key.fn(w, w->callbacks.on_key.user, code,
                               w->modifiers | (press ? uint32_t{MOD_PRESSED} : 0u));
    if (!press || (w->modifiers & (MOD_CTRL | MOD_ALT | MOD_SUPER)) || w->closed) return;
    KeySym sym = NoSymbol;
    XLookupString(&ev, nullptr, 0, &sym, nullptr);
    uint32_t cp = x11_text_codepoint(sym);
    if (cp && w->callbacks.on_text.fn) w->callbacks.on_text.fn(w, w->callbacks.on_text.user, cp);
}

void handle_button(Window* w, const XButtonEvent& ev, bool press) {
    int32_t kind;
    switch (ev.button) {
    case 1: kind = FENRA_BUTTON_LEFT; break;
    case 2: kind = FENRA_BUTTON_MIDDLE; break;
    case 3: kind = FENRA_BUTTON_RIGHT; break;
    case 4: kind = FENRA_WHEEL_UP; break;
    case 5: kind = FENRA_WHEEL_DOWN; break;
    default: return;
    }
    if (!press && (kind == FENRA_WHEEL_UP || kind == FENRA_WHEEL_DOWN)) return;
    if (w->callbacks.on_button.fn)
        w->callbacks.on_button.fn(w, w->callbacks.on_button.user, kind,
                                  w->modifiers | (press ? uint32_t{MOD_PRESSED} : 0u));
}

void handle_configure(Window* w, const XConfigureEvent& ev) {
    WindowBackend* b = w->backend;
    uint32_t flags = 0;
    if (ev.width != w->width || ev.height != w->height) flags |= 1;
    if (ev.x != b->x || ev.y != b->y) flags |= 2;
    b->x = ev.x;
    b->y = ev.y;
    w->width = ev.width;
    w->height = ev.height;
    if (w->callbacks.on_configure.fn)
        w->callbacks.on_configure.fn(w, w->callbacks.on_configure.user, ev.x, ev.y, ev.width,
                                     ev.height, flags);
}

void handle_event(Window* w, XEvent& ev) {
    switch (ev.type) {
    case KeyPress: handle_key(w, ev.xkey, true); break;
    case KeyRelease: handle_key(w, ev.xkey, false); break;
    case ButtonPress: handle_button(w, ev.xbutton, true); break;
    case ButtonRelease: handle_button(w, ev.xbutton, false); break;
    case MotionNotify:
        w->pointer_x = ev.xmotion.x;
        w->pointer_y = ev.xmotion.y;
        if (w->callbacks.on_motion.fn)
            w->callbacks.on_motion.fn(w, w->callbacks.on_motion.user, ev.xmotion.x, ev.xmotion.y);
        break;
    case Expose:
        if (w->callbacks.on_expose.fn) w->callbacks.on_expose.fn(w, w->callbacks.on_expose.user);
        break;
    case DestroyNotify:
        // Only our own window's end closes us; children are not ours anyway.
        if (ev.xdestroywindow.window == w->backend->window) w->closed = 1;
        break;
    case ConfigureNotify: handle_configure(w, ev.xconfigure); break;
    case SelectionRequest: x11_handle_selection_request(w, ev.xselectionrequest); break;
    case SelectionNotify: x11_handle_selection_notify(w, ev.xselection); break;
    case ClientMessage: x11_handle_client_message(w, ev.xclient); break;
    default: break;
    }
}

// Takes every queued event of one type and handles only the last.
bool take_last_of(Window* w, int type) {
    Display* d = w->backend->display;
    XEvent ev, last;
    bool found = false;
    while (!w->closed && XCheckTypedEvent(d, type, &ev)) {
        last = ev;
        found = true;
    }
    if (found) handle_event(w, last);
    return found;
}

}  // namespace

Window* fenra_open(int32_t x, int32_t y, int32_t width, int32_t height, float, uint32_t flags) {
    Window* w = dru_alloc_array<Window>(1);
    WindowBackend* b = dru_alloc_array<WindowBackend>(1);
    w->backend = b;
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        release_failed(w, nullptr);
        return nullptr;
    }
    b->display = d;
    XSetIOErrorHandler(quiet_io_error);
    XSetIOErrorExitHandler(d, record_io_failure, b);
    b->screen = DefaultScreen(d);
    XWindow root = RootWindow(d, b->screen);
    int depth = DefaultDepth(d, b->screen);
    Visual* visual = DefaultVisual(d, b->screen);

    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(d, &count);
    bool has_32 = false;
    for (int i = 0; formats && i < count; i++) {
        if (formats[i].depth == depth) has_32 = formats[i].bits_per_pixel == 32;
    }
    if (formats) XFree(formats);
    if (!has_32) {
        release_failed(w, d);
        return nullptr;
    }

    XSetWindowAttributes attrs{};
    attrs.border_pixel = BlackPixel(d, b->screen);
    attrs.backing_store = NotUseful;
    unsigned long mask = CWBorderPixel | CWBackingStore;
    if (flags & FENRA_TRANSPARENT) {
        XVisualInfo info{};
        if (XMatchVisualInfo(d, b->screen, 32, TrueColor, &info)) {
            visual = info.visual;
            depth = info.depth;
            attrs.colormap = XCreateColormap(d, root, visual, AllocNone);
            mask |= CWColormap;
        }
    }
    if (flags & FENRA_AUTO_POSITION) {
        x = (DisplayWidth(d, b->screen) - width) / 2;
        y = (DisplayHeight(d, b->screen) - height) / 2;
    }
    b->depth = depth;
    b->visual = visual;
    b->x = x;
    b->y = y;
    w->width = width;
    w->height = height;
    b->window =
        XCreateWindow(d, root, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                      depth, InputOutput, visual, mask, &attrs);
    if (!b->window) {
        release_failed(w, d);
        return nullptr;
    }
    XSelectInput(d, b->window, EVENT_MASK);
    XStoreName(d, b->window, "qulmo");

    if (flags & FENRA_BORDERLESS) {
        Atom motif = XInternAtom(d, "_MOTIF_WM_HINTS", False);
        long hints[5] = {2, 0, 0, 0, 0};
        XChangeProperty(d, b->window, motif, motif, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(hints), 5);
    }
    XSizeHints size{};
    size.flags = PPosition | PMinSize | PMaxSize;
    size.min_width = size.max_width = width;
    size.min_height = size.max_height = height;
    XSetWMNormalHints(d, b->window, &size);

    b->gc = DefaultGC(d, b->screen);
    if (flags & FENRA_TRANSPARENT) {
        XGCValues values{};
        values.graphics_exposures = False;
        b->gc = XCreateGC(d, b->window, GCGraphicsExposures, &values);
        b->own_gc = 1;
    }
    Atom wm_delete = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, b->window, &wm_delete, 1);
    // Drag sources only talk XDND to windows that say they understand it.
    long xdnd_version = 5;
    XChangeProperty(d, b->window, XInternAtom(d, "XdndAware", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&xdnd_version), 1);
    build_key_map(w, d);

    XClearWindow(d, b->window);
    XMapRaised(d, b->window);
    XFlush(d);
    // The callbacks are the caller's to fill in; until then events reach empty slots.
    return w;
}

int fenra_dispatch(Window* w) {
    if (!w) return -1;
    Display* d = w->backend->display;
    int handled = 0;
    if (w->backend->io_failed) return -1;
    // Nothing arrived on the connection while the caller slept: only the events Xlib
    // already holds can be waiting, and counting them needs no system call. (XPending
    // also flushes; every request made outside dispatch is flushed where it is made.)
    if (w->display_quiet) {
        w->display_quiet = 0;
        if (XEventsQueued(d, QueuedAlready) == 0) return 0;
    }
    while (!w->closed && !w->backend->io_failed && XPending(d) > 0) {
        if (take_last_of(w, ConfigureNotify) || take_last_of(w, Expose)) {
            handled = 1;
            continue;
        }
        XEvent ev;
        XNextEvent(d, &ev);
        handle_event(w, ev);
        handled = 1;
    }
    return w->backend->io_failed ? -1 : handled;
}

bool fenra_repeat_keys(Window*) { return false; }

float fenra_display_dpi() { return 96.0f; }

int fenra_connection_fd(Window* w) {
    if (!w || !w->backend || !w->backend->display) return -1;
    return ConnectionNumber(w->backend->display);
}

void fenra_present(Window* w, const Image* image, int32_t x, int32_t y, int32_t rw, int32_t rh) {
    if (!w || w->closed || !image || !image->pixels || image->stride < 4) return;
    // Clip to the image and to the window, so nothing outside the pixel buffer is read.
    int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    int64_t x1 = std::min<int64_t>({int64_t{x} + rw, image->width, image->stride / 4, w->width});
    int64_t y1 = std::min<int64_t>({int64_t{y} + rh, image->height, w->height});
    if (x1 <= x0 || y1 <= y0) return;
    WindowBackend* b = w->backend;
    XImage* img = XCreateImage(b->display, b->visual, static_cast<unsigned>(b->depth), ZPixmap, 0,
                               reinterpret_cast<char*>(image->pixels),
                               static_cast<unsigned>(image->stride / 4), static_cast<unsigned>(y1),
                               32, image->stride);
    if (!img) return;
    // The pixels are little-endian words whatever the server's own order is.
    img->byte_order = LSBFirst;
    XPutImage(b->display, b->window, b->gc, img, static_cast<int>(x0), static_cast<int>(y0),
              static_cast<int>(x0), static_cast<int>(y0), static_cast<unsigned>(x1 - x0),
              static_cast<unsigned>(y1 - y0));
    XFlush(b->display);
    img->data = nullptr;
    XDestroyImage(img);
}

void fenra_set_title(Window* w, const char* text) {
    if (!w || !text) return;
    XStoreName(w->backend->display, w->backend->window, text);
    // Called outside dispatch (a track load): a quiet pass would not flush it.
    XFlush(w->backend->display);
}

void fenra_begin_move(Window* w) {
    if (!w) return;
    WindowBackend* b = w->backend;
    Display* d = b->display;
    XRaiseWindow(d, b->window);
    if (w->callbacks.on_button.fn)
        w->callbacks.on_button.fn(w, w->callbacks.on_button.user, FENRA_BUTTON_LEFT, w->modifiers);
    XWindow root_return = 0, child = 0;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned int buttons = 0;
    XQueryPointer(d, b->window, &root_return, &child, &root_x, &root_y, &win_x, &win_y, &buttons);
    XUngrabPointer(d, CurrentTime);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.send_event = True;
    ev.xclient.window = b->window;
    ev.xclient.message_type = XInternAtom(d, "_NET_WM_MOVERESIZE", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = root_x;
    ev.xclient.data.l[1] = root_y;
    ev.xclient.data.l[2] = 8;  // move
    ev.xclient.data.l[3] = 1;  // button 1
    ev.xclient.data.l[4] = 1;  // normal application
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &ev);
}

void fenra_close(Window* w) {
    if (!w) return;
    WindowBackend* b = w->backend;
    if (b && b->display) {
        if (b->own_gc) XFreeGC(b->display, b->gc);
        XDestroyWindow(b->display, b->window);
        XCloseDisplay(b->display);
    }
    dru_free(b);
    dru_free(w);
}
