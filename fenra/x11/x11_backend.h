// The X11 backend's own part of the Window record, shared by its source files.
//
//   x11_backend(window)                  the WindowBackend of a window.
//   read_window_property(d, w, prop)     whole property, any type; data is null on
//                                        failure and is released with XFree.
//   choose_uri_list_type(d, atoms, n)    first atom named exactly "text/uri-list", or 0.
//   x11_handle_client_message(window, event)   WM_DELETE_WINDOW and the XDND messages.
//   x11_handle_selection_notify(window, event) the dropped data arriving.
//   x11_handle_selection_request(window, event) answers from FENRA_CUTBUFFER.
//
// Xlib names its window id type Window, which clashes with fenra's Window record, so
// the X headers are read with that name turned into XWindow.
#pragma once
#define Window XWindow
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Window

#include <cstdint>

#include "fenra/fenra.h"

struct WindowBackend {
    XWindow window;
    Display* display;
    int32_t screen;
    GC gc;
    Visual* visual;
    int32_t depth;
    uint8_t own_gc;
    int32_t xdnd_version;
    Atom drop_type;
    XWindow drag_source;
    int32_t x, y;       // last known position
    uint8_t io_failed;  // the connection broke; Xlib does no more I/O on it
};

inline WindowBackend* x11_backend(Window* window) { return window->backend; }

struct WindowProperty {
    unsigned char* data;
    int format;
    unsigned long count;
    Atom type;
};

[[nodiscard]] WindowProperty read_window_property(Display* display, XWindow window, Atom property);
[[nodiscard]] Atom choose_uri_list_type(Display* display, const Atom* atoms, unsigned long count);
void x11_handle_client_message(Window* window, const XClientMessageEvent& event);
void x11_handle_selection_notify(Window* window, const XSelectionEvent& event);
void x11_handle_selection_request(Window* window, const XSelectionRequestEvent& event);
