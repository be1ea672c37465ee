// Sample format codes and frame sizes, shared by the decoders and the sound output.
//
//   sample_format_bits(format)          8 for code 0, 16 for 1, 24 for 2, 32 above.
//   bytes_per_frame(format, channels)   bits(format) * channels / 8 (32-bit unsigned).
#pragma once
#include <cstdint>

enum SampleFormat : uint32_t {
    SAMPLE_U8 = 0,   // unsigned 8-bit, 128 is silence
    SAMPLE_S16 = 1,  // signed 16-bit little-endian
    SAMPLE_S24 = 2,  // packed 24-bit little-endian
    SAMPLE_S32 = 3,  // signed 32-bit little-endian
    SAMPLE_F32 = 4,  // 32-bit float
};

[[nodiscard]] constexpr uint32_t sample_format_bits(uint32_t format) {
    return format == 0 ? 8u : format == 1 ? 16u : format == 2 ? 24u : 32u;
}
[[nodiscard]] constexpr uint32_t bytes_per_frame(uint32_t format, uint32_t channels) {
    return sample_format_bits(format) * channels / 8u;
}
