// Separable cubic resampling with precomputed 16.16 integer tap tables.
#include "ui/resize.h"

#include <cmath>
#include <cstring>

#include "foundation/memory.h"

double cubic_kernel(double x, double b, double c) {
    x = std::fabs(x);
    if (x < 1)
        return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) / 6;
    if (x < 2)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x +
                (8 * b + 24 * c)) / 6;
    return 0;
}

ResampleTable resample_table(int32_t source_length, int32_t dest_length) {
    const int32_t S = source_length < 1 ? 1
                      : source_length > RESAMPLE_MAX_SOURCE ? RESAMPLE_MAX_SOURCE
                                                            : source_length;
    const int32_t D = dest_length < 1 ? 1 : dest_length;
    const bool enlarge = D >= S;
    const double a = double(S) / double(D);
    ResampleTable t;
    t.taps = enlarge ? 4 : int32_t(2 * a + 0.5);
    if (t.taps < 1) t.taps = 1;
    const size_t n = size_t(t.taps) * size_t(D);
    t.weights = dru_alloc_array<int32_t>(n);
    t.indices = dru_alloc_array<uint16_t>(n);
    double* w = dru_alloc_array<double>(size_t(t.taps));
    for (int32_t i = 0; i < D; ++i) {
        double j;
        if (enlarge)
            j = std::floor((i + 0.5) * a - 1.5);
        else
            j = std::floor((i - 0.5) * a + 0.5);
        double sum = 0;
        int32_t* wout = t.weights + size_t(i) * t.taps;
        uint16_t* iout = t.indices + size_t(i) * t.taps;
        for (int32_t k = 0; k < t.taps; ++k) {
            double pos = j + k;
            double dist = enlarge ? (pos + 0.5) - (i + 0.5) * a
                                  : (pos + 0.5) * D / S - (i + 0.5);
            w[k] = enlarge ? cubic_kernel(dist, 0, 0.5) : cubic_kernel(dist, 0, 0);
            sum += w[k];
            double idx = pos < 0 ? 0 : (pos > S - 1 ? S - 1 : pos);
            iout[k] = uint16_t(idx);
        }
        if (sum == 0) {
            // Cannot happen for the two kernels used, but never divide by zero.
            wout[t.taps / 2] = 65536;
            continue;
        }
        for (int32_t k = 0; k < t.taps; ++k) wout[k] = int32_t(w[k] / sum * 65536);
    }
    dru_free(w);
    return t;
}

void resample_table_free(ResampleTable* table) {
    if (!table) return;
    dru_free(table->weights);
    dru_free(table->indices);
    table->weights = nullptr;
    table->indices = nullptr;
}

namespace {

inline uint8_t clamp_byte(int32_t v) {
    v >>= 16;
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// dst rows from weighted sums of src rows; every byte of a row is independent.
void resample_vertical(const Image* src, Image* dst, const ResampleTable& t) {
    const size_t row_bytes = size_t(src->width) * 4;
    int32_t* acc = dru_alloc_array<int32_t>(row_bytes);
    for (int32_t y = 0; y < dst->height; ++y) {
        const int32_t* w = t.weights + size_t(y) * t.taps;
        const uint16_t* idx = t.indices + size_t(y) * t.taps;
        for (size_t x = 0; x < row_bytes; ++x) acc[x] = 0x8000;
        for (int32_t k = 0; k < t.taps; ++k) {
            const int32_t wk = w[k];
            if (wk == 0) continue;
            const uint8_t* s = src->pixels + size_t(idx[k]) * src->stride;
            for (size_t x = 0; x < row_bytes; ++x) acc[x] += wk * int32_t(s[x]);
        }
        uint8_t* d = dst->pixels + size_t(y) * dst->stride;
        for (size_t x = 0; x < row_bytes; ++x) d[x] = clamp_byte(acc[x]);
    }
    dru_free(acc);
}

void resample_horizontal(const Image* src, Image* dst, const ResampleTable& t) {
    const int32_t taps = t.taps;
    for (int32_t y = 0; y < dst->height; ++y) {
        const uint8_t* s = src->pixels + size_t(y) * src->stride;
        uint8_t* d = dst->pixels + size_t(y) * dst->stride;
        const int32_t* w = t.weights;
        const uint16_t* idx = t.indices;
        for (int32_t x = 0; x < dst->width; ++x, w += taps, idx += taps) {
            int32_t s0 = 0x8000, s1 = 0x8000, s2 = 0x8000, s3 = 0x8000;
            for (int32_t k = 0; k < taps; ++k) {
                const uint8_t* p = s + size_t(idx[k]) * 4;
                const int32_t wk = w[k];
                s0 += wk * p[0];
                s1 += wk * p[1];
                s2 += wk * p[2];
                s3 += wk * p[3];
            }
            d[x * 4 + 0] = clamp_byte(s0);
            d[x * 4 + 1] = clamp_byte(s1);
            d[x * 4 + 2] = clamp_byte(s2);
            d[x * 4 + 3] = clamp_byte(s3);
        }
    }
}

}  // namespace

Image* image_resize(const Image* src, int32_t width, int32_t height) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    Image* out = image_new(width, height, IMAGE_PIXELS);
    if (!src || !src->pixels || src->width < 1 || src->height < 1) return out;
    if (src->width == width && src->height == height) {
        for (int32_t y = 0; y < height; ++y)
            memcpy(out->pixels + size_t(y) * out->stride, src->pixels + size_t(y) * src->stride,
                   size_t(width) * 4);
        return out;
    }
    // An axis whose length stays the same has identity weights (one tap of 65536), so
    // its pass would only copy: skip it.
    const Image* mid = src;
    Image* owned_mid = nullptr;
    if (src->height != height) {
        owned_mid = image_new(src->width, height, IMAGE_PIXELS);
        ResampleTable tv = resample_table(src->height, height);
        resample_vertical(src, owned_mid, tv);
        resample_table_free(&tv);
        mid = owned_mid;
    }
    if (src->width != width) {
        ResampleTable th = resample_table(src->width, width);
        resample_horizontal(mid, out, th);
        resample_table_free(&th);
    } else {
        for (int32_t y = 0; y < height; ++y)
            memcpy(out->pixels + size_t(y) * out->stride, mid->pixels + size_t(y) * mid->stride,
                   size_t(width) * 4);
    }
    image_free(owned_mid);
    return out;
}
