// A second X client for the window tests.
//
//   xdnd_source drop WINDOW TYPES TEXT   drag TEXT offered as the comma-separated
//                                        TYPES onto WINDOW; more than three types go
//                                        through the XdndTypeList property.
//                                        Prints "status N" and "finished N".
//   xdnd_source close WINDOW             sends WM_DELETE_WINDOW.
// Exits 2 when the target does not answer within 5 s.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/select.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

Display* d;

void send(Window to, Window about, Atom type, long l0, long l1, long l2, long l3, long l4) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = about;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    long data[5] = {l0, l1, l2, l3, l4};
    for (int i = 0; i < 5; i++) ev.xclient.data.l[i] = data[i];
    XSendEvent(d, to, False, NoEventMask, &ev);
    XFlush(d);
}

// Next event, or exit 2 after 5 s without one.
void next_event(XEvent* ev) {
    for (int waited = 0; !XPending(d); waited++) {
        if (waited >= 500) {
            fprintf(stderr, "no answer\n");
            exit(2);
        }
        int fd = ConnectionNumber(d);
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval tv{0, 10000};
        select(fd + 1, &set, nullptr, nullptr, &tv);
    }
    XNextEvent(d, ev);
}

Atom atom(const char* name) { return XInternAtom(d, name, False); }

int drop(Window target, const char* types_arg, const char* text) {
    std::vector<Atom> types;
    std::string all = types_arg;
    for (size_t start = 0; start <= all.size();) {
        size_t comma = all.find(',', start);
        if (comma == std::string::npos) comma = all.size();
        types.push_back(atom(all.substr(start, comma - start).c_str()));
        start = comma + 1;
    }
    Window src = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(d, atom("XdndSelection"), src, CurrentTime);
    long more = types.size() > 3 ? 1 : 0;
    if (more) {
        XChangeProperty(d, src, atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(types.data()),
                        static_cast<int>(types.size()));
    }
    types.resize(3, None);
    send(target, target, atom("XdndEnter"), static_cast<long>(src), (5L << 24) | more,
         static_cast<long>(types[0]), static_cast<long>(types[1]), static_cast<long>(types[2]));
    send(target, target, atom("XdndPosition"), static_cast<long>(src), 0, (150L << 16) | 150,
         CurrentTime, static_cast<long>(atom("XdndActionCopy")));
    XEvent ev;
    for (;;) {
        next_event(&ev);
        if (ev.type == ClientMessage && ev.xclient.message_type == atom("XdndStatus")) break;
    }
    printf("status %ld\n", ev.xclient.data.l[1] & 1);
    send(target, target, atom("XdndDrop"), static_cast<long>(src), 0, CurrentTime, 0, 0);
    for (;;) {
        next_event(&ev);
        if (ev.type == SelectionRequest) {
            const XSelectionRequestEvent& req = ev.xselectionrequest;
            XEvent reply{};
            reply.xselection.type = SelectionNotify;
            reply.xselection.requestor = req.requestor;
            reply.xselection.selection = req.selection;
            reply.xselection.target = req.target;
            reply.xselection.property = req.property;
            reply.xselection.time = req.time;
            XChangeProperty(d, req.requestor, req.property, req.target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(text),
                            static_cast<int>(strlen(text)));
            XSendEvent(d, req.requestor, False, NoEventMask, &reply);
            XFlush(d);
        } else if (ev.type == ClientMessage && ev.xclient.message_type == atom("XdndFinished")) {
            printf("finished %ld\n", ev.xclient.data.l[1] & 1);
            return 0;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    d = XOpenDisplay(nullptr);
    if (!d || argc < 3) return 1;
    Window target = static_cast<Window>(strtoul(argv[2], nullptr, 0));
    if (strcmp(argv[1], "close") == 0) {
        send(target, target, atom("WM_PROTOCOLS"), static_cast<long>(atom("WM_DELETE_WINDOW")),
             CurrentTime, 0, 0, 0);
        XSync(d, False);
        return 0;
    }
    if (strcmp(argv[1], "drop") == 0 && argc == 5) return drop(target, argv[3], argv[4]);
    return 1;
}
