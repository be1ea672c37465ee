// The Ogg Vorbis row of the decoder table, through libvorbisfile: every link of a
// chained file in turn, at the first link's rate and channel count.
#include <vorbis/vorbisfile.h>

#include <algorithm>

#include "decoders/decoder_table.h"
#include "decoders/metadata.h"
#include "decoders/track.h"
#include "foundation/memory.h"

namespace {

// Consecutive holes (lost pages) skipped in one read before giving up.
constexpr int MAX_HOLES = 64;

// The decoder's floats may overshoot full scale a little.
inline float clamp_unit(float x) { return std::min(std::max(x, -1.0f), 1.0f); }

struct VorbisTrack {
    OggVorbis_File file;
    uint32_t channels;
    int64_t total;     // frames in every link together
    int64_t position;  // frames handed out since the start or the last seek
};

void* open(const char* path, TrackStream* stream) {
    VorbisTrack* v = dru_alloc_array<VorbisTrack>(1);
    if (ov_fopen(path, &v->file) != 0) {
        dru_free(v);
        return nullptr;
    }
    const vorbis_info* info = ov_info(&v->file, 0);
    const ogg_int64_t total = ov_pcm_total(&v->file, -1);
    if (!info || info->channels < 1 || info->rate < 1 || total < 0) {
        ov_clear(&v->file);
        dru_free(v);
        return nullptr;
    }
    v->channels = uint32_t(info->channels);
    v->total = int64_t(total);
    *stream = {uint32_t(info->rate), v->channels, int64_t(total)};
    return v;
}

uint32_t read(void* state, float* out, uint32_t max_frames) {
    VorbisTrack* v = static_cast<VorbisTrack*>(state);
    const uint32_t channels = v->channels;
    uint32_t got = 0;
    int holes = 0;
    bool resumed = false;
    while (got < max_frames) {
        float** pcm = nullptr;
        int link = 0;
        const long n = ov_read_float(&v->file, &pcm, int(max_frames - got), &link);
        if (n == OV_HOLE && ++holes < MAX_HOLES) continue;
        // libvorbisfile may report the end where a short link gives way to the next
        // one; a seek to where we stand picks the next link up.
        if (n == 0 && !resumed && v->position + got < v->total) {
            resumed = true;
            if (ov_pcm_seek(&v->file, ogg_int64_t(v->position + got)) == 0) continue;
        }
        if (n <= 0) break;
        // A later link may have other channels: extra ones are dropped, missing ones silent.
        const vorbis_info* info = ov_info(&v->file, link);
        const uint32_t have = info ? std::min(uint32_t(info->channels), channels) : 0;
        float* o = out + uint64_t(got) * channels;
        if (channels == 2 && have == 2) {
            const float *left = pcm[0], *right = pcm[1];
            for (long i = 0; i < n; ++i) {
                o[2 * i] = clamp_unit(left[i]);
                o[2 * i + 1] = clamp_unit(right[i]);
            }
            got += uint32_t(n);
            continue;
        }
        for (uint32_t c = 0; c < channels; ++c) {
            // One channel at a time: a plain strided loop the compiler vectorises.
            float* dst = o + c;
            if (c < have) {
                const float* src = pcm[c];
                for (long i = 0; i < n; ++i) dst[i * channels] = clamp_unit(src[i]);
            } else {
                for (long i = 0; i < n; ++i) dst[i * channels] = 0.0f;
            }
        }
        got += uint32_t(n);
    }
    v->position += got;
    return got;
}

bool seek(void* state, int64_t frame) {
    VorbisTrack* v = static_cast<VorbisTrack*>(state);
    if (ov_pcm_seek(&v->file, ogg_int64_t(frame)) != 0) return false;
    v->position = frame;
    return true;
}

void close(void* state) {
    VorbisTrack* v = static_cast<VorbisTrack*>(state);
    if (!v) return;
    ov_clear(&v->file);
    dru_free(v);
}

// The tags and pictures of the first link.
void read_comments(VorbisTrack* v, TrackMetadata* m, PictureData* picture) {
    const vorbis_comment* vc = ov_comment(&v->file, 0);
    if (vc)
        vorbis_comment_list_apply(m, picture, vc->user_comments, vc->comment_lengths, vc->comments);
}

TrackMetadata* metadata(const char*, void* state) {
    TrackMetadata* m = metadata_new();
    read_comments(static_cast<VorbisTrack*>(state), m, nullptr);
    return m;
}

bool picture(const char* path, void* state, PictureData* out) {
    if (state) {
        read_comments(static_cast<VorbisTrack*>(state), nullptr, out);
    } else {
        TrackStream stream;
        void* opened = open(path, &stream);
        if (!opened) return false;
        read_comments(static_cast<VorbisTrack*>(opened), nullptr, out);
        close(opened);
    }
    return out->data != nullptr;
}

}  // namespace

const TrackDecoder vorbis_track_decoder = {
    .kind = TRACK_VORBIS,
    .open = open,
    .read = read,
    .seek = seek,
    .close = close,
    .metadata = metadata,
    .picture = picture,
};
