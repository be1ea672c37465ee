#include "analysis/fft.h"

#include <cmath>

void fft_fill_cos_table(float* table) {
    for (uint32_t i = 0; i < FFT_COS_TABLE_SIZE; i++)
        table[i] = static_cast<float>(std::cos(i * (1.0 / FFT_COS_TABLE_SIZE) * 2.0 * M_PI));
}

// Decimation in time: the even and the odd samples are transformed into the two
// halves of the output, then joined by butterflies.
void fft_radix2(const float* table, const float* in_re, const float* in_im, int log2n,
                float* out_re, float* out_im, uint32_t stride) {
    const uint32_t half = 1u << (log2n - 1);
    if (log2n == 1) {
        // Two one-point transforms are the samples themselves; the butterfly
        // below joins them.
        out_re[0] = in_re[0];
        out_im[0] = in_im[0];
        out_re[1] = in_re[stride];
        out_im[1] = in_im[stride];
    } else {
        fft_radix2(table, in_re, in_im, log2n - 1, out_re, out_im, stride * 2);
        fft_radix2(table, in_re + stride, in_im + stride, log2n - 1, out_re + half, out_im + half,
                   stride * 2);
    }
    const uint32_t advance = FFT_COS_TABLE_SIZE >> log2n;
    // A quarter turn later the cosine is minus the sine.
    const uint32_t quarter = FFT_COS_TABLE_SIZE / 4;
    uint32_t t = 0;
    for (uint32_t i = 0; i < half; i++, t += advance) {
        float c = table[t & FFT_COS_TABLE_MASK];
        float s = table[(t + quarter) & FFT_COS_TABLE_MASK];
        float xr = out_re[i + half];
        float xi = out_im[i + half];
        float tr = c * xr - s * xi;
        float ti = xi * c + s * xr;
        out_re[i + half] = out_re[i] - tr;
        out_im[i + half] = out_im[i] - ti;
        out_re[i] += tr;
        out_im[i] += ti;
    }
}
