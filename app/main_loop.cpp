#include "app/main_loop.h"

#include <sys/select.h>

#include "app/player.h"
#include "fenra/fenra.h"
#include "foundation/log.h"
#include "input/input.h"
#include "input/task.h"

namespace {

// Sleeps ms milliseconds, or less when the source's or the display's descriptor
// becomes ready; true when the source's was. When the display connection stayed
// silent the whole time, the window is told so and its next dispatch skips asking
// the server for events.
bool idle_wait(Window* window, const LoopSource* source, uint32_t ms) {
    bool want_write = false;
    int bus = source ? source->watch(source->user, &want_write) : -1;
    int display = window ? fenra_connection_fd(window) : -1;
    if (bus >= FD_SETSIZE) bus = -1;
    if (display >= FD_SETSIZE) display = -1;
    if (ms == 0 && bus < 0) return false;
    fd_set read_set, write_set;
    FD_ZERO(&read_set);
    FD_ZERO(&write_set);
    int top = -1;
    if (bus >= 0) {
        FD_SET(bus, &read_set);
        if (want_write) FD_SET(bus, &write_set);
        top = bus;
    }
    if (display >= 0) {
        FD_SET(display, &read_set);
        if (display > top) top = display;
    }
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (static_cast<uint64_t>(ms) * 1000) % 1000000;
    int n = select(top + 1, &read_set, &write_set, nullptr, &tv);
    if (display >= 0) window->display_quiet = n >= 0 && !FD_ISSET(display, &read_set);
    return n > 0 && bus >= 0 && (FD_ISSET(bus, &read_set) || FD_ISSET(bus, &write_set));
}

}  // namespace

void main_loop(Player* player, const LoopSource* source) {
    bool ready = false;
    for (;;) {
        task_run_one();
        Window* window = input_state.window;
        if (!window || window->closed) break;
        int n = fenra_dispatch(window);
        if (n < 0) {
            log_write({LOG_WARNING, "display connection lost", "ending"});
            break;
        }
        bool busy = n > 0;
        // Always false on X11, where the server repeats keys itself.
        if (fenra_repeat_keys(window)) busy = true;
        if (source && source->run(source->user, ready)) busy = true;
        // One slice of a cover being decoded; the pass still sleeps, so the slices
        // leave the thread to the sound and the events between them.
        if (player && player->art_step) player->art_step(player);
        input_end_pass();
        ready = idle_wait(window, source, busy ? 0 : input_state.idle_sleep_ms);
    }
    idle_wait(nullptr, nullptr, input_state.idle_sleep_ms);
}
