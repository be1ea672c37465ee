#include "analysis/analysis.h"

#include <cstring>

#include "analysis/fft.h"
#include "foundation/memory.h"

namespace {

int log2_of(uint32_t n) {
    int log2n = 0;
    for (uint32_t m = n; m > 1; m >>= 1) log2n++;
    return log2n;
}

}  // namespace

void analysis_init(Analysis* p) {
    const uint32_t n = ANALYSIS_SIZE;
    p->fft_size = ANALYSIS_SIZE;
    p->fft_bin_scale = 1;
    // The cosine table is only read here: the window and the twiddles keep what the
    // chunks need, computed once instead of looked up again for every chunk.
    float* table = dru_alloc_array<float>(FFT_COS_TABLE_SIZE);
    fft_fill_cos_table(table);
    p->twiddles = dru_alloc_array<float>(2 * (n - 1));
    fft_fill_twiddles(table, log2_of(n), p->twiddles);
    // 4-term Nuttall window, its cosines read from the table at 1x, 2x and 3x the
    // window's own phase.
    p->window = dru_alloc_array<float>(n);
    const uint32_t step = FFT_COS_TABLE_SIZE / n;
    uint32_t t = 0;
    for (uint32_t k = 0; k < n; k++, t += step)
        p->window[k] = 0.355768f - 0.487396f * table[t & FFT_COS_TABLE_MASK] +
                       0.144232f * table[(2 * t) & FFT_COS_TABLE_MASK] -
                       0.012604f * table[(3 * t) & FFT_COS_TABLE_MASK];
    dru_free(table);
    p->sample_history = dru_alloc_array<float>(n);
    p->fft_in_re = dru_alloc_array<float>(n);
    p->fft_in_im = dru_alloc_array<float>(n);
    p->fft_out_re = dru_alloc_array<float>(n);
    p->fft_out_im = dru_alloc_array<float>(n);
    p->spectrum = dru_alloc_array<float>(n);
}

void analysis_free(Analysis* p) {
    float** arrays[] = {&p->window,    &p->twiddles,   &p->sample_history, &p->fft_in_re,
                        &p->fft_in_im, &p->fft_out_re, &p->fft_out_im,     &p->spectrum};
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
    // taking its first n frames keeps the writes inside the history.
    uint32_t take = frames < n ? frames : n;
    float* history = p->sample_history;
    memmove(history, history + take, (n - take) * sizeof(float));
    float* fresh = history + (n - take);
    for (uint32_t i = 0; i < take; i++) fresh[i] = samples[static_cast<size_t>(i) * channels];

    float* re = p->fft_in_re;
    const float* window = p->window;
    for (uint32_t k = 0; k < n; k++) re[k] = window[k] * history[k];

    float* out_re = p->fft_out_re;
    float* out_im = p->fft_out_im;
    fft_radix2(p->twiddles, re, p->fft_in_im, log2_of(n), out_re, out_im, 1);

    float* spectrum = p->spectrum;
    for (uint32_t k = 0; k < n; k++) {
        float power = out_re[k] * out_re[k] + out_im[k] * out_im[k];
        spectrum[k] = power * 0.7f + spectrum[k] * 0.3f;
    }
}
