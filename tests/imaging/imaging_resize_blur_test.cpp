// Resampling tables, resizing and the box blur.
#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/blur.h"
#include "imaging/resize.h"
#include "tests/imaging/imaging_test_util.h"

namespace {

TEST(CubicKernel, KnownValues) {
    struct Case {
        double x, b, c, expect;
    } cases[] = {
        {0, 0, 0.5, 1},
        {1, 0, 0.5, 0},
        {2, 0, 0.5, 0},
        {0.25, 0, 0.5, 0.8671875},
        {0.75, 0, 0.5, 0.2265625},
        {1.25, 0, 0.5, -0.0703125},
        {1.75, 0, 0.5, -0.0234375},
        {-0.25, 0, 0.5, 0.8671875},
        {0.25, 0, 0, 0.84375},
        {0.75, 0, 0, 0.15625},
        {1.5, 0, 0, 0},
        {3, 0, 0.5, 0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(cubic_kernel(c.x, c.b, c.c), c.expect) << c.x;
}

TEST(ResampleTable, ReduceAndEnlarge) {
    struct Case {
        int32_t s, d, taps;
        std::vector<int> indices, weights;
    } cases[] = {
        // 4 -> 2: output 0 reads -1..2, output 1 reads 1..4, clamped
        {4, 2, 4, {0, 0, 1, 2, 1, 2, 3, 3}, {5120, 27648, 27648, 5120, 5120, 27648, 27648, 5120}},
        // 2 -> 4 Catmull-Rom, negative lobes
        {2,
         4,
         4,
         {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 1, 1, 1},
         {-1536, 14848, 56832, -4608, -4608, 56832, 14848, -1536, -1536, 14848, 56832, -4608, -4608,
          56832, 14848, -1536}},
        // equal length: identity
        {3,
         3,
         4,
         {0, 0, 1, 2, 0, 1, 2, 2, 1, 2, 2, 2},
         {0, 65536, 0, 0, 0, 65536, 0, 0, 0, 65536, 0, 0}},
    };
    for (const Case& c : cases) {
        ResampleTable t = resample_table(c.s, c.d);
        ASSERT_EQ(t.taps, c.taps);
        for (size_t i = 0; i < c.indices.size(); ++i) {
            EXPECT_EQ(t.indices[i], c.indices[i]) << c.s << "->" << c.d << " entry " << i;
            EXPECT_EQ(t.weights[i], c.weights[i]) << c.s << "->" << c.d << " entry " << i;
        }
        resample_table_free(&t);
    }
    ResampleTable t = resample_table(1000, 300);
    EXPECT_EQ(t.taps, 7);  // (int)(2 x 3.33 + 0.5)
    for (int i = 0; i < 7 * 300; ++i) EXPECT_LT(t.indices[i], 1000);
    resample_table_free(&t);
}

struct Owned {
    Image* p;
    ~Owned() { image_free(p); }
};

TEST(Resize, Cases) {
    Owned src{image_new(4, 1)};
    const uint32_t row[4] = {rgba(0, 10, 255, 255), rgba(100, 10, 255, 255),
                             rgba(200, 10, 255, 255), rgba(255, 10, 255, 255)};
    for (int x = 0; x < 4; ++x) px_set(src.p, x, 0, row[x]);

    Owned half{image_resize(src.p, 2, 1)};
    ASSERT_EQ(half.p->width, 2);
    EXPECT_EQ(px_get(half.p, 0, 0), rgba(58, 10, 255, 255));
    EXPECT_EQ(px_get(half.p, 1, 0), rgba(220, 10, 255, 255));

    Owned zero{image_resize(src.p, 0, -3)};
    EXPECT_EQ(zero.p->width, 1);
    EXPECT_EQ(zero.p->height, 1);

    Owned same{image_resize(src.p, 4, 1)};
    EXPECT_NE(same.p->pixels, src.p->pixels);
    EXPECT_EQ(memcmp(same.p->pixels, src.p->pixels, 16), 0);

    // A single pixel enlarged: every tap clamps to it and the weights are normalised.
    Owned one{image_new(1, 1)};
    px_set(one.p, 0, 0, rgba(10, 200, 30, 77));
    Owned wide{image_resize(one.p, 4, 3)};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(px_get(wide.p, x, y), rgba(10, 200, 30, 77));

    // Catmull-Rom overshoot is clamped at both ends: 0 255 -> 0 52 203 255.
    Owned edge{image_new(2, 1)};
    px_set(edge.p, 0, 0, rgba(0, 255, 0, 0));
    px_set(edge.p, 1, 0, rgba(255, 0, 0, 0));
    Owned up{image_resize(edge.p, 4, 1)};
    const uint32_t want[4] = {rgba(0, 255, 0, 0), rgba(52, 203, 0, 0), rgba(203, 52, 0, 0),
                              rgba(255, 0, 0, 0)};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(px_get(up.p, x, 0), want[x]) << x;

    // Vertical axis gives the same answer as the horizontal one.
    Owned col{image_new(1, 4)};
    for (int y = 0; y < 4; ++y) px_set(col.p, 0, y, row[y]);
    Owned colhalf{image_resize(col.p, 1, 2)};
    EXPECT_EQ(px_get(colhalf.p, 0, 0), rgba(58, 10, 255, 255));
    EXPECT_EQ(px_get(colhalf.p, 0, 1), rgba(220, 10, 255, 255));
}

TEST(Resize, UniformStaysUniformAndSourceUnchanged) {
    Owned src{image_new(37, 23)};
    image_fill(src.p, rgba(12, 130, 250, 200));
    struct Size {
        int w, h;
    } sizes[] = {{10, 5}, {100, 80}, {37, 60}, {5, 23}, {1, 1}};
    for (Size s : sizes) {
        Owned out{image_resize(src.p, s.w, s.h)};
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x)
                ASSERT_EQ(px_get(out.p, x, y), rgba(12, 130, 250, 200)) << s.w << "x" << s.h;
    }
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(px_get(src.p, x, y), rgba(12, 130, 250, 200));
}

TEST(Blur, Params) {
    struct Case {
        int32_t req, r, shift;
    } cases[] = {{7, 7, 4},   {0, 7, 4},   {14, 7, 4},  {15, 15, 5},
                 {30, 15, 5}, {31, 31, 6}, {32, 15, 5}, {-5, 7, 4}};
    for (const Case& c : cases) {
        BlurParams p = blur_params(c.req);
        EXPECT_EQ(p.r, c.r) << c.req;
        EXPECT_EQ(p.shift, c.shift) << c.req;
        EXPECT_EQ(2 * p.r + 2, 1 << p.shift);
    }
}

TEST(Blur, SingleWhitePixel) {
    const uint32_t black = rgba(0, 0, 0, 255), white = rgba(255, 255, 255, 255);
    for (bool columns : {true, false}) {
        Owned img{columns ? image_new(3, 31) : image_new(31, 3)};
        image_fill(img.p, black);
        if (columns)
            px_set(img.p, 1, 15, white);
        else
            px_set(img.p, 15, 1, white);
        if (columns)
            box_blur_columns(img.p, {1, 0, 1, 31}, 7);
        else
            box_blur_rows(img.p, {0, 1, 31, 1}, 7);
        for (int i = 0; i < 31; ++i) {
            uint32_t v = i == 15 ? 32 : (i >= 8 && i <= 22 ? 16 : 0);
            uint32_t got = columns ? px_get(img.p, 1, i) : px_get(img.p, i, 1);
            EXPECT_EQ(got, rgba(v, v, v, 255)) << (columns ? "row " : "column ") << i;
            uint32_t beside = columns ? px_get(img.p, 0, i) : px_get(img.p, i, 0);
            EXPECT_EQ(beside, black);
        }
    }
}

// The blur as a plain weighted average with repeated edges.
void reference_blur(Image* img, Rect c, int32_t req, bool columns) {
    BlurParams p = blur_params(req);
    int32_t len = columns ? c.h : c.w, lines = columns ? c.w : c.h;
    if (p.r >= len) return;
    std::vector<uint32_t> line(len);
    for (int32_t l = 0; l < lines; ++l) {
        auto at = [&](int32_t i) -> std::pair<int, int> {
            return columns ? std::pair{c.x + l, c.y + i} : std::pair{c.x + i, c.y + l};
        };
        for (int32_t i = 0; i < len; ++i) line[i] = px_get(img, at(i).first, at(i).second);
        for (int32_t i = 0; i < len; ++i) {
            uint32_t out = 0;
            for (int ch = 0; ch < 4; ++ch) {
                uint32_t sum = 1u << (p.shift - 1);
                sum += (line[i] >> (8 * ch)) & 0xFF;
                for (int32_t k = -p.r; k <= p.r; ++k) {
                    int32_t j = std::clamp(i + k, 0, len - 1);
                    sum += (line[j] >> (8 * ch)) & 0xFF;
                }
                out |= (sum >> p.shift) << (8 * ch);
            }
            px_set(img, at(i).first, at(i).second, out);
        }
    }
}

TEST(Blur, MatchesReferenceAndStaysInsideRect) {
    struct Case {
        int w, h;
        Rect r;
        int32_t req;
    } cases[] = {
        {40, 30, {5, 4, 33, 20}, 7},  // more than one strip of columns
        {40, 30, {0, 0, 40, 30}, 15},    {80, 70, {3, 2, 70, 66}, 31},
        {40, 30, {30, 20, 50, 50}, 7},  // reaching past the image: clipped first
        {40, 30, {-10, -10, 30, 30}, 7}, {20, 20, {2, 2, 16, 8}, 7},  // exactly r + 1 rows
    };
    for (const Case& c : cases) {
        Owned img{image_new(c.w, c.h)}, ref{image_new(c.w, c.h)};
        image_noise(img.p, uint32_t(c.w * 31 + c.req));
        memcpy(ref.p->pixels, img.p->pixels, size_t(c.w) * c.h * 4);
        Rect clipped = rect_clip({0, 0, c.w, c.h}, c.r);
        box_blur_columns(img.p, c.r, c.req);
        reference_blur(ref.p, clipped, c.req, true);
        ASSERT_EQ(memcmp(img.p->pixels, ref.p->pixels, size_t(c.w) * c.h * 4), 0)
            << "columns " << c.w << "x" << c.h << " radius " << c.req;
        box_blur_rows(img.p, c.r, c.req);
        reference_blur(ref.p, clipped, c.req, false);
        ASSERT_EQ(memcmp(img.p->pixels, ref.p->pixels, size_t(c.w) * c.h * 4), 0)
            << "rows " << c.w << "x" << c.h << " radius " << c.req;
    }
}

TEST(Blur, UniformAndTooSmallRectanglesUnchanged) {
    Owned img{image_new(30, 20)};
    image_fill(img.p, rgba(37, 140, 201, 99));
    box_blur_columns(img.p, {0, 0, 30, 20}, 7);
    box_blur_rows(img.p, {0, 0, 30, 20}, 31 - 16);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(px_get(img.p, x, y), rgba(37, 140, 201, 99));

    // 7 rows with radius 7: nothing vertically; 8 rows: blurred.
    for (int h : {7, 8}) {
        Owned n{image_new(4, 10)}, copy{image_new(4, 10)};
        image_noise(n.p, 5);
        memcpy(copy.p->pixels, n.p->pixels, 4 * 10 * 4);
        box_blur_columns(n.p, {0, 1, 4, h}, 7);
        bool same = memcmp(n.p->pixels, copy.p->pixels, 4 * 10 * 4) == 0;
        EXPECT_EQ(same, h == 7) << "height " << h;
    }
    // Same for the width of a row pass; a zero or negative rectangle is harmless.
    Owned n{image_new(7, 3)}, copy{image_new(7, 3)};
    image_noise(n.p, 6);
    memcpy(copy.p->pixels, n.p->pixels, 7 * 3 * 4);
    box_blur_rows(n.p, {0, 0, 7, 3}, 7);
    box_blur_rows(n.p, {2, 2, -5, -5}, 7);
    box_blur_columns(n.p, {100, 100, 5, 5}, 31);
    EXPECT_EQ(memcmp(n.p->pixels, copy.p->pixels, 7 * 3 * 4), 0);
}

}  // namespace

namespace {

// Both passes written out plainly from the tables.
Image* reference_resize(const Image* src, int32_t w, int32_t h) {
    Image* mid = image_new(src->width, h);
    ResampleTable tv = resample_table(src->height, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < src->width * 4; ++x) {
            int32_t acc = 0x8000;
            for (int32_t k = 0; k < tv.taps; ++k)
                acc += tv.weights[y * tv.taps + k] *
                       src->pixels[tv.indices[y * tv.taps + k] * src->stride + x];
            mid->pixels[y * mid->stride + x] = uint8_t(std::clamp(acc >> 16, 0, 255));
        }
    resample_table_free(&tv);
    Image* out = image_new(w, h);
    ResampleTable th = resample_table(src->width, w);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                int32_t acc = 0x8000;
                for (int32_t k = 0; k < th.taps; ++k)
                    acc += th.weights[x * th.taps + k] *
                           mid->pixels[y * mid->stride + th.indices[x * th.taps + k] * 4 + c];
                out->pixels[y * out->stride + x * 4 + c] = uint8_t(std::clamp(acc >> 16, 0, 255));
            }
    resample_table_free(&th);
    image_free(mid);
    return out;
}

TEST(Resize, MatchesPlainArithmeticOnNoise) {
    struct Case {
        int sw, sh, dw, dh;
    } cases[] = {{37, 29, 11, 70}, {64, 48, 120, 90}, {5, 7, 3, 2},      {100, 3, 33, 9},
                 {3, 100, 9, 33},  {13, 13, 14, 12},  {200, 150, 61, 47}};
    for (const Case& c : cases) {
        Owned src{image_new(c.sw, c.sh)};
        image_noise(src.p, uint32_t(c.sw * 7 + c.dh));
        Owned got{image_resize(src.p, c.dw, c.dh)}, want{reference_resize(src.p, c.dw, c.dh)};
        ASSERT_EQ(memcmp(got.p->pixels, want.p->pixels, size_t(c.dw) * c.dh * 4), 0)
            << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
    }
}

}  // namespace
