#include "fenra/wayland/logic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "fenra/fenra.h"

namespace {

TEST(WaylandPointer, SurfaceCoordinatesBecomeFramebufferPixels) {
    struct Case {
        double value, scale;
        int32_t pixels;
    };
    const Case cases[] = {
        {10.5, 2, 21}, {3.25, 2, 7},           {0, 1, 0},       {1.5, 1, 2},
        {2.5, 1, 3},   {299.99609375, 1, 300}, {100, 1.5, 150}, {0.24609375, 2, 0},
        {0.25, 2, 1},  {-0.5, 1, -0},          {-1.5, 2, -3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wayland_surface_to_pixels(c.value, c.scale), c.pixels)
            << c.value << " x " << c.scale;
    }
}

TEST(WaylandPointer, WheelAccumulatesTenthsIntoSteps) {
    struct Case {
        std::vector<double> values;
        std::vector<int32_t> steps;
        double left;
    };
    const Case cases[] = {
        {{15, 15, 15}, {FENRA_WHEEL_DOWN, FENRA_WHEEL_DOWN, FENRA_WHEEL_DOWN}, 0},
        {{5, 5}, {0, FENRA_WHEEL_DOWN}, 0},
        {{-15}, {FENRA_WHEEL_UP}, 0},
        {{-5, -5}, {0, FENRA_WHEEL_UP}, 0},
        {{9.9}, {0}, 0.99},
        {{100}, {FENRA_WHEEL_DOWN}, 0},  // one step at most; the rest is dropped
        {{5, -15}, {0, FENRA_WHEEL_UP}, 0},
        {{7, -7, 7}, {0, 0, 0}, 0.7},
    };
    for (const Case& c : cases) {
        double accum = 0;
        for (size_t i = 0; i < c.values.size(); i++) {
            EXPECT_EQ(wayland_wheel_step(&accum, c.values[i]), c.steps[i]) << "value " << i;
        }
        EXPECT_NEAR(accum, c.left, 1e-9);
    }
}

TEST(WaylandKeyRepeat, FirstAfterDelayThenAtIntervals) {
    for (uint32_t start : {1000u, 0u, 0xFFFFFE00u, 0xFFFFFFF0u}) {
        KeyRepeat r{};
        key_repeat_press(&r, 30, start);
        for (uint32_t t = 0; t <= 500; t += 10)
            EXPECT_EQ(key_repeat_step(&r, start + t), 0u) << start << "+" << t;
        EXPECT_EQ(key_repeat_step(&r, start + 501), 30u) << start;
        EXPECT_EQ(key_repeat_step(&r, start + 501), 0u);  // once per moment
        EXPECT_EQ(key_repeat_step(&r, start + 541), 0u);
        EXPECT_EQ(key_repeat_step(&r, start + 542), 30u);
        // A late pass fires once and the next repeat counts from it.
        EXPECT_EQ(key_repeat_step(&r, start + 900), 30u);
        EXPECT_EQ(key_repeat_step(&r, start + 940), 0u);
        EXPECT_EQ(key_repeat_step(&r, start + 941), 30u);
        key_repeat_stop(&r);
        EXPECT_EQ(key_repeat_step(&r, start + 2000), 0u);
    }
}

TEST(WaylandKeyRepeat, ANewPressRestartsTheDelay) {
    KeyRepeat r{};
    key_repeat_press(&r, 30, 100);
    EXPECT_EQ(key_repeat_step(&r, 700), 30u);
    key_repeat_press(&r, 31, 710);
    EXPECT_EQ(key_repeat_step(&r, 760), 0u);
    EXPECT_EQ(key_repeat_step(&r, 1210), 0u);
    EXPECT_EQ(key_repeat_step(&r, 1211), 31u);
}

TEST(WaylandPresent, ClippingKeepsCopiesInsideBufferAndImage) {
    struct Case {
        int32_t x, y, w, h;
        int32_t image_w, image_h;
        PresentRect expected;
    };
    const Case cases[] = {
        {0, 0, 300, 200, 300, 200, {true, 0, 0, 300, 200}},
        {10, 20, 30, 40, 300, 200, {true, 10, 20, 30, 40}},
        {250, 150, 100, 100, 300, 200, {true, 250, 150, 50, 50}},  // past the right and bottom
        {300, 0, 10, 10, 300, 200, {true, 300, 0, 0, 10}},         // at the edge: commit only
        {0, 200, 10, 10, 300, 200, {true, 0, 200, 10, 0}},
        {301, 0, 10, 10, 300, 200, {false, 0, 0, 0, 0}},
        {0, 201, 10, 10, 300, 200, {false, 0, 0, 0, 0}},
        {-1, 0, 10, 10, 300, 200, {false, 0, 0, 0, 0}},
        {0, -5, 10, 10, 300, 200, {false, 0, 0, 0, 0}},
        {5, 5, -10, 10, 300, 200, {true, 5, 5, 0, 10}},  // negative sizes copy nothing
        {5, 5, 10, -10, 300, 200, {true, 5, 5, 10, 0}},
        {0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 300, 200, {true, 0, 0, 300, 200}},
        {0, 0, 300, 200, 100, 50, {true, 0, 0, 100, 50}},  // smaller image: stay inside it
    };
    for (const Case& c : cases) {
        PresentRect r = wayland_present_clip(c.x, c.y, c.w, c.h, 300, 200, c.image_w, c.image_h);
        EXPECT_EQ(r.commit, c.expected.commit) << c.x << "," << c.y << " " << c.w << "x" << c.h;
        if (!c.expected.commit) continue;
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.w, c.expected.w) << c.x << "," << c.y << " " << c.w << "x" << c.h;
        EXPECT_EQ(r.h, c.expected.h) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    }
}

TEST(WaylandPresent, CopyTouchesOnlyTheRectangle) {
    constexpr int32_t W = 6, H = 5, SRC_STRIDE = 8 * 4;  // the image has wider rows than the buffer
    std::vector<uint32_t> src(8 * H);
    for (size_t i = 0; i < src.size(); i++) src[i] = 0x1000u + static_cast<uint32_t>(i);
    std::vector<uint32_t> dst(W * H, 0xDEADBEEFu);
    PresentRect r = wayland_present_clip(2, 1, 3, 10, W, H, 8, H);
    wayland_copy_rect(reinterpret_cast<uint8_t*>(dst.data()), W,
                      reinterpret_cast<const uint8_t*>(src.data()), SRC_STRIDE, r);
    for (int32_t y = 0; y < H; y++) {
        for (int32_t x = 0; x < W; x++) {
            bool inside = x >= 2 && x < 5 && y >= 1;
            EXPECT_EQ(dst[y * W + x], inside ? src[y * 8 + x] : 0xDEADBEEFu) << x << "," << y;
        }
    }
    // Nothing at all for a rectangle without area or without commit.
    std::vector<uint32_t> untouched(W * H, 7);
    wayland_copy_rect(reinterpret_cast<uint8_t*>(untouched.data()), W,
                      reinterpret_cast<const uint8_t*>(src.data()), SRC_STRIDE,
                      wayland_present_clip(W, 0, 5, 5, W, H, 8, H));
    wayland_copy_rect(reinterpret_cast<uint8_t*>(untouched.data()), W,
                      reinterpret_cast<const uint8_t*>(src.data()), SRC_STRIDE,
                      wayland_present_clip(-1, 0, 5, 5, W, H, 8, H));
    for (uint32_t v : untouched) EXPECT_EQ(v, 7u);
}

TEST(WaylandPresent, StaleAreasUniteAsBoundingBoxes) {
    struct Case {
        PixelRect a, b, expected;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {{0, 0, 0, 0}, {5, 6, 7, 8}, {5, 6, 7, 8}},
        {{5, 6, 7, 8}, {1, 1, 0, 9}, {5, 6, 7, 8}},
        {{0, 0, 10, 10}, {20, 30, 5, 5}, {0, 0, 25, 35}},
        {{20, 30, 5, 5}, {0, 0, 10, 10}, {0, 0, 25, 35}},
        {{2, 2, 4, 4}, {0, 0, 10, 10}, {0, 0, 10, 10}},
        {{10, 0, 5, 1}, {0, 10, 1, 5}, {0, 0, 15, 15}},
    };
    for (const Case& c : cases) {
        PixelRect r = pixel_rect_union(c.a, c.b);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.w, c.expected.w);
        EXPECT_EQ(r.h, c.expected.h);
    }
}

}  // namespace
