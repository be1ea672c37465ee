#include "app/main_loop.h"

#include <sys/select.h>

#include "fenra/fenra.h"
#include "foundation/log.h"
#include "input/input.h"
#include "input/task.h"

namespace {

void idle_sleep() {
    uint32_t ms = input_state.idle_sleep_ms;
    if (ms == 0) return;
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (static_cast<uint64_t>(ms) * 1000) % 1000000;
    select(0, nullptr, nullptr, nullptr, &tv);
}

}  // namespace

void main_loop(Player*) {
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
        input_end_pass();
        if (!busy) idle_sleep();
    }
    idle_sleep();
}
