// Whole-window renders compared with reviewed PNG files.
//
// QULMO_UPDATE_GOLDEN=1 rewrites the files instead of comparing; a mismatch leaves the
// actual render beside the test binary for a look.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "app/load_track.h"
#include "app/player.h"
#include "app/playlist.h"
#include "foundation/files.h"
#include "foundation/memory.h"
#include "imaging/image.h"
#include "imaging/text.h"
#include "input/list.h"
#include "look_render.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"
#include "ui_render_test_scenes.h"

namespace {

constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

bool write_png(const std::string& path, const Image* img) {
    return stbi_write_png(path.c_str(), img->width, img->height, 4, img->pixels, img->stride) != 0;
}

// Pixels whose channels differ by more than `tolerance`; the largest difference.
struct Diff {
    int pixels;
    int largest;
};
Diff compare(const Image* a, const Image* b, int tolerance) {
    Diff d{0, 0};
    for (int y = 0; y < a->height; ++y)
        for (int x = 0; x < a->width; ++x) {
            const uint8_t* p = a->pixels + y * a->stride + x * 4;
            const uint8_t* q = b->pixels + y * b->stride + x * 4;
            int worst = 0;
            for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(p[c] - q[c]));
            d.largest = std::max(d.largest, worst);
            if (worst > tolerance) ++d.pixels;
        }
    return d;
}

void check_golden(const char* name, const Image* canvas) {
    std::string golden = std::string(UI_GOLDEN_DIR) + "/" + name;
    if (getenv("QULMO_UPDATE_GOLDEN")) {
        ASSERT_TRUE(write_png(golden, canvas)) << golden;
        return;
    }
    ASSERT_TRUE(file_exists(golden.c_str())) << "missing " << golden;
    Image* want = image_load_file(golden.c_str());
    ASSERT_EQ(want->width, canvas->width);
    ASSERT_EQ(want->height, canvas->height);
    // Floating-point corners of text and shapes may round differently between
    // compilers; anything more than a one-step difference is a fault.
    Diff d = compare(want, canvas, 1);
    if (d.pixels) write_png(std::string("actual_") + name, canvas);
    EXPECT_EQ(d.pixels, 0) << name << ": largest channel difference " << d.largest
                           << "; the render was written to actual_" << name;
    image_free(want);
}

struct Golden : ::testing::Test {
    Player p{};
    UiScene scene{};
    void SetUp() override {
        if (!file_exists(kFont)) GTEST_FAIL() << "font missing: " << kFont;
        p.font = font_load(kFont);
    }
    void TearDown() override {
        ui_scene_free(&p, &scene);
        font_free(p.font);
    }
};

TEST_F(Golden, DefaultDescription) {
    ui_parse_bytes(std::span<const char>(ui_default_description, strlen(ui_default_description)),
                   1.0, "/nonexistent");
    ui_scene_setup(&p, &scene, 0);
    p.position_ms = 65000;
    ui_render_static(&p);
    ui_redraw(&p);
    check_golden("ui_default.png", p.canvas);
    // What changes with the position is only the dynamic part.
    Image* first = image_new(300, 300, IMAGE_PIXELS);
    image_copy(p.canvas, nullptr, first, nullptr);
    p.position_ms = 130000;
    ui_redraw(&p);
    Diff d = compare(first, p.canvas, 0);
    EXPECT_GT(d.pixels, 0);
    image_free(first);
}

TEST_F(Golden, EveryElementPlaying) {
    ui_parse_bytes(
        std::span<const char>(ui_all_elements_description, strlen(ui_all_elements_description)),
        1.0, "/nonexistent");
    ui_scene_setup(&p, &scene, 2);  // debug elements too
    ui_render_static(&p);
    ui_redraw(&p);
    check_golden("ui_all_playing.png", p.canvas);
}

TEST_F(Golden, EveryElementPausedInSingleMode) {
    ui_parse_bytes(
        std::span<const char>(ui_all_elements_description, strlen(ui_all_elements_description)),
        1.0, "/nonexistent");
    ui_scene_setup(&p, &scene, 1);
    p.playing = 0;
    p.play_mode = PLAY_SINGLE;
    p.position_ms = 151000;
    p.volume = 5;
    ui_render_static(&p);
    ui_redraw(&p);
    check_golden("ui_all_paused_single.png", p.canvas);
}

std::string read_look(const char* name) {
    std::string path = std::string(QULMO_LOOKS_SOURCE) + "/" + name + ".txt";
    uint64_t size = 0;
    unsigned char* bytes = read_whole_file(path.c_str(), &size);
    std::string text(reinterpret_cast<const char*>(bytes), size);
    dru_free(bytes);
    return text;
}

// The shipped looks as the gallery shows them, at both scales they are made for.
TEST_F(Golden, ShippedLooks) {
    for (const char* look : {"default", "compact", "art", "animated"})
        for (int scale : {1, 2}) {
            SCOPED_TRACE(std::string(look) + " at scale " + std::to_string(scale));
            look_render(&p, &scene, read_look(look), scale);
            Rect* w = ui_find_element(UI_WINDOW);
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(p.canvas->width, w->w);
            check_golden(
                ("look_" + std::string(look) + "_" + std::to_string(scale) + ".png").c_str(),
                p.canvas);
            ui_scene_free(&p, &scene);
        }
}

// The default look shipped as a file draws exactly what the compiled-in one draws.
TEST_F(Golden, DefaultLookFileIsTheCompiledInLook) {
    look_render(&p, &scene, ui_default_description, 1);
    Image* builtin = image_new(p.canvas->width, p.canvas->height, IMAGE_PIXELS);
    image_copy(p.canvas, nullptr, builtin, nullptr);
    ui_scene_free(&p, &scene);
    look_render(&p, &scene, read_look("default"), 1);
    ASSERT_EQ(p.canvas->width, builtin->width);
    EXPECT_EQ(compare(builtin, p.canvas, 0).pixels, 0);
    image_free(builtin);
}

}  // namespace
