// The input layer's tests run it around a window of the null window library
// (tests/lib/null_window.h), whose record shows what was presented.
#pragma once
#include <cstdint>

#include "fenra/fenra.h"
#include "input/input.h"
#include "tests/lib/null_window.h"

// Fresh input layer and null window around a window record of the given size.
void input_reset(Window* window, int32_t width = 8, int32_t height = 6);
