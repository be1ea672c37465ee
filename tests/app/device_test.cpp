// sontera and the audio pump against a real ALSA device. Run by device_test.sh,
// which routes "default" into the raw file named by QULMO_TEST_ALSA_OUT (see
// tests/lib/alsa.sh); every frame written to the device ends up there.
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "app/output_write.h"
#include "app/player.h"
#include "app/pump.h"
#include "decoders/track.h"
#include "foundation/memory.h"
#include "input/task.h"
#include "sontera/sontera.h"

// The pump re-posts itself as a task; here each post is only counted, and the
// test calls the pump once per simulated loop pass.
static int g_posts = 0;
void task_post(TaskCallback, void*) { g_posts++; }

namespace {

std::string env(const char* name) {
    const char* v = getenv(name);
    return v ? v : "";
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    return bytes;
}

std::vector<int16_t> as_s16(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> v(bytes.size() / 2);
    memcpy(v.data(), bytes.data(), v.size() * 2);
    return v;
}

// Each test starts with an empty device file, so it sees only its own frames.
class Device : public testing::Test {
protected:
    std::string out = env("QULMO_TEST_ALSA_OUT");
    void SetUp() override {
        if (out.empty()) GTEST_SKIP() << "needs the ALSA file device of device_test.sh";
        remove(out.c_str());
    }
};

AudioOutput* open_output(uint32_t rate, uint32_t channels, uint32_t frames) {
    SonteraSink* sink = sontera_sink_open(rate, channels, frames);
    if (!sink) return nullptr;
    auto* output = dru_alloc_array<AudioOutput>(1);
    *output = {.format = SONTERA_S16, .rate = sink->rate, .channels = channels, .sink = sink};
    return output;
}

TEST_F(Device, OpenRefusesNonPowerOfTwoBuffers) {
    for (uint32_t frames : {3000u, 0u, 6144u}) {
        testing::internal::CaptureStderr();
        SonteraSink* sink = sontera_sink_open(44100, 2, frames);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "buf_frames must be power of 2\n")
            << frames;
        EXPECT_EQ(sink, nullptr);
    }
}

TEST_F(Device, OpenKeepsTheDeviceBufferAtTwoPeriods) {
    const struct {
        uint32_t rate, channels, frames;
    } cases[] = {{44100, 2, 2048}, {96000, 2, 4096}, {22050, 1, 2048}, {48000, 6, 2048}};
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        AudioOutput* output = open_output(c.rate, c.channels, c.frames);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        ASSERT_NE(output, nullptr);
        SonteraSink* sink = output->sink;
        EXPECT_EQ(sink->rate, c.rate);
        EXPECT_EQ(sink->format, 1u);
        EXPECT_EQ(sink->capacity, c.frames);
        EXPECT_EQ(sink->frame_bytes, c.channels * 2);
        EXPECT_EQ(sink->used, 0u);
        EXPECT_EQ(sink->read, 0u);
        EXPECT_EQ(sink->device_period_frames, c.frames);
        EXPECT_EQ(sink->device_buffer_frames, 2 * c.frames);
        sontera_close(output);
    }
    sontera_close(nullptr);
}

// Synthetic chunks through the write half and the drain reach the device as the
// expected 16-bit samples, in order, with nothing lost or repeated.
TEST_F(Device, ChunksReachTheDeviceAsSixteenBitSamples) {
    AudioOutput* output = open_output(44100, 2, 2048);
    ASSERT_NE(output, nullptr);
    AudioFormat format{44100, SAMPLE_F32, 2};
    Track track{};
    track.format = &format;
    Player player{};
    player.track = &track;
    player.output = output;
    player.volume = 20;
    std::vector<int16_t> expected;
    for (int chunk = 0; chunk < 40; chunk++) {
        std::vector<float> samples(1024 * 2);
        for (size_t i = 0; i < samples.size(); i++)
            samples[i] = static_cast<float>(std::sin(0.001 * (chunk * 2048.0 + i)) * 1.2);
        for (float s : samples) {
            int16_t v;
            sontera_float_to_s16(&s, 1, &v);
            expected.push_back(v);
        }
        sontera_add_data_to_outbuf(&player, samples.data(),
                                   static_cast<uint32_t>(samples.size() * 4));
        for (int pass = 0; pass < 4 && output->sink->used > 0; pass++)
            sontera_remove_data_from_outbuf(output->sink);
        ASSERT_EQ(output->sink->used, 0u) << "the null device takes everything at once";
    }
    sontera_close(output);
    EXPECT_EQ(as_s16(read_file(out)), expected);
}

TEST_F(Device, DrainWritesOnlyUpToTheEndOfTheRing) {
    AudioOutput* output = open_output(44100, 1, 8);
    ASSERT_NE(output, nullptr);
    SonteraSink* sink = output->sink;
    for (int16_t i = 0; i < 8; i++) memcpy(sink->ring + i * 2, &i, 2);
    sink->read = 6;
    sink->used = 4;
    sontera_remove_data_from_outbuf(sink);
    EXPECT_EQ(sink->read, 0u);
    EXPECT_EQ(sink->used, 2u);
    sontera_remove_data_from_outbuf(sink);
    EXPECT_EQ(sink->read, 2u);
    EXPECT_EQ(sink->used, 0u);
    sontera_remove_data_from_outbuf(sink);  // nothing waits: nothing written
    sontera_close(output);
    EXPECT_EQ(as_s16(read_file(out)), (std::vector<int16_t>{6, 7, 0, 1}));
}

// Which failures lose the device, and a lost device coming back with every frame
// of the ring. Times are given; the device is the file device, which never fails
// by itself.
TEST_F(Device, FailuresLoseTheDeviceAndAReopenKeepsTheRing) {
    const uint64_t t0 = 1000000;
    const struct {
        long first, second;     // errors; second 0: none, 1: a successful write
        uint64_t second_after;  // microseconds after the first failure
        long third;             // error 600 ms after the first, 0: none
        bool lost;
    } cases[] = {
        {-EPIPE, 0, 0, 0, false},           {-EPIPE, -EPIPE, 400000, 0, false},
        {-EPIPE, -EPIPE, 600000, 0, true},  {-EAGAIN, -EAGAIN, 600000, 0, true},
        {-EPIPE, 1, 100000, -EPIPE, false}, {-ENODEV, 0, 0, 0, true},
        {-EBADFD, 0, 0, 0, true},           {-EIO, 0, 0, 0, true},
        {-ENOTTY, 0, 0, 0, true},           {-ESTRPIPE, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << " " << c.second << " " << c.third);
        remove(out.c_str());
        AudioOutput* output = open_output(44100, 1, 8);
        ASSERT_NE(output, nullptr);
        SonteraSink* sink = output->sink;
        const int16_t frames[5] = {11, 12, 13, 14, 15};
        sontera_ring_append(sink, reinterpret_cast<const uint8_t*>(frames), 5);
        testing::internal::CaptureStderr();
        sontera_write_failed(sink, c.first, t0);
        if (c.second == 1) sontera_write_succeeded(sink, t0 + 1000);
        if (c.second < 0) sontera_write_failed(sink, c.second, t0 + c.second_after);
        if (c.third) sontera_write_failed(sink, c.third, t0 + 600000);
        std::string lines = testing::internal::GetCapturedStderr();
        EXPECT_EQ(sink->lost, c.lost);
        EXPECT_EQ(sink->pcm == nullptr, c.lost);
        EXPECT_EQ(lines.find("WARNING: audio device lost") != std::string::npos, c.lost) << lines;
        if (c.lost) {
            // Not before a second has passed. Failing again at once is the same
            // outage; it is over once a reopened device has taken frames for a while.
            const uint64_t reopen = t0 + c.second_after + SONTERA_REOPEN_EVERY_US;
            testing::internal::CaptureStderr();
            sontera_recover(sink, reopen - 1);
            EXPECT_TRUE(sink->lost);
            sontera_recover(sink, reopen);
            EXPECT_FALSE(sink->lost);
            sontera_write_failed(sink, -EIO, reopen + 1000);
            EXPECT_TRUE(sink->lost);
            sontera_recover(sink, reopen + SONTERA_REOPEN_EVERY_US + 1000);
            ASSERT_FALSE(sink->lost);
            sontera_write_succeeded(sink, sink->reopened_us + SONTERA_BACK_AFTER_US - 1);
            EXPECT_TRUE(sink->in_outage);
            sontera_write_succeeded(sink, sink->reopened_us + SONTERA_BACK_AFTER_US);
            EXPECT_FALSE(sink->in_outage);
            lines = testing::internal::GetCapturedStderr();
            EXPECT_EQ(lines.find("WARNING: audio device lost"), std::string::npos) << lines;
            EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
            EXPECT_NE(lines.find("WARNING: audio device back"), std::string::npos) << lines;
        }
        EXPECT_EQ(sink->used, 5u);
        sontera_remove_data_from_outbuf(sink);
        EXPECT_EQ(sink->used, 0u);
        sontera_close(output);
        EXPECT_EQ(as_s16(read_file(out)), (std::vector<int16_t>{11, 12, 13, 14, 15}));
    }
}

// A reopen that fails leaves the device lost, prints nothing, and is tried again a
// second later; the program's own configuration comes back and so does the device.
TEST_F(Device, FailedReopensKeepRetryingQuietly) {
    AudioOutput* output = open_output(44100, 2, 2048);
    ASSERT_NE(output, nullptr);
    SonteraSink* sink = output->sink;
    testing::internal::CaptureStderr();
    sontera_write_failed(sink, -ENODEV, 1000000);
    const std::string config = env("ALSA_CONFIG_PATH");
    const std::string empty = env("QULMO_TEST_DIR") + "/no-default.conf";
    FILE* f = fopen(empty.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    setenv("ALSA_CONFIG_PATH", empty.c_str(), 1);
    snd_config_update_free_global();
    uint64_t t = 1000000;
    for (int i = 0; i < 3; i++) {
        t += SONTERA_REOPEN_EVERY_US;
        sontera_recover(sink, t);
        EXPECT_TRUE(sink->lost);
        EXPECT_EQ(sink->next_reopen_us, t + SONTERA_REOPEN_EVERY_US);
    }
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    snd_config_update_free_global();
    sontera_recover(sink, t + SONTERA_REOPEN_EVERY_US);
    EXPECT_FALSE(sink->lost);
    sontera_write_succeeded(sink, sink->reopened_us + SONTERA_BACK_AFTER_US);
    std::string lines = testing::internal::GetCapturedStderr();
    // The lost line, the back line, and nothing for the failed reopens.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << lines;
    sontera_close(output);
}

// The device is asked for its room only once it may take all that waits; until then
// the room it had plus what it can have played since (an upper bound) falls short.
TEST(SkipAvail, AsksOnlyWhenTheDeviceMayTakeAllThatWaits) {
    const uint32_t unknown = UINT32_MAX;
    const struct {
        uint32_t used, room;
        uint64_t stamp_us, now_us;
        bool skip;
    } cases[] = {
        {0, unknown, 0, 0, true},              // nothing waits
        {1024, unknown, 0, 0, false},          // room not known yet
        {1024, 0, 1000000, 1010000, true},     // 10 ms: at most 497 frames played
        {1024, 0, 1000000, 1021000, false},    // 21 ms: 926 played, 1042 assumed
        {1024, 600, 1000000, 1005000, true},   // 600 + 249 < 1024
        {1024, 800, 1000000, 1005000, false},  // 800 + 249 covers it
        {1024, 0, 1000000, 999000, false},     // the clock went back: ask
        {1, 1, 5, 5, false},                   // exactly enough room
    };
    for (const auto& c : cases) {
        SonteraSink sink{};
        sink.rate = 44100;
        sink.used = c.used;
        sink.room_known = c.room;
        sink.room_known_us = c.stamp_us;
        EXPECT_EQ(sontera_skip_avail(&sink, c.now_us), c.skip)
            << c.used << " waiting, room " << c.room << ", " << c.now_us - c.stamp_us << " us";
    }
}

// --- The audio pump on WAV files written here -----------------------------------

void write_wav(const std::string& path, uint32_t rate, uint16_t channels,
               const std::vector<int16_t>& samples) {
    auto le32 = [](std::vector<uint8_t>& v, uint32_t x) {
        for (int i = 0; i < 4; i++) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    auto le16 = [](std::vector<uint8_t>& v, uint16_t x) {
        v.push_back(static_cast<uint8_t>(x));
        v.push_back(static_cast<uint8_t>(x >> 8));
    };
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    le32(b, 36 + data_bytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le32(b, 16);
    le16(b, 1);
    le16(b, channels);
    le32(b, rate);
    le32(b, rate * channels * 2);
    le16(b, static_cast<uint16_t>(channels * 2));
    le16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    le32(b, data_bytes);
    const auto* p = reinterpret_cast<const uint8_t*>(samples.data());
    b.insert(b.end(), p, p + data_bytes);
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(b.data(), 1, b.size(), f);
    fclose(f);
}

// The sink size the player asks for: 2048 frames up to 88199 Hz, more above.
uint32_t buffer_frames_for(uint32_t rate) { return rate < 44100 ? 2048 : rate / 44100 * 2048; }

uint32_t load_buffer_frames(const char* wav) {
    Track* t = track_open(wav);
    uint32_t frames = buffer_frames_for(t->format->rate);
    track_close(t);
    return frames;
}

struct PumpRig {
    Player player{};
    int redraws = 0;
    int next_tracks = 0;
    std::string path;

    PumpRig(const std::string& wav, uint32_t buffer_frames) : path(wav) {
        player.track = track_open(wav.c_str());
        player.output =
            open_output(player.track->format->rate, player.track->format->channels, buffer_frames);
        player.volume = 20;
        player.playing = 1;
        player.frametime_ms = 16;
        player.redraw = [](Player* p) { rig(p)->redraws++; };
        player.next_track = [](Player* p) { rig(p)->next_tracks++; };
        analysis_init(&player.analysis);
        current = this;
    }
    ~PumpRig() {
        sontera_close(player.output);
        track_close(player.track);
        analysis_free(&player.analysis);
        current = nullptr;
    }
    static PumpRig* rig(Player*) { return current; }
    static inline PumpRig* current = nullptr;

    // Runs the pump until the track has ended once (or max_runs); returns the runs.
    int run_until_end(int max_runs) {
        int runs = 0;
        while (next_tracks == 0 && runs < max_runs) {
            audio_pump(&player);
            runs++;
        }
        return runs;
    }
    void drain() {
        for (int i = 0; i < 8 && player.output->sink->used > 0; i++)
            sontera_remove_data_from_outbuf(player.output->sink);
    }
};

std::vector<int16_t> tone(uint32_t frames, uint16_t channels) {
    std::vector<int16_t> v(static_cast<size_t>(frames) * channels);
    for (size_t i = 0; i < v.size(); i++) v[i] = static_cast<int16_t>(((i * 7919) % 65536) - 32768);
    return v;
}

// What a 16-bit file sample becomes after decoding to float and back at volume 20.
int16_t replayed(int16_t s) {
    float f = static_cast<float>(s) * (1.0f / 32768.0f);
    int16_t v;
    sontera_float_to_s16(&f, 1, &v);
    return v;
}

std::string temp_path(const char* name) { return env("QULMO_TEST_DIR") + "/" + name; }

TEST_F(Device, PumpDecodesOneChunkPerRunAt44100AndTwoAt96000) {
    const struct {
        uint32_t rate, buffer_frames;
        int64_t frames_after_first_run;
    } cases[] = {{44100, 2048, 1024}, {96000, 4096, 2048}, {22050, 2048, 1024}};
    for (const auto& c : cases) {
        std::string wav = temp_path("rate.wav");
        write_wav(wav, c.rate, 2, tone(c.rate, 2));
        PumpRig r(wav, c.buffer_frames);
        g_posts = 0;
        audio_pump(&r.player);
        EXPECT_EQ(r.player.track->played_frames, c.frames_after_first_run) << c.rate;
        EXPECT_EQ(g_posts, 1);
        EXPECT_EQ(r.player.position_ms,
                  static_cast<uint32_t>(c.frames_after_first_run * 1000 / c.rate));
    }
}

TEST_F(Device, PumpWaitsForMoreThanFortyMillisecondsOfRoom) {
    // The drain moves only the frames up to the ring's end, so with `read` on the
    // last index exactly one frame leaves before the room test: what remains is
    // controlled here. At 44100 Hz 1808 free frames are 40.99 ms, 1809 are 41.02.
    const struct {
        uint32_t used_before_drain;
        int64_t decoded;
    } cases[] = {{241, 0}, {240, 1024}, {2048, 0}};
    for (const auto& c : cases) {
        std::string wav = temp_path("room.wav");
        write_wav(wav, 44100, 2, tone(44100, 2));
        PumpRig r(wav, 2048);
        SonteraSink* sink = r.player.output->sink;
        sink->read = 2047;
        sink->used = c.used_before_drain;
        audio_pump(&r.player);
        EXPECT_EQ(r.player.track->played_frames, c.decoded) << c.used_before_drain;
    }
}

TEST_F(Device, PumpPlaysAWholeWavAndEndsOnTheRunAfterTheLastChunk) {
    for (uint32_t frames : {1024u * 5, 1024u * 5 + 300}) {
        std::string wav = temp_path("whole.wav");
        auto samples = tone(frames, 2);
        write_wav(wav, 44100, 2, samples);
        remove(out.c_str());
        {
            PumpRig r(wav, 2048);
            const int chunks = static_cast<int>((frames + 1023) / 1024);
            int runs = r.run_until_end(100);
            // The null device takes everything at once, so each run decodes one
            // full chunk (23.2 ms, over the 15 ms budget). After the last full
            // chunk the end is seen on the next run; a short last chunk stays
            // within the budget and the end is seen in the same run.
            EXPECT_EQ(runs, frames % 1024 == 0 ? chunks + 1 : chunks) << frames;
            EXPECT_EQ(r.next_tracks, 1);
            EXPECT_EQ(r.player.track->played_frames, frames);
            r.drain();
        }
        std::vector<int16_t> expected;
        for (int16_t s : samples) expected.push_back(replayed(s));
        EXPECT_EQ(as_s16(read_file(out)), expected) << frames;
    }
}

TEST_F(Device, SingleModeRestartsTheSameTrack) {
    std::string wav = temp_path("single.wav");
    write_wav(wav, 44100, 1, tone(2048, 1));
    PumpRig r(wav, 2048);
    r.player.play_mode = PLAY_SINGLE;
    for (int i = 0; i < 3; i++) audio_pump(&r.player);  // two chunks, then the end
    EXPECT_EQ(r.next_tracks, 0);
    EXPECT_EQ(r.player.track->played_frames, 0);
    audio_pump(&r.player);
    EXPECT_EQ(r.player.track->played_frames, 1024) << "playback goes on from the start";
}

TEST_F(Device, PausedPumpKeepsPositionAndEmptiesTheRing) {
    std::string wav = temp_path("pause.wav");
    write_wav(wav, 44100, 2, tone(44100, 2));
    PumpRig r(wav, 2048);
    audio_pump(&r.player);
    r.player.playing = 0;
    for (int i = 0; i < 5; i++) audio_pump(&r.player);
    EXPECT_EQ(r.player.track->played_frames, 1024);
    EXPECT_EQ(r.player.position_ms, 23u);
    EXPECT_EQ(r.player.output->sink->used, 0u);
    EXPECT_EQ(r.next_tracks, 0);
}

TEST_F(Device, RedrawRhythmFollowsPositionCrossings) {
    // Positions after each run of a 2 s file: one chunk of 1024 frames per run.
    std::vector<uint32_t> positions;
    for (uint32_t frames = 1024; frames < 88200 + 1024; frames += 1024)
        positions.push_back(static_cast<uint32_t>(std::min(frames, 88200u) * 1000ull / 44100));
    auto crossings = [&](uint32_t interval) {
        int n = 0;
        uint32_t last = 0;
        for (uint32_t p : positions) {
            n += p / interval != last / interval;
            last = p;
        }
        return n;
    };
    ASSERT_EQ(crossings(500), 4);  // 500, 1000, 1500 and 2000
    const struct {
        int analysis;
        double frametime;
        int expected;
    } cases[] = {
        {0, 16, crossings(500)},
        {1, 16, crossings(16)},    // every run moves 23 ms, past a multiple of 16
        {1, 100, crossings(100)},  // some runs stay between two multiples
        {1, 0.5, crossings(1)},    // below 1 ms the interval is 1
    };
    ASSERT_LT(crossings(100), crossings(16));
    for (const auto& c : cases) {
        std::string wav = temp_path("redraw.wav");
        write_wav(wav, 44100, 2, tone(88200, 2));
        PumpRig r(wav, 2048);
        r.player.analysis_enabled = c.analysis;
        r.player.frametime_ms = c.frametime;
        r.run_until_end(1000);
        EXPECT_EQ(r.redraws, c.expected) << c.analysis << " " << c.frametime;
        if (c.analysis) {
            EXPECT_NE(r.player.analysis.sample_history[ANALYSIS_SIZE - 1], 0.0f) << "the tap ran";
        } else {
            EXPECT_EQ(r.player.analysis.sample_history[ANALYSIS_SIZE - 1], 0.0f)
                << "the tap stayed off";
        }
    }
}

TEST_F(Device, SeekRestartsTheRateConverter) {
    // Only the converter's state is observed: after a seek between runs the pump
    // must not join the new position to the frame carried from the old one.
    std::string wav = temp_path("seek.wav");
    std::vector<int16_t> samples(44100 * 2, 16384);
    for (size_t i = 0; i < 2048 * 2; i++) samples[i] = -16384;
    write_wav(wav, 44100, 2, samples);
    PumpRig r(wav, 2048);
    r.player.output->rate = 48000;  // pretend the device settled on another rate
    audio_pump(&r.player);
    ASSERT_TRUE(r.player.output->sink->resampler.primed);
    ASSERT_EQ(track_seek_ms(r.player.track, 500), 500);
    r.drain();
    r.player.output->sink->used = 0;
    r.player.output->sink->read = 0;
    audio_pump(&r.player);
    // The first frame after the seek is the file's +0.5, not a blend with -0.5.
    int16_t first;
    memcpy(&first, r.player.output->sink->ring, 2);
    EXPECT_EQ(first, replayed(16384));
}

}  // namespace

namespace {

// Files made by sox in device_test.sh: QULMO_TEST_SOX_CASES lists
// "wav raw kind" triples separated by ';', where raw holds the same samples as
// 16-bit (kind s16), as 32-bit integers of 24-bit samples (s24) or as floats (f32).
float decoded_sample(const uint8_t* p, const std::string& kind) {
    if (kind == "s16") {
        int16_t v;
        memcpy(&v, p, 2);
        return static_cast<float>(v) * (1.0f / 32768.0f);
    }
    if (kind == "s24") {
        int32_t v;
        memcpy(&v, p, 4);
        return static_cast<float>(v) / 2147483520.0f;
    }
    float f;
    memcpy(&f, p, 4);
    return f;
}

TEST_F(Device, PumpPlaysFilesMadeBySoxByteForByte) {
    std::string list = env("QULMO_TEST_SOX_CASES");
    if (list.empty()) GTEST_SKIP() << "no sox files given";
    size_t start = 0;
    int checked = 0;
    while (start < list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        char wav[512], raw[512], kind[8];
        ASSERT_EQ(
            sscanf(list.substr(start, end - start).c_str(), "%511s %511s %7s", wav, raw, kind), 3);
        start = end + 1;
        remove(out.c_str());
        int64_t frames = 0;
        uint32_t channels = 0;
        {
            PumpRig r(wav, load_buffer_frames(wav));
            channels = r.player.track->format->channels;
            r.run_until_end(100000);
            EXPECT_EQ(r.next_tracks, 1) << wav;
            frames = r.player.track->played_frames;
            EXPECT_EQ(frames, r.player.track->total_frames) << wav;
            r.drain();
        }
        auto source = read_file(raw);
        const size_t width = std::string(kind) == "s16" ? 2 : 4;
        ASSERT_EQ(source.size(), static_cast<size_t>(frames) * channels * width) << wav;
        std::vector<int16_t> expected(source.size() / width);
        for (size_t i = 0; i < expected.size(); i++) {
            float f = decoded_sample(&source[i * width], kind);
            sontera_float_to_s16(&f, 1, &expected[i]);
        }
        auto got = as_s16(read_file(out));
        ASSERT_EQ(got.size(), expected.size()) << wav;
        size_t mismatches = 0;
        for (size_t i = 0; i < got.size(); i++) mismatches += got[i] != expected[i];
        EXPECT_EQ(mismatches, 0u) << wav;
        checked++;
    }
    EXPECT_GE(checked, 3);
}

}  // namespace
