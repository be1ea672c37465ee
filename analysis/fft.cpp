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

// One butterfly of the recursive form's join: hi is turned by the twiddle (c, s),
// then lo + turned and lo - turned.
inline void butterfly(float c, float s, float& lo_re, float& lo_im, float& hi_re, float& hi_im) {
    float xr = hi_re;
    float xi = hi_im;
    float tr = c * xr - s * xi;
    float ti = xi * c + s * xr;
    hi_re = lo_re - tr;
    hi_im = lo_im - ti;
    lo_re += tr;
    lo_im += ti;
}

// The join of two half transforms lo[0 .. half) and hi[0 .. half).
inline void butterflies(const float* __restrict c, const float* __restrict s,
                        float* __restrict lo_re, float* __restrict lo_im, float* __restrict hi_re,
                        float* __restrict hi_im, uint32_t half) {
    for (uint32_t i = 0; i < half; i++)
        butterfly(c[i], s[i], lo_re[i], lo_im[i], hi_re[i], hi_im[i]);
}

// Steps r to the bit reversal (over `top` and the bits below it) of one more than
// the number it is the reversal of: a binary increment run from the top bit.
inline uint32_t next_reversed(uint32_t r, uint32_t top) {
    uint32_t bit = top;
    while (bit && (r & bit)) {
        r ^= bit;
        bit >>= 1;
    }
    return r | bit;
}

}  // namespace

void fft_radix2(const float* twiddles, const float* in_re, const float* in_im, int log2n,
                float* out_re, float* out_im, uint32_t stride) {
    const uint32_t n = 1u << log2n;
    int level = 1;
    if (log2n == 1) {
        out_re[0] = in_re[0], out_im[0] = in_im[0];
        out_re[1] = in_re[stride], out_im[1] = in_im[stride];
    } else {
        // The recursion's leaves in output order (output j starts as input
        // bitreverse(j)) four at a time, joined at once by the two smallest levels:
        // outputs 4m .. 4m + 3 are inputs bitreverse(4m) + 0, n/2, n/4 and 3n/4.
        const float c1 = twiddles[0], s1 = twiddles[1];
        const float* c2 = twiddles + 2;
        const float* s2 = twiddles + 4;
        const size_t quarter = size_t(n / 4) * stride;
        for (uint32_t j = 0, r = 0; j < n; j += 4, r = next_reversed(r, n >> 3)) {
            const size_t at = size_t(r) * stride;
            float re[4] = {in_re[at], in_re[at + 2 * quarter], in_re[at + quarter],
                           in_re[at + 3 * quarter]};
            float im[4] = {in_im[at], in_im[at + 2 * quarter], in_im[at + quarter],
                           in_im[at + 3 * quarter]};
            butterfly(c1, s1, re[0], im[0], re[1], im[1]);
            butterfly(c1, s1, re[2], im[2], re[3], im[3]);
            butterfly(c2[0], s2[0], re[0], im[0], re[2], im[2]);
            butterfly(c2[1], s2[1], re[1], im[1], re[3], im[3]);
            for (int k = 0; k < 4; k++) out_re[j + k] = re[k], out_im[j + k] = im[k];
        }
        level = 3;
    }
    // Level by level from there up: every block of 2 * half joined like the call of
    // that size did. Blocks are independent, so their order changes nothing.
    for (; level <= log2n; level++) {
        const uint32_t half = 1u << (level - 1);
        const float* c = twiddles + 2 * (half - 1);
        const float* s = c + half;
        for (uint32_t block = 0; block < n; block += 2 * half)
            butterflies(c, s, out_re + block, out_im + block, out_re + block + half,
                        out_im + block + half, half);
    }
}
