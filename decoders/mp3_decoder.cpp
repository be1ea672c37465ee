#include "decoders/mp3_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>

#include "foundation/memory.h"

namespace {

constexpr uint32_t SCRATCH_SAMPLES = 8192;

bool library_ready() {
    // mpg123_init is a no-op on current libraries and required on old ones.
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

}  // namespace

struct Mp3Decoder {
    mpg123_handle* handle;
    Mp3StreamInfo info;
    int16_t scratch[SCRATCH_SAMPLES];
    bool at_end;
};

Mp3Decoder* mp3_decoder_open(const char* path) {
    if (!library_ready()) return nullptr;
    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) return nullptr;
    Mp3Decoder* d = dru_alloc_array<Mp3Decoder>(1);
    d->handle = h;
    long rate = 0;
    int channels = 0, encoding = 0;
    // The tags are read by our own parser; the library only skips them. Left to parse
    // them, it allocates whatever size a tag header claims (256 MB from 10 bytes).
    if (mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_SKIP_ID3V2, 0.0) !=
            MPG123_OK ||
        mpg123_open(h, path) != MPG123_OK ||
        mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        (channels != 1 && channels != 2)) {
        mp3_decoder_close(d);
        return nullptr;
    }
    // Only the file's own rate and channel count, as 16-bit: no resampling, no up- or
    // down-mixing by the library.
    mpg123_format_none(h);
    if (mpg123_format(h, rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK) {
        mp3_decoder_close(d);
        return nullptr;
    }
    d->info.rate = uint32_t(rate);
    d->info.channels = uint32_t(channels);
    if (mpg123_scan(h) == MPG123_OK) {
        const off_t length = mpg123_length(h);
        d->info.total_frames = length > 0 ? int64_t(length) : 0;
    }
    return d;
}

void mp3_decoder_close(Mp3Decoder* d) {
    if (!d) return;
    mpg123_close(d->handle);
    mpg123_delete(d->handle);
    dru_free(d);
}

const Mp3StreamInfo* mp3_decoder_info(const Mp3Decoder* d) { return &d->info; }

uint32_t mp3_decoder_read(Mp3Decoder* d, float* out, uint32_t max_frames) {
    const uint32_t channels = d->info.channels;
    const uint32_t piece = SCRATCH_SAMPLES / channels;
    uint32_t got = 0;
    while (got < max_frames && !d->at_end) {
        const size_t want = size_t(std::min(piece, max_frames - got)) * channels * sizeof(int16_t);
        size_t done = 0;
        const int ret = mpg123_read(d->handle, d->scratch, want, &done);
        if (ret == MPG123_NEW_FORMAT) {
            long rate = 0;
            int ch = 0, enc = 0;
            if (mpg123_getformat(d->handle, &rate, &ch, &enc) != MPG123_OK ||
                uint32_t(rate) != d->info.rate || uint32_t(ch) != channels ||
                enc != MPG123_ENC_SIGNED_16)
                d->at_end = true;
        } else if (ret != MPG123_OK) {
            d->at_end = true;  // MPG123_DONE or an error: nothing more to play
        }
        const uint32_t frames = uint32_t(done / (sizeof(int16_t) * channels));
        const int16_t* s = d->scratch;
        float* o = out + uint64_t(got) * channels;
        for (uint32_t i = 0; i < frames * channels; ++i) o[i] = float(s[i]) * (1.0f / 32768.0f);
        got += frames;
        if (frames == 0 && ret == MPG123_OK) break;  // no progress: treat as the end
    }
    return got;
}

bool mp3_decoder_seek(Mp3Decoder* d, int64_t frame) {
    if (frame < 0) return false;
    if (mpg123_seek(d->handle, off_t(frame), SEEK_SET) < 0) return false;
    d->at_end = false;
    return true;
}
