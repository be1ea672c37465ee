// Cosine table, twiddle factors and the radix-2 FFT of the spectrum analysis.
//
//   fft_fill_cos_table(table)  table[i] = cos(2 pi i / FFT_COS_TABLE_SIZE), computed
//                              in double and stored as float. Done once;
//                              nothing afterwards evaluates a trigonometric function.
//   fft_fill_twiddles(table, log2n, twiddles)
//       copies the cosines the butterflies read out of the table, level by level,
//       into 2 * (2^log2n - 1) floats: level L (half = 2^(L-1) butterflies a block)
//       starts at 2 * (half - 1) with its half cosines table[i * (SIZE >> L)], then
//       its half "sines" table[i * (SIZE >> L) + SIZE / 4]. A level's values do not
//       depend on the transform's length, so twiddles filled for log2n serve every
//       shorter transform. 1 <= log2n <= 14.
//   fft_radix2(twiddles, in_re, in_im, log2n, out_re, out_im, stride)
//       Forward transform X[k] = sum x[n] e^(-2 pi i k n / 2^log2n) of the 2^log2n
//       complex values in[0], in[stride], in[2*stride], ... into out[0 .. 2^log2n - 1]
//       in natural order, twiddles filled for at least log2n. 1 <= log2n <= 14.
//       Decimation in time: every float is the one the recursive even/odd split
//       gives, each butterfly the same single-precision operations in the same order.
//       Nothing is allocated; the input is only read. Input and output must not
//       overlap.
#pragma once
#include <cstdint>

constexpr uint32_t FFT_COS_TABLE_SIZE = 16384;
constexpr uint32_t FFT_COS_TABLE_MASK = FFT_COS_TABLE_SIZE - 1;

void fft_fill_cos_table(float* table);
void fft_fill_twiddles(const float* table, int log2n, float* twiddles);
void fft_radix2(const float* twiddles, const float* in_re, const float* in_im, int log2n,
                float* out_re, float* out_im, uint32_t stride);
