// The WAV row of the decoder table: the whole file in memory, walked by the WAV reader;
// tags from an ID3 chunk, else from LIST/INFO.
#include "decoders/decoder_table.h"
#include "decoders/metadata.h"
#include "decoders/metadata_text.h"
#include "decoders/track.h"
#include "decoders/wav_reader.h"
#include "foundation/files.h"
#include "foundation/memory.h"

namespace {

// The reader points into the file bytes, which stay with it.
struct WavTrack {
    WavReader reader;
    unsigned char* bytes;
};

void* open(const char* path, TrackStream* stream) {
    if (!file_exists(path)) return nullptr;
    uint64_t size = 0;
    unsigned char* bytes = read_whole_file(path, &size);
    WavTrack* w = dru_alloc_array<WavTrack>(1);
    w->bytes = bytes;
    if (!wav_reader_parse(&w->reader, {bytes, size_t(size)})) {
        dru_free(bytes);
        dru_free(w);
        return nullptr;
    }
    *stream = {w->reader.sample_rate, w->reader.channels, wav_reader_total_frames(&w->reader)};
    return w;
}

uint32_t read(void* state, float* out, uint32_t max_frames) {
    return wav_reader_read(&static_cast<WavTrack*>(state)->reader, out, max_frames);
}

bool seek(void* state, int64_t frame) {
    return wav_reader_seek(&static_cast<WavTrack*>(state)->reader, frame);
}

void close(void* state) {
    WavTrack* w = static_cast<WavTrack*>(state);
    if (!w) return;
    dru_free(w->bytes);
    dru_free(w);
}

TrackMetadata* metadata(const char*, void* state) {
    const WavReader& r = static_cast<WavTrack*>(state)->reader;
    if (r.id3) return id3v2_read_tags({r.id3, r.id3_size});
    TrackMetadata* m = metadata_new();
    auto take = [](char** field, const char* text) {
        if (text[0]) *field = text_copy(text);
    };
    take(&m->title, r.name);
    take(&m->album, r.product);
    take(&m->artist, r.artist);
    take(&m->track, r.part);
    return m;
}

// Only an open track's ID3 chunk is looked at.
bool picture(const char*, void* state, PictureData* out) {
    if (!state) return false;
    const WavReader& r = static_cast<WavTrack*>(state)->reader;
    return r.id3 && id3v2_find_picture({r.id3, r.id3_size}, out);
}

}  // namespace

const TrackDecoder wav_track_decoder = {
    .kind = TRACK_WAV,
    .open = open,
    .read = read,
    .seek = seek,
    .close = close,
    .metadata = metadata,
    .picture = picture,
};
