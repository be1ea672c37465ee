// The floor our own loop sets: a process that only sleeps 5 ms in select per pass,
// optionally asking the X server for pending events once per pass (with a mapped
// window, as the player has), for SECONDS. Compiled by bench/playback.
//
//   floor_loop SECONDS [display]
#include <X11/Xlib.h>
#include <sys/select.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const double seconds = atof(argv[1]);
    Display* d = nullptr;
    if (argc > 2) {
        d = XOpenDisplay(nullptr);
        if (!d) return 1;
        Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 300, 300, 0, 0, 0);
        XSelectInput(d, w, ExposureMask | KeyPressMask | StructureNotifyMask);
        XMapWindow(d, w);
        XFlush(d);
    }
    timespec start{}, now{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (d) {
            while (XPending(d) > 0) {
                XEvent ev;
                XNextEvent(d, &ev);
            }
        }
        timeval tv{0, 5000};
        select(0, nullptr, nullptr, nullptr, &tv);
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec - start.tv_sec + (now.tv_nsec - start.tv_nsec) * 1e-9 >= seconds) break;
    }
    if (d) XCloseDisplay(d);
    return 0;
}
