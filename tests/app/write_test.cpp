// The write half on the null sound output: what reaches the ring for a chunk.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "analysis/analysis.h"
#include "app/output_write.h"
#include "app/player.h"
#include "decoders/track.h"
#include "foundation/memory.h"
#include "sontera/sontera.h"
#include "tests/lib/null_sound.h"

namespace {

struct Rig {
    Player player{};
    AudioFormat format{};
    Track track{};
    AudioOutput* output = nullptr;

    Rig(uint32_t track_rate, uint32_t device_rate, uint32_t channels, uint32_t capacity = 4096) {
        format = {track_rate, SAMPLE_F32, channels};
        track.format = &format;
        player.track = &track;
        SonteraSink* sink = sontera_sink_open(device_rate, channels, capacity);
        output = dru_alloc_array<AudioOutput>(1);
        *output = {.format = SONTERA_S16, .rate = sink->rate, .channels = channels, .sink = sink};
        player.output = output;
        player.volume = 20;
        analysis_init(&player.analysis);
    }
    ~Rig() {
        sontera_close(output);
        analysis_free(&player.analysis);
    }
    void write(std::vector<float>& samples) {
        sontera_add_data_to_outbuf(&player, samples.data(),
                                   static_cast<uint32_t>(samples.size() * 4));
    }
    int16_t ring_sample(uint32_t i) const {
        int16_t v;
        memcpy(&v, output->sink->ring + i * 2, 2);
        return v;
    }
};

std::vector<float> ramp(uint32_t count) {
    std::vector<float> v(count);
    for (uint32_t i = 0; i < count; i++) v[i] = -1.0f + 2.0f * i / count;
    return v;
}

TEST(WriteHalf, VolumeStepsScaleSamplesInPlaceAndInTheRing) {
    for (int32_t step : {0, 1, 10, 19, 20}) {
        Rig rig(44100, 44100, 2);
        rig.player.volume = step;
        auto samples = ramp(2048);
        const auto original = samples;
        rig.write(samples);
        ASSERT_EQ(rig.output->sink->used, 1024u) << "step " << step;
        const float gain = volume_gain_table[step];
        for (uint32_t i = 0; i < samples.size(); i++) {
            float scaled = original[i] * gain;
            ASSERT_EQ(samples[i], scaled) << "step " << step << " sample " << i;
            int16_t expected = 0;
            sontera_float_to_s16(&scaled, 1, &expected);
            ASSERT_EQ(rig.ring_sample(i), expected) << "step " << step << " sample " << i;
        }
    }
}

TEST(WriteHalf, OutOfRangeVolumeIsClampedToTheTable) {
    Rig rig(44100, 44100, 1);
    rig.player.volume = 99;
    std::vector<float> s(16, 0.5f);
    rig.write(s);
    EXPECT_EQ(s[0], 0.5f);
    rig.player.volume = -3;
    rig.write(s);
    EXPECT_EQ(s[0], 0.0f);
}

TEST(WriteHalf, DifferentRatesAreConvertedWithoutGrowingBuffersEveryChunk) {
    Rig rig(44100, 48000, 2, 1 << 16);
    auto samples = ramp(2048);
    rig.write(samples);
    EXPECT_EQ(rig.output->sink->used, 1114u);
    float* resample_buf = rig.output->conversion.resample_buf;
    int16_t* convert_buf = rig.output->conversion.convert_buf;
    uint64_t total = 1114;
    for (int k = 0; k < 20; k++) {
        auto more = ramp(2048);
        rig.write(more);
        EXPECT_EQ(rig.output->conversion.resample_buf, resample_buf);
        EXPECT_EQ(rig.output->conversion.convert_buf, convert_buf);
    }
    total = rig.output->sink->used;
    // 21 chunks of 1024 frames span 21503 input intervals.
    EXPECT_EQ(total, (21ull * 1024 - 1) * 48000 / 44100 + 1);
}

TEST(WriteHalf, AnalysisTapOnlyWhenEnabledAndBeforeVolume) {
    for (int enabled : {0, 1}) {
        Rig rig(44100, 44100, 2);
        rig.player.analysis_enabled = enabled;
        rig.player.volume = 0;
        std::vector<float> s(2048);
        for (uint32_t i = 0; i < 1024; i++) {
            s[2 * i] = 0.5f;       // channel 0
            s[2 * i + 1] = -0.9f;  // channel 1 never enters the analysis
        }
        rig.write(s);
        const float* h = rig.player.analysis.sample_history;
        EXPECT_EQ(h[0], 0.0f);
        EXPECT_EQ(h[ANALYSIS_SIZE - 1024 - 1], 0.0f);
        EXPECT_EQ(h[ANALYSIS_SIZE - 1024], enabled ? 0.5f : 0.0f);
        EXPECT_EQ(h[ANALYSIS_SIZE - 1], enabled ? 0.5f : 0.0f);
        EXPECT_EQ(rig.player.analysis.spectrum[0] > 0.0f, enabled == 1);
    }
}

TEST(WriteHalf, FullRingDropsTheTailOfTheChunk) {
    Rig rig(44100, 44100, 2, 1024);
    auto first = ramp(2 * 1000);
    rig.write(first);
    auto second = ramp(2 * 100);
    testing::internal::CaptureStderr();
    rig.write(second);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rig.output->sink->used, 1024u);
    EXPECT_EQ(err, "sontera_add_data_to_outbuf(): not enough space in outbuf, dropping data!\n");
    // The first 24 frames of the second chunk were kept after the first chunk.
    int16_t expected = 0;
    sontera_float_to_s16(&second[0], 1, &expected);
    EXPECT_EQ(rig.ring_sample(2000), expected);
}

}  // namespace
