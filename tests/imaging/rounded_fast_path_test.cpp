// The rounded fill and the rounded blit compute corner coverage only in the
// rounded columns; every pixel must still match the per-pixel rule, for circles
// and superellipses, radii larger than the shape, thin shapes and clipped ones.
#include <gtest/gtest.h>

#include "imaging/corner.h"
#include "imaging/draw_style.h"
#include "imaging/image.h"
#include "imaging_test_util.h"

namespace {

struct ImagePtr {
    Image* p;
    explicit ImagePtr(Image* image) : p(image) {}
    ~ImagePtr() { image_free(p); }
    ImagePtr(const ImagePtr&) = delete;
    ImagePtr& operator=(const ImagePtr&) = delete;
    Image* get() const { return p; }
    Image* operator->() const { return p; }
};

struct Shape {
    int32_t w, h, radius;
};

constexpr Shape shapes[] = {
    {40, 30, 8},
    {40, 30, 8 | CORNER_SUPERELLIPSE},
    {9, 9, 4},
    {9, 9, 30},
    {2, 17, 5},
    {17, 2, 5},
    {1, 1, 3},
    {25, 6, 16},
    {25, 6, 16 | CORNER_SUPERELLIPSE},
    {64, 64, 31},
    {7, 40, 1},
    {40, 7, 2},
};

TEST(RoundedFastPath, MiddleColumnsAreFullyCoveredInEveryRow) {
    for (const Shape& s : shapes) {
        CornerShape c = corner_shape(s.w, s.h, s.radius);
        int32_t lo = -1, hi = -1;
        corner_middle(c, &lo, &hi);
        ASSERT_LE(0, lo);
        ASSERT_LE(lo, hi);
        ASSERT_LE(hi, s.w);
        for (int32_t row = 0; row < s.h; ++row)
            for (int32_t col = lo; col < hi; ++col)
                ASSERT_EQ(corner_at(c, col, row), 1.0)
                    << s.w << "x" << s.h << " r " << s.radius << " at " << col << "," << row;
    }
}

TEST(RoundedFastPath, FillMatchesThePerPixelRule) {
    for (const Shape& s : shapes) {
        for (uint8_t alpha : {uint8_t(255), uint8_t(128), uint8_t(1)}) {
            ImagePtr img(image_new(s.w + 6, s.h + 6));
            image_noise(img.get(), uint32_t(s.w * 131 + s.h + alpha));
            ImagePtr before(image_new(s.w + 6, s.h + 6));
            image_copy(img.get(), nullptr, before.get(), nullptr);
            const UiStyle style = style_with(200, 40, 90, alpha);
            fill_shape(img.get(), &style, 3, 3, 3 + s.w - 1, 3 + s.h - 1, s.radius);
            const uint32_t colour = rgba(200, 40, 90, alpha);
            const CornerShape c = corner_shape(s.w, s.h, s.radius);
            for (int32_t y = 0; y < img->height; ++y)
                for (int32_t x = 0; x < img->width; ++x) {
                    uint32_t want = px_get(before.get(), x, y);
                    const int32_t col = x - 3, row = y - 3;
                    if (col >= 0 && row >= 0 && col < s.w && row < s.h) {
                        uint32_t a = uint32_t(double(alpha) * corner_at(c, col, row));
                        if (a != 0) want = blend_pixel(colour, want, a);
                    }
                    ASSERT_EQ(px_get(img.get(), x, y), want)
                        << s.w << "x" << s.h << " r " << s.radius << " alpha " << int(alpha)
                        << " at " << x << "," << y;
                }
        }
    }
}

TEST(RoundedFastPath, BlitMatchesThePerPixelRule) {
    for (const Shape& s : shapes) {
        ImagePtr src(image_new(s.w, s.h));
        image_noise(src.get(), uint32_t(s.w * 7 + s.h));
        ImagePtr dst(image_new(s.w + 4, s.h + 4));
        image_noise(dst.get(), uint32_t(s.h * 11 + s.w));
        ImagePtr before(image_new(s.w + 4, s.h + 4));
        image_copy(dst.get(), nullptr, before.get(), nullptr);
        const Rect to{2, 1, s.w, s.h};
        image_blit_rounded(src.get(), nullptr, dst.get(), &to, 0, s.radius);
        const CornerShape c = corner_shape(s.w, s.h, s.radius);
        for (int32_t y = 0; y < dst->height; ++y)
            for (int32_t x = 0; x < dst->width; ++x) {
                uint32_t want = px_get(before.get(), x, y);
                const int32_t col = x - 2, row = y - 1;
                if (col >= 0 && row >= 0 && col < s.w && row < s.h) {
                    const uint32_t sp = px_get(src.get(), col, row);
                    if (corner_row_full(c, row)) {
                        // Whole rows blend as a plain blend does: opaque pixels are copied.
                        const uint32_t a = sp >> 24;
                        if (a == 255)
                            want = sp;
                        else if (a != 0)
                            want = blend_pixel(sp, want, a);
                    } else {
                        const uint32_t a = uint32_t(double(sp >> 24) * corner_at(c, col, row));
                        if (a != 0) want = blend_pixel(sp, want, a);
                    }
                }
                ASSERT_EQ(px_get(dst.get(), x, y), want)
                    << s.w << "x" << s.h << " r " << s.radius << " at " << x << "," << y;
            }
    }
}

}  // namespace
