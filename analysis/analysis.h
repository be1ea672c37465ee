// Spectrum analysis: a tap on every decoded chunk that keeps the last
// ANALYSIS_SIZE samples of channel 0 and a smoothed power spectrum of them.
//
//   analysis_init(a)   allocates the record's arrays (zeroed), computes the window and
//                      the transform's twiddles for fft_size, sets fft_size and
//                      fft_bin_scale.
//   analysis_free(a)   frees them again (null-safe, idempotent).
//   analysis_tap(a, samples, count, channels)
//       `count` interleaved floats of `channels` channels: channel 0 slides into sample_history, the history is
//       Nuttall-windowed and transformed, and each bin's power is folded into
//       spectrum as 0.7 * new + 0.3 * old. No allocation, no trigonometric call.
//
// The window value of sample k is the float
//   0.355768 - 0.487396 cos(2 pi k / n) + 0.144232 cos(4 pi k / n) - 0.012604 cos(6 pi k / n)
// with the cosines read from the FFT's table (analysis/fft.h) and every operation in
// single precision from left to right; the windowed sample is window x sample.
//
// Bin k of spectrum is the frequency k * rate / ANALYSIS_SIZE; bins above
// ANALYSIS_SIZE / 2 mirror those below. The power is not normalised.
#pragma once
#include <cstdint>

constexpr int32_t ANALYSIS_SIZE = 4096;

// What the displays read (sample_history, spectrum, fft_bin_scale) beside the
// transform's own work arrays. All start zeroed.
struct Analysis {
    float* window;          // fft_size window values
    float* twiddles;        // fft_fill_twiddles for log2(fft_size)
    float* sample_history;  // last fft_size samples of channel 0, oldest first
    float* fft_in_re;       // the windowed history
    float* fft_in_im;       // stays zero: the transform only reads its input
    float* fft_out_re;
    float* fft_out_im;
    float* spectrum;  // smoothed power per bin
    int32_t fft_size;
    int32_t fft_bin_scale;
};

void analysis_init(Analysis* analysis);
void analysis_free(Analysis* analysis);
void analysis_tap(Analysis* analysis, const float* samples, uint32_t count, uint32_t channels);
