#include "null_window.h"

#include <unistd.h>

NullWindow null_window;

void null_window_reset() { null_window = NullWindow{}; }

namespace {
void traced(const char* call) {
    if (null_window.trace) null_window.trace(call);
}
}  // namespace

Window* fenra_open(int32_t, int32_t, int32_t, int32_t, float, uint32_t) {
    traced("fenra_open");
    return nullptr;
}

int fenra_dispatch(Window* window) {
    traced("fenra_dispatch");
    const size_t call = null_window.dispatch_calls++;
    if (null_window.on_dispatch) null_window.on_dispatch(window, call);
    return call < null_window.dispatch_results.size() ? null_window.dispatch_results[call] : 0;
}

int fenra_connection_fd(Window*) {
    traced("fenra_connection_fd");
    return null_window.connection_fd;
}

bool fenra_repeat_keys(Window*) {
    traced("fenra_repeat_keys");
    return false;
}

void fenra_present(Window*, const Image* image, int32_t x, int32_t y, int32_t w, int32_t h) {
    traced("fenra_present");
    if (null_window.present_exits) _exit(3);
    null_window.presents.push_back({image, x, y, w, h});
}

void fenra_set_title(Window*, const char* text) {
    traced("fenra_set_title");
    null_window.titles.emplace_back(text);
}

void fenra_begin_move(Window*) {
    traced("fenra_begin_move");
    null_window.moves++;
}

float fenra_display_dpi() {
    traced("fenra_display_dpi");
    return null_window.dpi;
}

void fenra_close(Window*) {
    traced("fenra_close");
    null_window.closes++;
}
