// Making an entry current: album-art fitting geometry and pixels, sink buffer sizes,
// and a whole load of a real WAV file into the null sound output.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "app/load_track.h"
#include "app/player.h"
#include "app/playlist.h"
#include "decoders/metadata.h"
#include "decoders/track.h"
#include "fenra/fenra.h"
#include "imaging/image.h"
#include "input/input.h"
#include "sontera/sontera.h"
#include "tests/imaging/imaging_test_util.h"
#include "tests/lib/null_sound.h"
#include "tests/lib/null_window.h"
#include "tests/lib/temp_dir.h"
#include "ui/ui_description.h"

namespace fs = std::filesystem;

namespace {

TEST(AlbumArtGeometry, CoverKeepsAspectAndCentres) {
    struct Case {
        int32_t aw, ah, w, h;
        ArtPlacement want;
    } cases[] = {
        {600, 300, 300, 300, {-150, 0, 600, 300}},
        {300, 600, 300, 300, {0, -150, 300, 600}},
        {300, 300, 300, 300, {0, 0, 300, 300}},
        {10, 10, 300, 200, {0, -50, 300, 300}},
        {400, 300, 100, 100, {-16, 0, 133, 100}},  // 133 wide: integer division
        {300, 400, 100, 100, {0, -16, 100, 133}},
        {1, 1000, 100, 50, {0, -49975, 100, 100000}},
        {30000, 30000, 30000, 1, {0, -14999, 30000, 30000}},  // products beyond 32 bits
    };
    for (const Case& c : cases) {
        ArtPlacement p = album_art_cover_geometry(c.aw, c.ah, c.w, c.h);
        EXPECT_EQ(p.x, c.want.x) << c.aw << "x" << c.ah << " on " << c.w << "x" << c.h;
        EXPECT_EQ(p.y, c.want.y) << c.aw << "x" << c.ah << " on " << c.w << "x" << c.h;
        EXPECT_EQ(p.w, c.want.w) << c.aw << "x" << c.ah << " on " << c.w << "x" << c.h;
        EXPECT_EQ(p.h, c.want.h) << c.aw << "x" << c.ah << " on " << c.w << "x" << c.h;
    }
}

// 600 x 300 art in three vertical bands: red, green (the middle 300 columns), blue.
Image* banded_art() {
    Image* art = image_new(600, 300, IMAGE_PIXELS);
    for (int y = 0; y < 300; y++) {
        for (int x = 0; x < 600; x++) {
            uint8_t* p = art->pixels + y * art->stride + x * 4;
            p[0] = x < 150 ? 255 : 0;
            p[1] = x >= 150 && x < 450 ? 255 : 0;
            p[2] = x >= 450 ? 255 : 0;
            p[3] = 255;
        }
    }
    return art;
}

const uint8_t* px(const Image* img, int x, int y) { return img->pixels + y * img->stride + x * 4; }

TEST(AlbumArtFit, CentredCropsTheSidesStretchedSqueezes) {
    Image* art = banded_art();
    Image* centred = album_art_fit(art, 300, 300, true);
    ASSERT_EQ(centred->width, 300);
    ASSERT_EQ(centred->height, 300);
    for (int x : {0, 5, 150, 294, 299}) {
        for (int y : {0, 150, 299}) {
            const uint8_t* p = px(centred, x, y);
            EXPECT_LT(p[0], 16) << x << "," << y;
            EXPECT_GT(p[1], 240) << x << "," << y;
            EXPECT_LT(p[2], 16) << x << "," << y;
            EXPECT_EQ(p[3], 255) << x << "," << y;
        }
    }
    Image* stretched = album_art_fit(art, 300, 300, false);
    EXPECT_GT(px(stretched, 10, 150)[0], 240);   // red quarter on the left
    EXPECT_GT(px(stretched, 150, 150)[1], 240);  // green half
    EXPECT_GT(px(stretched, 290, 150)[2], 240);  // blue quarter on the right
    // Taller than wide on a wide element: bands become the full width, rows cropped.
    Image* wide = album_art_fit(art, 600, 150, true);
    EXPECT_EQ(wide->width, 600);
    EXPECT_EQ(wide->height, 150);
    EXPECT_GT(px(wide, 10, 75)[0], 240);
    image_free(wide);
    image_free(stretched);
    image_free(centred);
    image_free(art);
}

TEST(LoadTrack, BufferFramesByRate) {
    struct Case {
        uint32_t rate, frames;
    } cases[] = {{8000, 2048},  {22050, 2048}, {44099, 2048}, {44100, 2048},  {48000, 2048},
                 {88199, 2048}, {88200, 4096}, {96000, 4096}, {132300, 6144}, {192000, 8192}};
    for (const Case& c : cases) EXPECT_EQ(load_track_buffer_frames(c.rate), c.frames) << c.rate;
}

// A whole load: a real WAV with tags and a cover beside it, into the null sound output
// with the null window's title recorded.
struct LoadFixture : ::testing::Test {
    TempDir temp;
    fs::path dir = temp.path;
    Player player{};
    void SetUp() override {
        null_window_reset();
        null_sound_reset();
        write_wav(dir / "a.wav", 48000, 4800);
        // A 2 x 1 PNG cover: left pixel red, right pixel blue.
        static constexpr char cover[] =
            "\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x02\x00\x00\x00\x01\x08\x02"
            "\x00\x00\x00\x7b\x40\xe8\xdd\x00\x00\x00\x0dIDAT\x78\xda\x63\xf8\xcf\x00\x04"
            "\xff\x01\x07\x00\x01\xff\x3d\x7d\x8c\x49\x00\x00\x00\x00IEND\xae\x42\x60\x82";
        temp.file("cover.png", std::string_view(cover, sizeof cover - 1));
        ui_parse_bytes(std::span<const char>(layout, strlen(layout)), 1.0, dir.c_str());
        player.canvas = image_new(300, 300, IMAGE_PIXELS);
        player.backdrop = image_new(300, 300, IMAGE_PIXELS);
        analysis_init(&player.analysis);
    }
    void TearDown() override {
        track_close(player.track);
        sontera_close(player.output);
        image_free(player.canvas);
        image_free(player.backdrop);
        analysis_free(&player.analysis);
        ui_free_elements();
    }
    static void write_wav(const fs::path& path, uint32_t rate, uint32_t frames) {
        std::ofstream f(path, std::ios::binary);
        auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
        uint32_t data = frames * 4;
        const char info[] = "INFOINAM\x06\0\0\0Title\0IART\x08\0\0\0Artist!\0";
        uint32_t info_len = sizeof(info) - 1;
        f.write("RIFF", 4);
        u32(4 + 24 + 8 + data + 8 + info_len);
        f.write("WAVEfmt ", 8);
        u32(16);
        u16(1);
        u16(2);
        u32(rate);
        u32(rate * 4);
        u16(4);
        u16(16);
        f.write("data", 4);
        u32(data);
        for (uint32_t i = 0; i < frames * 2; i++) u16(static_cast<uint16_t>(i * 37));
        f.write("LIST", 4);
        u32(info_len);
        f.write(info, info_len);
    }
    static constexpr const char* layout =
        "window - 0 0 300 300 0 "
        "albumart - 0 0 100 50 0 "
        "albumart - 0 0 100 50 1 "
        "image <albumart> 0 0 40 40 0 "
        "rect - 0 0 10 10 0 ";
};

TEST_F(LoadFixture, LoadsTheTrackFillsTheEntryPlacesArtAndOpensTheSink) {
    PlaylistEntry* entry = playlist_entry_create((dir / "a.wav").c_str());
    Window window{};
    input_state.window = &window;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(player_load_track(&player, entry));
    std::string err = testing::internal::GetCapturedStderr();
    input_state.window = nullptr;

    EXPECT_NE(err.find("loading file " + (dir / "a.wav").string() + "\n"), std::string::npos)
        << err;
    EXPECT_NE(err.find("required 48000 Hz 2 ch, got 48000 Hz 2 ch, buf 2048 samples\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find("WARNING"), std::string::npos) << err;
    ASSERT_NE(player.track, nullptr);
    EXPECT_EQ(player.track->total_frames, 4800);
    ASSERT_NE(player.output, nullptr);
    EXPECT_EQ(player.output->format, 1u);
    EXPECT_EQ(player.output->rate, 48000u);
    EXPECT_EQ(player.output->channels, 2u);
    EXPECT_EQ(player.output->sink->capacity, 2048u);
    EXPECT_EQ(player.duration_ms, 100u);
    EXPECT_EQ(entry->duration_ms, 100);
    EXPECT_EQ(entry->loaded, 1);
    EXPECT_STREQ(entry->title, "Title");
    EXPECT_STREQ(entry->artist, "Artist!");
    EXPECT_EQ(null_window.titles, std::vector<std::string>{"[Artist! - Title] - qulmo"});

    // Every album-art element holds the art at its own size.
    const int sizes[][2] = {{100, 50}, {100, 50}, {40, 40}};
    for (int i = 0; i < 3; i++) {
        const Image* art = ui_element_image(ui_elements[1 + i]);
        ASSERT_NE(art, nullptr) << i;
        EXPECT_EQ(art->width, sizes[i][0]);
        EXPECT_EQ(art->height, sizes[i][1]);
    }
    EXPECT_EQ(ui_element_image(ui_elements[4]), nullptr);  // the rect has none
    // Stretched: red left, blue right. Centred on 100 x 50: the 2 x 1 cover is
    // scaled to 100 x 50 exactly too, so both show the split.
    const Image* stretched = ui_element_image(ui_elements[1]);
    EXPECT_GT(px(stretched, 2, 25)[0], 200);
    EXPECT_GT(px(stretched, 97, 25)[2], 200);
    const Image* square = ui_element_image(ui_elements[3]);  // 40 x 40 from 2 x 1
    EXPECT_GT(px(square, 1, 20)[0], 200);

    // Loading the same entry again does not refill its strings.
    free(entry->title);
    entry->title = strdup("kept");
    Track* first = player.track;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(player_load_track(&player, entry));
    testing::internal::GetCapturedStderr();
    EXPECT_STREQ(entry->title, "kept");
    EXPECT_NE(player.track, first);
    EXPECT_EQ(player.position_ms, 0u);
    playlist_entry_destroy(entry);
}

TEST_F(LoadFixture, WithoutArtEveryElementGetsATransparentImage) {
    fs::remove(dir / "cover.png");
    PlaylistEntry* entry = playlist_entry_create((dir / "a.wav").c_str());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(player_load_track(&player, entry));
    testing::internal::GetCapturedStderr();
    const Image* art = ui_element_image(ui_elements[2]);
    ASSERT_NE(art, nullptr);
    EXPECT_EQ(art->width, 100);
    for (int y = 0; y < art->height; y++)
        for (int x = 0; x < art->width; x++) ASSERT_EQ(px(art, x, y)[3], 0) << x << "," << y;
    playlist_entry_destroy(entry);
}

// A large JPEG cover is decoded at the smallest DCT scale still twice the largest
// album-art element (100 x 50 here), and the elements show it as before.
TEST_F(LoadFixture, LargeJpegCoverDecodedAtTheScaleTheElementsNeed) {
    const std::vector<uint8_t> jpeg = jpeg_file(
        1600, 1000, [](int x, int, int c) -> uint8_t { return c == 0 && x < 800 ? 255 : 0; });
    temp.file("cover.jpg",
              std::string_view(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()));
    int32_t seen[2] = {};
    player.track_loaded = {.fn =
                               [](void* user, const Image* art, const char*) {
                                   static_cast<int32_t*>(user)[0] = art->width;
                                   static_cast<int32_t*>(user)[1] = art->height;
                               },
                           .user = seen};
    PlaylistEntry* entry = playlist_entry_create((dir / "a.wav").c_str());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(player_load_track(&player, entry));
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("WARNING"), std::string::npos);
    EXPECT_EQ(seen[0], 200);  // 1/8 of 1600 x 1000
    EXPECT_EQ(seen[1], 125);
    EXPECT_GT(px(ui_element_image(ui_elements[1]), 10, 25)[0], 240);  // red left half
    playlist_entry_destroy(entry);

    const char* huge = "albumart - 0 0 2147483647 5 0 image <albumart> 0 0 -9 7 0";
    ui_parse_bytes(std::span<const char>(huge, strlen(huge)), 1.0, dir.c_str());
    EXPECT_EQ(album_art_wanted().width, INT32_MAX);
    EXPECT_EQ(album_art_wanted().height, 14);
    ui_parse_bytes(std::span<const char>("rect - 0 0 9 9 0", 16), 1.0, dir.c_str());
    EXPECT_EQ(album_art_wanted().width, 0);  // no album-art element: the whole picture
}

// A cover file over 256 KB is decoded in slices after the load: the placeholder until
// the last slice, then the art and the hook; the next track of the album shows it at
// once; a track change in the middle drops the pending decode.
TEST_F(LoadFixture, LargeCoverShownAfterItsSlices) {
    const std::vector<uint8_t> noise = jpeg_file(600, 600, [](int x, int y, int c) {
        return uint8_t((uint32_t(x * 7919 + y * 104729 + c) * 2654435761u) >> 24);
    });
    temp.file("cover.jpg",
              std::string_view(reinterpret_cast<const char*>(noise.data()), noise.size()));
    int told = 0;
    player.track_loaded = {.fn =
                               [](void* user, const Image* art, const char*) {
                                   ++*static_cast<int*>(user);
                                   EXPECT_EQ(art->width, 300);  // 1/2: twice the 100 x 50
                               },
                           .user = &told};
    PlaylistEntry* entry = playlist_entry_create((dir / "a.wav").c_str());
    auto shown = [] { return px(ui_element_image(ui_elements[1]), 50, 25)[3] == 255; };
    auto load = [&](bool first_of_album, int slices) {
        if (first_of_album) album_art_forget();
        EXPECT_TRUE(player_load_track(&player, entry));
        for (int i = 0; i < slices && player_art_step(&player); ++i) {}
    };
    testing::internal::CaptureStderr();
    load(true, 0);
    EXPECT_NE(player.art_pending, nullptr);
    EXPECT_FALSE(shown());
    EXPECT_EQ(told, 0);
    load(false, 1000);
    EXPECT_EQ(player.art_pending, nullptr);
    EXPECT_TRUE(shown());
    EXPECT_EQ(told, 1);
    load(false, 0);  // the next track of the album
    EXPECT_EQ(player.art_pending, nullptr);
    EXPECT_TRUE(shown());
    EXPECT_EQ(told, 2);
    load(true, 1);
    load(true, 1);  // a track change in the middle: one decode left, told once
    EXPECT_FALSE(shown());
    while (player_art_step(&player)) {}
    EXPECT_TRUE(shown());
    EXPECT_EQ(told, 3);
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("WARNING"), std::string::npos);
    playlist_entry_destroy(entry);
}

TEST_F(LoadFixture, AFileThatCannotBePlayedIsReportedAndChangesNothing) {
    std::ofstream(dir / "bad.flac") << "not a flac stream at all";
    std::ofstream(dir / "notes.aac") << "x";
    struct Case {
        const char* name;
        const char* reason;
        const char* title;
    } cases[] = {
        {"bad.flac", "loading file failed", "bad"},
        {"notes.aac", "format not implemented", "notes"},
        {"gone.mp3", "loading file failed", "gone"},
    };
    PlaylistEntry* good = playlist_entry_create((dir / "a.wav").c_str());
    testing::internal::CaptureStderr();
    ASSERT_TRUE(player_load_track(&player, good));
    testing::internal::GetCapturedStderr();
    const Track* playing = player.track;
    for (const Case& c : cases) {
        std::string path = (dir / c.name).string();
        PlaylistEntry* entry = playlist_entry_create(path.c_str());
        testing::internal::CaptureStderr();
        EXPECT_FALSE(player_load_track(&player, entry)) << c.name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "loading file " + path + "\nWARNING: cannot play, skipped: " + path + " (" +
                      c.reason + ")\n");
        EXPECT_EQ(player.track, playing) << c.name;
        EXPECT_STREQ(entry->title, c.title);
        EXPECT_STREQ(entry->artist, "unknown artist");
        EXPECT_EQ(entry->unplayable, 1);
        playlist_entry_destroy(entry);
    }
    // A file that failed before and plays now shows its tags.
    display_strings_fill_unplayable(good);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(player_load_track(&player, good));
    testing::internal::GetCapturedStderr();
    EXPECT_STREQ(good->title, "Title");
    EXPECT_EQ(good->unplayable, 0);
    playlist_entry_destroy(good);
}

}  // namespace
