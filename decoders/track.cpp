#include "decoders/track.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decoders/decoder_table.h"
#include "decoders/metadata.h"
#include "foundation/log.h"
#include "foundation/memory.h"

TrackKind track_kind_from_path(const char* path) {
    const TrackDecoder* decoder = track_decoder_for_name(path);
    return decoder ? TrackKind(decoder->kind) : TRACK_UNKNOWN;
}

Track* track_try_open(const char* path, const char** error) {
    const TrackDecoder* codec = track_decoder_find(path, error);
    if (!codec) return nullptr;
    TrackStream stream{};
    void* state = codec->open(path, &stream);
    if (!state) {
        *error = "loading file failed";
        return nullptr;
    }
    Track* t = dru_alloc_array<Track>(1);
    t->kind = codec->kind;
    t->codec = codec;
    t->decoder = state;
    t->total_frames = stream.total_frames;
    t->format = dru_alloc_array<AudioFormat>(1);
    *t->format = {stream.rate, SAMPLE_F32, stream.channels};
    t->metadata = codec->metadata(path, state);
    t->decode_buffer = dru_alloc_array<float>(size_t(stream.channels) * TRACK_CHUNK_FRAMES);
    return t;
}

Track* track_open(const char* path) {
    const char* error = nullptr;
    Track* t = track_try_open(path, &error);
    if (!t) {
        fail_text("%s", error);
    }
    return t;
}

void track_close(Track* t) {
    if (!t) return;
    if (t->codec) t->codec->close(t->decoder);
    dru_free(t->decode_buffer);
    metadata_free(t->metadata);
    dru_free(t->format);
    dru_free(t);
}

uint32_t track_read_frames(Track* t, uint32_t max_frames) {
    if (!t->codec || !t->decoder) return 0;
    if (max_frames > TRACK_CHUNK_FRAMES) max_frames = TRACK_CHUNK_FRAMES;
    return t->codec->read(t->decoder, t->decode_buffer, max_frames);
}

uint32_t track_play_chunk(Track* t) {
    const uint32_t frames = track_read_frames(t, TRACK_CHUNK_FRAMES);
    if (frames && t->output)
        t->output(t->output_user_data, t->decode_buffer, frames * t->format->channels * 4u);
    t->played_frames += frames;
    return frames;
}

int64_t track_seek_frame(Track* t, int64_t frame) {
    if (frame < 0) frame = 0;
    if (frame > t->total_frames) return -1;
    if (!t->codec || !t->decoder || !t->codec->seek(t->decoder, frame)) return -1;
    t->played_frames = frame;
    return int64_t(double(frame) * 1000.0 / t->format->rate);
}

int64_t track_seek_ms(Track* t, int64_t ms) {
    return track_seek_frame(t, int64_t(double(t->format->rate) * double(ms) / 1000.0));
}

int64_t track_seek_relative_ms(Track* t, int64_t delta_ms) {
    return track_seek_frame(
        t, int64_t(double(t->format->rate) * double(delta_ms) / 1000.0 + double(t->played_frames)));
}

const char* track_get_tag(const Track* t, const char* name) {
    const TrackMetadata* m = t->metadata;
    if (!m) return nullptr;
    if (std::strcmp(name, "title") == 0) return m->title;
    if (std::strcmp(name, "album") == 0) return m->album;
    if (std::strcmp(name, "artist") == 0) return m->artist;
    if (std::strcmp(name, "album_artist") == 0) return m->album_artist;
    if (std::strcmp(name, "track") == 0) return m->track;
    return nullptr;
}
