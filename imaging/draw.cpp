// Shape primitives: filled and rounded rectangles, pixels and lines.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imaging/corner.h"
#include "imaging/image.h"
#include "imaging/pixel_access.h"

int32_t style_units(const UiStyle* style, double v) {
    // A zeroed style still draws at the natural size.
    int32_t ref = style && style->ref_size > 0 ? style->ref_size : STYLE_REF_SIZE;
    double t = std::round(v / STYLE_REF_SIZE * ref);
    if (!(t >= -2147483648.0 && t <= 2147483647.0)) return INT32_MIN;
    return int32_t(t);
}

namespace {

uint32_t style_colour(const UiStyle* style) {
    const Colour c = style->colour;
    return colour_word(c.r, c.g, c.b, c.a);
}

// The inclusive rectangle clipped to the image; false when nothing is left.
bool clip_inclusive(const Image* image, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Rect* out) {
    if (!image || !image->pixels) return false;
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > image->width - 1) x1 = image->width - 1;
    if (y1 > image->height - 1) y1 = image->height - 1;
    if (x1 < x0 || y1 < y0) return false;
    *out = {int32_t(x0), int32_t(y0), int32_t(x1 - x0 + 1), int32_t(y1 - y0 + 1)};
    return true;
}

uint8_t* pixel_at(Image* image, int32_t x, int32_t y) {
    return image->pixels + int64_t(y) * image->stride + int64_t(x) * 4;
}

}  // namespace

void fill_rect(Image* image, const UiStyle* style, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (x1 < x0 || y1 < y0) return;
    Rect c;
    if (!clip_inclusive(image, x0, y0, x1, y1, &c)) return;
    uint32_t colour = style_colour(style);
    uint8_t* first = pixel_at(image, c.x, c.y);
    for (int32_t i = 0; i < c.w; ++i) pixel_store(first + i * 4, colour);
    for (int32_t row = 1; row < c.h; ++row)
        memcpy(pixel_at(image, c.x, c.y + row), first, size_t(c.w) * 4);
}

void fill_shape(Image* image, const UiStyle* style, double fx0, double fy0, double fx1, double fy1,
                double fradius) {
    int32_t x0 = style_units(style, fx0), y0 = style_units(style, fy0);
    int32_t x1 = style_units(style, fx1), y1 = style_units(style, fy1);
    int32_t radius = style_units(style, fradius);
    if (x1 < x0 || y1 < y0) return;
    const uint32_t colour = style_colour(style);
    const uint32_t alpha = colour >> 24;
    if (radius == 0 && alpha == 255) {
        fill_rect(image, style, x0, y0, x1, y1);
        return;
    }
    Rect c;
    if (!clip_inclusive(image, x0, y0, x1, y1, &c)) return;
    if (radius == 0) {
        if (alpha == 0) return;
        for (int32_t row = 0; row < c.h; ++row) {
            uint8_t* d = pixel_at(image, c.x, c.y + row);
            for (int32_t i = 0; i < c.w; ++i)
                pixel_store(d + i * 4, blend_pixel(colour, pixel_load(d + i * 4), alpha));
        }
        return;
    }
    if (alpha == 0) return;
    const CornerShape shape = corner_shape(c.w, c.h, radius);
    int32_t lo = 0, hi = 0;
    corner_middle(shape, &lo, &hi);
    auto edge = [&](uint8_t* d, int32_t row, int32_t from, int32_t to) {
        for (int32_t col = from; col < to; ++col) {
            uint32_t a = uint32_t(double(alpha) * corner_at(shape, col, row));
            if (a == 0) continue;
            pixel_store(d + col * 4, blend_pixel(colour, pixel_load(d + col * 4), a));
        }
    };
    for (int32_t row = 0; row < c.h; ++row) {
        uint8_t* d = pixel_at(image, c.x, c.y + row);
        const bool full = corner_row_full(shape, row);
        // The rounded columns need their coverage; the span between them has full
        // coverage and blends with one alpha.
        const int32_t from = full ? 0 : lo, to = full ? c.w : hi;
        if (!full) edge(d, row, 0, lo);
        for (int32_t col = from; col < to; ++col)
            pixel_store(d + col * 4, blend_pixel(colour, pixel_load(d + col * 4), alpha));
        if (!full) edge(d, row, hi, c.w);
    }
}

double corner_coverage(int32_t w, int32_t h, int32_t radius, int32_t column, int32_t row) {
    return corner_at(corner_shape(w, h, radius), column, row);
}

void plot_pixel(Image* image, const UiStyle* style, int32_t x, int32_t y) {
    if (!image || !image->pixels) return;
    if (uint32_t(x) >= uint32_t(image->width) || uint32_t(y) >= uint32_t(image->height)) return;
    uint32_t colour = style_colour(style);
    uint8_t* d = pixel_at(image, x, y);
    pixel_store(d, blend_pixel(colour, pixel_load(d), colour >> 24));
}

void draw_line(Image* image, const UiStyle* style, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (!image || !image->pixels) return;
    int64_t dx = int64_t(x1) - x0, dy = int64_t(y1) - y0;
    const bool steep = std::llabs(dy) > std::llabs(dx);
    int64_t major = steep ? dy : dx, minor = steep ? dx : dy;
    if (major == 0) return;
    int64_t sx = x0, sy = y0;
    if (major < 0) {
        major = -major;
        minor = -minor;
        sx = x1;
        sy = y1;
    }
    const int64_t start_major = steep ? sy : sx;
    const int64_t start_minor = steep ? sx : sy;
    // 16.16 fixed point. Computed in 64 bits: for coordinates below 32768 this is the
    // same as 32-bit arithmetic, and far-off endpoints no longer overflow.
    const int64_t step = minor * 65536 / major;
    int64_t acc = start_minor * 65536 + 0x8000;
    // Only the steps whose major coordinate lies inside the image can plot anything.
    const int64_t extent = steep ? image->height : image->width;
    int64_t k_first = start_major < 0 ? -start_major : 0;
    int64_t k_last = extent - 1 - start_major;
    if (k_last > major) k_last = major;
    if (k_first > k_last) return;
    acc += k_first * step;
    for (int64_t k = k_first; k <= k_last; ++k, acc += step) {
        int64_t m = start_major + k, n = acc >> 16;
        if (n < INT32_MIN || n > INT32_MAX) continue;
        if (steep)
            plot_pixel(image, style, int32_t(n), int32_t(m));
        else
            plot_pixel(image, style, int32_t(m), int32_t(n));
    }
}

void draw_line_units(Image* image, const UiStyle* style, double x0, double y0, double x1,
                     double y1) {
    draw_line(image, style, style_units(style, x0), style_units(style, y0), style_units(style, x1),
              style_units(style, y1));
}
