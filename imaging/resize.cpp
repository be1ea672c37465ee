// Separable cubic resampling with precomputed 16.16 integer tap tables.
#include "imaging/resize.h"

#include <cmath>
#include <cstring>

#include "foundation/memory.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

double cubic_kernel(double x, double b, double c) {
    x = std::fabs(x);
    if (x < 1)
        return ((12 - 9 * b - 6 * c) * x * x * x + (-18 + 12 * b + 6 * c) * x * x + (6 - 2 * b)) /
               6;
    if (x < 2)
        return ((-b - 6 * c) * x * x * x + (6 * b + 30 * c) * x * x + (-12 * b - 48 * c) * x +
                (8 * b + 24 * c)) /
               6;
    return 0;
}

ResampleTable resample_table(int32_t source_length, int32_t dest_length) {
    const int32_t S = source_length < 1                     ? 1
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
            double dist = enlarge ? (pos + 0.5) - (i + 0.5) * a : (pos + 0.5) * D / S - (i + 0.5);
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
#if defined(__SSE2__)
    // Sixteen bytes at a time, two source rows per multiply-add, weights split as in
    // the horizontal pass below; the tail of the row goes through the plain loop.
    const size_t vector_bytes = row_bytes & ~size_t(15);
    const int32_t pairs = (t.taps + 1) / 2;
    __m128i* low = static_cast<__m128i*>(dru_alloc_memory(size_t(pairs), sizeof(__m128i)));
    __m128i* high = static_cast<__m128i*>(dru_alloc_memory(size_t(pairs), sizeof(__m128i)));
    const uint8_t** rows = dru_alloc_array<const uint8_t*>(size_t(pairs) * 2);
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(0x8000);
#else
    const size_t vector_bytes = 0;
#endif
    for (int32_t y = 0; y < dst->height; ++y) {
        const int32_t* w = t.weights + size_t(y) * t.taps;
        const uint16_t* idx = t.indices + size_t(y) * t.taps;
        uint8_t* d = dst->pixels + size_t(y) * dst->stride;
#if defined(__SSE2__)
        for (int32_t p = 0; p < pairs; ++p) {
            const bool second = 2 * p + 1 < t.taps;
            const int32_t w0 = w[2 * p], w1 = second ? w[2 * p + 1] : 0;
            const short l0 = short(w0 & 255), l1 = short(w1 & 255);
            const short h0 = short(w0 >> 8), h1 = short(w1 >> 8);
            low[p] = _mm_set_epi16(l1, l0, l1, l0, l1, l0, l1, l0);
            high[p] = _mm_set_epi16(h1, h0, h1, h0, h1, h0, h1, h0);
            rows[2 * p] = src->pixels + size_t(idx[2 * p]) * src->stride;
            rows[2 * p + 1] = src->pixels + size_t(idx[second ? 2 * p + 1 : 2 * p]) * src->stride;
        }
        for (size_t x = 0; x < vector_bytes; x += 16) {
            __m128i lo[4] = {zero, zero, zero, zero}, hi[4] = {zero, zero, zero, zero};
            for (int32_t p = 0; p < pairs; ++p) {
                __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p] + x));
                __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p + 1] + x));
                __m128i a0 = _mm_unpacklo_epi8(a, zero), a1 = _mm_unpackhi_epi8(a, zero);
                __m128i b0 = _mm_unpacklo_epi8(b, zero), b1 = _mm_unpackhi_epi8(b, zero);
                __m128i q[4] = {_mm_unpacklo_epi16(a0, b0), _mm_unpackhi_epi16(a0, b0),
                                _mm_unpacklo_epi16(a1, b1), _mm_unpackhi_epi16(a1, b1)};
                for (int i = 0; i < 4; ++i) {
                    lo[i] = _mm_add_epi32(lo[i], _mm_madd_epi16(q[i], low[p]));
                    hi[i] = _mm_add_epi32(hi[i], _mm_madd_epi16(q[i], high[p]));
                }
            }
            __m128i v[4];
            for (int i = 0; i < 4; ++i)
                v[i] = _mm_srai_epi32(
                    _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(hi[i], 8), lo[i]), round), 16);
            __m128i out =
                _mm_packus_epi16(_mm_packs_epi32(v[0], v[1]), _mm_packs_epi32(v[2], v[3]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), out);
        }
#endif
        for (size_t x = vector_bytes; x < row_bytes; ++x) {
            int32_t acc = 0x8000;
            for (int32_t k = 0; k < t.taps; ++k)
                acc += w[k] * int32_t(src->pixels[size_t(idx[k]) * src->stride + x]);
            d[x] = clamp_byte(acc);
        }
    }
#if defined(__SSE2__)
    dru_free(low);
    dru_free(high);
    dru_free(rows);
#endif
}

#if defined(__SSE2__)
// Four channels of two taps per multiply-add: each 16.16 weight w is split into
// (w >> 8) x 256 + (w & 255), two 16-bit factors whose products with a byte sum exactly,
// so the result equals the plain 32-bit sum bit for bit.
void resample_horizontal(const Image* src, Image* dst, const ResampleTable& t) {
    const int32_t taps = t.taps, pairs = (taps + 1) / 2;
    const size_t slots = size_t(dst->width) * pairs;
    __m128i* low = static_cast<__m128i*>(dru_alloc_memory(slots, sizeof(__m128i)));
    __m128i* high = static_cast<__m128i*>(dru_alloc_memory(slots, sizeof(__m128i)));
    uint32_t* offsets = dru_alloc_array<uint32_t>(slots * 2);
    for (int32_t x = 0; x < dst->width; ++x)
        for (int32_t p = 0; p < pairs; ++p) {
            const size_t k0 = size_t(x) * taps + 2 * p, k1 = k0 + 1;
            const bool second = 2 * p + 1 < taps;
            const int32_t w0 = t.weights[k0], w1 = second ? t.weights[k1] : 0;
            const size_t slot = size_t(x) * pairs + p;
            const short l0 = short(w0 & 255), l1 = short(w1 & 255);
            const short h0 = short(w0 >> 8), h1 = short(w1 >> 8);
            _mm_storeu_si128(low + slot, _mm_set_epi16(l1, l0, l1, l0, l1, l0, l1, l0));
            _mm_storeu_si128(high + slot, _mm_set_epi16(h1, h0, h1, h0, h1, h0, h1, h0));
            offsets[2 * slot] = uint32_t(t.indices[k0]) * 4;
            offsets[2 * slot + 1] = uint32_t(second ? t.indices[k1] : t.indices[k0]) * 4;
        }
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(0x8000);
    for (int32_t y = 0; y < dst->height; ++y) {
        const uint8_t* s = src->pixels + size_t(y) * src->stride;
        uint8_t* d = dst->pixels + size_t(y) * dst->stride;
        size_t slot = 0;
        for (int32_t x = 0; x < dst->width; ++x) {
            __m128i sum_low = zero, sum_high = zero;
            for (int32_t p = 0; p < pairs; ++p, ++slot) {
                uint32_t a, b;
                memcpy(&a, s + offsets[2 * slot], 4);
                memcpy(&b, s + offsets[2 * slot + 1], 4);
                __m128i pa = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(a)), zero);
                __m128i pb = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(b)), zero);
                __m128i both = _mm_unpacklo_epi16(pa, pb);
                sum_low = _mm_add_epi32(sum_low, _mm_madd_epi16(both, _mm_loadu_si128(low + slot)));
                sum_high =
                    _mm_add_epi32(sum_high, _mm_madd_epi16(both, _mm_loadu_si128(high + slot)));
            }
            __m128i v = _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(sum_high, 8), sum_low), round);
            v = _mm_srai_epi32(v, 16);
            v = _mm_packus_epi16(_mm_packs_epi32(v, v), zero);
            uint32_t out = uint32_t(_mm_cvtsi128_si32(v));
            memcpy(d + x * 4, &out, 4);
        }
    }
    dru_free(low);
    dru_free(high);
    dru_free(offsets);
}
#else
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
#endif

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
