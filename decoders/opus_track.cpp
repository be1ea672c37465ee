// The Opus row of the decoder table, through libopusfile: 48 kHz float with the header
// output gain applied (the library's default), every link of a chained file in turn at
// the first link's channel count.
#include <opusfile.h>

#include <algorithm>

#include "decoders/decoder_table.h"
#include "decoders/metadata.h"
#include "decoders/track.h"
#include "foundation/memory.h"

namespace {

constexpr uint32_t OPUS_RATE = 48000;
constexpr int MAX_HOLES = 64;

struct OpusTrack {
    OggOpusFile* file;
    uint32_t channels;
    // Links with another channel count decode here first; null when every link matches.
    float* scratch;
    uint32_t narrowest, widest;  // channel counts over the links
    int64_t total;
    bool at_end;  // placed at total_frames, where libopusfile refuses to seek
};

void* open(const char* path, TrackStream* stream) {
    int error = 0;
    OggOpusFile* file = op_open_file(path, &error);
    if (!file) return nullptr;
    const ogg_int64_t total = op_pcm_total(file, -1);
    const int channels = op_channel_count(file, 0);
    if (total < 0 || channels < 1) {
        op_free(file);
        return nullptr;
    }
    OpusTrack* o = dru_alloc_array<OpusTrack>(1);
    o->file = file;
    o->channels = uint32_t(channels);
    o->total = int64_t(total);
    o->narrowest = o->widest = uint32_t(channels);
    for (int li = 1; li < op_link_count(file); ++li) {
        const uint32_t c = uint32_t(std::max(op_channel_count(file, li), 1));
        o->narrowest = std::min(o->narrowest, c);
        o->widest = std::max(o->widest, c);
    }
    if (o->narrowest != o->widest)
        o->scratch = dru_alloc_array<float>(size_t(o->widest) * TRACK_CHUNK_FRAMES);
    *stream = {OPUS_RATE, o->channels, int64_t(total)};
    return o;
}

uint32_t read(void* state, float* out, uint32_t max_frames) {
    OpusTrack* o = static_cast<OpusTrack*>(state);
    const uint32_t channels = o->channels;
    max_frames = std::min(max_frames, TRACK_CHUNK_FRAMES);
    uint32_t got = 0;
    int holes = 0;
    while (got < max_frames && !o->at_end) {
        float* dest = out + uint64_t(got) * channels;
        const uint32_t room = max_frames - got;
        int link = 0;
        // Through the scratch buffer, room for the narrowest link keeps any link's frames
        // within room, and room for one frame of the widest keeps every read possible.
        const int n = o->scratch
                          ? op_read_float(o->file, o->scratch,
                                          int(std::max(room * o->narrowest, o->widest)), &link)
                          : op_read_float(o->file, dest, int(room * channels), &link);
        if (n == OP_HOLE && ++holes < MAX_HOLES) continue;
        if (n <= 0) break;
        if (o->scratch) {
            // Extra channels are dropped, missing ones silent.
            const uint32_t link_channels = uint32_t(op_channel_count(o->file, link));
            const uint32_t have = std::min(link_channels, channels);
            for (int i = 0; i < n; ++i)
                for (uint32_t c = 0; c < channels; ++c)
                    dest[uint64_t(i) * channels + c] =
                        c < have ? o->scratch[uint64_t(i) * link_channels + c] : 0.0f;
        }
        for (uint64_t i = 0; i < uint64_t(n) * channels; ++i)
            dest[i] = std::min(std::max(dest[i], -1.0f), 1.0f);
        got += uint32_t(n);
    }
    return got;
}

bool seek(void* state, int64_t frame) {
    OpusTrack* o = static_cast<OpusTrack*>(state);
    if (frame == o->total) {
        o->at_end = true;
        return true;
    }
    if (op_pcm_seek(o->file, ogg_int64_t(frame)) != 0) return false;
    o->at_end = false;
    return true;
}

void close(void* state) {
    OpusTrack* o = static_cast<OpusTrack*>(state);
    if (!o) return;
    op_free(o->file);
    dru_free(o->scratch);
    dru_free(o);
}

// The tags and pictures of the first link.
void read_comments(OggOpusFile* file, TrackMetadata* m, PictureData* picture) {
    const OpusTags* tags = op_tags(file, 0);
    if (tags)
        vorbis_comment_list_apply(m, picture, tags->user_comments, tags->comment_lengths,
                                  tags->comments);
}

TrackMetadata* metadata(const char*, void* state) {
    TrackMetadata* m = metadata_new();
    read_comments(static_cast<OpusTrack*>(state)->file, m, nullptr);
    return m;
}

bool picture(const char* path, void* state, PictureData* out) {
    if (state) {
        read_comments(static_cast<OpusTrack*>(state)->file, nullptr, out);
    } else {
        int error = 0;
        OggOpusFile* file = op_open_file(path, &error);
        if (!file) return false;
        read_comments(file, nullptr, out);
        op_free(file);
    }
    return out->data != nullptr;
}

}  // namespace

const TrackDecoder opus_track_decoder = {
    .kind = TRACK_OPUS,
    .open = open,
    .read = read,
    .seek = seek,
    .close = close,
    .metadata = metadata,
    .picture = picture,
};
