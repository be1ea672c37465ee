// Tracks: one opened audio file, decoded to interleaved 32-bit float frames.
//
//   track_open(path)              opens with the decoder the table gives for the path
//                                 (decoder_table.h: by extension, any case);
//                                 never fails: prints "ERROR: loading file failed" or
//                                 "ERROR: format not implemented" and exits with status 1.
//   track_try_open(path, &error)  the same without the exit: null and *error set to
//                                 the message text on failure.
//   track_close(track)            frees everything; null is accepted.
//   track_read_frames(track, n)   decodes up to min(n, TRACK_CHUNK_FRAMES) frames into
//                                 track->decode_buffer; returns the frame count, 0 when
//                                 the track has ended (or the decoder failed). Does not
//                                 touch played_frames nor call the output hook.
//   track_play_chunk(track)       track_read_frames(TRACK_CHUNK_FRAMES), hands the frames
//                                 to the output hook (when set), adds them to
//                                 played_frames; returns the frame count (0 = ended).
//   track_seek_frame(track, f)    f < 0 becomes 0; f > total_frames fails. Returns the new
//                                 position in ms, or -1 leaving played_frames unchanged.
//   track_seek_ms(track, ms)      frame = (long)(rate * ms / 1000.0), then seek_frame.
//   track_seek_relative_ms(t, d)  frame = (long)(rate * d / 1000.0 + played_frames).
//   track_get_tag(track, name)    "title", "album", "artist", "album_artist", "track";
//                                 null for other names or absent tags.
//   track_kind_from_path(path)    the kind the extension names (TRACK_MP3, ...) without
//                                 reading the file; TRACK_UNKNOWN when no decoder has it.
//
//   bytes_per_frame(format)       frame size of an AudioFormat (see sample_format.h).
//
// Every track publishes SAMPLE_F32: decoded samples are in -1..1 whatever the file holds.
#pragma once
#include <cstdint>

#include "decoders/sample_format.h"

struct TrackMetadata;
struct TrackDecoder;

enum TrackKind : int32_t {
    TRACK_UNKNOWN = 0,
    TRACK_MP3 = 1,
    TRACK_FLAC = 2,
    TRACK_WAV = 3,
    TRACK_VORBIS = 4,
    TRACK_OPUS = 5,
};

constexpr uint32_t TRACK_CHUNK_FRAMES = 1024;

// {sample rate in Hz, SampleFormat code, channel count}.
struct AudioFormat {
    uint32_t rate;
    uint32_t format;
    uint32_t channels;
};

[[nodiscard]] constexpr uint32_t bytes_per_frame(const AudioFormat& f) {
    return bytes_per_frame(f.format, f.channels);
}

// Receives each decoded chunk: interleaved floats, byte_count = 4 * channels * frames.
// The receiver may modify the samples in place.
using TrackOutputFn = void (*)(void* user, float* samples, uint32_t byte_count);

struct Track {
    int32_t kind;               // TrackKind
    TrackOutputFn output;       // set by whoever plays the track
    void* output_user_data;     // first argument of output
    float* decode_buffer;       // channels * TRACK_CHUNK_FRAMES floats
    int64_t played_frames;      // frames handed to the output so far; set by seeks
    int64_t total_frames;       // 0 when unknown
    AudioFormat* format;        // owned; format->format is always SAMPLE_F32
    const TrackDecoder* codec;  // the table row that opened the track
    void* decoder;              // owned; that row's decoder state
    TrackMetadata* metadata;    // owned; never null after open
};

[[nodiscard]] TrackKind track_kind_from_path(const char* path);
[[nodiscard]] Track* track_open(const char* path);
[[nodiscard]] Track* track_try_open(const char* path, const char** error);
void track_close(Track* track);

uint32_t track_read_frames(Track* track, uint32_t max_frames);
uint32_t track_play_chunk(Track* track);

int64_t track_seek_frame(Track* track, int64_t frame);
int64_t track_seek_ms(Track* track, int64_t ms);
int64_t track_seek_relative_ms(Track* track, int64_t delta_ms);

[[nodiscard]] const char* track_get_tag(const Track* track, const char* name);
