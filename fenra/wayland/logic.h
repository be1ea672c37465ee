// Arithmetic of the Wayland backend that needs no compositor.
//
//   wayland_now_ms()                  monotonic milliseconds, kept in 32 bits (wraps).
//   wayland_surface_to_pixels(v, s)   surface coordinate -> framebuffer pixel:
//                                     round(v * s + 0.00001).
//   wayland_wheel_step(&accum, value) adds value / 10 of vertical scroll; returns
//                                     FENRA_WHEEL_DOWN at +1 or more, FENRA_WHEEL_UP at -1
//                                     or less (accum reset to 0, the rest is dropped), else 0.
//   KeyRepeat                         the held key (Linux input code, 0 = none) and the
//                                     time of its last press or repeat.
//   key_repeat_press(r, key, now)     a press: key held, first repeat more than 500 ms later.
//   key_repeat_stop(r)                any release or focus loss: no key held.
//   key_repeat_step(r, now)           the key to send again now, or 0; repeats come more
//                                     than 40 ms apart. Survives the 32-bit clock wrap.
//   PresentRect / wayland_present_clip(x, y, w, h, width, height, image_w, image_h)
//                                     which part of a present is copied and whether the
//                                     surface is committed at all.
//   wayland_copy_rect(dst, dst_width, src, src_stride, rect)
//                                     copies rect's rows from the image into the buffer.
//   pixel_rect_union(a, b)            bounding box of two rectangles; an empty one
//                                     (zero width or height) does not count.
#pragma once
#include <cstdint>

[[nodiscard]] uint32_t wayland_now_ms();
[[nodiscard]] int32_t wayland_surface_to_pixels(double surface, double scale);
[[nodiscard]] int32_t wayland_wheel_step(double* accum, double value);

constexpr uint32_t KEY_REPEAT_DELAY_MS = 500;
constexpr uint32_t KEY_REPEAT_INTERVAL_MS = 40;

struct KeyRepeat {
    uint32_t key;       // Linux input code, 0 = none
    uint32_t deadline;  // time of the last (virtual) press, 0 = none
};

void key_repeat_press(KeyRepeat* repeat, uint32_t key, uint32_t now);
void key_repeat_stop(KeyRepeat* repeat);
[[nodiscard]] uint32_t key_repeat_step(KeyRepeat* repeat, uint32_t now);

struct PresentRect {
    bool commit;         // false: nothing at all is sent
    int32_t x, y, w, h;  // the part copied (w or h may be 0)
};

[[nodiscard]] PresentRect wayland_present_clip(int32_t x, int32_t y, int32_t w, int32_t h,
                                               int32_t width, int32_t height, int32_t image_width,
                                               int32_t image_height);
struct PixelRect {
    int32_t x, y, w, h;
};
[[nodiscard]] PixelRect pixel_rect_union(PixelRect a, PixelRect b);

void wayland_copy_rect(uint8_t* dst, int32_t dst_width, const uint8_t* src, int32_t src_stride,
                       const PresentRect& rect);
