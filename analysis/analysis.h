// Spectrum analysis: a tap on every decoded chunk that keeps the last
// ANALYSIS_SIZE samples of channel 0 and a smoothed power spectrum of them.
//
//   analysis_init(player)   allocates the Player's analysis arrays (zeroed), fills the
//                           cosine table, sets fft_size and fft_bin_scale. Start-up
//                           calls it once, whether or not the analysis is enabled.
//   analysis_free(player)   frees them again (null-safe, idempotent).
//   analysis_tap(player, samples, count, channels)
//       `count` interleaved floats of `channels` channels, at the track's rate and
//       before the volume: channel 0 slides into sample_history, the history is
//       Nuttall-windowed and transformed, and each bin's power is folded into
//       spectrum as 0.7 * new + 0.3 * old. No allocation, no trigonometric call.
//
// Bin k of spectrum is the frequency k * rate / ANALYSIS_SIZE; bins above
// ANALYSIS_SIZE / 2 mirror those below. The power is not normalised.
#pragma once
#include <cstdint>

struct Player;

constexpr int32_t ANALYSIS_SIZE = 4096;

void analysis_init(Player* player);
void analysis_free(Player* player);
void analysis_tap(Player* player, const float* samples, uint32_t count, uint32_t channels);
