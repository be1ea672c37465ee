// XDND drop target and answers to selection requests.
#include <cstring>

#include "fenra/x11/uri_list.h"
#include "fenra/x11/x11_backend.h"

namespace {

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

void send_client_message(Display* d, XWindow to, Atom type, const long (&data)[5]) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.display = d;
    ev.xclient.window = to;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    for (int i = 0; i < 5; i++) ev.xclient.data.l[i] = data[i];
    XSendEvent(d, to, False, NoEventMask, &ev);
}

bool atom_named(Display* d, Atom a, const char* name) {
    if (a == None) return false;
    char* text = XGetAtomName(d, a);
    if (!text) return false;
    bool same = strcmp(text, name) == 0;
    XFree(text);
    return same;
}

void on_enter(Window* w, const XClientMessageEvent& ev) {
    WindowBackend* b = w->backend;
    Display* d = b->display;
    b->drag_source = static_cast<XWindow>(ev.data.l[0]);
    b->xdnd_version = static_cast<int32_t>(static_cast<unsigned long>(ev.data.l[1]) >> 24);
    if (ev.data.l[1] & 1) {
        WindowProperty p = read_window_property(d, b->drag_source, atom(d, "XdndTypeList"));
        // Only a list of 32-bit items can be atoms; anything else offers nothing.
        unsigned long count = p.format == 32 ? p.count : 0;
        b->drop_type = choose_uri_list_type(d, reinterpret_cast<const Atom*>(p.data), count);
        if (p.data) XFree(p.data);
    } else {
        const Atom offered[3] = {static_cast<Atom>(ev.data.l[2]), static_cast<Atom>(ev.data.l[3]),
                                 static_cast<Atom>(ev.data.l[4])};
        b->drop_type = choose_uri_list_type(d, offered, 3);
    }
}

void on_position(Window* w, const XClientMessageEvent& ev) {
    WindowBackend* b = w->backend;
    Display* d = b->display;
    const long data[5] = {static_cast<long>(b->window), b->drop_type ? 1 : 0, 0, 0,
                          static_cast<long>(atom(d, "XdndActionCopy"))};
    send_client_message(d, static_cast<XWindow>(ev.data.l[0]), atom(d, "XdndStatus"), data);
    XFlush(d);
}

void on_drop(Window* w, const XClientMessageEvent& ev) {
    WindowBackend* b = w->backend;
    Display* d = b->display;
    if (b->drop_type) {
        Time time = b->xdnd_version >= 1 ? static_cast<Time>(ev.data.l[2]) : CurrentTime;
        XConvertSelection(d, atom(d, "XdndSelection"), b->drop_type, atom(d, "PRIMARY"), b->window,
                          time);
    } else {
        const long data[5] = {static_cast<long>(b->window), 0, None, 0, 0};
        send_client_message(d, static_cast<XWindow>(ev.data.l[0]), atom(d, "XdndFinished"), data);
    }
}

}  // namespace

WindowProperty read_window_property(Display* d, XWindow window, Atom property) {
    WindowProperty p{};
    long length = 0;
    for (;;) {
        if (p.data) XFree(p.data);
        p.data = nullptr;
        unsigned long after = 0;
        if (XGetWindowProperty(d, window, property, 0, length, False, AnyPropertyType, &p.type,
                               &p.format, &p.count, &after, &p.data) != Success) {
            return WindowProperty{};
        }
        if (after == 0) return p;
        length += static_cast<long>((after + 3) / 4);
    }
}

Atom choose_uri_list_type(Display* d, const Atom* atoms, unsigned long count) {
    if (!atoms) return 0;
    for (unsigned long i = 0; i < count; i++) {
        if (atom_named(d, atoms[i], "text/uri-list")) return atoms[i];
    }
    return 0;
}

void x11_handle_client_message(Window* w, const XClientMessageEvent& ev) {
    WindowBackend* b = w->backend;
    Display* d = b->display;
    if (static_cast<Atom>(ev.data.l[0]) == atom(d, "WM_DELETE_WINDOW")) {
        w->closed = 1;
        if (w->callbacks.on_close.fn) w->callbacks.on_close.fn(w, w->callbacks.on_close.user);
        return;
    }
    if (ev.message_type == atom(d, "XdndEnter")) {
        on_enter(w, ev);
    } else if (ev.message_type == atom(d, "XdndPosition")) {
        on_position(w, ev);
    } else if (ev.message_type == atom(d, "XdndDrop")) {
        on_drop(w, ev);
    }
}

void x11_handle_selection_notify(Window* w, const XSelectionEvent& ev) {
    WindowBackend* b = w->backend;
    Display* d = b->display;
    if (!b->drop_type || ev.target != b->drop_type) return;
    WindowProperty p = read_window_property(d, b->window, atom(d, "PRIMARY"));
    if (p.data && p.format == 8 && atom_named(d, ev.target, "text/uri-list")) {
        // Xlib keeps a NUL after property data, so the text is terminated.
        uri_list_to_paths(w, reinterpret_cast<char*>(p.data));
    }
    if (p.data) XFree(p.data);
    const long data[5] = {static_cast<long>(b->window), 1,
                          static_cast<long>(atom(d, "XdndActionCopy")), 0, 0};
    send_client_message(d, b->drag_source, atom(d, "XdndFinished"), data);
    XSync(d, False);
}

void x11_handle_selection_request(Window* w, const XSelectionRequestEvent& req) {
    WindowBackend* b = w->backend;
    Display* d = b->display;
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = d;
    reply.xselection.requestor = req.requestor;
    reply.xselection.selection = req.selection;
    reply.xselection.time = req.time;
    reply.xselection.target = None;
    reply.xselection.property = None;
    // Old clients name no property; the target then serves as one. Writing to
    // property None would be a protocol error that ends the program.
    Atom property = req.property != None ? req.property : req.target;

    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, b->window, atom(d, "FENRA_CUTBUFFER"), 0, 0x1FFFFFFF, False,
                           req.target, &type, &format, &count, &after, &data) == Success) {
        reply.xselection.target = type;
        Atom targets = atom(d, "TARGETS");
        if (type != None && type == req.target) {
            XChangeProperty(d, req.requestor, property, type, format, PropModeReplace, data,
                            static_cast<int>(count));
            reply.xselection.property = property;
        } else if (req.target == targets) {
            long list[2] = {static_cast<long>(targets), static_cast<long>(type)};
            XChangeProperty(d, req.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(list), 2);
            reply.xselection.property = property;
            reply.xselection.target = targets;
        }
        if (data) XFree(data);
    }
    XSendEvent(d, req.requestor, False, NoEventMask, &reply);
}
