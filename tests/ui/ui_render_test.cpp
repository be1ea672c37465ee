// Renderer: style resolution, text contents and placement, element drawing, the
// static/dynamic walks, redraw into the framebuffer and resizing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/player.h"
#include "app/playlist.h"
#include "decoders/metadata.h"
#include "foundation/memory.h"
#include "imaging/image.h"
#include "imaging/text.h"
#include "input/input.h"
#include "input/list.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"

namespace {

void parse(const std::string& text, double scale = 1.0) {
    ui_parse_bytes(std::span<const char>(text.data(), text.size()), scale, "/nonexistent");
}

PlaylistEntry* make_entry(const char* title, int32_t track_number = 3,
                          int32_t duration_ms = 200000) {
    auto* e = static_cast<PlaylistEntry*>(dru_alloc_memory(1, sizeof(PlaylistEntry)));
    e->path = strdup("/music/none.wav");
    e->title = strdup(title);
    e->album = strdup("Album");
    e->artist = strdup("Artist");
    e->album_artist = strdup("Album Artist");
    e->track = strdup("3/12");
    e->format_text = strdup("44100Hz/2ch");
    e->duration_ms = duration_ms;
    e->track_number = track_number;
    e->loaded = 1;
    return e;
}

void free_entry(void* p) {
    auto* e = static_cast<PlaylistEntry*>(p);
    for (char* s :
         {e->path, e->title, e->album, e->artist, e->album_artist, e->track, e->format_text})
        free(s);
    dru_free(e);
}

uint32_t pixel(const Image* img, int x, int y) {
    uint32_t v;
    memcpy(&v, img->pixels + y * img->stride + x * 4, 4);
    return v;
}

// Columns of row y whose pixel differs from the background value.
std::vector<int> painted_columns(const Image* img, int y, uint32_t background = 0) {
    std::vector<int> cols;
    for (int x = 0; x < img->width; ++x)
        if (pixel(img, x, y) != background) cols.push_back(x);
    return cols;
}

int painted_width(const Image* img, int y) {
    return static_cast<int>(painted_columns(img, y).size());
}

// Runs of painted columns in row y.
int runs(const Image* img, int y) {
    int n = 0;
    bool in = false;
    for (int x = 0; x < img->width; ++x) {
        bool p = pixel(img, x, y) != 0;
        if (p && !in) ++n;
        in = p;
    }
    return n;
}

struct Renderer : ::testing::Test {
    Player p{};
    std::vector<PlaylistEntry*> entries;

    void SetUp() override {
        p.scale = 1.0;
        p.playing = 1;
        p.volume = 20;
        p.analysis.fft_bin_scale = 1;
        p.playlist = list_create();
        for (const char* t : {"First", "Second", "Third"}) {
            entries.push_back(make_entry(t));
            list_append(p.playlist, list_node_create(entries.back(), LIST_KIND_ENTRY));
        }
        p.current = p.playlist->next;
        p.canvas = image_new(40, 30, IMAGE_PIXELS);
        p.backdrop = image_new(40, 30, IMAGE_PIXELS);
    }
    void TearDown() override {
        list_destroy(p.playlist, free_entry);
        image_free(p.canvas);
        image_free(p.backdrop);
        image_free(p.blur.scratch);
        image_free(p.blur.source);
        dru_free(p.analysis.spectrum);
        dru_free(p.analysis.sample_history);
        ui_free_elements();
        image_free(input_state.framebuffer);
        input_state.framebuffer = nullptr;
        input_state.damage = {};
        input_state.present_pending = 0;
    }
    // Draws element i of the table into a fresh target of w x h.
    Image* draw(int i, int w = 40, int h = 30) {
        Image* t = image_new(w, h, IMAGE_PIXELS);
        UiStyle s = ui_resolve_style(&ui_elements[i], p.scale);
        ui_draw_element(&p, &ui_elements[i], &s, entries[0], t);
        return t;
    }
};

TEST(UiStyle, NamedStylesOfTheSameNameFirstOneCounts) {
    parse(
        "color fg 1 2 3 4 0 color fg 9 9 9 9 0 color big 261 -1 511 256 0 "
        "startpos fg 5 6 7 8 0 startpos fg 0 0 0 0 0 roundradius fg 5 0 0 0 0 "
        "roundradius fg 9 0 0 0 0 drawonly fg 3 0 0 0 0 drawonly fg 1 0 0 0 0 "
        "scrollspeed fg 30 0 0 0 0 scrollspeed fg 99 0 0 0 0 "
        "rect fg 10 20 30 40 0 rect fg 10 20 30 40 128 rect fg 10 20 30 40 512 "
        "title fg 10 20 30 40 64 rect other 10 20 30 40 192 rect big 1 2 3 4 0",
        1.5);
    struct Case {
        int index;
        Colour colour;
        Rect start;
        int32_t radius, draw_only, scroll_speed;
    } cases[] = {
        // Plain rect: colour, start and draw-only from "fg"; no radius, no scrolling.
        {11, {1, 2, 3, 4}, {7, 9, 10, 12}, 0, 3, 0},
        {12, {1, 2, 3, 4}, {7, 9, 10, 12}, 7, 3, 0},   // round: "fg" radius 5 x 1.5
        {13, {1, 2, 3, 4}, {7, 9, 10, 12}, 7, 3, 0},   // superellipse: same radius here
        {14, {1, 2, 3, 4}, {7, 9, 10, 12}, 0, 3, 45},  // scroll: "fg" speed 30 x 1.5
        // No styles of its name: colour 0, start (x, y, 0, h), defaults 16 and 50 x scale.
        {15, {0, 0, 0, 0}, {15, 30, 0, 60}, 24, 0, 75},
        {16, {5, 255, 255, 0}, {1, 3, 0, 6}, 0, 0, 0},  // only the low 8 bits of a colour
    };
    for (const Case& c : cases) {
        UiStyle s = ui_resolve_style(&ui_elements[c.index], 1.5);
        EXPECT_EQ(s.ref_size, 72);
        EXPECT_EQ(s.colour.r, c.colour.r) << c.index;
        EXPECT_EQ(s.colour.g, c.colour.g) << c.index;
        EXPECT_EQ(s.colour.b, c.colour.b) << c.index;
        EXPECT_EQ(s.colour.a, c.colour.a) << c.index;
        EXPECT_EQ(s.start.x, c.start.x) << c.index;
        EXPECT_EQ(s.start.y, c.start.y) << c.index;
        EXPECT_EQ(s.start.w, c.start.w) << c.index;
        EXPECT_EQ(s.start.h, c.start.h) << c.index;
        EXPECT_EQ(s.radius, c.radius) << c.index;
        EXPECT_EQ(s.draw_only, c.draw_only) << c.index;
        EXPECT_EQ(s.scroll_speed, c.scroll_speed) << c.index;
        EXPECT_EQ(s.text_x, 0.0);
        EXPECT_EQ(s.text_y, 0.0);
    }
    // Element 15 scrolls because of 0x40 in 192 = 0x80 | 0x40.
    ui_free_elements();
}

TEST(UiLerpRect, TruncatesTowardZero) {
    struct Case {
        Rect a, b;
        double t;
        Rect want;
    } cases[] = {
        {{60, 280, 0, 6}, {60, 280, 225, 6}, 0.5, {60, 280, 112, 6}},
        {{0, 0, 0, 0}, {10, 10, 10, 10}, 0.0, {0, 0, 0, 0}},
        {{0, 0, 0, 0}, {10, 10, 10, 10}, 1.0, {10, 10, 10, 10}},
        {{0, 0, 0, 0}, {-7, 7, -3, 3}, 0.5, {-3, 3, -1, 1}},
        {{10, 20, 30, 40}, {0, 0, 0, 0}, 0.25, {7, 15, 22, 30}},
        {{0, 0, 0, 0}, {100, 0, 0, 0}, 0.999, {99, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Rect r = ui_lerp_rect(c.a, c.b, c.t);
        EXPECT_EQ(r.x, c.want.x);
        EXPECT_EQ(r.y, c.want.y);
        EXPECT_EQ(r.w, c.want.w);
        EXPECT_EQ(r.h, c.want.h);
    }
}

TEST(UiText, WhatEachTextElementShows) {
    Player p{};
    PlaylistEntry* e = make_entry("Title", 7, 125000);
    struct Case {
        int32_t type;
        uint32_t position, duration;
        int32_t volume;
        const char* want;
    } cases[] = {
        {UI_CURTIME, 65000, 200000, 0, "01:05"},
        {UI_REMTIME, 65000, 200000, 0, "-02:15"},
        {UI_CURTIME, 3725000, 0, 0, "62:05"},
        {UI_CURTIME, 999, 0, 0, "00:00"},
        {UI_REMTIME, 200000, 200000, 0, "-00:00"},
        {UI_VOLUME, 0, 0, 20, " 0 dB"},
        {UI_VOLUME, 0, 0, 0, "-40 dB"},
        {UI_VOLUME, 0, 0, 19, "-2 dB"},
        {UI_TOTALTIME, 0, 0, 0, "02:05"},
        {UI_TRACK, 0, 0, 0, "07"},
        {UI_META, 0, 0, 0, "44100Hz/2ch"},
        {UI_TITLE, 0, 0, 0, "Title"},
        {UI_ARTIST, 0, 0, 0, "Artist"},
        {UI_ALBUM, 0, 0, 0, "Album"},
    };
    for (const Case& c : cases) {
        p.position_ms = c.position;
        p.duration_ms = c.duration;
        p.volume = c.volume;
        UiElement el{};
        el.type = c.type;
        char buf[UI_TEXT_BUFFER];
        const char* got = ui_element_text(&p, &el, e, buf);
        ASSERT_NE(got, nullptr) << c.type;
        EXPECT_STREQ(got, c.want) << c.type;
    }
    p.gfx_us = 1234;
    p.dsp_us = 56;
    p.frame_interval_us = 20000;
    UiElement stats{};
    stats.type = UI_STATSDEBUG;
    char buf[UI_TEXT_BUFFER];
    EXPECT_STREQ(ui_element_text(&p, &stats, e, buf), "GFX: 1234 us DSP:   56 us FPS: 50.00");
    UiElement rect{};
    rect.type = UI_RECT;
    EXPECT_EQ(ui_element_text(&p, &rect, e, buf), nullptr);
    free_entry(e);
}

// A font stand-in: every character is half the pixel height wide.
struct FakeText {
    int chars;
    std::vector<double> sizes;
};
int32_t fake_measure(void* user, double size) {
    auto* f = static_cast<FakeText*>(user);
    f->sizes.push_back(size);
    return static_cast<int32_t>(f->chars * size / 2);
}

TEST(UiTextPlan, CentreShrinkWrapAndScroll) {
    const Rect box = {10, 20, 100, 20};  // 10 px per character at full size
    struct Case {
        const char* what;
        uint32_t flags;
        int chars;
        uint32_t position_ms;
        int32_t speed;
        int32_t count;
        UiTextPass pass0, pass1;
    } cases[] = {
        {"plain", 0, 30, 0, 0, 1, {0, 0, 20, TEXT_CLIP, 100}, {}},
        {"centred, fits", UI_FLAG_CENTER, 6, 0, 0, 1, {20, 0, 20, TEXT_CLIP, 100}, {}},
        {"centred, odd", UI_FLAG_CENTER, 7, 0, 0, 1, {15, 0, 20, TEXT_CLIP, 100}, {}},
        {"centred, exact", UI_FLAG_CENTER, 10, 0, 0, 1, {0, 0, 20, TEXT_CLIP, 100}, {}},
        // 150 wide: r = 0.5, size 20 / 1.52 = 13.157..., remeasured 98 wide.
        {"shrunk", UI_FLAG_CENTER, 15, 0, 0, 1, {1, (20 - 20 / 1.52) / 2, 20 / 1.52, 0, 100}, {}},
        // 200 wide: r = 1, half size, wrapped.
        {"wrapped", UI_FLAG_CENTER, 20, 0, 0, 1, {0, 0, 10, TEXT_WRAP, 100}, {}},
        {"scroll, fits", UI_FLAG_SCROLL, 8, 5000, 50, 1, {0, 0, 20, TEXT_CLIP, 100}, {}},
        {"scroll, fits, centred",
         UI_FLAG_SCROLL | UI_FLAG_CENTER,
         8,
         5000,
         50,
         1,
         {10, 0, 20, TEXT_CLIP, 100},
         {}},
        // 150 wide: period 170; 3 s at 50 px/s = 150.
        {"scroll at 3 s",
         UI_FLAG_SCROLL,
         15,
         3000,
         50,
         2,
         {-150, 0, 20, TEXT_CLIP, 10000},
         {20, 0, 20, TEXT_CLIP, 10000}},
        // 4 s: 200 mod 170 = 30.
        {"scroll wraps",
         UI_FLAG_SCROLL | UI_FLAG_CENTER,
         15,
         4000,
         50,
         2,
         {-30, 0, 20, TEXT_CLIP, 10000},
         {140, 0, 20, TEXT_CLIP, 10000}},
        {"scroll at 0",
         UI_FLAG_SCROLL,
         15,
         0,
         50,
         2,
         {0, 0, 20, TEXT_CLIP, 10000},
         {170, 0, 20, TEXT_CLIP, 10000}},
    };
    for (const Case& c : cases) {
        FakeText f{c.chars, {}};
        UiTextPlan plan = ui_text_plan(c.flags, box, c.position_ms, c.speed, fake_measure, &f);
        ASSERT_EQ(plan.count, c.count) << c.what;
        const UiTextPass* want[] = {&c.pass0, &c.pass1};
        for (int i = 0; i < plan.count; ++i) {
            const UiTextPass& g = plan.pass[i];
            EXPECT_DOUBLE_EQ(g.text_x, want[i]->text_x) << c.what << " pass " << i;
            EXPECT_DOUBLE_EQ(g.text_y, want[i]->text_y) << c.what << " pass " << i;
            EXPECT_DOUBLE_EQ(g.size, want[i]->size) << c.what << " pass " << i;
            EXPECT_EQ(g.mode, want[i]->mode) << c.what << " pass " << i;
            EXPECT_DOUBLE_EQ(g.limit, want[i]->limit) << c.what << " pass " << i;
        }
    }
    // A paused track scrolls nowhere: the offset follows the position only.
    FakeText f{15, {}};
    UiTextPlan a = ui_text_plan(UI_FLAG_SCROLL, box, 3000, 50, fake_measure, &f);
    UiTextPlan b = ui_text_plan(UI_FLAG_SCROLL, box, 3000, 50, fake_measure, &f);
    EXPECT_EQ(a.pass[0].text_x, b.pass[0].text_x);
    // An empty box places nothing.
    EXPECT_EQ(ui_text_plan(UI_FLAG_CENTER, {0, 0, 0, 20}, 0, 0, fake_measure, &f).count, 0);
}

TEST(UiEntries, EntryAtOffsets) {
    List* list = list_create();
    std::vector<PlaylistEntry*> e;
    for (const char* t : {"a", "b", "c"}) {
        e.push_back(make_entry(t));
        list_append(list, list_node_create(e.back(), LIST_KIND_ENTRY));
    }
    ListNode* middle = list->next->next;
    struct Case {
        ListNode* node;
        int32_t offset;
        PlaylistEntry* want;
    } cases[] = {
        {middle, 0, e[1]},        {middle, 1, e[2]},      {middle, -1, e[0]},
        {middle, 2, nullptr},     {middle, -2, nullptr},  {list->next, 2, e[2]},
        {list->next, 3, nullptr}, {list->prev, -2, e[0]}, {list, 0, nullptr},
        {list, 1, nullptr},       {nullptr, 0, nullptr},
    };
    for (const Case& c : cases) EXPECT_EQ(playlist_entry_at(c.node, c.offset), c.want) << c.offset;
    list_destroy(list, free_entry);
}

TEST_F(Renderer, ProgressRectanglesGrowFromTheStart) {
    parse(
        "color fg 255 0 0 255 0 rect fg 0 0 225 6 2 rect fg 0 0 20 4 1024 "
        "startpos s 0 0 10 2 0 color s 0 255 0 255 0 rect s 0 0 20 4 2");
    p.duration_ms = 200000;
    struct Case {
        int index;
        uint32_t position;
        int32_t volume;
        int width, height;
    } cases[] = {
        {1, 100000, 0, 112, 6},  // half: (int)(225 x 0.5)
        {1, 0, 0, 0, 0},        {1, 200000, 0, 225, 6}, {2, 0, 10, 10, 4},  // volume 10 / 20
        {2, 0, 20, 20, 4},      {5, 100000, 0, 15, 3},  // from the named start 10 x 2 to 20 x 4
    };
    for (const Case& c : cases) {
        p.position_ms = c.position;
        p.volume = c.volume;
        Image* t = draw(c.index, 300, 10);
        EXPECT_EQ(painted_width(t, 0), c.width) << c.index << " " << c.position;
        int rows = 0;
        for (int y = 0; y < 10; ++y) rows += pixel(t, 0, y) != 0;
        EXPECT_EQ(rows, c.width ? c.height : 0) << c.index;
        image_free(t);
    }
    // Without a length the progress is zero.
    p.duration_ms = 0;
    p.position_ms = 5000;
    Image* t = draw(1, 300, 10);
    EXPECT_EQ(painted_width(t, 0), 0);
    image_free(t);
}

TEST_F(Renderer, RoundedRectIsAtLeastAsWideAsItsCorners) {
    parse(
        "color fg 255 255 255 255 0 rect fg 0 0 2 6 128 rect fg 0 0 2 40 128 "
        "rect fg 0 0 2 6 0 roundradius q 2 0 0 0 0 color q 255 255 255 255 0 rect q 0 0 1 20 512");
    struct Case {
        int index, row, width;
    } cases[] = {
        {1, 3, 6},    // min(6, 32) = 6
        {2, 20, 32},  // min(40, 32) = 32
        {3, 3, 2},    // not rounded: as given
        {6, 10, 8},   // superellipse doubles the radius: min(20, 2 x 2 x 2) = 8
    };
    for (const Case& c : cases) {
        Image* t = draw(c.index, 60, 60);
        EXPECT_EQ(painted_width(t, c.row), c.width) << c.index;
        image_free(t);
    }
}

TEST_F(Renderer, StateDrawOnlyAndLevelTests) {
    parse(
        "color fg 255 255 255 255 0 rect fg 0 0 4 4 8 rect fg 0 0 4 4 16 "
        "drawonly single 3 0 0 0 0 color single 255 255 255 255 0 rect single 0 0 4 4 0 "
        "drawonly odd 7 0 0 0 0 color odd 255 255 255 255 0 rect odd 0 0 4 4 0 "
        "rectdebug fg 0 0 4 4 0 blurdebug fg 0 0 4 4 0 statsdebug fg 0 0 4 4 0");
    struct Case {
        int index;
        uint8_t playing;
        int32_t mode, level;
        bool drawn;
    } cases[] = {
        {1, 1, 0, 0, true},
        {1, 0, 0, 0, false},  // hidden while paused
        {2, 1, 0, 0, false},
        {2, 0, 0, 0, true},  // hidden while playing
        {5, 1, PLAY_SINGLE, 0, true},
        {5, 1, PLAY_NORMAL, 0, false},
        {5, 1, PLAY_REPEAT, 0, false},
        {5, 1, PLAY_SHUFFLE, 0, false},
        {8, 1, PLAY_REPEAT, 0, true},  // draw-only values other than 1..4 draw always
        {9, 1, 0, 1, false},
        {9, 1, 0, 2, true},
    };
    for (const Case& c : cases) {
        p.playing = c.playing;
        p.play_mode = c.mode;
        p.analysis_enabled = c.level;
        Image* t = draw(c.index);
        EXPECT_EQ(pixel(t, 1, 1) != 0, c.drawn)
            << c.index << " playing " << int(c.playing) << " mode " << c.mode;
        image_free(t);
    }
}

TEST_F(Renderer, SpectrumBarCount) {
    p.analysis.spectrum = static_cast<float*>(dru_alloc_memory(4096, sizeof(float)));
    struct Case {
        double scale;
        int width, bars, bar_width;
    } cases[] = {
        {1.0, 300, 49, 4},  // i = 6 .. 294
        {1.0, 12, 1, 4},    // the last group (columns 7..11) is shorter than 6: not drawn
        {1.0, 13, 2, 4},
        {2.0, 600, 49, 8},  // pitch 12, gap edge 10: columns i-10 .. i-3
    };
    for (const Case& c : cases) {
        p.scale = c.scale;
        parse("color fg 255 255 255 255 0 fft fg 0 0 " + std::to_string(c.width) + " 20 0");
        p.analysis_enabled = 1;
        Image* t = draw(1, c.width, 20);
        // Silence: every bar has the minimum height, so the bottom row shows all of them.
        EXPECT_EQ(runs(t, 19), c.bars) << c.width;
        std::vector<int> cols = painted_columns(t, 19);
        ASSERT_FALSE(cols.empty());
        int first_run = 0;
        while (first_run < static_cast<int>(cols.size()) && cols[first_run] == cols[0] + first_run)
            ++first_run;
        EXPECT_EQ(first_run, c.bar_width) << c.width;
        p.analysis_enabled = 0;
        image_free(t);
        t = draw(1, c.width, 20);
        EXPECT_EQ(runs(t, 19), 0);
        image_free(t);
    }
    // Minimum height at scale 1 is 4 rows; a loud bin raises the bars that average it.
    p.scale = 1.0;
    parse("color fg 255 255 255 255 0 fft fg 0 0 300 60 0");
    p.analysis_enabled = 1;
    Image* t = draw(1, 300, 60);
    EXPECT_NE(pixel(t, 2, 56), 0u);
    EXPECT_EQ(pixel(t, 2, 55), 0u);
    image_free(t);
    for (int k = 0; k < 4096; ++k) p.analysis.spectrum[k] = 1e6f;  // log10 = 6: full height
    t = draw(1, 300, 60);
    EXPECT_NE(pixel(t, 2, 1), 0u);
    image_free(t);
}

TEST_F(Renderer, WaveformFollowsTheHistory) {
    p.analysis.sample_history = static_cast<float*>(dru_alloc_memory(4096, sizeof(float)));
    for (int k = 0; k < 4096; ++k) p.analysis.sample_history[k] = -1.0f;
    parse("color fg 255 255 255 255 0 waveform fg 5 10 30 10 0 waveform fg 5 10 1 10 0");
    p.analysis_enabled = 1;
    Image* t = draw(1);
    std::vector<int> top = painted_columns(t, 10);
    ASSERT_EQ(top.size(), 30u);  // columns 5 .. 34
    EXPECT_EQ(top.front(), 5);
    EXPECT_EQ(top.back(), 34);
    EXPECT_EQ(painted_width(t, 11), 0);
    image_free(t);
    for (int k = 0; k < 4096; ++k) p.analysis.sample_history[k] = 0.0f;
    t = draw(1);
    EXPECT_EQ(painted_width(t, 15), 30);  // the middle line
    image_free(t);
    t = draw(2);  // one column wide: nothing
    for (int y = 0; y < 30; ++y) EXPECT_EQ(painted_width(t, y), 0);
    image_free(t);
}

// Spectrum and waveform boxes that reach far outside the target: the part inside looks
// exactly as when the whole box fits, and a box billions of pixels wide draws at once.
TEST_F(Renderer, SpectrumAndWaveformOutsideTheTarget) {
    p.analysis.spectrum = static_cast<float*>(dru_alloc_memory(4096, sizeof(float)));
    p.analysis.sample_history = static_cast<float*>(dru_alloc_memory(4096, sizeof(float)));
    for (int k = 0; k < 4096; ++k) {
        p.analysis.spectrum[k] = static_cast<float>(std::pow(10.0, 6.0 * k / 4096));
        p.analysis.sample_history[k] = static_cast<float>(std::sin(k * 0.01));
    }
    p.analysis_enabled = 1;
    for (const char* kind : {"fft", "waveform"}) {
        for (int shift : {0, 37, 250, 611}) {
            SCOPED_TRACE(std::string(kind) + " shifted by " + std::to_string(shift));
            // Reference: the whole 800-pixel box in an 800-pixel target.
            parse(std::string("color fg 255 255 255 255 0 ") + kind + " fg 0 0 800 40 0");
            Image* whole = draw(1, 800, 40);
            // The same box moved left by shift into a 120-pixel target.
            parse(std::string("color fg 255 255 255 255 0 ") + kind + " fg " +
                  std::to_string(-shift) + " 0 800 40 0");
            Image* part = draw(1, 120, 40);
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 120 && x + shift < 800; ++x)
                    ASSERT_EQ(pixel(part, x, y), pixel(whole, x + shift, y)) << x << "," << y;
            image_free(whole);
            image_free(part);
        }
        parse(std::string("color fg 255 255 255 255 0 ") + kind + " fg -5 0 2147483647 40 0");
        Image* huge = draw(1, 120, 40);
        EXPECT_GT(runs(huge, 39) + runs(huge, 20), 0);
        image_free(huge);
    }
}

TEST_F(Renderer, ShapesLinesAndImages) {
    parse(
        "color fg 10 20 30 255 0 background fg 5 5 5 5 0 border fg 2 3 5 4 0 line fg 0 0 4 0 0 "
        "image <albumart> 1 1 2 2 0 image <albumart> 1 1 2 2 4");
    Image* t = draw(1, 8, 6);  // background: everything
    for (int y = 0; y < 6; ++y) EXPECT_EQ(painted_width(t, y), 8);
    EXPECT_EQ(pixel(t, 7, 5), 0xff1e140au);
    image_free(t);

    t = draw(2, 10, 10);  // border of 5 x 4 at (2, 3): columns 2..6, rows 3..6
    EXPECT_EQ(painted_columns(t, 3), (std::vector<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(painted_columns(t, 4), (std::vector<int>{2, 6}));
    EXPECT_EQ(painted_columns(t, 6), (std::vector<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(painted_width(t, 7), 0);
    image_free(t);

    t = draw(3, 10, 3);  // line from (0, 0) to (4, 0), both ends included
    EXPECT_EQ(painted_columns(t, 0), (std::vector<int>{0, 1, 2, 3, 4}));
    image_free(t);

    // Album art: copied opaque without the blend flag, blended with it.
    for (int i : {4, 5}) {
        Image* art = image_new(2, 2, IMAGE_PIXELS);
        for (int k = 0; k < 4; ++k) {
            uint32_t half_red = 0x800000ffu;  // red, alpha 128
            memcpy(art->pixels + 4 * k, &half_red, 4);
        }
        ui_elements[i].data = art;
    }
    t = draw(4, 4, 4);
    EXPECT_EQ(pixel(t, 1, 1), 0x800000ffu);
    EXPECT_EQ(pixel(t, 0, 0), 0u);
    image_free(t);
    t = draw(5, 4, 4);
    EXPECT_EQ(pixel(t, 1, 1), 0x80000080u) << std::hex << pixel(t, 1, 1);
    image_free(t);
}

TEST_F(Renderer, RoundedBlurLeavesTheCornersAlone) {
    parse("blur - 0 0 20 20 128 blur - 0 0 20 20 0");
    Image* t = image_new(20, 20, IMAGE_PIXELS);
    // Stripes: every blur changes them.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            uint32_t v = (x / 2 + y / 2) % 2 ? 0xffffffffu : 0xff000000u;
            memcpy(t->pixels + y * t->stride + x * 4, &v, 4);
        }
    Image* before = image_new(20, 20, IMAGE_PIXELS);
    image_copy(t, nullptr, before, nullptr);
    UiStyle s = ui_resolve_style(&ui_elements[0], 1.0);
    ASSERT_EQ(s.radius, 16);
    ui_draw_element(&p, &ui_elements[0], &s, entries[0], t);
    ASSERT_NE(p.blur.scratch, nullptr);
    EXPECT_EQ(p.blur.scratch->width, 20);
    EXPECT_EQ(pixel(t, 0, 0), pixel(before, 0, 0));
    EXPECT_EQ(pixel(t, 19, 19), pixel(before, 19, 19));
    EXPECT_NE(pixel(t, 10, 10), pixel(before, 10, 10));
    // Over the same pixels the kept blur serves again; over changed ones it is made
    // again, exactly as a player without any kept blur makes it.
    auto same_pixels = [](const Image* a, const Image* b) {
        return memcmp(a->pixels, b->pixels, size_t(a->stride) * a->height) == 0;
    };
    Image* first = image_new(20, 20, IMAGE_PIXELS);
    image_copy(t, nullptr, first, nullptr);
    image_copy(before, nullptr, t, nullptr);
    ui_draw_element(&p, &ui_elements[0], &s, entries[0], t);
    EXPECT_TRUE(same_pixels(t, first));
    const uint32_t grey = 0xff808080u;
    memcpy(before->pixels + 12 * before->stride + 9 * 4, &grey, 4);
    image_copy(before, nullptr, t, nullptr);
    ui_draw_element(&p, &ui_elements[0], &s, entries[0], t);
    Player fresh{};
    image_copy(before, nullptr, first, nullptr);
    ui_draw_element(&fresh, &ui_elements[0], &s, entries[0], first);
    EXPECT_TRUE(same_pixels(t, first));
    image_free(fresh.blur.scratch);
    image_free(fresh.blur.source);
    image_free(first);
    // The plain blur changes the corners too.
    image_copy(before, nullptr, t, nullptr);
    s = ui_resolve_style(&ui_elements[1], 1.0);
    ui_draw_element(&p, &ui_elements[1], &s, entries[0], t);
    EXPECT_NE(pixel(t, 0, 1), pixel(before, 0, 1));
    image_free(t);
    image_free(before);
}

TEST_F(Renderer, OffsetsPickNeighbouringEntries) {
    // Each rect shows only while its entry exists.
    parse(
        "color fg 255 255 255 255 0 offset - 1 0 0 0 0 rect fg 0 0 1 1 0 "
        "offset - -1 0 0 0 0 rect fg 1 0 1 1 0 offset - 0 0 0 0 0 rect fg 2 0 1 1 0 "
        "curtime fg 0 0 1 1 0 "
        "offset - 2 0 0 0 0 rect fg 3 0 1 1 0 offset - 0 0 0 0 0 rect fg 4 0 1 1 0");
    ASSERT_EQ(ui_static_count(), 7);
    struct Case {
        int current;
        std::vector<int> static_cols, dynamic_cols;
    } cases[] = {
        {0, {0, 2}, {3, 4}},
        {1, {0, 1, 2}, {4}},
        {2, {1, 2}, {4}},
    };
    for (const Case& c : cases) {
        p.current = list_nth(p.playlist, c.current);
        image_free(p.backdrop);
        p.backdrop = image_new(40, 30, IMAGE_PIXELS);
        ui_render_static(&p);
        EXPECT_EQ(painted_columns(p.backdrop, 0), c.static_cols) << c.current;
        ui_redraw(&p);
        std::vector<int> all = c.static_cols;
        all.insert(all.end(), c.dynamic_cols.begin(), c.dynamic_cols.end());
        std::sort(all.begin(), all.end());
        EXPECT_EQ(painted_columns(p.canvas, 0), all) << c.current;
    }
    // Before the first load the current node is the sentinel: nothing is drawn.
    p.current = p.playlist;
    image_free(p.backdrop);
    p.backdrop = image_new(40, 30, IMAGE_PIXELS);
    ui_render_static(&p);
    ui_redraw(&p);
    EXPECT_EQ(painted_width(p.canvas, 0), 0);
}

TEST(RendererEntries, AnEntryThatCannotBeOpenedShowsItsFileName) {
    PlaylistEntry entry{};
    entry.path = strdup("/nonexistent/Disc 1/07 Some Song.flac");
    entry_ensure_loaded(&entry);
    EXPECT_STREQ(entry.title, "07 Some Song");
    EXPECT_EQ(entry.unplayable, 1);
    display_strings_free(&entry);
    free(entry.path);
}

TEST_F(Renderer, RedrawPresentsIntoTheFramebuffer) {
    parse("color a 10 20 30 255 0 rect a 0 0 40 30 0 color b 1 2 3 255 0 rect b 0 0 5 5 2");
    p.duration_ms = 100;
    p.position_ms = 100;
    ui_render_static(&p);
    EXPECT_EQ(pixel(p.backdrop, 1, 1), 0xff1e140au);  // static rect in the backdrop
    ui_redraw(&p);                                    // no framebuffer: the canvas is still drawn
    EXPECT_EQ(pixel(p.canvas, 1, 1), 0xff030201u);
    EXPECT_EQ(pixel(p.backdrop, 1, 1), 0xff1e140au);  // the backdrop keeps the static layer
    EXPECT_EQ(input_state.present_pending, 1);

    struct Case {
        int fb_w, fb_h;
        Rect damage_before, damage_after;
    } cases[] = {
        {40, 30, {0, 0, 0, 0}, {0, 0, 40, 30}},
        {20, 50, {0, 0, 0, 0}, {0, 0, 20, 30}},    // clipped to both sizes
        {60, 60, {50, 50, 5, 5}, {0, 0, 55, 55}},  // union with what was damaged
        {60, 60, {10, 10, 0, 7}, {0, 0, 40, 30}},  // zero width: replaced
    };
    for (const Case& c : cases) {
        image_free(input_state.framebuffer);
        input_state.framebuffer = image_new(c.fb_w, c.fb_h, IMAGE_PIXELS);
        input_state.damage = c.damage_before;
        input_state.present_pending = 0;
        ui_redraw(&p);
        EXPECT_EQ(input_state.present_pending, 1);
        EXPECT_EQ(input_state.damage.x, c.damage_after.x);
        EXPECT_EQ(input_state.damage.y, c.damage_after.y);
        EXPECT_EQ(input_state.damage.w, c.damage_after.w) << c.fb_w;
        EXPECT_EQ(input_state.damage.h, c.damage_after.h) << c.fb_h;
        // Red and blue swapped on the way into the framebuffer.
        EXPECT_EQ(pixel(input_state.framebuffer, 1, 1), 0xff010203u);
        EXPECT_EQ(pixel(input_state.framebuffer, 10, 10), 0xff0a141eu);
        if (c.fb_w > 40) {
            EXPECT_EQ(pixel(input_state.framebuffer, 45, 1), 0u);
        }
    }
}

TEST_F(Renderer, ResizeRecreatesTheImages) {
    parse("color a 10 20 30 255 0 rect a 0 0 10 9 0 blur - 0 0 8 8 128 rect a 0 0 2 2 8");
    ui_render_static(&p);
    ASSERT_NE(p.blur.scratch, nullptr);
    ui_on_resize(&p, 12, 9);
    ASSERT_NE(p.blur.scratch, nullptr);  // dropped, then made again by the static layer
    EXPECT_EQ(p.blur.scratch->width, 12);
    EXPECT_EQ(p.blur.scratch->height, 9);
    ASSERT_NE(p.canvas, nullptr);
    EXPECT_EQ(p.canvas->width, 12);
    EXPECT_EQ(p.canvas->height, 9);
    EXPECT_EQ(p.backdrop->width, 12);
    EXPECT_EQ(p.backdrop->height, 9);
    EXPECT_EQ(pixel(p.backdrop, 9, 8), 0xff1e140au);  // static layer rendered again
    EXPECT_EQ(pixel(p.canvas, 1, 1), 0xff1e140au);    // and the dynamic one over it
    EXPECT_EQ(pixel(p.backdrop, 11, 8), 0u);          // fresh, zeroed
    EXPECT_EQ(input_state.present_pending, 1);
    ui_on_resize(&p, 0, -3);  // degenerate sizes still leave usable images
    EXPECT_EQ(p.canvas->width, 1);
    EXPECT_EQ(p.canvas->height, 1);
}

}  // namespace
