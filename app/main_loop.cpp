#include "app/main_loop.h"

#include <sys/select.h>

#include "fenra/fenra.h"
#include "foundation/log.h"
#include "input/input.h"
#include "input/task.h"

namespace {

// Sleeps ms milliseconds, or until the source's descriptor is ready; true when it is.
bool idle_wait(const LoopSource* source, uint32_t ms) {
    bool want_write = false;
    int fd = source ? source->watch(source->user, &want_write) : -1;
    if (ms == 0 && fd < 0) return false;
    fd_set read_set, write_set;
    FD_ZERO(&read_set);
    FD_ZERO(&write_set);
    if (fd >= 0 && fd < FD_SETSIZE) {
        FD_SET(fd, &read_set);
        if (want_write) FD_SET(fd, &write_set);
    } else {
        fd = -1;
    }
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (static_cast<uint64_t>(ms) * 1000) % 1000000;
    return select(fd + 1, &read_set, &write_set, nullptr, &tv) > 0;
}

}  // namespace

void main_loop(Player*, const LoopSource* source) {
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
        input_end_pass();
        ready = idle_wait(source, busy ? 0 : input_state.idle_sleep_ms);
    }
    idle_wait(nullptr, input_state.idle_sleep_ms);
}
