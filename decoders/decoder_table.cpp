#include "decoders/decoder_table.h"

#include <strings.h>
#include <cstring>

#include "decoders/ogg_sniff.h"

namespace {

constexpr const char* LOAD_FAILED = "loading file failed";
constexpr const char* NOT_IMPLEMENTED = "format not implemented";

struct DecoderRow {
    const char* extension;
    const TrackDecoder* decoder;  // what the name says
    // When set, the file's first bytes choose the decoder instead (null: none fits).
    const TrackDecoder* (*sniff)(const char* path) = nullptr;
};

// An Ogg file may hold FLAC, Vorbis or Opus: its first page says which.
const TrackDecoder* ogg_choose(const char* path) {
    switch (ogg_sniff_file(path)) {
    case OGG_FLAC: return &flac_track_decoder;
    case OGG_VORBIS: return &vorbis_track_decoder;
    case OGG_OPUS: return &opus_track_decoder;
    default: return nullptr;
    }
}

// Tried in this order; the first extension that matches decides.
const DecoderRow rows[] = {
    {.extension = "mp3", .decoder = &mp3_track_decoder},
    {.extension = "flac", .decoder = &flac_track_decoder},
    {.extension = "wav", .decoder = &wav_track_decoder},
    {.extension = "ogg", .decoder = &vorbis_track_decoder, .sniff = ogg_choose},
    {.extension = "oga", .decoder = &vorbis_track_decoder, .sniff = ogg_choose},
    {.extension = "opus", .decoder = &opus_track_decoder},
};

bool has_ext(const char* path, const char* ext) {
    const size_t n = std::strlen(ext), len = std::strlen(path);
    return len >= n + 1 && path[len - n - 1] == '.' && strcasecmp(path + len - n, ext) == 0;
}

const DecoderRow* row_for(const char* path) {
    for (const DecoderRow& row : rows)
        if (has_ext(path, row.extension)) return &row;
    return nullptr;
}

}  // namespace

const TrackDecoder* track_decoder_for_name(const char* path) {
    const DecoderRow* row = row_for(path);
    return row ? row->decoder : nullptr;
}

const TrackDecoder* track_decoder_find(const char* path, const char** error) {
    const DecoderRow* row = row_for(path);
    if (!row) {
        *error = NOT_IMPLEMENTED;
        return nullptr;
    }
    const TrackDecoder* decoder = row->sniff ? row->sniff(path) : row->decoder;
    if (!decoder) *error = LOAD_FAILED;
    return decoder;
}
