// RIFF/WAVE reader: walks the chunks of a file held in memory and converts its
// PCM or float samples to floats in -1..1.
//
//   wav_reader_parse(reader, bytes)   walks the chunks ("chunk name '%s'" on stderr for
//                                     each); true when the file is a playable WAVE (at
//                                     most WAV_MAX_CHANNELS channels). The
//                                     reader points into bytes, which must outlive it.
//   wav_reader_read(reader, out, n)   converts up to n frames at the read offset into out
//                                     (channels * n floats) and advances; returns the
//                                     frame count, 0 at the end or on a trailing part-frame.
//   wav_reader_seek(reader, frame)    true when frame * bytes_per_frame lies inside the data.
//   wav_reader_total_frames(reader)   data size / bytes per frame.
//
// Every declared size is checked against the bytes present: a data chunk that claims
// more than the file holds is cut to what is there, a chunk header past the end stops
// the walk, and nothing is read outside bytes.
#pragma once
#include <cstdint>
#include <span>

constexpr uint32_t WAV_INFO_FIELD_SIZE = 1024;
// More channels than any real recording uses: a header claiming 65535 would otherwise
// size the decode buffer and the sound device at hundreds of megabytes.
constexpr uint32_t WAV_MAX_CHANNELS = 64;

struct WavReader {
    std::span<const uint8_t> file;  // the whole file
    uint32_t sample_format;         // SampleFormat 0..4
    bool format_known;              // a "fmt " chunk named a format we convert
    uint32_t sample_rate;
    uint32_t channels;
    const uint8_t* data;                // body of the "data" chunk inside file
    uint32_t data_size;                 // bytes of data present
    uint32_t read_offset;               // next frame to decode, bytes into data
    char name[WAV_INFO_FIELD_SIZE];     // INAM
    char product[WAV_INFO_FIELD_SIZE];  // IPRD
    char artist[WAV_INFO_FIELD_SIZE];   // IART
    char part[WAV_INFO_FIELD_SIZE];     // IPRT
    const uint8_t* id3;                 // body of an "id3 " / "ID3 " chunk; null when none
    uint32_t id3_size;                  // bytes of that body present
};

[[nodiscard]] bool wav_reader_parse(WavReader* reader, std::span<const uint8_t> bytes);
uint32_t wav_reader_read(WavReader* reader, float* out, uint32_t max_frames);
[[nodiscard]] bool wav_reader_seek(WavReader* reader, int64_t frame);
[[nodiscard]] int64_t wav_reader_total_frames(const WavReader* reader);
