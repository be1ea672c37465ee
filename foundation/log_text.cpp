// Lines whose whole text is the program's own: progress, device failures and the
// "ERROR: " lines of the command line and start-up. Apart from log.cpp so that a
// test which stands in for app_exit can still use them.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "foundation/log.h"

int log_text(int32_t, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = vfprintf(stderr, format, args);
    va_end(args);
    return n;
}

void fail_text(const char* format, ...) {
    // Formatted first so that the line still leaves in one write; a text longer
    // than the stack buffer (a long path) is formatted again into the heap.
    char small[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(small, sizeof small, format, args);
    va_end(args);
    char* text = small;
    if (n >= static_cast<int>(sizeof small)) {
        char* big = static_cast<char*>(malloc(static_cast<size_t>(n) + 1));
        if (big) {
            va_start(args, format);
            vsnprintf(big, static_cast<size_t>(n) + 1, format, args);
            va_end(args);
            text = big;
        }
    }
    fprintf(stderr, "ERROR: %s\n", text);
    app_exit(1);
}
