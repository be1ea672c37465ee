#include "analysis/fft.h"

#include <cmath>

void fft_fill_cos_table(float* table) {
    for (uint32_t i = 0; i < FFT_COS_TABLE_SIZE; i++)
        table[i] = static_cast<float>(std::cos(i * (1.0 / FFT_COS_TABLE_SIZE) * 2.0 * M_PI));
}

void fft_fill_twiddles(const float* table, int log2n, float* twiddles) {
    // A quarter turn later the cosine is minus the sine.
    const uint32_t quarter = FFT_COS_TABLE_SIZE / 4;
    for (int level = 1; level <= log2n; level++) {
        const uint32_t half = 1u << (level - 1);
        const uint32_t advance = FFT_COS_TABLE_SIZE >> level;
        float* c = twiddles + 2 * (half - 1);
        float* s = c + half;
        for (uint32_t i = 0, t = 0; i < half; i++, t += advance) {
            c[i] = table[t & FFT_COS_TABLE_MASK];
            s[i] = table[(t + quarter) & FFT_COS_TABLE_MASK];
        }
    }
}

namespace {

// The join of two half transforms lo[0 .. half) and hi[0 .. half), as the
// recursive form does it at the end of every call.
inline void butterflies(const float* __restrict c, const float* __restrict s,
                        float* __restrict lo_re, float* __restrict lo_im, float* __restrict hi_re,
                        float* __restrict hi_im, uint32_t half) {
    for (uint32_t i = 0; i < half; i++) {
        float xr = hi_re[i];
        float xi = hi_im[i];
        float tr = c[i] * xr - s[i] * xi;
        float ti = xi * c[i] + s[i] * xr;
        hi_re[i] = lo_re[i] - tr;
        hi_im[i] = lo_im[i] - ti;
        lo_re[i] += tr;
        lo_im[i] += ti;
    }
}

}  // namespace

void fft_radix2(const float* twiddles, const float* in_re, const float* in_im, int log2n,
                float* out_re, float* out_im, uint32_t stride) {
    const uint32_t n = 1u << log2n;
    // The recursion's leaves in output order: output j starts as input bitreverse(j).
    // The reversed counter is stepped the way a binary increment runs from the top bit.
    for (uint32_t j = 0, r = 0; j < n; j++) {
        out_re[j] = in_re[size_t(r) * stride];
        out_im[j] = in_im[size_t(r) * stride];
        uint32_t bit = n >> 1;
        while (bit && (r & bit)) {
            r ^= bit;
            bit >>= 1;
        }
        r |= bit;
    }
    // Level by level from the leaves up: every block of 2 * half joined like the
    // call of that size did. Blocks are independent, so their order changes nothing.
    for (int level = 1; level <= log2n; level++) {
        const uint32_t half = 1u << (level - 1);
        const float* c = twiddles + 2 * (half - 1);
        const float* s = c + half;
        for (uint32_t block = 0; block < n; block += 2 * half)
            butterflies(c, s, out_re + block, out_im + block, out_re + block + half,
                        out_im + block + half, half);
    }
}
