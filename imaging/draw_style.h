// The drawing style every primitive and text call takes: colour, reference size and the
// placement values resolved for each element drawn.
//
//   style_units(style, v)  v in reference units to pixels: round(v / 72 x ref_size),
//                          halves away from zero; NaN and values outside the 32-bit
//                          range give -2147483648.
#pragma once
#include <cstdint>

struct Rect {
    int32_t x, y, w, h;
};

struct Colour {
    uint8_t r, g, b, a;
};

constexpr int32_t STYLE_REF_SIZE = 72;

struct UiStyle {
    int32_t ref_size;  // always STYLE_REF_SIZE
    Colour colour;
    double text_x, text_y;  // text offsets inside the element box
    Rect start;             // start rectangle of progress elements
    int32_t radius;         // corner radius, may carry CORNER_SUPERELLIPSE
    int32_t draw_only;
    int32_t scroll_speed;
};

[[nodiscard]] int32_t style_units(const UiStyle* style, double v);
