// The MP3 row of the decoder table: libmpg123 for the audio, our ID3v2 reader for the
// tags and the picture (the library only skips the tag), ID3v1 when ID3v2 lacks the
// title or the artist.
#include <cstring>

#include "decoders/decoder_table.h"
#include "decoders/metadata.h"
#include "decoders/mp3_decoder.h"
#include "decoders/track.h"
#include "foundation/files.h"
#include "foundation/memory.h"

namespace {

void* open(const char* path, TrackStream* stream) {
    Mp3Decoder* d = mp3_decoder_open(path);
    if (!d) return nullptr;
    const Mp3StreamInfo* info = mp3_decoder_info(d);
    *stream = {info->rate, info->channels, info->total_frames};
    return d;
}

uint32_t read(void* state, float* out, uint32_t max_frames) {
    return mp3_decoder_read(static_cast<Mp3Decoder*>(state), out, max_frames);
}

bool seek(void* state, int64_t frame) {
    return mp3_decoder_seek(static_cast<Mp3Decoder*>(state), frame);
}

void close(void* state) { mp3_decoder_close(static_cast<Mp3Decoder*>(state)); }

// The whole file, or null when it cannot be read.
unsigned char* file_bytes(const char* path, uint64_t* size) {
    if (!file_exists(path)) return nullptr;
    return read_whole_file(path, size);
}

TrackMetadata* metadata(const char* path, void*) {
    uint64_t size = 0;
    unsigned char* bytes = file_bytes(path, &size);
    if (!bytes) return metadata_new();
    TrackMetadata* m = size < 10 ? metadata_new() : id3v2_read_tags({bytes, size_t(size)});
    // Old files carry only the short tag at the end.
    if (!m->title || !m->artist) id3v1_fill(m, {bytes, size_t(size)});
    dru_free(bytes);
    return m;
}

bool picture(const char* path, void*, PictureData* out) {
    uint64_t size = 0;
    unsigned char* bytes = file_bytes(path, &size);
    if (!bytes) return false;
    const bool ok = size > 9 && id3v2_find_picture({bytes, size_t(size)}, out);
    dru_free(bytes);
    return ok;
}

}  // namespace

const TrackDecoder mp3_track_decoder = {
    .kind = TRACK_MP3,
    .open = open,
    .read = read,
    .seek = seek,
    .close = close,
    .metadata = metadata,
    .picture = picture,
};
