// Separable cubic image resampling.
//
//   cubic_kernel(x, b, c)     Mitchell-Netravali filter value at |x| (0 beyond 2).
//   resample_table(src, dst)  per-destination-pixel taps: 16.16 weights and source
//                             indices clamped into 0..src-1. Enlarging (dst >= src) uses
//                             4 Catmull-Rom taps (B 0, C 0.5); reducing uses
//                             (int)(2 src/dst + 0.5) taps of B 0, C 0, measured in
//                             destination pixels. Source lengths above 65535 are read as
//                             65535. Free with resample_table_free.
//   image_resize(src, w, h)   new image of w x h (sizes below 1 become 1): a plain copy
//                             at the same size, else a vertical then a horizontal pass,
//                             each value (sum w x byte + 0x8000) >> 16 clamped to 0..255.
//                             All four channels filter alike. The source is unchanged.
#pragma once
#include <cstdint>

#include "imaging/image.h"

struct ResampleTable {
    int32_t* weights;   // taps x destination length
    uint16_t* indices;  // taps x destination length
    int32_t taps;
};

constexpr int32_t RESAMPLE_MAX_SOURCE = 65535;

[[nodiscard]] double cubic_kernel(double x, double b, double c);
[[nodiscard]] ResampleTable resample_table(int32_t source_length, int32_t dest_length);
void resample_table_free(ResampleTable* table);
[[nodiscard]] Image* image_resize(const Image* src, int32_t width, int32_t height);
