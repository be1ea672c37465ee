#include "audio/track.h"

#include <strings.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/flac_decoder.h"
#include "audio/metadata.h"
#include "audio/metadata_text.h"
#include "audio/mp3_decoder.h"
#include "audio/wav_reader.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/memory.h"

namespace {

constexpr const char* LOAD_FAILED = "loading file failed";
constexpr const char* NOT_IMPLEMENTED = "format not implemented";

bool has_ext(const char* path, const char* ext) {
    const size_t n = std::strlen(ext), len = std::strlen(path);
    return len >= n + 1 && path[len - n - 1] == '.' && strcasecmp(path + len - n, ext) == 0;
}

// The WAV reader works on the whole file, which stays with the track.
struct WavTrack {
    WavReader reader;
    unsigned char* bytes;
};

WavTrack* open_wav(const char* path) {
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
    return w;
}

TrackMetadata* wav_metadata(const WavReader& r) {
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

TrackMetadata* mp3_metadata(const char* path) {
    if (!file_exists(path)) return metadata_new();
    uint64_t size = 0;
    unsigned char* bytes = read_whole_file(path, &size);
    TrackMetadata* m = size < 10 ? metadata_new() : id3v2_read_tags({bytes, size_t(size)});
    dru_free(bytes);
    return m;
}

void close_decoder(Track* t) {
    switch (t->kind) {
    case TRACK_MP3: mp3_decoder_close(static_cast<Mp3Decoder*>(t->decoder)); break;
    case TRACK_FLAC: flac_decoder_close(static_cast<FlacDecoder*>(t->decoder)); break;
    case TRACK_WAV:
        if (WavTrack* w = static_cast<WavTrack*>(t->decoder)) {
            dru_free(w->bytes);
            dru_free(w);
        }
        break;
    default: break;
    }
    t->decoder = nullptr;
}

}  // namespace

TrackKind track_kind_from_path(const char* path) {
    if (has_ext(path, "mp3")) return TRACK_MP3;
    if (has_ext(path, "flac")) return TRACK_FLAC;
    if (has_ext(path, "wav")) return TRACK_WAV;
    return TRACK_UNKNOWN;
}

Track* track_try_open(const char* path, const char** error) {
    const TrackKind kind = track_kind_from_path(path);
    if (kind == TRACK_UNKNOWN) {
        *error = NOT_IMPLEMENTED;
        return nullptr;
    }
    Track* t = dru_alloc_array<Track>(1);
    t->kind = kind;
    t->format = dru_alloc_array<AudioFormat>(1);
    uint32_t rate = 0, channels = 0;
    if (kind == TRACK_MP3) {
        Mp3Decoder* d = mp3_decoder_open(path);
        if (d) {
            const Mp3StreamInfo* info = mp3_decoder_info(d);
            rate = info->rate;
            channels = info->channels;
            t->total_frames = info->total_frames;
            t->metadata = mp3_metadata(path);
        }
        t->decoder = d;
    } else if (kind == TRACK_FLAC) {
        FlacDecoder* d = flac_decoder_open(path);
        if (d) {
            const FlacStreamInfo* info = flac_decoder_info(d);
            rate = info->rate;
            channels = info->channels;
            t->total_frames = info->total_frames;
            t->metadata = metadata_new();
            flac_read_embedded(path, t->metadata, nullptr);
        }
        t->decoder = d;
    } else {
        WavTrack* w = open_wav(path);
        if (w) {
            rate = w->reader.sample_rate;
            channels = w->reader.channels;
            t->total_frames = wav_reader_total_frames(&w->reader);
            t->metadata = wav_metadata(w->reader);
        }
        t->decoder = w;
    }
    if (!t->decoder) {
        dru_free(t->format);
        dru_free(t);
        *error = LOAD_FAILED;
        return nullptr;
    }
    *t->format = {rate, SAMPLE_F32, channels};
    t->decode_buffer = dru_alloc_array<float>(size_t(channels) * TRACK_CHUNK_FRAMES);
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
    close_decoder(t);
    dru_free(t->decode_buffer);
    metadata_free(t->metadata);
    dru_free(t->format);
    dru_free(t);
}

uint32_t track_read_frames(Track* t, uint32_t max_frames) {
    if (!t->decoder) return 0;
    if (max_frames > TRACK_CHUNK_FRAMES) max_frames = TRACK_CHUNK_FRAMES;
    switch (t->kind) {
    case TRACK_MP3:
        return mp3_decoder_read(static_cast<Mp3Decoder*>(t->decoder), t->decode_buffer, max_frames);
    case TRACK_FLAC:
        return flac_decoder_read(static_cast<FlacDecoder*>(t->decoder), t->decode_buffer,
                                 max_frames);
    case TRACK_WAV:
        return wav_reader_read(&static_cast<WavTrack*>(t->decoder)->reader, t->decode_buffer,
                               max_frames);
    default: return 0;
    }
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
    bool ok = false;
    switch (t->kind) {
    case TRACK_MP3: ok = mp3_decoder_seek(static_cast<Mp3Decoder*>(t->decoder), frame); break;
    case TRACK_FLAC: ok = flac_decoder_seek(static_cast<FlacDecoder*>(t->decoder), frame); break;
    case TRACK_WAV: ok = wav_reader_seek(&static_cast<WavTrack*>(t->decoder)->reader, frame); break;
    default: break;
    }
    if (!ok) return -1;
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

const WavReader* track_wav_reader(const Track* t) {
    if (t->kind != TRACK_WAV || !t->decoder) return nullptr;
    return &static_cast<const WavTrack*>(t->decoder)->reader;
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
