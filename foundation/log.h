// Log lines, the fatal-error path and the single process exit.
//
//   LogRecord {level, message, detail}: level 0 information, 1 fatal error, 2 warning.
//   log_write(record)    one line on stderr, prefixed with "[seconds since epoch]".
//   fatal_error(record)  log_write, then app_exit(1). Never returns.
//   log_text(level, format, ...)  a line whose exact text is the program's own
//                        (progress such as "loading file %s\n", the device's failure
//                        lines): printf-style, no prefix, one write; the caller gives
//                        the line end. The level names what the line is.
//   fail_text(format, ...)  "ERROR: " + the formatted text + "\n" (command-line and
//                        start-up errors), then app_exit(1). Never returns.
//   app_exit(status)     runs the exit hook, on status 0 releases the input layer,
//                        then exit(status): the one place the process ends.
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
[[gnu::format(printf, 2, 3)]] int log_text(int32_t level, const char* format, ...);
[[noreturn, gnu::format(printf, 1, 2)]] void fail_text(const char* format, ...);

struct AppExitHandlers {
    void (*run_exit_hook)(int status);  // calls the input layer's exit hook, if any
    void (*release_input)();            // status-0 clean-up of the input layer
};
extern AppExitHandlers app_exit_handlers;

[[noreturn]] void app_exit(int8_t status);
