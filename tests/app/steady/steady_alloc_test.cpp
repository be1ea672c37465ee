// Steady playback allocates nothing: after a short warm-up, ten seconds of audio
// through the audio pump - decoding, the analysis tap, volume, rate and format
// conversion, the ring and the drain into the device - make no heap allocation,
// for each decoder. The device is ALSA "default" routed to a file (see the script).
// When the script found a session bus, the desktop media controls are connected and
// served after every pump run the way the main loop serves them.
#include <gtest/gtest.h>
#include <sys/select.h>

#include <cstdlib>
#include <string>

#include "alloc_count.h"
#include "analysis/analysis.h"
#include "app/mpris.h"
#include "app/player.h"
#include "app/pump.h"
#include "decoders/track.h"
#include "foundation/memory.h"
#include "sontera/sontera.h"

namespace {

std::string media(const char* name) {
    const char* dir = getenv("QULMO_STEADY_MEDIA");
    return std::string(dir ? dir : ".") + "/" + name;
}

// The check a pass that does not sleep makes of the bus descriptor.
bool bus_ready(const LoopSource& bus) {
    bool want_write = false;
    int fd = bus.watch(bus.user, &want_write);
    if (fd < 0) return false;
    fd_set in, out;
    FD_ZERO(&in);
    FD_ZERO(&out);
    FD_SET(fd, &in);
    if (want_write) FD_SET(fd, &out);
    timeval now{};
    return select(fd + 1, &in, &out, nullptr, &now) > 0;
}

struct Case {
    const char* file;
    uint32_t device_rate;  // 0: the track's own rate
    int32_t analysis;
};

// Plays `seconds` of the track through the pump and returns the allocations made
// meanwhile, after `warm_up` seconds that let the work buffers reach their size.
uint64_t allocations_while_playing(const Case& c, double warm_up, double seconds,
                                   int64_t* frames_played) {
    Player player{};
    player.track = track_open(media(c.file).c_str());
    const AudioFormat format = *player.track->format;
    const uint32_t rate = c.device_rate ? c.device_rate : format.rate;
    SonteraSink* sink = sontera_sink_open(rate, format.channels, 2048);
    EXPECT_NE(sink, nullptr);
    if (!sink) return ~0ull;
    player.output = static_cast<AudioOutput*>(dru_alloc_memory(1, sizeof(AudioOutput)));
    *player.output = {
        .format = SONTERA_S16, .rate = sink->rate, .channels = format.channels, .sink = sink};
    player.volume = 14;
    player.playing = 1;
    player.frametime_ms = 16;
    player.analysis_enabled = c.analysis;
    analysis_init(&player.analysis);
    Mpris* mpris = getenv("DBUS_SESSION_BUS_ADDRESS") ? mpris_open(&player) : nullptr;
    if (getenv("DBUS_SESSION_BUS_ADDRESS")) {
        EXPECT_NE(mpris, nullptr) << "no bus connection";
    }
    const LoopSource bus = mpris_loop_source(mpris);

    auto play_until = [&](double s) {
        const int64_t end = static_cast<int64_t>(s * format.rate);
        // The file device takes everything at once, so the pump decodes on every run.
        for (int runs = 0; player.track->played_frames < end && runs < 100000; runs++) {
            audio_pump(&player);
            if (mpris) bus.run(bus.user, bus_ready(bus));
        }
    };
    play_until(warm_up);
    const int64_t before = player.track->played_frames;
    alloc_count_begin();
    play_until(warm_up + seconds);
    const uint64_t n = alloc_count_end();
    *frames_played = player.track->played_frames - before;

    mpris_close(mpris);
    sontera_close(player.output);
    track_close(player.track);
    analysis_free(&player.analysis);
    return n;
}

TEST(SteadyPlayback, TenSecondsThroughThePumpAllocateNothing) {
    // Under AddressSanitizer nothing is counted, but the path still runs under its checks.
    const bool counted = alloc_count_available();
    const Case
        cases[] =
            {
                {"s16.wav", 0, 1},
                {"f32.wav", 0, 1},
                {"track.mp3", 0, 1},
                {"track.flac", 0, 1},
                {"track.flac", 0, 0},
                {"r48k.wav", 44100, 1},  // the device rate differs: the rate converter runs
            };
    for (const Case& c : cases) {
        int64_t frames = 0;
        const uint64_t n = allocations_while_playing(c, 1.0, 10.0, &frames);
        if (counted) {
            EXPECT_EQ(n, 0u) << c.file << " device rate " << c.device_rate << " analysis "
                             << c.analysis;
        }
        // The ten seconds were really played (and the count is not of an idle pump).
        EXPECT_GE(frames, 10 * 44100 - 1024) << c.file;
    }
}

// The counter itself: allocations on this thread are seen through every entry
// point, and on the pump's path too: the first chunk sizes the conversion buffer.
TEST(SteadyPlayback, CounterSeesAllocations) {
    if (!alloc_count_available()) GTEST_SKIP() << "no allocation counting under AddressSanitizer";
    alloc_count_begin();
    void* volatile a = malloc(10);
    void* volatile b = calloc(2, 8);
    a = realloc(a, 100);
    void* volatile d = dru_alloc_memory(4, 4);
    const uint64_t n = alloc_count_end();
    free(a);
    free(b);
    dru_free(d);
    EXPECT_EQ(n, 4u);

    int64_t frames = 0;
    EXPECT_GT(allocations_while_playing({"s16.wav", 0, 1}, 0.0, 0.1, &frames), 0u);
}

}  // namespace
