#include "decoders/decoder_table.h"

#include "decoders/ogg_sniff.h"
#include "formats/formats.h"

namespace {

constexpr const char* LOAD_FAILED = "loading file failed";
constexpr const char* NOT_IMPLEMENTED = "format not implemented";

struct DecoderRow {
    int32_t format;               // FileFormatId: the names and media types (formats.cpp)
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

// One row per audio format of the format table.
const DecoderRow rows[] = {
    {.format = FORMAT_ID_MP3, .decoder = &mp3_track_decoder},
    {.format = FORMAT_ID_FLAC, .decoder = &flac_track_decoder},
    {.format = FORMAT_ID_WAV, .decoder = &wav_track_decoder},
    {.format = FORMAT_ID_OGG, .decoder = &vorbis_track_decoder, .sniff = ogg_choose},
    {.format = FORMAT_ID_OPUS, .decoder = &opus_track_decoder},
};

const DecoderRow* row_for(const char* path) {
    const FileFormat* format = file_format_for_name(path);
    if (!format) return nullptr;
    for (const DecoderRow& row : rows)
        if (row.format == format->id) return &row;
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
