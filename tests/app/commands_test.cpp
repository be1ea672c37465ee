// The user commands with everything they call outward replaced by recorders: volume
// steps and their messages, previous-or-restart around 5 s, the seek click, and the
// order in which quitting releases the player.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "app/commands.h"
#include "app/load_track.h"
#include "app/player.h"
#include "app/playlist.h"
#include "decoders/track.h"
#include "fenra/fenra.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/text.h"
#include "input/input.h"
#include "sontera/sontera.h"
#include "tests/lib/null_sound.h"
#include "tests/lib/null_window.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"

namespace {
std::vector<std::string> calls;
Rect seek_rect{60, 280, 225, 6};
bool have_seek = true;
struct Exited {
    int status;
};
}  // namespace

// --- recorders for every outward call ----------------------------------------------
// The window and the sound output are the shared null doubles, traced into `calls`.
InputState input_state;
void* dru_alloc_memory(size_t n, size_t s) { return calloc(n ? n : 1, s ? s : 1); }
void dru_free(void* p) { free(p); }
void playlist_previous(Player*) { calls.push_back("previous"); }
void playlist_entry_destroy(void*) {}
int64_t track_seek_ms(Track*, int64_t ms) {
    calls.push_back("seek " + std::to_string(ms));
    return ms;
}
int64_t track_seek_relative_ms(Track*, int64_t d) {
    calls.push_back("seek by " + std::to_string(d));
    return 0;
}
void track_close(Track*) { calls.push_back("track_close"); }
void player_flush_output(Player*) { calls.push_back("flush"); }
void analysis_free(Analysis*) { calls.push_back("analysis_free"); }
void font_free(Font*) { calls.push_back("font_free"); }
void image_free(Image* i) { calls.push_back(i ? "image_free" : "image_free null"); }
void blur_cache_free(BlurCache*) { calls.push_back("blur_cache_free"); }
void list_destroy(ListNode*, ListDestructor d) {
    calls.push_back(d == playlist_entry_destroy ? "playlist_destroy" : "list_destroy");
}
Rect* ui_find_element(int32_t type) {
    return type == UI_REGIONSEEK && have_seek ? &seek_rect : nullptr;
}
void ui_free_elements() { calls.push_back("ui_free_elements"); }
void ui_on_resize(Player*, int32_t w, int32_t h) {
    calls.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
}
void app_exit(int8_t status) {
    calls.push_back("app_exit " + std::to_string(status));
    throw Exited{status};
}

namespace {

void count_redraw(Player*) { calls.push_back("redraw"); }
void record(const char* call) { calls.emplace_back(call); }

struct Commands : ::testing::Test {
    Player player{};
    Track track{};
    AudioFormat format{44100, SAMPLE_F32, 2};
    void SetUp() override {
        calls.clear();
        have_seek = true;
        null_window_reset();
        null_sound_reset();
        null_window.trace = record;
        null_sound.trace = record;
        track.format = &format;
        player.track = &track;
        player.output = dru_alloc_array<AudioOutput>(1);  // the null sound output frees it
        player.redraw = count_redraw;
    }
    void TearDown() override {
        null_sound.trace = nullptr;
        sontera_close(player.output);
    }
};

TEST_F(Commands, VolumeStepsClampAndReport) {
    struct Case {
        void (*command)(Player*);
        int32_t from, to;
        std::string message;
    } cases[] = {
        {cmd_volume_down, 0, 0, "volume set to 0 (0)\n"},
        {cmd_volume_down, 1, 0, "volume set to 0 (0)\n"},
        {cmd_volume_down, 20, 19, "volume set to 19 (0.7937)\n"},
        {cmd_volume_up, 19, 20, "volume set to 20 (1)\n"},
        {cmd_volume_up, 20, 20, "volume set to 20 (1)\n"},
        {cmd_volume_up, 16, 17, "volume set to 17 (0.5)\n"},
        {cmd_volume_up, 0, 1, ""},  // checked against the table only
    };
    for (const Case& c : cases) {
        player.volume = c.from;
        calls.clear();
        testing::internal::CaptureStderr();
        c.command(&player);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(player.volume, c.to);
        char want[64];
        snprintf(want, sizeof want, "volume set to %d (%g)\n", c.to,
                 double(volume_gain_table[c.to]));
        EXPECT_EQ(err, want);
        if (!c.message.empty()) {
            EXPECT_EQ(err, c.message);
        }
        EXPECT_EQ(calls, std::vector<std::string>{"redraw"});
    }
}

TEST_F(Commands, PreviousWithinFiveSecondsElseRestart) {
    struct Case {
        uint32_t position_ms;
        std::vector<std::string> want;
    } cases[] = {
        {0, {"previous"}},
        {5000, {"previous"}},
        {5001, {"seek 0", "sontera_resampler_reset"}},
        {120000, {"seek 0", "sontera_resampler_reset"}},
    };
    for (const Case& c : cases) {
        calls.clear();
        player.position_ms = c.position_ms;
        cmd_previous_or_restart(&player);
        EXPECT_EQ(calls, c.want) << c.position_ms;
    }
}

TEST_F(Commands, SeekClickGoesToTheClickedFraction) {
    track.total_frames = 44100 * 10;  // 10 s
    struct Case {
        int32_t pointer_x;
        std::string seek;
    } cases[] = {
        {60, "seek 0"},               // left edge
        {60 + 225 / 2, "seek 4977"},  // middle (112 / 225 of 10000 ms)
        {284, "seek 9955"},
        {172, "seek 4977"},
    };
    for (const Case& c : cases) {
        calls.clear();
        input_state.pointer_x = c.pointer_x;
        cmd_seek_click(&player);
        EXPECT_EQ(calls, (std::vector<std::string>{c.seek, "sontera_resampler_reset"}))
            << c.pointer_x;
    }
    have_seek = false;
    calls.clear();
    cmd_seek_click(&player);
    EXPECT_TRUE(calls.empty());
}

TEST(SeekClickTarget, Arithmetic) {
    struct Case {
        uint64_t frames;
        uint32_t rate;
        int32_t px, x, w;
        int32_t want;
    } cases[] = {
        {44100 * 10, 44100, 60, 60, 225, 0},
        {44100 * 10, 44100, 160, 60, 200, 5000},  // exactly half
        {48000 * 3, 48000, 0, 0, 3, 0},
        {48000 * 3, 48000, 2, 0, 3, 2000},
        {44100 * 10, 44100, 50, 60, 200, -500},  // left of the region: negative
        {44100 * 10, 44100, 100, 60, 0, 0},      // empty region: no division by zero
        {44100 * 10, 0, 100, 60, 10, 0},         // unknown rate
        {0xFFFFFFFFull * 44100, 44100, 200, 0, 100, 2147483647},  // beyond 32 bits: clamped
    };
    for (const Case& c : cases)
        EXPECT_EQ(seek_click_target_ms(c.frames, c.rate, c.px, c.x, c.w), c.want)
            << c.frames << " " << c.px << " " << c.w;
}

TEST_F(Commands, SeeksPauseAndPointer) {
    cmd_seek_back(&player);
    cmd_seek_forward(&player);
    cmd_restart(&player);
    EXPECT_EQ(calls, (std::vector<std::string>{"seek by -10000", "sontera_resampler_reset",
                                               "seek by 10000", "sontera_resampler_reset", "seek 0",
                                               "sontera_resampler_reset"}));
    calls.clear();
    player.playing = 1;
    cmd_toggle_pause(&player);
    EXPECT_EQ(player.playing, 0);
    cmd_toggle_pause(&player);
    EXPECT_EQ(player.playing, 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"redraw", "redraw"}));
    input_state.pointer_x = 17;
    input_state.pointer_y = 42;
    cmd_track_pointer(&player);
    EXPECT_EQ(player.pointer_x, 17);
    EXPECT_EQ(player.pointer_y, 42);
    calls.clear();
    on_resize(640, 480, &player);
    EXPECT_EQ(calls, std::vector<std::string>{"resize 640x480"});
}

TEST_F(Commands, QuitReleasesInOrderAndExitsZero) {
    Image a{}, b{}, c{};
    player.font = reinterpret_cast<Font*>(&a);
    player.canvas = &a;
    player.backdrop = &c;
    player.playlist = reinterpret_cast<ListNode*>(&b);
    Window window{};
    input_state.window = &window;
    try {
        cmd_quit(&player);
        FAIL() << "quit returned";
    } catch (const Exited& e) {
        EXPECT_EQ(e.status, 0);
    }
    const std::vector<std::string> want = {
        // canvas, blur cache, backdrop
        "font_free",        "track_close",      "image_free",  "blur_cache_free",
        "image_free",       "analysis_free",    "flush",       "sontera_close",
        "playlist_destroy", "ui_free_elements", "fenra_close", "app_exit 0"};
    EXPECT_EQ(calls, want);
    EXPECT_EQ(input_state.window, nullptr);
    EXPECT_EQ(player.track, nullptr);
    EXPECT_EQ(player.output, nullptr);
}

}  // namespace
