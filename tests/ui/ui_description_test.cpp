// UI description parser, name hash, element lookup and the static prefix.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/memory.h"
#include "imaging/image.h"
#include "tests/lib/temp_dir.h"
#include "ui/ui_description.h"

namespace {

uint64_t hash_of(const std::string& s) {
    // An exact-size heap copy, so that a read past the name is caught by ASan.
    char* copy = static_cast<char*>(malloc(s.size() ? s.size() : 1));
    memcpy(copy, s.data(), s.size());
    uint64_t h = ui_name_hash(copy, static_cast<uint32_t>(s.size()));
    free(copy);
    return h;
}

int used_count() {
    int n = 0;
    while (n < UI_MAX_ELEMENTS && ui_elements[n].type != UI_END) ++n;
    return n;
}

struct TableReset : ::testing::Test {
    void TearDown() override { ui_free_elements(); }
    void parse(const std::string& text, double scale = 1.0) {
        ui_parse_bytes(std::span<const char>(text.data(), text.size()), scale, "/nonexistent-dir");
    }
};

TEST(UiNameHash, CheckValuesAndEveryTailLength) {
    // Reference values from a separate implementation of the same hash; the names
    // cover every tail length 0..15 and the two-block path (16 bytes and more).
    struct Case {
        const char* name;
        uint32_t length;
        uint64_t hash;
    } cases[] = {
        {"color", 5, 0x8d7f7c9f284874ccULL},
        {"window", 6, 0xe6444dc943e31665ULL},
        {"<albumart>", 10, 0xd54f7070a49525c2ULL},
        {"", 0, 0x0fb1a2e163364757ULL},
        {"a", 1, 0xf1ff33dca6bc0cf5ULL},
        {"fg", 2, 0x07d551704d72c840ULL},
        {"bg1", 3, 0xd4b4259d07fd4ec7ULL},
        {"slbx", 4, 0xfb06ca15215ecbc1ULL},
        {"-----", 5, 0xd574a3166c092947ULL},
        {"<art>x", 6, 0x5920ea5f59845d8cULL},
        {"abcdefg", 7, 0x8bb487fccfc1a5ccULL},
        {"12345678", 8, 0xda3c37b5c694e2dbULL},
        {"ninechars", 9, 0xbed59eeeebdf6a1fULL},
        {"tenchars!!", 10, 0xa674d1707888c953ULL},
        {"elevenchars", 11, 0xe2700449e52df1b8ULL},
        {"twelve_chars", 12, 0xcfcbe875bba5d8beULL},
        {"thirteen_char", 13, 0x8ad6970d97d0ff21ULL},
        {"fourteen_chars", 14, 0x8f1866a48f895bc0ULL},
        {"fifteen_chars__", 15, 0x3f92c00591022894ULL},
        {"sixteen_chars___", 16, 0xe66fe995a3c707feULL},
        {"seventeen_chars__", 17, 0xd27088feeb4d7c67ULL},
        {"a_name_of_31_bytes_exactly_yes!", 31, 0x70c071c2c76798c8ULL},
        {"\xff\x80\x01", 3, 0x029f4afe503fbd02ULL},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(strlen(c.name), c.length) << c.name;
        EXPECT_EQ(hash_of(std::string(c.name, c.length)), c.hash) << '"' << c.name << '"';
    }
}

TEST(UiNameHash, DependsOnlyOnTheGivenBytes) {
    std::string text = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (uint32_t n = 0; n <= 31; ++n) {
        uint64_t exact = hash_of(text.substr(0, n));
        EXPECT_EQ(ui_name_hash(text.data(), n), exact) << n;
        // Changing the byte just past the name changes nothing.
        std::string other = text;
        other[n] ^= 0x55;
        EXPECT_EQ(ui_name_hash(other.data(), n), exact) << n;
    }
}

TEST(UiKeywords, EveryKeywordHasItsNumber) {
    const char* words[] = {
        "end",        "albumart",   "image",       "background", "title",      "artist",
        "album",      "track",      "meta",        "curtime",    "remtime",    "totaltime",
        "statsdebug", "volume",     "rect",        "rectdebug",  "line",       "border",
        "fft",        "waveform",   "blur",        "blurdebug",  "regionseek", "regionplay",
        "regionprev", "regionnext", "regionquit",  "window",     "font",       "offset",
        "frametime",  "color",      "roundradius", "startpos",   "drawonly",   "scrollspeed"};
    for (int32_t type = 0; type < 36; ++type)
        EXPECT_EQ(ui_keyword_type(words[type], strlen(words[type])), type) << words[type];
    for (const char* w : {"", "en", "ends", "Rect", "colour", "rect ", "regionseek2"})
        EXPECT_EQ(ui_keyword_type(w, strlen(w)), UI_UNKNOWN) << w;
}

TEST_F(TableReset, ScalingAndTruncation) {
    parse(
        "rect a 0 200 300 100 0 color c 163 180 156 175 0 offset - 1 2 3 4 0 "
        "frametime - 16 2 3 4 0 drawonly d 3 5 6 7 0 startpos s 10 20 30 40 0 "
        "roundradius r 5 0 0 0 0 window - 1 1 300 300 0",
        2.0);
    ASSERT_EQ(used_count(), 8);
    struct Expect {
        int32_t type;
        Rect r;
    } expected[] = {
        {UI_RECT, {0, 400, 600, 200}},   {UI_COLOR, {163, 180, 156, 175}},
        {UI_OFFSET, {1, 2, 3, 4}},       {UI_FRAMETIME, {16, 2, 3, 4}},
        {UI_DRAWONLY, {3, 5, 6, 7}},     {UI_STARTPOS, {20, 40, 60, 80}},
        {UI_ROUNDRADIUS, {10, 0, 0, 0}}, {UI_WINDOW, {2, 2, 600, 600}},
    };
    for (int i = 0; i < 8; ++i) {
        const UiElement& e = ui_elements[i];
        EXPECT_EQ(e.type, expected[i].type) << i;
        EXPECT_EQ(e.rect.x, expected[i].r.x) << i;
        EXPECT_EQ(e.rect.y, expected[i].r.y) << i;
        EXPECT_EQ(e.rect.w, expected[i].r.w) << i;
        EXPECT_EQ(e.rect.h, expected[i].r.h) << i;
    }

    parse("rect a 5 -5 3 1 0 color c 5 -5 3 1 0", 1.5);
    ASSERT_EQ(used_count(), 2);
    EXPECT_EQ(ui_elements[0].rect.x, 7);   // 7.5
    EXPECT_EQ(ui_elements[0].rect.y, -7);  // -7.5 toward zero
    EXPECT_EQ(ui_elements[0].rect.w, 4);   // 4.5
    EXPECT_EQ(ui_elements[0].rect.h, 1);   // 1.5
    EXPECT_EQ(ui_elements[1].rect.x, 5);
    EXPECT_EQ(ui_elements[1].rect.y, -5);

    // Huge values at a large scale stay at the edge of the int range.
    parse("rect a 2000000000 -2000000000 99999999999 1 0", 4.0);
    EXPECT_EQ(ui_elements[0].rect.x, INT32_MAX);
    EXPECT_EQ(ui_elements[0].rect.y, INT32_MIN);
    EXPECT_EQ(ui_elements[0].rect.w, INT32_MAX);
}

TEST_F(TableReset, FieldsNamesAndFlags) {
    parse("title fg 1 2 3 4 0x10\n");  // "0x10" reads as 0, then "x10" is no record
    ASSERT_EQ(used_count(), 1);
    EXPECT_EQ(ui_elements[0].flags, 0u);

    parse("\t title\n fg\r\n1\t+2  -3 4\n 0x7ffff05 rect bg 0 0 1 1 16777216 bogus - 0 0 0 0 0");
    ASSERT_EQ(used_count(), 1);  // "0x7ffff05" -> flags 0, then "x7ffff05" ends it

    parse("title fg 1 +2 -3 4 2130706437 rect bg 0 0 1 1 -1 bogus - 0 0 0 0 0");
    ASSERT_EQ(used_count(), 3);
    EXPECT_EQ(ui_elements[0].type, UI_TITLE);
    EXPECT_EQ(ui_elements[0].name_hash, hash_of("fg"));
    EXPECT_EQ(ui_elements[0].rect.y, 2);
    EXPECT_EQ(ui_elements[0].rect.w, -3);
    EXPECT_EQ(ui_elements[0].flags, 0x7e000005u);  // unknown bits are kept, the marker is not
    EXPECT_EQ(ui_elements[1].flags, 0xffffffffu & ~UI_FLAG_ALBUMART);
    EXPECT_EQ(ui_elements[2].type, UI_UNKNOWN);

    // The album-art marker comes from the parser, never from the text alone.
    parse(
        "albumart x 0 0 10 10 0 image <albumart> 0 0 10 10 4 image <albumart>x 0 0 2 2 0 "
        "rect r 0 0 1 1 16777216");
    ASSERT_EQ(used_count(), 4);
    EXPECT_EQ(ui_elements[0].flags, UI_FLAG_ALBUMART);
    EXPECT_EQ(ui_elements[1].flags, UI_FLAG_ALBUMART | UI_FLAG_BLEND);
    EXPECT_EQ(ui_elements[0].data, nullptr);
    EXPECT_EQ(ui_elements[1].data, nullptr);
    EXPECT_EQ(ui_elements[2].flags & UI_FLAG_ALBUMART, 0u);
    EXPECT_NE(ui_elements[2].data, nullptr);  // a (missing) file, not the album art
    EXPECT_EQ(ui_elements[3].flags, 0u);      // written by the file: dropped
}

TEST_F(TableReset, EndsOfTheDescription) {
    std::string long_word(40, 'k');
    struct Case {
        std::string text;
        int count;
    } cases[] = {
        {"", 0},
        {"   \n\t ", 0},
        {"end - 0 0 0 0 0 window - 0 0 300 300 0", 0},
        {"window - 0 0 300 300 0 end - 0 0 0 0 0 rect a 0 0 1 1 0", 1},
        {"window - 0 0 300 300 0 end", 1},           // a short "end" record: malformed
        {"window - 0 0 300 300", 0},                 // six fields
        {"window - 0 0 300 300 0 rect a 1 2 3", 1},  // stops at the short record
        {"window - 0 0 300 x 0", 0},
        {"window - 0 0 300 - 0", 0},
        {"window - 0 0 300 + 0", 0},
        {long_word + " a 1 2 3 4 0", 0},          // cut keyword: the name is read as x
        {"rect " + long_word + " 1 2 3 4 0", 0},  // cut name: its rest is read as x
        {"rect " + std::string(31, 'n') + " 1 2 3 4 0", 1},
        {"rect a 1 2 3 4 5" + std::string(1, '\0') + " rect b 1 2 3 4 5", 1},
    };
    for (const Case& c : cases) {
        parse(c.text);
        EXPECT_EQ(used_count(), c.count) << '"' << c.text << '"';
    }
    parse("rect " + std::string(31, 'n') + " 1 2 3 4 0");
    EXPECT_EQ(ui_elements[0].name_hash, hash_of(std::string(31, 'n')));
}

TEST_F(TableReset, KeepsAtMost256Records) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "rect r" + std::to_string(i) + " " + std::to_string(i) + " 0 1 1 0\n";
    text += "window - 0 0 10 10 0\n";
    parse(text);
    for (int i = 0; i < UI_MAX_ELEMENTS; ++i) {
        ASSERT_EQ(ui_elements[i].type, UI_RECT) << i;
        ASSERT_EQ(ui_elements[i].rect.x, i);
    }
    // A full table has no terminator: lookups stop at its last slot.
    EXPECT_EQ(ui_find_element(UI_WINDOW), nullptr);
    EXPECT_EQ(ui_static_count(), UI_MAX_ELEMENTS);
}

TEST_F(TableReset, ReadsOnlyTheBytesGiven) {
    // The span ends in the middle of the last number: the byte after it is not read.
    std::string text = "rect a 1 2 3 4 56";
    char* exact = static_cast<char*>(malloc(text.size() - 1));
    memcpy(exact, text.data(), text.size() - 1);
    ui_parse_bytes(std::span<const char>(exact, text.size() - 1), 1.0, "/x");
    EXPECT_EQ(used_count(), 1);
    EXPECT_EQ(ui_elements[0].flags, 5u);
    // A record cut inside its name.
    ui_parse_bytes(std::span<const char>(exact, 6), 1.0, "/x");
    EXPECT_EQ(used_count(), 0);
    free(exact);
}

TEST_F(TableReset, FontAndImageFilesComeFromTheConfigurationDirectory) {
    TempDir temp;
    const char* dir = temp.path.c_str();
    // A 2 x 1 image file: red, then blue (a 24-bit BMP).
    const uint8_t bmp[] = {
        'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54,  0,   0, 0,         // file header
        40,  0,   0,  0, 2, 0, 0, 0, 1, 0, 0,   0,   1, 0, 24, 0,  // info header
        0,   0,   0,  0, 8, 0, 0, 0, 0, 0, 0,   0,   0, 0, 0,  0,
        0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0,  0};  // BGR red, BGR blue, padding
    temp.file("pic.bmp", std::string_view(reinterpret_cast<const char*>(bmp), sizeof bmp));

    std::string text = "font f.ttf 0 0 0 0 0 image pic.bmp 0 0 4 3 0 image missing.png 1 1 5 2 0";
    ui_parse_bytes(std::span<const char>(text.data(), text.size()), 1.0, dir);
    ASSERT_EQ(used_count(), 3);
    EXPECT_STREQ(ui_element_path(ui_elements[0]), (std::string(dir) + "/f.ttf").c_str());
    Image* img = ui_element_image(ui_elements[1]);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 4);
    EXPECT_EQ(img->height, 3);
    // Left column red, right column blue after scaling.
    EXPECT_EQ(img->pixels[0], 255);
    EXPECT_EQ(img->pixels[2], 0);
    EXPECT_EQ(img->pixels[3 * 4 + 2], 255);
    EXPECT_EQ(img->pixels[3 * 4 + 0], 0);
    Image* missing = ui_element_image(ui_elements[2]);
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->width, 5);
    EXPECT_EQ(missing->height, 2);
    for (int i = 0; i < 5 * 2 * 4; ++i) ASSERT_EQ(missing->pixels[i], 0);

    // An image element larger than any picture we decode is kept without a picture.
    text = "image pic.bmp 0 0 5000 4000 0 image pic.bmp 0 0 1 1 0";
    ui_parse_bytes(std::span<const char>(text.data(), text.size()), 1.0, dir);
    ASSERT_EQ(used_count(), 2);
    EXPECT_EQ(ui_elements[0].type, UI_IMAGE);
    EXPECT_EQ(ui_elements[0].rect.w, 5000);
    EXPECT_EQ(ui_element_image(ui_elements[0]), nullptr);
    EXPECT_NE(ui_element_image(ui_elements[1]), nullptr);
}

// What an author sees: one warning per problem, naming the record's line, and the
// look loaded as far as the format goes.
TEST_F(TableReset, WarningsNameTheLine) {
    struct Case {
        std::string text;
        std::vector<std::string> warnings;  // in order, after the time stamp
        int count;                          // records kept
    } cases[] = {
        {"window - 0 0 10 10 0\nrect a 1 2 3 4 0\nend", {}, 2},
        {"window - 0 0 10 10 0\n\nrecct a 1 2 3 4 0\nrect a 1 2 3 4 0\n",
         {"look.txt line 3: unknown element type 'recct'"},
         3},
        {"window - 0 0 10 10 0\nrect a 1 2 3\nrect b 1 2 3 4 0\n",
         {"look.txt line 2: 'rect' record has 5 of 7 fields; the description ends here"},
         1},
        {"window - 0 0 10 10 0 rect a 1 2\n3 x 0\nrect b 1 2 3 4 0\n",
         {"look.txt line 1: 'rect' record: field 6 is 'x', not a number; the description ends "
          "here"},
         1},
        {"color c 1 2 3 4 0\n\n\n  image gone.png\t0 0 4 4 0\nwindow - 0 0 10 10 0",
         {"loading image from file failed: can't fopen",
          "look.txt line 4: image file 'gone.png' not found"},
         3},
        // Refused before anything is read or allocated: too tall for any picture, then
        // past the 64 MB of pixels.
        {"window - 0 0 10 10 0\nimage <albuma`r> 0 -5 -2147483648 9999993 255\n"
         "image gone.png 0 0 4097 4096 0",
         {"look.txt line 2: image '<albuma`r>' of -2147483648 x 9999993 is too large to draw",
          "look.txt line 3: image 'gone.png' of 4097 x 4096 is too large to draw"},
         3},
        {"\x1b[2Jx a 1 1 1 1 0 window - 0 0 10 10 0",
         {"look.txt line 1: unknown element type '?[2Jx'"},
         2},
        {"bogus a 1 1 1 1 0\nwindow - 0 0 10 10 0\nrect",
         {"look.txt line 1: unknown element type 'bogus'",
          "look.txt line 3: 'rect' record has 1 of 7 fields; the description ends here"},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        testing::internal::CaptureStderr();
        ui_parse_bytes(std::span<const char>(c.text.data(), c.text.size()), 1.0, "/nonexistent-dir",
                       "look.txt");
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(used_count(), c.count);
        std::vector<std::string> lines;
        for (size_t at = 0, nl; (nl = err.find('\n', at)) != std::string::npos; at = nl + 1)
            lines.push_back(err.substr(at, nl - at));
        ASSERT_EQ(lines.size(), c.warnings.size()) << err;
        for (size_t i = 0; i < lines.size(); ++i) {
            size_t body = lines[i].find("] WARNING: ");
            ASSERT_NE(body, std::string::npos) << lines[i];
            EXPECT_EQ(lines[i].substr(body + 11), c.warnings[i]);
        }
    }
    // A full table says so once, at the first record it leaves out.
    std::string text;
    for (int i = 0; i < 257; ++i) text += "rect r 0 0 1 1 0\n";
    testing::internal::CaptureStderr();
    parse(text + "\n");
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "ui description line 257: more than 256 records; the rest is ignored"),
              std::string::npos);
}

TEST_F(TableReset, FindElementGivesTheFirstOfItsType) {
    parse("regionseek - 1 2 3 4 0 window - 0 0 300 200 0 window - 5 5 5 5 0 rect a 0 0 1 1 0");
    Rect* w = ui_find_element(UI_WINDOW);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w, &ui_elements[1].rect);
    EXPECT_EQ(w->w, 300);
    EXPECT_EQ(ui_find_element_record(UI_REGIONSEEK), &ui_elements[0]);
    EXPECT_EQ(ui_find_element(UI_FFT), nullptr);
    EXPECT_EQ(ui_find_element(UI_END), nullptr);
}

TEST_F(TableReset, StaticPrefix) {
    struct Case {
        const char* text;
        int count;
    } cases[] = {
        {"", 0},
        {"color a 1 1 1 1 0 window - 0 0 1 1 0 image <albumart> 0 0 1 1 0 blur - 0 0 1 1 0 "
         "title a 0 0 1 1 1",
         5},
        {"rect a 0 0 1 1 0 curtime a 0 0 1 1 0 rect b 0 0 1 1 0", 1},
        {"rect a 0 0 1 1 2 rect b 0 0 1 1 0", 0},
        {"title a 0 0 1 1 64 rect b 0 0 1 1 0", 0},
        {"rect a 0 0 1 1 8", 0},
        {"rect a 0 0 1 1 16", 0},
        {"rect a 0 0 1 1 1024", 0},
        {"rect a 0 0 1 1 1 rect a 0 0 1 1 4 rect a 0 0 1 1 32 rect a 0 0 1 1 128 "
         "rect a 0 0 1 1 256 rect a 0 0 1 1 512 rect a 0 0 1 1 16777216",
         7},
        {"offset - 1 0 0 0 0 title a 0 0 1 1 0 remtime a 0 0 1 1 0", 2},
        {"line a 0 0 1 1 0 statsdebug a 0 0 1 1 0", 1},
        {"line a 0 0 1 1 0 volume a 0 0 1 1 0", 1},
        {"line a 0 0 1 1 0 rectdebug a 0 0 1 1 0", 1},
        {"line a 0 0 1 1 0 fft a 0 0 1 1 0", 1},
        {"line a 0 0 1 1 0 waveform a 0 0 1 1 0", 1},
        {"line a 0 0 1 1 0 blurdebug a 0 0 1 1 0", 1},
        {"border a 0 0 1 1 0 blur a 0 0 1 1 0 totaltime a 0 0 1 1 0 bogus - 0 0 0 0 0", 4},
    };
    for (const Case& c : cases) {
        parse(c.text);
        EXPECT_EQ(ui_static_count(), c.count) << c.text;
    }
}

TEST_F(TableReset, DefaultDescription) {
    ui_parse_bytes(std::span<const char>(ui_default_description, strlen(ui_default_description)),
                   1.0, "/x");
    ASSERT_EQ(used_count(), 16);
    const int32_t types[] = {UI_COLOR,  UI_COLOR, UI_COLOR,  UI_COLOR,  UI_COLOR,      UI_COLOR,
                             UI_WINDOW, UI_IMAGE, UI_BLUR,   UI_RECT,   UI_REGIONSEEK, UI_TITLE,
                             UI_ARTIST, UI_RECT,  UI_BORDER, UI_CURTIME};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(ui_elements[i].type, types[i]) << i;
    Rect* w = ui_find_element(UI_WINDOW);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->w, 300);
    EXPECT_EQ(w->h, 300);
    EXPECT_EQ(ui_elements[7].flags, UI_FLAG_ALBUMART);
    EXPECT_EQ(ui_elements[13].flags, UI_FLAG_SEEK_PROGRESS);
    // Everything up to the seek bar's fill is static.
    EXPECT_EQ(ui_static_count(), 13);
    // The default text is also what ui_parse sees.
    ui_parse(ui_default_description, 2.0);
    EXPECT_EQ(used_count(), 16);
    EXPECT_EQ(ui_find_element(UI_WINDOW)->w, 600);
}

}  // namespace
