// Volume table, float to 16-bit conversion and the sample-rate converter.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "sontera/sontera.h"

namespace {

TEST(VolumeGain, TableMatchesPublishedSteps) {
    const float expected[SONTERA_VOLUME_STEPS] = {
        0.0f,        0.01240156f, 0.015625f,   0.01968624f, 0.02480312f, 0.03125f,   0.03937248f,
        0.04960625f, 0.0625f,     0.07874496f, 0.0992125f,  0.125f,      0.1574899f, 0.198425f,
        0.25f,       0.3149799f,  0.39685f,    0.5f,        0.6299597f,  0.7937f,    1.0f};
    for (uint32_t k = 0; k < SONTERA_VOLUME_STEPS; k++)
        EXPECT_NEAR(volume_gain_table[k], expected[k], expected[k] * 2e-6f) << "step " << k;
    // Every third step halves the gain exactly.
    for (uint32_t k = 4; k < SONTERA_VOLUME_STEPS; k++)
        EXPECT_EQ(volume_gain_table[k - 3], volume_gain_table[k] * 0.5f) << "step " << k;
}

TEST(FloatToS16, ClampsAndTruncatesTowardZero) {
    const struct {
        float in;
        int16_t out;
    } cases[] = {
        {1.5f, 32767},
        {-1.5f, -32767},
        {0.99999f, 32766},
        {-0.99999f, -32766},
        {1.0f, 32767},
        {-1.0f, -32767},
        {0.5f, 16383},
        {-0.5f, -16383},
        {0.0f, 0},
        {1e-6f, 0},
        {-1e-6f, 0},
        {std::numeric_limits<float>::infinity(), 32767},
        {-std::numeric_limits<float>::infinity(), -32767},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) {
        int16_t out = 12345;
        EXPECT_EQ(sontera_float_to_s16(&c.in, 1, &out), 1u);
        EXPECT_EQ(out, c.out) << "input " << c.in;
    }
}

struct ResampleCase {
    const char* name;
    uint32_t rate_in, rate_out, channels;
    std::vector<uint32_t> chunks;  // input chunk lengths in frames, repeated in turn
    uint32_t total_frames;
};

// A sine per channel (a different frequency each) sampled at rate_in.
std::vector<float> sine_frames(uint32_t frames, uint32_t channels, uint32_t rate) {
    std::vector<float> v(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; i++)
        for (uint32_t c = 0; c < channels; c++)
            v[i * channels + c] =
                static_cast<float>(0.8 * std::sin(2 * M_PI * (440.0 + 330.0 * c) * i / rate));
    return v;
}

std::vector<float> run_chunked(SonteraResampler& rs, const std::vector<float>& in,
                               const ResampleCase& c, std::vector<uint64_t>* per_chunk = nullptr) {
    std::vector<float> out;
    uint32_t pos = 0;
    for (size_t k = 0; pos < c.total_frames; k++) {
        uint32_t n = std::min(c.chunks[k % c.chunks.size()], c.total_frames - pos);
        uint64_t room = sontera_resample_max_frames(n, c.rate_in, c.rate_out);
        std::vector<float> buf(room * c.channels + 1, -7.0f);
        uint64_t got = sontera_resample(&rs, &in[static_cast<size_t>(pos) * c.channels], n,
                                        c.channels, c.rate_in, c.rate_out, buf.data());
        EXPECT_LE(got, room);
        EXPECT_EQ(buf[room * c.channels], -7.0f) << "wrote past the announced room";
        if (per_chunk) per_chunk->push_back(got);
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<ptrdiff_t>(got * c.channels));
        pos += n;
    }
    return out;
}

class Resample : public testing::TestWithParam<ResampleCase> {};

// Chunked output equals the ideal interpolation of the whole signal: same
// length, and every output sample close to the true sine at its own time, so
// no chunk boundary can hide a jump.
TEST_P(Resample, ContinuousAcrossChunkBoundaries) {
    const ResampleCase& c = GetParam();
    auto in = sine_frames(c.total_frames, c.channels, c.rate_in);
    SonteraResampler rs{};
    auto out = run_chunked(rs, in, c);
    uint64_t frames = out.size() / c.channels;
    uint64_t expected =
        (static_cast<uint64_t>(c.total_frames - 1) * c.rate_out + c.rate_in - 1) / c.rate_in;
    EXPECT_EQ(frames, expected);

    // Linear interpolation of A sin(wt) errs by at most A (w / rate)^2 / 8
    // between two input samples; a jump at a chunk boundary would exceed it.
    const double w = 2 * M_PI * (440.0 + 330.0 * (c.channels - 1)) / c.rate_in;
    const double bound = 0.8 * w * w / 8 * 1.05 + 1e-5;
    const double ratio = static_cast<double>(c.rate_in) / c.rate_out;
    double worst = 0;
    for (uint64_t i = 0; i < frames; i++)
        for (uint32_t ch = 0; ch < c.channels; ch++) {
            double t = i * ratio;
            double ideal = 0.8 * std::sin(2 * M_PI * (440.0 + 330.0 * ch) * t / c.rate_in);
            worst = std::max(worst, std::fabs(out[i * c.channels + ch] - ideal));
        }
    EXPECT_LT(worst, bound);
    sontera_resampler_free(&rs);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, Resample,
    testing::Values(ResampleCase{"Up44100To48000Stereo", 44100, 48000, 2, {1024}, 1024 * 20},
                    ResampleCase{"Down96000To44100Stereo", 96000, 44100, 2, {1024}, 1024 * 20},
                    ResampleCase{"Up22050To48000Mono", 22050, 48000, 1, {1024}, 1024 * 10},
                    ResampleCase{"OddChunkSizes", 44100, 48000, 2, {1, 7, 333, 2, 1024}, 9000},
                    ResampleCase{"SingleFrameChunksDown", 48000, 44100, 3, {1}, 3000},
                    ResampleCase{"SixChannels", 32000, 44100, 6, {1024}, 8192}),
    [](const testing::TestParamInfo<ResampleCase>& info) { return info.param.name; });

TEST(ResampleLength, ChunksOf1024From44100To48000) {
    SonteraResampler rs{};
    ResampleCase c{"", 44100, 48000, 2, {1024}, 1024 * 100};
    auto in = sine_frames(c.total_frames, 2, 44100);
    std::vector<uint64_t> per_chunk;
    run_chunked(rs, in, c, &per_chunk);
    ASSERT_EQ(per_chunk.size(), 100u);
    EXPECT_EQ(per_chunk[0], 1114u);
    for (uint64_t n : per_chunk) {
        EXPECT_GE(n, 1114u);
        EXPECT_LE(n, 1115u);
    }
    sontera_resampler_free(&rs);
}

TEST(ResampleLength, HugeRatesAndChannelsDoNotOverflow) {
    // 4096 frames of 65535 channels at 384 kHz from 1 Hz: sizes beyond 32 bits.
    EXPECT_EQ(sontera_resample_max_frames(4096, 1, 384000), 4097ull * 384000 + 2);
    EXPECT_GT(sontera_resample_max_frames(4096, 1, 384000) * 4 * 65535, 1ull << 32);
    EXPECT_EQ(sontera_resample_max_frames(1024, 0, 48000), 0u);
}

// After a clear the converter starts over as if new, so audio from before a
// seek is never joined to audio after it.
TEST(ResampleReset, ClearedConverterMatchesAFreshOne) {
    auto a = sine_frames(1024, 2, 44100);
    std::vector<float> b(1024 * 2, 0.25f);
    SonteraResampler used{}, fresh{};
    std::vector<float> out1(2000 * 2), out2(2000 * 2);
    sontera_resample(&used, a.data(), 1024, 2, 44100, 48000, out1.data());
    sontera_resample(&used, a.data(), 1000, 2, 44100, 48000, out1.data());
    sontera_resampler_clear(&used);
    uint64_t n1 = sontera_resample(&used, b.data(), 1024, 2, 44100, 48000, out1.data());
    uint64_t n2 = sontera_resample(&fresh, b.data(), 1024, 2, 44100, 48000, out2.data());
    ASSERT_EQ(n1, n2);
    for (uint64_t i = 0; i < n1 * 2; i++) ASSERT_NEAR(out1[i], 0.25f, 1e-7f) << i;
    sontera_resampler_free(&used);
    sontera_resampler_free(&fresh);
}

}  // namespace
