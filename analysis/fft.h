// Cosine table and recursive radix-2 FFT shared by the spectrum analysis.
//
//   fft_fill_cos_table(table)  table[i] = cos(2 pi i / FFT_COS_TABLE_SIZE), computed
//                              in double and stored as float. Done once;
//                              nothing afterwards evaluates a trigonometric function.
//   fft_radix2(table, in_re, in_im, log2n, out_re, out_im, stride)
//       Forward transform X[k] = sum x[n] e^(-2 pi i k n / 2^log2n) of the 2^log2n
//       complex values in[0], in[stride], in[2*stride], ... into out[0 .. 2^log2n - 1]
//       in natural order. 1 <= log2n <= 14. Twiddles come from the table; nothing is
//       allocated. Input and output must not overlap.
#pragma once
#include <cstdint>

constexpr uint32_t FFT_COS_TABLE_SIZE = 16384;
constexpr uint32_t FFT_COS_TABLE_MASK = FFT_COS_TABLE_SIZE - 1;

void fft_fill_cos_table(float* table);
void fft_radix2(const float* table, const float* in_re, const float* in_im, int log2n,
                float* out_re, float* out_im, uint32_t stride);
