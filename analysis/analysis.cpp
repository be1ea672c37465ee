#include "analysis/analysis.h"

#include <cstring>

#include "analysis/fft.h"
#include "foundation/memory.h"

void analysis_init(Analysis* p) {
    p->fft_size = ANALYSIS_SIZE;
    p->fft_bin_scale = 1;
    p->cos_table = dru_alloc_array<float>(FFT_COS_TABLE_SIZE);
    fft_fill_cos_table(p->cos_table);
    p->sample_history = dru_alloc_array<float>(ANALYSIS_SIZE);
    p->scratch = dru_alloc_array<float>(ANALYSIS_SIZE);
    p->fft_in_re = dru_alloc_array<float>(ANALYSIS_SIZE);
    p->fft_in_im = dru_alloc_array<float>(ANALYSIS_SIZE);
    p->fft_out_re = dru_alloc_array<float>(ANALYSIS_SIZE);
    p->fft_out_im = dru_alloc_array<float>(ANALYSIS_SIZE);
    p->spectrum = dru_alloc_array<float>(ANALYSIS_SIZE);
}

void analysis_free(Analysis* p) {
    float** arrays[] = {&p->cos_table, &p->sample_history, &p->scratch,    &p->fft_in_re,
                        &p->fft_in_im, &p->fft_out_re,     &p->fft_out_im, &p->spectrum};
    for (float** a : arrays) {
        dru_free(*a);
        *a = nullptr;
    }
}

void analysis_tap(Analysis* p, const float* samples, uint32_t count, uint32_t channels) {
    const uint32_t n = ANALYSIS_SIZE;
    if (channels == 0) return;
    uint32_t frames = count / channels;
    // A chunk longer than the history would only push its own start out again;
    // taking its first n frames also keeps the scratch copy inside its array.
    uint32_t take = frames < n ? frames : n;
    float* scratch = p->scratch;
    for (uint32_t i = 0; i < take; i++) scratch[i] = samples[static_cast<size_t>(i) * channels];

    float* history = p->sample_history;
    memmove(history, history + take, (n - take) * sizeof(float));
    memcpy(history + (n - take), scratch, take * sizeof(float));

    float* re = p->fft_in_re;
    float* im = p->fft_in_im;
    memcpy(re, history, n * sizeof(float));
    memset(im, 0, n * sizeof(float));

    // 4-term Nuttall window, its cosines read from the table at 1x, 2x and 3x the
    // window's own phase.
    const float* table = p->cos_table;
    const uint32_t step = FFT_COS_TABLE_SIZE / n;
    uint32_t t = 0;
    for (uint32_t k = 0; k < n; k++, t += step) {
        float w = 0.355768f - 0.487396f * table[t & FFT_COS_TABLE_MASK] +
                  0.144232f * table[(2 * t) & FFT_COS_TABLE_MASK] -
                  0.012604f * table[(3 * t) & FFT_COS_TABLE_MASK];
        re[k] = w * re[k];
    }

    float* out_re = p->fft_out_re;
    float* out_im = p->fft_out_im;
    int log2n = 0;
    for (uint32_t m = n; m > 1; m >>= 1) log2n++;
    fft_radix2(table, re, im, log2n, out_re, out_im, 1);

    float* spectrum = p->spectrum;
    for (uint32_t k = 0; k < n; k++) {
        float power = out_re[k] * out_re[k] + out_im[k] * out_im[k];
        spectrum[k] = power * 0.7f + spectrum[k] * 0.3f;
    }
}
