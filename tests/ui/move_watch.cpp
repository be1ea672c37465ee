// move_watch SECONDS: stands in for a window manager just long enough to see a window
// ask to be moved. It takes the root window's substructure redirection, passes map
// and configure requests through unchanged, and prints "move WINDOW" when a window
// sends _NET_WM_MOVERESIZE with the move action, then exits 0. Exit 1 when nothing
// came within SECONDS, 2 when the redirection is taken (a window manager runs).
#include <X11/Xlib.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

static bool redirect_refused = false;
static int on_error(Display*, XErrorEvent* e) {
    if (e->error_code == BadAccess) redirect_refused = true;
    return 0;
}

int main(int argc, char** argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 10;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 2;
    XSetErrorHandler(on_error);
    Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(d, False);
    if (redirect_refused) return 2;
    puts("ready");
    fflush(stdout);
    Atom moveresize = XInternAtom(d, "_NET_WM_MOVERESIZE", False);
    time_t end = time(nullptr) + static_cast<time_t>(seconds + 0.999);
    while (time(nullptr) < end) {
        if (!XPending(d)) {
            pollfd p{ConnectionNumber(d), POLLIN, 0};
            poll(&p, 1, 100);
            continue;
        }
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == MapRequest) {
            XMapWindow(d, ev.xmaprequest.window);
        } else if (ev.type == ConfigureRequest) {
            XConfigureRequestEvent& r = ev.xconfigurerequest;
            XWindowChanges c{r.x, r.y, r.width, r.height, r.border_width, r.above, r.detail};
            XConfigureWindow(d, r.window, static_cast<unsigned>(r.value_mask), &c);
        } else if (ev.type == ClientMessage && ev.xclient.message_type == moveresize &&
                   ev.xclient.data.l[2] == 8) {
            printf("move 0x%lx\n", ev.xclient.window);
            return 0;
        }
    }
    return 1;
}
