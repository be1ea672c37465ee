// Sample conversions of the write half: float to signed 16-bit, and the linear
// sample-rate converter that carries its read position from chunk to chunk.
#include <cstring>

#include "foundation/memory.h"
#include "sontera/sontera.h"

uint64_t sontera_float_to_s16(const float* in, uint64_t count, int16_t* out) {
    for (uint64_t i = 0; i < count; i++) {
        float v = in[i] * 32767.0f;
        int16_t s;
        if (v < -32767.0f)
            s = -32767;
        else if (v > 32767.0f)
            s = 32767;
        else if (v == v)
            s = static_cast<int16_t>(v);  // truncates toward zero
        else
            s = 0;  // NaN from a damaged stream
        out[i] = s;
    }
    return count;
}

void sontera_resampler_clear(SonteraResampler* rs) {
    rs->phase = 0;
    rs->primed = 0;
}

void sontera_resampler_free(SonteraResampler* rs) {
    dru_free(rs->last);
    *rs = SonteraResampler{};
}

uint64_t sontera_resample_max_frames(uint64_t in_frames, uint32_t rate_in, uint32_t rate_out) {
    if (rate_in == 0) return 0;
    // The phase starts at most one input frame before the chunk, so at most
    // (in_frames + 1) input frames are spanned.
    return (in_frames + 1) * rate_out / rate_in + 2;
}

namespace {

int64_t floor_div(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && (a < 0)) q--;
    return q;
}

}  // namespace

uint64_t sontera_resample(SonteraResampler* rs, const float* in, uint32_t in_frames,
                          uint32_t channels, uint32_t rate_in, uint32_t rate_out, float* out) {
    if (in_frames == 0 || channels == 0 || rate_in == 0 || rate_out == 0) return 0;
    if (rs->rate_in != rate_in || rs->rate_out != rate_out || rs->last_channels != channels) {
        sontera_resampler_clear(rs);
        rs->rate_in = rate_in;
        rs->rate_out = rate_out;
    }
    if (rs->last_channels < channels || rs->last == nullptr) {
        dru_free(rs->last);
        rs->last = dru_alloc_array<float>(channels);
    }
    rs->last_channels = channels;

    const int64_t step = rate_in;
    const int64_t unit = rate_out;
    const int64_t last_index = static_cast<int64_t>(in_frames) - 1;
    int64_t phase = rs->phase;
    uint64_t produced = 0;
    float* dst = out;
    for (;;) {
        int64_t k = floor_div(phase, unit);
        if (k + 1 > last_index) break;
        // k is -1 only when a previous chunk left its last frame behind.
        const float* a = k < 0 ? rs->last : in + static_cast<uint64_t>(k) * channels;
        const float* b = in + static_cast<uint64_t>(k + 1) * channels;
        float f =
            static_cast<float>(static_cast<double>(phase - k * unit) / static_cast<double>(unit));
        float g = 1.0f - f;
        for (uint32_t j = 0; j < channels; j++) dst[j] = a[j] * g + b[j] * f;
        dst += channels;
        produced++;
        phase += step;
    }
    rs->phase = phase - static_cast<int64_t>(in_frames) * unit;
    memcpy(rs->last, in + static_cast<uint64_t>(last_index) * channels, channels * sizeof(float));
    rs->primed = 1;
    return produced;
}
