#include "app/main_loop.h"

#include <sys/select.h>

#include "fenra/fenra.h"
#include "input/input.h"
#include "input/task.h"

namespace {

// Sleeps idle_sleep_ms, or less when a watched descriptor becomes readable. When the
// display connection stayed silent the whole time, the window is told so and its
// next dispatch skips asking the server for events.
void idle_sleep(Window* window) {
    uint32_t ms = input_state.idle_sleep_ms;
    if (ms == 0) return;
    // Descriptors that end the sleep early; the display connection comes first.
    const int fds[] = {window ? fenra_connection_fd(window) : -1};
    fd_set readable;
    FD_ZERO(&readable);
    int top = -1;
    for (int fd : fds) {
        if (fd < 0 || fd >= FD_SETSIZE) continue;
        FD_SET(fd, &readable);
        if (fd > top) top = fd;
    }
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (static_cast<uint64_t>(ms) * 1000) % 1000000;
    int n = select(top + 1, top >= 0 ? &readable : nullptr, nullptr, nullptr, &tv);
    if (window && fds[0] >= 0 && fds[0] < FD_SETSIZE)
        window->display_quiet = n >= 0 && !FD_ISSET(fds[0], &readable);
}

}  // namespace

void main_loop(Player*) {
    for (;;) {
        task_run_one();
        Window* window = input_state.window;
        if (!window || window->closed) break;
        int n = fenra_dispatch(window);
        if (n < 0) break;
        bool busy = n > 0;
        // Always false on X11, where the server repeats keys itself.
        if (fenra_repeat_keys(window)) busy = true;
        input_end_pass();
        if (!busy) idle_sleep(window);
    }
    idle_sleep(nullptr);
}
