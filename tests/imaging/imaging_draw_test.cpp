// Blending, clipping, copies and shape primitives against hand-computed values.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "imaging/image.h"
#include "imaging/pixel_swap.h"
#include "tests/imaging/imaging_test_util.h"

namespace {

struct ImagePtr {
    Image* p;
    explicit ImagePtr(Image* i) : p(i) {}
    ~ImagePtr() { image_free(p); }
    Image* operator->() const { return p; }
    Image* get() const { return p; }
};

TEST(Blend, HandComputedPixels) {
    struct Case {
        uint32_t src, dst, expect;
    } cases[] = {
        // alpha 0 leaves the destination alone
        {rgba(200, 100, 50, 0), rgba(10, 20, 30, 255), rgba(10, 20, 30, 255)},
        // alpha 255 replaces it
        {rgba(200, 100, 50, 255), rgba(10, 20, 30, 77), rgba(200, 100, 50, 255)},
        // alpha 128: (129 s + 128 d) >> 8, alpha 128 + (255 x 128 >> 8) = 255
        {rgba(200, 100, 50, 128), rgba(10, 20, 30, 255), rgba(105, 60, 40, 255)},
        // alpha 128 over transparent black keeps alpha 128
        {rgba(200, 100, 50, 128), rgba(0, 0, 0, 0), rgba(100, 50, 25, 128)},
        // alpha 128 over opaque white
        {rgba(0, 64, 255, 128), rgba(255, 255, 255, 255), rgba(127, 159, 255, 255)},
    };
    for (const Case& c : cases) {
        ImagePtr src(image_new(1, 1)), dst(image_new(1, 1));
        px_set(src.get(), 0, 0, c.src);
        px_set(dst.get(), 0, 0, c.dst);
        image_blend(src.get(), nullptr, dst.get(), nullptr);
        EXPECT_EQ(px_get(dst.get(), 0, 0), c.expect) << std::hex << c.src << " over " << c.dst;
    }
}

TEST(Blend, LanesMatchScalarRuleForEveryAlpha) {
    const uint32_t values[] = {0, 1, 127, 128, 254, 255};
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t s : values)
            for (uint32_t d : values)
                for (uint32_t da : values) {
                    uint32_t src = rgba(s, 255 - s, s / 2, a), dst = rgba(d, 255 - d, d, da);
                    uint32_t got = blend_pixel(src, dst, a);
                    auto ch = [](uint32_t w, int i) { return (w >> (8 * i)) & 0xFF; };
                    for (int i = 0; i < 3; ++i)
                        ASSERT_EQ(ch(got, i), ((a + 1) * ch(src, i) + (256 - a) * ch(dst, i)) >> 8)
                            << "a=" << a << " channel " << i;
                    ASSERT_EQ(ch(got, 3), a + ((da * (256 - a)) >> 8)) << "a=" << a;
                }
}

TEST(RectClip, PartlyAndWhollyOutside) {
    const Rect b{0, 0, 10, 10};
    struct Case {
        Rect r, expect;
    } cases[] = {
        {{2, 3, 4, 5}, {2, 3, 4, 5}},
        {{-5, -5, 10, 10}, {0, 0, 5, 5}},
        {{8, 8, 10, 10}, {8, 8, 2, 2}},
        {{-5, 2, 30, 3}, {0, 2, 10, 3}},
        {{20, 20, 5, 5}, {10, 10, 0, 0}},
        {{-20, 0, 5, 5}, {0, 0, 0, 5}},
        {{INT32_MAX - 1, 0, INT32_MAX, 1}, {10, 0, 0, 1}},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Rect got = rect_clip(b, c.r);
        EXPECT_EQ(got.x, c.expect.x);
        EXPECT_EQ(got.y, c.expect.y);
        EXPECT_EQ(got.w, c.expect.w) << c.r.x << "," << c.r.y;
        EXPECT_EQ(got.h, c.expect.h) << c.r.x << "," << c.r.y;
    }
    // Offset bounds
    Rect got = rect_clip({5, 5, 4, 4}, {0, 0, 7, 20});
    EXPECT_EQ(got.x, 5);
    EXPECT_EQ(got.y, 5);
    EXPECT_EQ(got.w, 2);
    EXPECT_EQ(got.h, 4);
}

TEST(Copy, MovesPixelsAndTouchesNothingElse) {
    ImagePtr src(image_new(4, 4)), dst(image_new(6, 6));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) px_set(src.get(), x, y, rgba(x, y, 7, 0));
    const uint32_t bg = rgba(1, 2, 3, 4);
    struct Case {
        Rect sr, dr;
        // source pixel (x, y) expected at destination (x + ox, y + oy) inside [x0,x1)x[y0,y1)
        int ox, oy, x0, y0, x1, y1;
    } cases[] = {
        {{0, 0, 4, 4}, {1, 1, 4, 4}, 1, 1, 1, 1, 5, 5},
        // source rectangle partly outside the source
        {{2, 2, 4, 4}, {0, 0, 4, 4}, -2, -2, 0, 0, 2, 2},
        // destination partly outside the destination
        {{0, 0, 4, 4}, {-1, 4, 4, 4}, -1, 4, 0, 4, 3, 6},
        // destination rectangle smaller than the source rectangle
        {{0, 0, 4, 4}, {3, 3, 1, 2}, 3, 3, 3, 3, 4, 5},
        // wholly outside
        {{0, 0, 4, 4}, {6, 0, 4, 4}, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        image_fill(dst.get(), bg);
        image_copy(src.get(), &c.sr, dst.get(), &c.dr);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                bool inside = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
                uint32_t expect = inside ? rgba(x - c.ox, y - c.oy, 7, 0) : bg;
                EXPECT_EQ(px_get(dst.get(), x, y), expect) << "at " << x << "," << y;
            }
    }
}

TEST(Copy, NullRectanglesMeanWholeSourceAtOrigin) {
    ImagePtr src(image_new(2, 2)), dst(image_new(3, 3));
    image_fill(src.get(), rgba(9, 9, 9, 0));
    image_copy(src.get(), nullptr, dst.get(), nullptr);
    EXPECT_EQ(px_get(dst.get(), 1, 1), rgba(9, 9, 9, 0));
    EXPECT_EQ(px_get(dst.get(), 2, 2), 0u);
    EXPECT_EQ(px_get(dst.get(), 2, 0), 0u);
}

TEST(Present, SwapsRedAndBlue) {
    ImagePtr src(image_new(2, 1)), dst(image_new(2, 1));
    const uint8_t in[8] = {10, 20, 30, 40, 1, 2, 3, 4};
    memcpy(src->pixels, in, 8);
    image_present(src.get(), nullptr, dst.get(), nullptr);
    const uint8_t want[8] = {30, 20, 10, 40, 3, 2, 1, 4};
    EXPECT_EQ(memcmp(dst->pixels, want, 8), 0);
}

// Every form this processor runs, at lengths around the 4- and 8-pixel steps and
// at every byte alignment: the same bytes as the plain form, nothing written past.
TEST(Present, EveryRowFormSwapsLikeThePlainOne) {
    std::vector<uint8_t> src(4 * 40 + 8), want(src.size()), got(src.size());
    for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 37 + 11);
    const PixelSwapForm& plain = pixel_swap_forms[PIXEL_SWAP_FORMS - 1];
    for (const PixelSwapForm& form : pixel_swap_forms) {
        if (!form.runs) continue;
        for (size_t count : {0, 1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 33, 40})
            for (size_t shift : {0, 1, 2, 3}) {
                std::fill(want.begin(), want.end(), 0xAA);
                std::fill(got.begin(), got.end(), 0xAA);
                plain.row(src.data() + shift, want.data() + 3 - shift, count);
                form.row(src.data() + shift, got.data() + 3 - shift, count);
                ASSERT_EQ(got, want) << form.name << " count " << count << " shift " << shift;
            }
    }
    // Through image_present: a padded source view into a framebuffer of odd width.
    ImagePtr big(image_new(23, 5)), fb(image_new(19, 5)), ref(image_new(19, 5));
    for (int i = 0; i < 23 * 5 * 4; ++i) big->pixels[i] = uint8_t(i * 29 + 5);
    Image view = image_view(big.get(), {2, 1, 19, 4});
    image_present(&view, nullptr, fb.get(), nullptr);
    for (int y = 0; y < 4; ++y)
        plain.row(view.pixels + y * view.stride, ref->pixels + y * ref->stride, 19);
    EXPECT_EQ(memcmp(fb->pixels, ref->pixels, 19 * 5 * 4), 0);
}

TEST(BlitRounded, OpaqueCopiesOnlyWithoutRadius) {
    ImagePtr src(image_new(7, 7)), dst(image_new(7, 7));
    image_fill(src.get(), rgba(50, 60, 70, 0));
    image_fill(dst.get(), rgba(1, 1, 1, 255));
    image_blit_rounded(src.get(), nullptr, dst.get(), nullptr, 1, 3);
    EXPECT_EQ(px_get(dst.get(), 3, 3), rgba(1, 1, 1, 255)) << "rounded blits always blend";
    image_blit_rounded(src.get(), nullptr, dst.get(), nullptr, 1, 0);
    EXPECT_EQ(px_get(dst.get(), 3, 3), rgba(50, 60, 70, 0)) << "radius 0 opaque copies alpha";

    image_fill(src.get(), rgba(200, 0, 0, 255));
    image_fill(dst.get(), 0);
    image_blit_rounded(src.get(), nullptr, dst.get(), nullptr, 0, 3);
    EXPECT_EQ(px_get(dst.get(), 0, 0), 0u) << "corner outside the circle";
    EXPECT_EQ(px_get(dst.get(), 3, 0), rgba(200, 0, 0, 255));
    // (0, 1): coverage 4 - sqrt(13) = 0.394, alpha (int)(255 x 0.394) = 100
    EXPECT_EQ(px_get(dst.get(), 0, 1), rgba((101 * 200) >> 8, 0, 0, 100));
}

TEST(CornerCoverage, CornerEdgeAndCentre) {
    struct Case {
        int32_t w, h, radius, col, row;
        double expect;
    } cases[] = {
        {7, 7, 3, 0, 0, 0.0},
        {7, 7, 3, 3, 0, 1.0},
        {7, 7, 3, 0, 3, 1.0},
        {7, 7, 3, 3, 3, 1.0},
        {7, 7, 3, 1, 1, 1.0},                  // dist 2.83, clamped to 1
        {7, 7, 3, 0, 1, 4 - std::sqrt(13.0)},  // dist 3.61
        {7, 7, 3, 6, 6, 0.0},                  // far corner mirrors (0, 0)
        {7, 7, 3, 6, 5, 4 - std::sqrt(13.0)},
        {7, 7, 100, 0, 1, 4 - std::sqrt(13.0)},  // radius limited to 3
        {7, 7, 100, 0, 0, 0.0},
        {20, 10, 3, 10, 0, 1.0},  // between the corners
        {20, 10, 3, 0, 5, 1.0},
        {7, 7, 3 | CORNER_SUPERELLIPSE, 0, 1, 4 - std::pow(97.0, 0.25)},
        {7, 7, 3 | CORNER_SUPERELLIPSE, 0, 0, 4 - std::pow(162.0, 0.25)},
        {4, 10, 8, 0, 0, 2.5 - std::sqrt(4.5)},  // r = 1.5 from the width
        {4, 10, 8, 1, 1, 1.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(corner_coverage(c.w, c.h, c.radius, c.col, c.row), c.expect, 1e-12)
            << c.w << "x" << c.h << " r" << c.radius << " at " << c.col << "," << c.row;
}

std::set<std::pair<int, int>> lit_pixels(const Image* img) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < img->height; ++y)
        for (int x = 0; x < img->width; ++x)
            if (px_get(img, x, y) != 0) out.insert({x, y});
    return out;
}

TEST(DrawLine, PixelSets) {
    using P = std::set<std::pair<int, int>>;
    struct Case {
        int x0, y0, x1, y1;
        P expect;
    } cases[] = {
        {0, 0, 3, 1, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {3, 1, 0, 0, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {0, 0, 1, 3, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},  // steep
        {1, 3, 0, 0, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {0, 3, 3, 0, {{0, 3}, {1, 2}, {2, 1}, {3, 0}}},   // tie is not steep
        {2, 2, 2, 2, {}},                                 // zero length
        {-5, 1, 5, 1, {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},  // clipped
        {5, 5, 9, 9, {}},                                 // wholly outside
        {1, 1, INT32_MIN, 1, {{0, 1}, {1, 1}}},           // far-off endpoint
        {0, 2, 1, INT32_MAX, {{0, 2}, {0, 3}}},
    };
    const UiStyle s = style_with(255, 255, 255, 255);
    for (const Case& c : cases) {
        ImagePtr img(image_new(4, 4));
        auto t0 = std::chrono::steady_clock::now();
        draw_line(img.get(), &s, c.x0, c.y0, c.x1, c.y1);
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - t0)
                      .count();
        EXPECT_EQ(lit_pixels(img.get()), c.expect)
            << "(" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
        EXPECT_LT(ms, 100) << "work must be bounded by the image, not the line";
    }
}

TEST(DrawLine, UnitsRoundHalvesAwayAndBlend) {
    ImagePtr img(image_new(4, 4));
    const UiStyle s = style_with(100, 0, 0, 128);
    draw_line_units(img.get(), &s, 0.5, 0.4, 2.4, 0.4);  // becomes (1,0)-(2,0)
    EXPECT_EQ(lit_pixels(img.get()), (std::set<std::pair<int, int>>{{1, 0}, {2, 0}}));
    EXPECT_EQ(px_get(img.get(), 1, 0), rgba((129 * 100) >> 8, 0, 0, 128));
    draw_line_units(img.get(), &s, 1e300, 0, 0, 0);  // out of range: no crash, no hang
}

TEST(StyleUnits, Rounding) {
    const UiStyle s = style_with(0, 0, 0, 0);
    const UiStyle zeroed{};
    struct Case {
        double v;
        int32_t expect;
    } cases[] = {{1.5, 2},
                 {-1.5, -2},
                 {2.4, 2},
                 {-2.6, -3},
                 {0.0, 0},
                 {1e300, INT32_MIN},
                 {-1e300, INT32_MIN},
                 {NAN, INT32_MIN},
                 {-2147483648.0, INT32_MIN},
                 {1e6, 1000000}};
    for (const Case& c : cases) {
        EXPECT_EQ(style_units(&s, c.v), c.expect) << c.v;
        EXPECT_EQ(style_units(&zeroed, c.v), c.expect) << "a zeroed style draws at size 72";
    }
}

TEST(FillRect, InclusiveAndClipped) {
    const UiStyle s = style_with(10, 20, 30, 40);
    const uint32_t c = rgba(10, 20, 30, 40);
    struct Case {
        int x0, y0, x1, y1;
        int count;  // pixels set
    } cases[] = {
        {1, 1, 0, 3, 0},    // x1 = x0 - 1
        {1, 1, 1, 3, 3},    // one column
        {-2, -2, 1, 1, 4},  // partly outside
        {4, 0, 9, 9, 0},    // wholly outside
        {0, 0, 3, 3, 16},  {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 16},
    };
    for (const Case& k : cases) {
        ImagePtr img(image_new(4, 4));
        image_fill(img.get(), rgba(0, 0, 0, 255));
        fill_rect(img.get(), &s, k.x0, k.y0, k.x1, k.y1);
        int count = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                bool inside = x >= k.x0 && x <= k.x1 && y >= k.y0 && y <= k.y1;
                EXPECT_EQ(px_get(img.get(), x, y), inside ? c : rgba(0, 0, 0, 255));
                count += inside;
            }
        EXPECT_EQ(count, k.count);
    }
}

TEST(FillShape, AlphaAndRadius) {
    {  // alpha 255, radius 0 stores the colour over anything, alpha included
        ImagePtr img(image_new(3, 3));
        image_fill(img.get(), rgba(255, 255, 255, 7));
        const UiStyle s = style_with(1, 2, 3, 255);
        fill_shape(img.get(), &s, 0, 0, 2, 2, 0);
        EXPECT_EQ(px_get(img.get(), 1, 1), rgba(1, 2, 3, 255));
    }
    {  // alpha 128 over opaque white
        ImagePtr img(image_new(3, 3));
        image_fill(img.get(), rgba(255, 255, 255, 255));
        const UiStyle s = style_with(0, 100, 200, 128);
        fill_shape(img.get(), &s, 1, 1, 1, 1, 0);
        EXPECT_EQ(px_get(img.get(), 1, 1), rgba((128 * 255) >> 8, (129 * 100 + 128 * 255) >> 8,
                                                (129 * 200 + 128 * 255) >> 8, 255));
        EXPECT_EQ(px_get(img.get(), 0, 0), rgba(255, 255, 255, 255));
    }
    {  // 7 x 7 with radius 100 is a disc of radius 3
        ImagePtr img(image_new(9, 9));
        const UiStyle s = style_with(200, 0, 0, 255);
        fill_shape(img.get(), &s, 1, 1, 7, 7, 100);
        EXPECT_EQ(px_get(img.get(), 1, 1), 0u);
        EXPECT_EQ(px_get(img.get(), 4, 1), rgba(200, 0, 0, 255));
        EXPECT_EQ(px_get(img.get(), 4, 4), rgba(200, 0, 0, 255));
        EXPECT_EQ(px_get(img.get(), 1, 2), rgba((101 * 200) >> 8, 0, 0, 100));
        EXPECT_EQ(px_get(img.get(), 0, 4), 0u);
        EXPECT_EQ(px_get(img.get(), 8, 4), 0u);
    }
    {  // reversed corners draw nothing after conversion
        ImagePtr img(image_new(3, 3));
        const UiStyle s = style_with(1, 1, 1, 255);
        fill_shape(img.get(), &s, 2, 0, 1.4, 2, 0);
        EXPECT_TRUE(lit_pixels(img.get()).empty());
    }
    {  // corners are computed on the clipped rectangle
        ImagePtr img(image_new(4, 4));
        const UiStyle s = style_with(9, 9, 9, 255);
        fill_shape(img.get(), &s, -10, -10, 3, 3, 1);
        // r = 1: coverage 2 - sqrt(2), alpha 149, channels (150 x 9) >> 8
        EXPECT_EQ(px_get(img.get(), 0, 0), rgba(5, 5, 5, 149));
        EXPECT_EQ(px_get(img.get(), 1, 1), rgba(9, 9, 9, 255));
    }
}

TEST(PlotPixel, ClipsUnsignedAndBlends) {
    ImagePtr img(image_new(2, 2));
    image_fill(img.get(), rgba(255, 255, 255, 255));
    const UiStyle s = style_with(0, 0, 0, 128);
    plot_pixel(img.get(), &s, -1, 0);
    plot_pixel(img.get(), &s, 0, -1);
    plot_pixel(img.get(), &s, 2, 0);
    plot_pixel(img.get(), &s, 0, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(px_get(img.get(), x, y), rgba(255, 255, 255, 255));
    plot_pixel(img.get(), &s, 1, 1);
    EXPECT_EQ(px_get(img.get(), 1, 1), rgba(127, 127, 127, 255));
}

TEST(ImageNew, KindsAndView) {
    ImagePtr img(image_new(5, 3));
    EXPECT_EQ(img->stride, 20);
    // The spare bytes after the last row exist and are zero (ASan checks the extent).
    for (int i = 0; i < 32; ++i) EXPECT_EQ(img->pixels[20 * 3 + i], 0);
    ImagePtr empty(image_new(5, 3, IMAGE_EMPTY));
    EXPECT_EQ(empty->pixels, nullptr);
    EXPECT_EQ(empty->width, 0);
    EXPECT_EQ(empty->height, 0);
    image_free(nullptr);

    Image v = image_view(img.get(), {3, 1, 10, 10});
    EXPECT_EQ(v.width, 2);
    EXPECT_EQ(v.height, 2);
    EXPECT_EQ(v.stride, 20);
    const UiStyle s = style_with(1, 2, 3, 255);
    fill_rect(&v, &s, 0, 0, 100, 100);
    EXPECT_EQ(px_get(img.get(), 3, 1), rgba(1, 2, 3, 255));
    EXPECT_EQ(px_get(img.get(), 4, 2), rgba(1, 2, 3, 255));
    EXPECT_EQ(px_get(img.get(), 2, 1), 0u);
}

}  // namespace
