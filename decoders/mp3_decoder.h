// MP3 files through libmpg123: the file's own rate and channel count as signed 16-bit,
// gapless, sample-accurate seeking, exact length from a full scan; silent on stderr.
//
//   mp3_decoder_open(path)          null when the file cannot be opened or holds no MPEG audio.
//   mp3_decoder_close(d)            null accepted.
//   mp3_decoder_read(d, out, n)     up to n interleaved frames converted to float (x 2^-15);
//                                   stops early only at the end; 0 when nothing is left.
//   mp3_decoder_seek(d, frame)      exact frame; false on failure.
#pragma once
#include <cstdint>

struct Mp3Decoder;

struct Mp3StreamInfo {
    uint32_t rate;
    uint32_t channels;
    int64_t total_frames;  // 0 when the scan failed
};

[[nodiscard]] Mp3Decoder* mp3_decoder_open(const char* path);
void mp3_decoder_close(Mp3Decoder* decoder);
[[nodiscard]] const Mp3StreamInfo* mp3_decoder_info(const Mp3Decoder* decoder);
uint32_t mp3_decoder_read(Mp3Decoder* decoder, float* out, uint32_t max_frames);
[[nodiscard]] bool mp3_decoder_seek(Mp3Decoder* decoder, int64_t frame);
