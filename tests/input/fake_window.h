// A window without a display for the input layer's tests: the window functions the
// input layer and the main loop call are recorded and scripted here.
#pragma once
#include <vector>

#include "fenra/fenra.h"
#include "input/input.h"

struct PresentCall {
    const Image* image;
    int32_t x, y, w, h;
};

struct FakeDisplay {
    std::vector<PresentCall> presents;
    std::vector<int> dispatch_results;  // returned in order; 0 once used up
    size_t dispatch_calls = 0;
    void (*on_dispatch)(Window*, size_t call) = nullptr;  // runs before returning
    bool present_exits = false;  // a present ends the process with status 3
};

extern FakeDisplay fake_display;

// Fresh input layer around a fake window of the given size.
void input_reset(Window* window, int32_t width = 8, int32_t height = 6);
