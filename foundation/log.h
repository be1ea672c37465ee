// Log lines, the fatal-error path and the single process exit.
//
//   LogRecord {level, message, detail}: level 0 information, 1 fatal error, 2 warning.
//   log_write(record)    one line on stderr, prefixed with "[seconds since epoch]".
//   fatal_error(record)  log_write, then app_exit(1). Never returns.
//   app_exit(status)     runs the exit hook, on status 0 releases the input layer,
//                        then exit(status).
//
// The foundation knows nothing of the input layer; the input layer plugs its exit
// hook and its clean-up into app_exit_handlers at start-up.
#pragma once
#include <cstdint>

enum : int32_t { LOG_INFO = 0, LOG_FATAL = 1, LOG_WARNING = 2 };

struct LogRecord {
    int32_t level;
    const char* message;
    const char* detail;
};

int log_write(const LogRecord& record);
[[noreturn]] void fatal_error(const LogRecord& record);

struct AppExitHandlers {
    void (*run_exit_hook)(int status);  // calls the input layer's exit hook, if any
    void (*release_input)();            // status-0 clean-up of the input layer
};
extern AppExitHandlers app_exit_handlers;

[[noreturn]] void app_exit(int8_t status);
