#include "decoders/flac_decoder.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "decoders/decoder_table.h"
#include "decoders/metadata.h"
#include "decoders/track.h"
#include "foundation/memory.h"

struct FlacDecoder {
    FLAC__StreamDecoder* stream;
    FlacStreamInfo info;
    bool have_info;
    // The last block libFLAC delivered, already converted to floats.
    float* pending;
    uint64_t pending_capacity;  // frames
    uint32_t pending_frames;
    uint32_t pending_pos;
    int64_t position;  // frames handed out since the start (or the last seek)
    bool at_end;
};

namespace {

FLAC__StreamDecoderWriteStatus on_write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                        const FLAC__int32* const buffer[], void* user) {
    FlacDecoder* d = static_cast<FlacDecoder*>(user);
    const uint32_t channels = d->info.channels;
    const uint32_t frames = frame->header.blocksize;
    const uint64_t need = uint64_t(d->pending_frames) + frames;
    if (need > d->pending_capacity) {
        d->pending =
            static_cast<float*>(dru_realloc_memory(d->pending, need * channels * sizeof(float)));
        d->pending_capacity = need;
    }
    uint32_t bits =
        frame->header.bits_per_sample ? frame->header.bits_per_sample : d->info.bits_per_sample;
    bits = std::clamp(bits, 1u, 32u);
    const float scale = float(1.0 / double(uint64_t(1) << (bits - 1)));
    const uint32_t have = std::min(frame->header.channels, channels);
    float* out = d->pending + uint64_t(d->pending_frames) * channels;
    for (uint32_t i = 0; i < frames; ++i) {
        for (uint32_t c = 0; c < channels; ++c)
            out[uint64_t(i) * channels + c] = c < have ? float(buffer[c][i]) * scale : 0.0f;
    }
    d->pending_frames += frames;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void on_metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* user) {
    FlacDecoder* d = static_cast<FlacDecoder*>(user);
    if (block->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    const FLAC__StreamMetadata_StreamInfo& s = block->data.stream_info;
    d->info = {s.sample_rate, s.channels, s.bits_per_sample, int64_t(s.total_samples)};
    d->have_info = true;
}

void on_error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {
    // Lost sync and bad frames are skipped by libFLAC itself; the read loop sees the end.
}

FLAC__StreamDecoderInitStatus init_file(FLAC__StreamDecoder* stream, const char* path,
                                        FLAC__StreamDecoderWriteCallback write,
                                        FLAC__StreamDecoderMetadataCallback metadata, void* user) {
    if (flac_file_is_ogg(path))
        return FLAC__stream_decoder_init_ogg_file(stream, path, write, metadata, on_error, user);
    return FLAC__stream_decoder_init_file(stream, path, write, metadata, on_error, user);
}

}  // namespace

bool flac_file_is_ogg(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char magic[4] = {};
    const bool ogg = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "OggS", 4) == 0;
    std::fclose(f);
    return ogg;
}

FlacDecoder* flac_decoder_open(const char* path) {
    FLAC__StreamDecoder* stream = FLAC__stream_decoder_new();
    if (!stream) return nullptr;
    FlacDecoder* d = dru_alloc_array<FlacDecoder>(1);
    d->stream = stream;
    if (init_file(stream, path, on_write, on_metadata, d) != FLAC__STREAM_DECODER_INIT_STATUS_OK ||
        !FLAC__stream_decoder_process_until_end_of_metadata(stream) || !d->have_info ||
        d->info.channels == 0 || d->info.rate == 0) {
        flac_decoder_close(d);
        return nullptr;
    }
    return d;
}

void flac_decoder_close(FlacDecoder* d) {
    if (!d) return;
    FLAC__stream_decoder_finish(d->stream);
    FLAC__stream_decoder_delete(d->stream);
    dru_free(d->pending);
    dru_free(d);
}

const FlacStreamInfo* flac_decoder_info(const FlacDecoder* d) { return &d->info; }

uint32_t flac_decoder_read(FlacDecoder* d, float* out, uint32_t max_frames) {
    const uint32_t channels = d->info.channels;
    uint32_t got = 0;
    while (got < max_frames) {
        if (d->pending_pos < d->pending_frames) {
            const uint32_t n = std::min(max_frames - got, d->pending_frames - d->pending_pos);
            std::memcpy(out + uint64_t(got) * channels,
                        d->pending + uint64_t(d->pending_pos) * channels,
                        uint64_t(n) * channels * sizeof(float));
            d->pending_pos += n;
            got += n;
            continue;
        }
        if (d->at_end) break;
        d->pending_frames = d->pending_pos = 0;
        const bool ok = FLAC__stream_decoder_process_single(d->stream);
        const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(d->stream);
        if (!ok || state == FLAC__STREAM_DECODER_END_OF_STREAM ||
            state >= FLAC__STREAM_DECODER_OGG_ERROR)
            d->at_end = true;
    }
    d->position += got;
    return got;
}

bool flac_decoder_seek(FlacDecoder* d, int64_t frame) {
    if (frame < 0) return false;
    d->pending_frames = d->pending_pos = 0;
    if (d->info.total_frames > 0 && frame == d->info.total_frames) {
        // libFLAC refuses a target at the very end; being there just means no more frames.
        d->at_end = true;
        d->position = frame;
        return true;
    }
    d->at_end = false;
    if (FLAC__stream_decoder_seek_absolute(d->stream, FLAC__uint64(frame))) {
        d->position = frame;
        return true;
    }
    if (FLAC__stream_decoder_get_state(d->stream) == FLAC__STREAM_DECODER_SEEK_ERROR)
        FLAC__stream_decoder_flush(d->stream);
    d->pending_frames = d->pending_pos = 0;
    if (!FLAC__stream_decoder_seek_absolute(d->stream, FLAC__uint64(d->position))) {
        FLAC__stream_decoder_flush(d->stream);
        d->at_end = true;  // lost: the reader stops rather than play from an unknown place
    }
    return false;
}

// ---- Metadata-only pass: Vorbis comments and front-cover pictures. ----

namespace {

struct EmbeddedScan {
    TrackMetadata* metadata;
    PictureData* picture;
};

FLAC__StreamDecoderWriteStatus ignore_write(const FLAC__StreamDecoder*, const FLAC__Frame*,
                                            const FLAC__int32* const[], void*) {
    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
}

void on_embedded(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* user) {
    EmbeddedScan* scan = static_cast<EmbeddedScan*>(user);
    if (block->type == FLAC__METADATA_TYPE_VORBIS_COMMENT && scan->metadata) {
        const FLAC__StreamMetadata_VorbisComment& vc = block->data.vorbis_comment;
        for (uint32_t i = 0; i < vc.num_comments; ++i)
            if (vc.comments[i].entry)
                vorbis_comment_apply(scan->metadata, vc.comments[i].entry, vc.comments[i].length);
    } else if (block->type == FLAC__METADATA_TYPE_PICTURE && scan->picture) {
        const FLAC__StreamMetadata_Picture& pic = block->data.picture;
        if (pic.type != FLAC__STREAM_METADATA_PICTURE_TYPE_FRONT_COVER || !pic.data) return;
        // A later front cover replaces an earlier one.
        picture_data_free(scan->picture);
        scan->picture->data = static_cast<uint8_t*>(dru_alloc_memory(pic.data_length, 1));
        std::memcpy(scan->picture->data, pic.data, pic.data_length);
        scan->picture->size = pic.data_length;
    }
}

}  // namespace

bool flac_read_embedded(const char* path, TrackMetadata* metadata, PictureData* picture) {
    FLAC__StreamDecoder* stream = FLAC__stream_decoder_new();
    if (!stream) return false;
    EmbeddedScan scan{metadata, picture};
    FLAC__stream_decoder_set_metadata_respond(stream, FLAC__METADATA_TYPE_VORBIS_COMMENT);
    FLAC__stream_decoder_set_metadata_respond(stream, FLAC__METADATA_TYPE_PICTURE);
    bool ok = init_file(stream, path, ignore_write, on_embedded, &scan) ==
              FLAC__STREAM_DECODER_INIT_STATUS_OK;
    if (ok) ok = FLAC__stream_decoder_process_until_end_of_metadata(stream);
    FLAC__stream_decoder_finish(stream);
    FLAC__stream_decoder_delete(stream);
    return ok;
}

// ---- The FLAC row of the decoder table. ----

namespace {

void* flac_open(const char* path, TrackStream* stream) {
    FlacDecoder* d = flac_decoder_open(path);
    if (!d) return nullptr;
    *stream = {d->info.rate, d->info.channels, d->info.total_frames};
    return d;
}

uint32_t flac_read(void* state, float* out, uint32_t max_frames) {
    return flac_decoder_read(static_cast<FlacDecoder*>(state), out, max_frames);
}

bool flac_seek(void* state, int64_t frame) {
    return flac_decoder_seek(static_cast<FlacDecoder*>(state), frame);
}

void flac_close(void* state) { flac_decoder_close(static_cast<FlacDecoder*>(state)); }

TrackMetadata* flac_metadata(const char* path, void*) {
    TrackMetadata* m = metadata_new();
    flac_read_embedded(path, m, nullptr);
    return m;
}

bool flac_picture(const char* path, void*, PictureData* picture) {
    flac_read_embedded(path, nullptr, picture);
    return picture->data != nullptr;
}

}  // namespace

const TrackDecoder flac_track_decoder = {
    .kind = TRACK_FLAC,
    .open = flac_open,
    .read = flac_read,
    .seek = flac_seek,
    .close = flac_close,
    .metadata = flac_metadata,
    .picture = flac_picture,
};
