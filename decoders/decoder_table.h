// The decoder table: one TrackDecoder record per audio format of the format table
// (formats.h), chosen by the file name's extension. Adding a format is one row in
// formats.cpp (its extensions and media types), one file defining its record and one
// row in decoder_table.cpp.
//
//   track_decoder_find(path, &error)   the decoder that opens path: the row of the audio
//                                      format whose extension the path ends in; for rows
//                                      that sniff, the decoder the file's first bytes name.
//                                      Null with *error = "format not implemented" when no
//                                      row matches, "loading file failed" when a sniffing
//                                      row finds nothing it can play.
//   track_decoder_for_name(path)       the row's decoder from the name alone, without
//                                      reading the file; null when no row matches.
//
// A TrackDecoder's functions (state is what open returned):
//   open(path, &stream)       decoder state, or null when the file cannot be played (every
//                             partial allocation released); fills rate, channels, length.
//   read(state, out, n)       up to n interleaved frames as floats in -1..1; 0 at the end.
//   seek(state, frame)        exact; 0 <= frame <= total_frames. False on failure.
//   close(state)              null accepted.
//   metadata(path, state)     the track's tags; always a record, possibly empty.
//   picture(path, state, &p)  embedded picture bytes into *p (owned); false when none.
//                             state may be null: the decoder then looks in the file itself
//                             or reports none.
#pragma once
#include <cstdint>

struct TrackMetadata;
struct PictureData;

struct TrackStream {
    uint32_t rate;
    uint32_t channels;
    int64_t total_frames;  // 0 when unknown
};

struct TrackDecoder {
    int32_t kind;  // TrackKind
    void* (*open)(const char* path, TrackStream* stream);
    uint32_t (*read)(void* state, float* out, uint32_t max_frames);
    bool (*seek)(void* state, int64_t frame);
    void (*close)(void* state);
    TrackMetadata* (*metadata)(const char* path, void* state);
    bool (*picture)(const char* path, void* state, PictureData* picture);
};

// The records, each defined beside its decoder.
extern const TrackDecoder mp3_track_decoder;     // mp3_track.cpp
extern const TrackDecoder flac_track_decoder;    // flac_decoder.cpp
extern const TrackDecoder wav_track_decoder;     // wav_track.cpp
extern const TrackDecoder vorbis_track_decoder;  // vorbis_track.cpp
extern const TrackDecoder opus_track_decoder;    // opus_track.cpp

[[nodiscard]] const TrackDecoder* track_decoder_find(const char* path, const char** error);
[[nodiscard]] const TrackDecoder* track_decoder_for_name(const char* path);
