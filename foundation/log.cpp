#include "foundation/log.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

AppExitHandlers app_exit_handlers = {.run_exit_hook = nullptr, .release_input = nullptr};

int log_write(const LogRecord& r) {
    long now = static_cast<long>(time(nullptr));
    // One fprintf per record so concurrent writers never split a line.
    switch (r.level) {
    case LOG_INFO: return fprintf(stderr, "[%ld] INFO: %s: %s\n", now, r.message, r.detail);
    case LOG_FATAL: return fprintf(stderr, "[%ld] FATAL ERROR: %s: %s\n", now, r.message, r.detail);
    case LOG_WARNING: return fprintf(stderr, "[%ld] WARNING: %s: %s\n", now, r.message, r.detail);
    default: return fprintf(stderr, "[%ld] BUG: unknown error level: %d\n", now, r.level);
    }
}

void fatal_error(const LogRecord& record) {
    log_write(record);
    app_exit(1);
}

void app_exit(int8_t status) {
    if (app_exit_handlers.run_exit_hook) app_exit_handlers.run_exit_hook(status);
    // A failing process ends at once: releasing memory the OS reclaims anyway only
    // risks touching the state that just failed.
    if (status == 0 && app_exit_handlers.release_input) app_exit_handlers.release_input();
    exit(status);
}
