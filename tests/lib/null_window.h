// A window without a display for unit tests: every function of the window library
// (fenra) is defined here and works on the record null_window, which a test
// scripts beforehand and reads afterwards. Link the null_window library instead of
// a window backend.
//
//   fenra_open            returns null: no window can be opened.
//   fenra_dispatch        runs on_dispatch, then returns dispatch_results in order
//                         and 0 once they are used up.
//   fenra_repeat_keys     false.
//   fenra_connection_fd   returns connection_fd (-1: none).
//   fenra_present         records the call; with present_exits set it ends the
//                         process with status 3 instead.
//   fenra_set_title       records the text.
//   fenra_begin_move      counted in moves.
//   fenra_display_dpi     returns dpi.
//   fenra_close           counted in closes.
//   trace                 when set, gets the function's name on every call above,
//                         for tests that check the order of calls across libraries.
//   null_window_reset()   back to the state below, nothing recorded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fenra/fenra.h"

struct PresentCall {
    const Image* image;
    int32_t x, y, w, h;
};

struct NullWindow {
    std::vector<PresentCall> presents;
    std::vector<std::string> titles;
    std::vector<int> dispatch_results;
    size_t dispatch_calls = 0;
    void (*on_dispatch)(Window*, size_t call) = nullptr;
    bool present_exits = false;
    int moves = 0;
    int closes = 0;
    float dpi = 96.0f;
    int connection_fd = -1;
    void (*trace)(const char* call) = nullptr;
};

extern NullWindow null_window;

void null_window_reset();
