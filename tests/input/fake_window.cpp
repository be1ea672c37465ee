#include "fake_window.h"

#include <unistd.h>

FakeDisplay fake_display;

void fenra_present(Window*, const Image* image, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (fake_display.present_exits) _exit(3);
    fake_display.presents.push_back({image, x, y, w, h});
}

int fenra_dispatch(Window* window) {
    size_t call = fake_display.dispatch_calls++;
    if (fake_display.on_dispatch) fake_display.on_dispatch(window, call);
    return call < fake_display.dispatch_results.size() ? fake_display.dispatch_results[call] : 0;
}

bool fenra_repeat_keys(Window*) { return false; }

void fenra_begin_move(Window*) {}

void input_reset(Window* window, int32_t width, int32_t height) {
    input_release();
    input_state = InputState{};
    fake_display = FakeDisplay{};
    *window = Window{};
    window->width = width;
    window->height = height;
    input_start(window);
}
