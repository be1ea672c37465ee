#include "input_rig.h"

void input_reset(Window* window, int32_t width, int32_t height) {
    input_release();
    input_state = InputState{};
    null_window_reset();
    *window = Window{};
    window->width = width;
    window->height = height;
    input_start(window);
}
