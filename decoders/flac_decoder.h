// FLAC streams (native and Ogg-encapsulated) through libFLAC, pulled as floats.
//
//   flac_decoder_open(path)            null when the file is no decodable FLAC stream.
//   flac_decoder_close(d)              null accepted.
//   flac_decoder_read(d, out, n)       up to n interleaved frames scaled by the stream's
//                                      bits per sample to -1..1; 0 at the end or on error.
//   flac_decoder_seek(d, frame)        exact; frame == total_frames positions at the end.
//                                      On failure the previous position is restored.
//   flac_file_is_ogg(path)             the file starts with an Ogg page.
#pragma once
#include <cstdint>

struct FlacDecoder;

struct FlacStreamInfo {
    uint32_t rate;
    uint32_t channels;
    uint32_t bits_per_sample;
    int64_t total_frames;  // 0 when the stream does not say
};

[[nodiscard]] FlacDecoder* flac_decoder_open(const char* path);
void flac_decoder_close(FlacDecoder* decoder);
[[nodiscard]] const FlacStreamInfo* flac_decoder_info(const FlacDecoder* decoder);
uint32_t flac_decoder_read(FlacDecoder* decoder, float* out, uint32_t max_frames);
[[nodiscard]] bool flac_decoder_seek(FlacDecoder* decoder, int64_t frame);
[[nodiscard]] bool flac_file_is_ogg(const char* path);
