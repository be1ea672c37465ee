// UTF-8 decoding, font loading and text layout with real TrueType and CFF fonts.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "imaging/text.h"
#include "tests/imaging/imaging_test_util.h"
#include "tests/lib/temp_dir.h"

namespace {

const char* const DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const NIMBUS = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf";

TEST(Utf8, SequenceLength) {
    struct Case {
        uint8_t b;
        int32_t len;
    } cases[] = {{0x00, 1}, {0x41, 1}, {0x7F, 1},  {0x80, -1}, {0xBF, -1},
                 {0xC3, 2}, {0xDF, 2}, {0xE2, 3},  {0xEF, 3},  {0xF0, 4},
                 {0xF4, 4}, {0xF7, 4}, {0xF8, -1}, {0xFC, -1}, {0xFF, -1}};
    for (const Case& c : cases) EXPECT_EQ(utf8_sequence_length(&c.b), c.len) << int(c.b);
}

TEST(Utf8, Decode) {
    struct Case {
        std::string bytes;
        int32_t len, cp;
    } cases[] = {
        {"A", 1, 0x41},
        {"\xC3\xA9", 2, 0xE9},
        {"\xE2\x82\xAC", 3, 0x20AC},
        {"\xF0\x9F\x8E\xB5", 4, 0x1F3B5},
        {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
        {"\xF4\x90\x80\x80", 4, -1},            // above U+10FFFF
        {"\xC3\x28", 2, -1},                    // second byte not a continuation
        {std::string("\xE2\x82\0", 3), 3, -1},  // truncated by the terminator
        {"\x80", -1, -1},                       // continuation only
        {"\xC0\x80", 2, 0},                     // overlong forms decode as they are
        {"\xED\xA0\x80", 3, 0xD800},            // so do surrogates
        {"A", 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8_decode(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.len), c.cp)
            << c.len;
}

struct FontCase {
    const char* path;
};

class TextLayout : public testing::TestWithParam<FontCase> {
protected:
    void SetUp() override {
        FILE* f = fopen(GetParam().path, "rb");
        ASSERT_NE(f, nullptr) << GetParam().path << " missing: run scripts/install-deps.sh";
        fclose(f);
        font = font_load(GetParam().path);
        ASSERT_NE(font, nullptr);
        style = style_with(255, 255, 255, 255);
        // Width of "M" at 40 pixels, the unit of the limit cases below.
        font_set_pixel_height(font, 40);
        GlyphMetrics m;
        glyph_get(font, glyph_of('M'), style.colour, true, &m);
        adv = m.advance;
    }
    void TearDown() override { font_free(font); }
    int32_t glyph_of(int cp);
    int32_t lit_columns_max(const Image* img) {
        int32_t last = -1;
        for (int y = 0; y < img->height; ++y)
            for (int x = 0; x < img->width; ++x)
                if (px_get(img, x, y) >> 24) last = std::max(last, x);
        return last;
    }
    bool any_lit_rows(const Image* img, int y0, int y1) {
        for (int y = y0; y < y1 && y < img->height; ++y)
            for (int x = 0; x < img->width; ++x)
                if (px_get(img, x, y) >> 24) return true;
        return false;
    }
    Font* font = nullptr;
    UiStyle style{};
    int32_t adv = 0;
};

}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_truetype.h>
#pragma GCC diagnostic pop

namespace {

int32_t TextLayout::glyph_of(int cp) { return stbtt_FindGlyphIndex(font->info, cp); }

TEST_P(TextLayout, MeasureClipAndWrap) {
    ASSERT_GT(adv, 10);
    const double limit = 3 * adv + adv / 2;  // room for three glyphs and a half
    struct Case {
        const char* text;
        int32_t mode;
        double limit;
        int32_t expect;
    } cases[] = {
        {"MMMMM", TEXT_MEASURE | TEXT_CLIP, 10000, 5 * adv},
        {"MMMMM", TEXT_CLIP, limit, 3 * adv},
        {"MMMMM", TEXT_MEASURE | TEXT_CLIP, limit, 3 * adv},
        {"MMMMM", TEXT_WRAP, limit, 2},
        {"MMMMMMMMM", TEXT_WRAP | TEXT_MEASURE, limit, 3},
        {"MMMMM", 0, limit, 1},
        {"MM", TEXT_CLIP, adv / 2.0, 0},  // first glyph wider than the limit
        {"MM", TEXT_WRAP, adv / 2.0, 1},
        {"M\nM", TEXT_CLIP, 10000, adv},   // newline ends clipped text
        {"M\nM", TEXT_MEASURE, 10000, 1},  // and is skipped without a mode
        {"M\nM", TEXT_WRAP, 10000, 2},
        {"M\xC3(M", TEXT_MEASURE | TEXT_CLIP, 10000, adv},  // invalid UTF-8 ends the text
        {"\x80M", TEXT_MEASURE | TEXT_CLIP, 10000, 0},
        {"\xF4\x90\x80\x80M", TEXT_MEASURE | TEXT_CLIP, 10000, 0},
        {"", TEXT_CLIP, 10000, 0},
    };
    for (const Case& c : cases) {
        Image* img = image_new(300, 120);
        int32_t got = text_draw(img, &style, font, c.text, c.mode, 40, c.limit);
        EXPECT_EQ(got, c.expect) << "\"" << c.text << "\" mode " << c.mode;
        if (c.mode & TEXT_MEASURE) {
            EXPECT_EQ(lit_columns_max(img), -1) << "measuring draws nothing";
        }
        image_free(img);
    }
}

TEST_P(TextLayout, DrawsWhereTheLayoutSays) {
    const double limit = 3 * adv + adv / 2;
    Image* img = image_new(300, 120);
    // Clipped: three glyphs, nothing beyond the third advance, one line.
    text_draw(img, &style, font, "MMMMM", TEXT_CLIP, 40, limit);
    EXPECT_GE(lit_columns_max(img), 2 * adv);
    EXPECT_LT(lit_columns_max(img), 3 * adv + 2);
    EXPECT_FALSE(any_lit_rows(img, 40, 120));
    image_free(img);

    // Wrapped: the fourth glyph lands one pixel height lower.
    img = image_new(300, 120);
    text_draw(img, &style, font, "MMMMM", TEXT_WRAP, 40, limit);
    EXPECT_TRUE(any_lit_rows(img, 40, 80));
    EXPECT_FALSE(any_lit_rows(img, 80, 120));
    image_free(img);

    // No limit: all five are drawn; a narrow view clips them.
    img = image_new(300, 120);
    Image view = image_view(img, {0, 0, 2 * adv, 40});
    EXPECT_EQ(text_draw(&view, &style, font, "MMMMM", 0, 40, limit), 1);
    EXPECT_LT(lit_columns_max(img), 2 * adv);
    EXPECT_GT(lit_columns_max(img), adv);
    image_free(img);

    img = image_new(300, 120);
    EXPECT_EQ(text_draw(img, &style, font, "MMMMM", 0, 40, limit), 1);
    EXPECT_GE(lit_columns_max(img), 4 * adv);
    image_free(img);

    // The text offsets move the pen.
    img = image_new(300, 120);
    UiStyle moved = style;
    moved.text_x = 100;
    moved.text_y = 60;
    text_draw(img, &moved, font, "M", TEXT_CLIP, 40, 1000);
    // Outlines may reach a pixel or two above the ascent line.
    EXPECT_FALSE(any_lit_rows(img, 0, 57));
    EXPECT_TRUE(any_lit_rows(img, 60, 100));
    EXPECT_GE(lit_columns_max(img), 100);
    image_free(img);
}

TEST_P(TextLayout, CacheRasterisesOncePerHeight) {
    Image* img = image_new(300, 60);
    const uint32_t start = font->glyphs_rasterized;
    text_draw(nullptr, &style, font, "Qulmo", TEXT_MEASURE, 30, 1000);
    EXPECT_EQ(font->glyphs_rasterized, start) << "measuring never rasterises";
    text_draw(img, &style, font, "Qulmo", 0, 30, 1000);
    EXPECT_EQ(font->glyphs_rasterized, start + 5);
    text_draw(img, &style, font, "Qulmo Qulmo", 0, 30, 1000);
    EXPECT_EQ(font->glyphs_rasterized, start + 6) << "only the space is new";
    text_draw(img, &style, font, "Qulmo", 0, 31, 1000);
    EXPECT_EQ(font->glyphs_rasterized, start + 11) << "another height rasterises again";
    // Measuring a cached glyph gives the same width as drawing it.
    EXPECT_EQ(text_draw(nullptr, &style, font, "Qulmo", TEXT_MEASURE | TEXT_CLIP, 30, 1000),
              text_draw(img, &style, font, "Qulmo", TEXT_CLIP, 30, 1000));
    image_free(img);
}

TEST_P(TextLayout, GlyphAlphaFromColourAndCoverage) {
    struct Case {
        uint8_t alpha, expect_max;
    } cases[] = {{255, 255}, {127, 127}, {0, 0}};
    for (const Case& c : cases) {
        font_set_pixel_height(font, 60);
        GlyphMetrics m;
        const Image* g = glyph_get(font, glyph_of('I'), {10, 20, 30, c.alpha}, false, &m);
        ASSERT_NE(g, nullptr);
        ASSERT_GT(m.width, 0);
        ASSERT_GT(m.height, 0);
        uint32_t max_alpha = 0;
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width; ++x) {
                uint32_t p = px_get(g, x, y);
                max_alpha = std::max(max_alpha, p >> 24);
                ASSERT_EQ(p & 0xFFFFFF, rgba(10, 20, 30, 0));
            }
        EXPECT_EQ(max_alpha, c.expect_max);
    }
    // Empty glyphs have no bitmap but advance.
    GlyphMetrics m;
    glyph_get(font, glyph_of(' '), {1, 1, 1, 255}, false, &m);
    EXPECT_EQ(m.width * m.height, 0);
    EXPECT_GT(m.advance, 0);
}

TEST_P(TextLayout, Degenerate) {
    EXPECT_EQ(text_draw(nullptr, &style, nullptr, "x", 0, 20, 100), -1);
    EXPECT_EQ(text_draw(nullptr, &style, font, nullptr, 0, 20, 100), -1);
    Image* img = image_new(10, 10);
    EXPECT_EQ(text_draw(img, &style, font, "MM", TEXT_CLIP, 0, 100), 0);
    EXPECT_EQ(text_draw(img, &style, font, "MM", TEXT_CLIP, -5, 100), 0);
    EXPECT_EQ(text_draw(img, &style, font, "MM", TEXT_CLIP, 1e12, 100), 0);
    EXPECT_EQ(text_draw(img, nullptr, font, "MM", 0, 12, 100), 1);
    UiStyle far = style;
    far.text_x = 1e300;
    EXPECT_EQ(text_draw(img, &far, font, "MMMM", 0, 12, 1e300), 1);
    image_free(img);
}

INSTANTIATE_TEST_SUITE_P(Fonts, TextLayout, testing::Values(FontCase{DEJAVU}, FontCase{NIMBUS}),
                         [](const testing::TestParamInfo<FontCase>& i) {
                             return std::string(i.param.path == DEJAVU ? "TrueType" : "Cff");
                         });

TEST(FontLoad, CffFontHasNoGlyfTable) {
    Font* f = font_load(NIMBUS);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(memcmp(f->bytes, "OTTO", 4), 0);
    EXPECT_GT(f->ascent, 0);
    EXPECT_LT(f->descent, 0);
    EXPECT_EQ(f->pixel_height, 1);
    font_free(f);
}

TEST(FontLoadDeathTest, FailuresAreFatal) {
    TempDir dir;
    struct Case {
        std::string path;
        const char* detail;
    } cases[] = {
        {"/nonexistent/font.ttf", "file does not exist"},
        {dir.file("empty.ttf"), "loading font failed"},
        {dir.file("junk.ttf", std::string(4000, 'x')), "loading font failed"},
        // a table directory that points past the end of the file
        {dir.file("past_end.ttf",
                  std::string("\0\1\0\0\0\1\0\0\0\0\0\0cmap\0\0\0\0\0\0\0\x20\0\0\x10\0", 28) +
                      std::string(8, '\0')),
         "loading font failed"},
    };
    for (const Case& c : cases) {
        EXPECT_EXIT((void)font_load(c.path.c_str()), testing::ExitedWithCode(1),
                    std::string("FATAL ERROR: error opening font: ") + c.detail)
            << c.path;
    }
}

TEST(FontLoad, MemoryVariantBorrowsAndRefuses) {
    const uint8_t junk[64] = {0, 1, 0, 0};
    EXPECT_EQ(font_load_memory(junk, sizeof junk), nullptr);
    EXPECT_EQ(font_load_memory(nullptr, 10), nullptr);
    FILE* f = fopen(DEJAVU, "rb");
    ASSERT_NE(f, nullptr);
    std::string bytes;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    fclose(f);
    Font* font = font_load_memory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->bytes_borrowed, 1);
    UiStyle s = style_with(0, 0, 0, 255);
    EXPECT_GT(text_draw(nullptr, &s, font, "abc", TEXT_MEASURE | TEXT_CLIP, 20, 1000), 0);
    font_free(font);  // must not free the borrowed bytes
}

}  // namespace
