// Spectrum analysis: a tap on every decoded chunk that keeps the last
// ANALYSIS_SIZE samples of channel 0 and a smoothed power spectrum of them.
//
//   analysis_init(a)   allocates the record's arrays (zeroed), fills the cosine table,
//                      sets fft_size and fft_bin_scale.
//   analysis_free(a)   frees them again (null-safe, idempotent).
//   analysis_tap(a, samples, count, channels)
//       `count` interleaved floats of `channels` channels: channel 0 slides into sample_history, the history is
//       Nuttall-windowed and transformed, and each bin's power is folded into
//       spectrum as 0.7 * new + 0.3 * old. No allocation, no trigonometric call.
//
// Bin k of spectrum is the frequency k * rate / ANALYSIS_SIZE; bins above
// ANALYSIS_SIZE / 2 mirror those below. The power is not normalised.
#pragma once
#include <cstdint>

constexpr int32_t ANALYSIS_SIZE = 4096;

// What the displays read (sample_history, spectrum, fft_bin_scale) beside the
// transform's own work arrays. All start zeroed.
struct Analysis {
    float* cos_table;       // FFT_COS_TABLE_SIZE entries
    float* sample_history;  // last fft_size samples of channel 0, oldest first
    float* scratch;         // channel 0 of the current chunk
    float* fft_in_re;
    float* fft_in_im;
    float* fft_out_re;
    float* fft_out_im;
    float* spectrum;  // smoothed power per bin
    int32_t fft_size;
    int32_t fft_bin_scale;
};

void analysis_init(Analysis* analysis);
void analysis_free(Analysis* analysis);
void analysis_tap(Analysis* analysis, const float* samples, uint32_t count, uint32_t channels);
