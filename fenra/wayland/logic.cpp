#include "fenra/wayland/logic.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <ctime>

#include "fenra/fenra.h"

uint32_t wayland_now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

int32_t wayland_surface_to_pixels(double surface, double scale) {
    // The tiny bias makes exact halves from fixed-point values round up.
    return static_cast<int32_t>(std::round(surface * scale + 0.00001));
}

int32_t wayland_wheel_step(double* accum, double value) {
    *accum += value / 10.0;
    if (*accum >= 1.0) {
        *accum = 0.0;
        return FENRA_WHEEL_DOWN;
    }
    if (*accum <= -1.0) {
        *accum = 0.0;
        return FENRA_WHEEL_UP;
    }
    return 0;
}

void key_repeat_press(KeyRepeat* repeat, uint32_t key, uint32_t now) {
    repeat->key = key;
    // The step fires once now is more than interval past the deadline, so the
    // first repeat comes more than the full delay after the press.
    repeat->deadline = now + (KEY_REPEAT_DELAY_MS - KEY_REPEAT_INTERVAL_MS);
    if (repeat->deadline == 0) repeat->deadline = 1;  // 0 means "no key"
}

void key_repeat_stop(KeyRepeat* repeat) {
    repeat->key = 0;
    repeat->deadline = 0;
}

uint32_t key_repeat_step(KeyRepeat* repeat, uint32_t now) {
    if (repeat->key == 0 || repeat->deadline == 0) return 0;
    // Signed difference: the comparison stays right across the wrap of the
    // 32-bit millisecond clock (every 49.7 days).
    int32_t past = static_cast<int32_t>(now - (repeat->deadline + KEY_REPEAT_INTERVAL_MS));
    if (past <= 0) return 0;
    repeat->deadline = now == 0 ? 1 : now;
    return repeat->key;
}

PresentRect wayland_present_clip(int32_t x, int32_t y, int32_t w, int32_t h, int32_t width,
                                 int32_t height, int32_t image_width, int32_t image_height) {
    PresentRect r{};
    if (x < 0 || y < 0 || x > width || y > height) return r;
    r.commit = true;
    r.x = x;
    r.y = y;
    // The copy must stay inside both the buffer and the image it reads.
    int64_t right =
        std::min<int64_t>({static_cast<int64_t>(x) + (w > 0 ? w : 0), width, image_width});
    int64_t bottom =
        std::min<int64_t>({static_cast<int64_t>(y) + (h > 0 ? h : 0), height, image_height});
    r.w = right > x ? static_cast<int32_t>(right - x) : 0;
    r.h = bottom > y ? static_cast<int32_t>(bottom - y) : 0;
    return r;
}

void wayland_copy_rect(uint8_t* dst, int32_t dst_width, const uint8_t* src, int32_t src_stride,
                       const PresentRect& rect) {
    if (!rect.commit || rect.w <= 0 || rect.h <= 0) return;
    size_t bytes = static_cast<size_t>(rect.w) * 4;
    for (int32_t row = rect.y; row < rect.y + rect.h; row++) {
        const uint8_t* from =
            src + static_cast<ptrdiff_t>(row) * src_stride + static_cast<ptrdiff_t>(rect.x) * 4;
        uint8_t* to = dst + (static_cast<size_t>(row) * static_cast<size_t>(dst_width) +
                             static_cast<size_t>(rect.x)) *
                                4;
        std::memcpy(to, from, bytes);
    }
}

PixelRect pixel_rect_union(PixelRect a, PixelRect b) {
    bool a_empty = a.w <= 0 || a.h <= 0;
    bool b_empty = b.w <= 0 || b.h <= 0;
    if (a_empty) return b_empty ? PixelRect{0, 0, 0, 0} : b;
    if (b_empty) return a;
    int64_t left = std::min(a.x, b.x);
    int64_t top = std::min(a.y, b.y);
    int64_t right =
        std::max<int64_t>(static_cast<int64_t>(a.x) + a.w, static_cast<int64_t>(b.x) + b.w);
    int64_t bottom =
        std::max<int64_t>(static_cast<int64_t>(a.y) + a.h, static_cast<int64_t>(b.y) + b.h);
    return {static_cast<int32_t>(left), static_cast<int32_t>(top),
            static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top)};
}
