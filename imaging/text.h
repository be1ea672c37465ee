// Fonts, the glyph cache and text layout.
//
//   font_load(path)                 TrueType or CFF font file; all failures are fatal
//                                   ("error opening font": "file does not exist",
//                                   "file too large", "loading font failed").
//   font_load_memory(bytes, size)   same from bytes the caller keeps alive (borrowed);
//                                   returns null instead of failing.
//   font_free(font)                 font, bytes (unless borrowed), glyph cache, scratch.
//   font_set_pixel_height(font, px) scale = px / (ascent - descent).
//   glyph_get(font, glyph, colour, measure_only, metrics)
//       Looks the glyph up in the cache for the current pixel height; on a miss it
//       rasterises and caches it, except when measure_only (then only its box is read).
//       Fills metrics; returns null when measure_only, else the font's scratch image
//       whose top-left width x height pixels are the glyph in the colour, alpha =
//       ((colour alpha + 1) x coverage) >> 8, valid until the next call.
//   text_draw(target, style, font, text, mode, size, limit)
//       Lays out zero-terminated UTF-8 text at (style text_x, text_y) with pixel height
//       size; target null or TEXT_MEASURE draws nothing. Invalid UTF-8 ends the text.
//       TEXT_WRAP: a glyph passing the limit and a newline start a new line.
//       TEXT_CLIP: they end the text. A glyph wider than the limit at a line start ends
//       the text under either. Returns the width with TEXT_CLIP, else the line count;
//       -1 when font or text is null.
#pragma once
#include <cstdint>

#include "imaging/image.h"
#include "imaging/utf8.h"

struct stbtt_fontinfo;

struct GlyphCacheEntry {
    uint8_t* coverage;  // width x height bytes, null for empty glyphs
    int32_t width, height;
    int32_t x0, y0;  // bitmap box top-left relative to the pen on the baseline
    int32_t pixel_height;
    int32_t glyph;
};

// Glyphs are bucketed by pixel height and index >> 6, a slot for each of the 64
// indexes of a bucket; buckets and entries are never evicted.
constexpr int32_t GLYPH_BUCKET_SLOTS = 64;
struct GlyphBucket {
    GlyphCacheEntry* slots[GLYPH_BUCKET_SLOTS];
    int32_t key;
    int32_t pixel_height;
    GlyphBucket* next;
};

struct Font {
    stbtt_fontinfo* info;
    uint8_t* bytes;            // file content + 1024 zero bytes
    GlyphBucket* glyph_cache;  // the bucket last found first
    Image* scratch;            // grows, never shrinks
    int32_t bytes_borrowed;
    float scale;
    int32_t ascent, descent, line_gap;
    int32_t pixel_height;
    uint32_t glyphs_rasterized;  // count of cache misses that rasterised
};

struct GlyphMetrics {
    int32_t x_offset, y_offset;  // from the pen at the top of the line
    int32_t width, height;
    int32_t advance;
};

enum : int32_t { TEXT_MEASURE = 0x1, TEXT_WRAP = 0x2, TEXT_CLIP = 0x4 };

[[nodiscard]] Font* font_load(const char* path);
[[nodiscard]] Font* font_load_memory(const uint8_t* bytes, size_t size);
void font_free(Font* font);
void font_set_pixel_height(Font* font, int32_t px);
const Image* glyph_get(Font* font, int32_t glyph, Colour colour, bool measure_only,
                       GlyphMetrics* metrics);
int32_t text_draw(Image* target, const UiStyle* style, Font* font, const char* text, int32_t mode,
                  double size, double limit);
