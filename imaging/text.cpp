// Glyph images and text layout.
#include "imaging/text.h"

#include <cmath>

#include "foundation/memory.h"
#include "imaging/glyph_cache.h"
#include "imaging/pixel_access.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_truetype.h>
#pragma GCC diagnostic pop

namespace {

// Pixel heights outside 1..TEXT_MAX_PIXEL_HEIGHT lay out nothing: a glyph bitmap is
// height squared bytes, and a broken description must not be able to ask for gigabytes.
constexpr int32_t TEXT_MAX_PIXEL_HEIGHT = 2048;

void grow_scratch(Font* font, int32_t w, int32_t h) {
    Image* s = font->scratch;
    if (s && s->width >= w && s->height >= h) return;
    int32_t nw = s && s->width > w ? s->width : w;
    int32_t nh = s && s->height > h ? s->height : h;
    image_free(s);
    font->scratch = image_new(nw, nh, IMAGE_PIXELS);
}

int32_t saturate32(int64_t v) {
    return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : int32_t(v));
}

}  // namespace

namespace {

// The glyph's coverage for the current pixel height (rasterised and cached on a miss,
// unless measure_only: then only its box is read) and its metrics. Null when
// measuring or when the glyph is empty.
const uint8_t* glyph_coverage(Font* font, int32_t glyph, bool measure_only, GlyphMetrics* metrics) {
    const stbtt_fontinfo* info = font->info;
    const float scale = font->scale;
    int32_t w = 0, h = 0, y0 = 0;
    const uint8_t* coverage = nullptr;
    if (const GlyphCacheEntry* e = glyph_cache_find(font, glyph, font->pixel_height)) {
        w = e->width;
        h = e->height;
        y0 = e->y0;
        coverage = e->coverage;
    } else {
        int bx0 = 0, by0 = 0, bx1 = 0, by1 = 0;
        stbtt_GetGlyphBitmapBox(info, glyph, scale, scale, &bx0, &by0, &bx1, &by1);
        w = bx1 > bx0 ? bx1 - bx0 : 0;
        h = by1 > by0 ? by1 - by0 : 0;
        y0 = by0;
        if (!measure_only) {
            uint8_t* bitmap = nullptr;
            if (w && h) {
                bitmap = static_cast<uint8_t*>(dru_alloc_memory(size_t(w) * size_t(h), 1));
                stbtt_MakeGlyphBitmap(info, bitmap, w, h, w, scale, scale, glyph);
            }
            glyph_cache_add(font, {bitmap, w, h, bx0, by0, font->pixel_height, glyph});
            font->glyphs_rasterized++;
            coverage = bitmap;
        }
    }
    int advance = 0, lsb = 0;
    stbtt_GetGlyphHMetrics(info, glyph, &advance, &lsb);
    metrics->x_offset = int32_t(std::floor(float(lsb) * scale));
    metrics->y_offset = y0 + int32_t(std::round(float(font->ascent) * scale));
    metrics->width = w;
    metrics->height = h;
    metrics->advance = int32_t(std::round(float(advance) * scale));
    return measure_only ? nullptr : coverage;
}

// The glyph pixel of a coverage byte: the colour with alpha ((a + 1) x coverage) >> 8.
inline uint32_t glyph_pixel(uint32_t rgb, uint32_t a1, uint8_t coverage) {
    return rgb | (((a1 * coverage) >> 8) << 24);
}

// image_blend of glyph_get's image onto target at `to` (width x height of the glyph),
// straight from the coverage: the same pixels without colouring the scratch image first.
void blend_coverage(Image* target, Rect to, const uint8_t* coverage, Colour colour) {
    if (!target->pixels) return;
    const Image shape{nullptr, to.w * 4, to.w, to.h};  // only its size is read
    const Rect area = blit_rects(&shape, {0, 0, to.w, to.h}, target, to);
    // An empty area may lie left of or above the glyph: nothing to read there.
    if (area.w <= 0 || area.h <= 0) return;
    const uint32_t rgb = colour_word(colour.r, colour.g, colour.b, 0);
    const uint32_t a1 = uint32_t(colour.a) + 1;
    for (int32_t row = 0; row < area.h; ++row) {
        const uint8_t* cov =
            coverage + size_t(area.y + row - to.y) * size_t(to.w) + size_t(area.x - to.x);
        uint8_t* d = target->pixels + int64_t(area.y + row) * target->stride + int64_t(area.x) * 4;
        for (int32_t i = 0; i < area.w; ++i, d += 4) {
            const uint32_t sp = glyph_pixel(rgb, a1, cov[i]);
            const uint32_t a = sp >> 24;
            if (a == 0) continue;
            pixel_store(d, a == 255 ? sp : blend_pixel(sp, pixel_load(d), a));
        }
    }
}

}  // namespace

const Image* glyph_get(Font* font, int32_t glyph, Colour colour, bool measure_only,
                       GlyphMetrics* metrics) {
    const uint8_t* coverage = glyph_coverage(font, glyph, measure_only, metrics);
    if (measure_only) return nullptr;
    const int32_t w = metrics->width, h = metrics->height;
    grow_scratch(font, w, h);
    Image* s = font->scratch;
    if (coverage) {
        const uint32_t rgb = colour_word(colour.r, colour.g, colour.b, 0);
        const uint32_t a1 = uint32_t(colour.a) + 1;
        for (int32_t i = 0; i < h; ++i) {
            uint8_t* row = s->pixels + size_t(i) * s->stride;
            const uint8_t* cov = coverage + size_t(i) * w;
            for (int32_t j = 0; j < w; ++j) pixel_store(row + j * 4, glyph_pixel(rgb, a1, cov[j]));
        }
    }
    return s;
}

int32_t text_draw(Image* target, const UiStyle* style, Font* font, const char* text, int32_t mode,
                  double size, double limit) {
    if (!font || !text) return -1;
    const UiStyle plain{};
    if (!style) style = &plain;
    const int64_t x0 = style_units(style, style->text_x);
    const int64_t y0 = style_units(style, style->text_y);
    const int64_t limit_px = style_units(style, limit);
    const int32_t px = style_units(style, size);
    if (px < 1 || px > TEXT_MAX_PIXEL_HEIGHT) return (mode & TEXT_CLIP) ? 0 : 1;
    font_set_pixel_height(font, px);
    const bool measure = (mode & TEXT_MEASURE) || !target;
    int64_t pen_x = x0, pen_y = y0;
    int32_t lines = 1;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
    while (*p) {
        const int32_t n = utf8_sequence_length(p);
        const int32_t cp = utf8_decode(p, n);
        if (cp < 0) break;
        const int32_t glyph = stbtt_FindGlyphIndex(font->info, cp);
        GlyphMetrics m;
        const uint8_t* coverage = glyph_coverage(font, glyph, measure, &m);
        if (cp == '\n') {
            if (mode & TEXT_CLIP) break;
            if (mode & TEXT_WRAP) {
                lines++;
                pen_y += px;
                pen_x = x0;
            }
            p += n;
            continue;
        }
        if (pen_x - x0 + m.advance > limit_px) {
            if ((mode & (TEXT_WRAP | TEXT_CLIP)) && pen_x == x0) break;
            if (mode & TEXT_CLIP) break;
            if (mode & TEXT_WRAP) {
                lines++;
                pen_y += px;
                pen_x = x0;
            }
        }
        if (coverage) {
            const Rect to{saturate32(pen_x + m.x_offset), saturate32(pen_y + m.y_offset), m.width,
                          m.height};
            blend_coverage(target, to, coverage, style->colour);
        }
        pen_x += m.advance;
        p += n;
    }
    return (mode & TEXT_CLIP) ? saturate32(pen_x - x0) : lines;
}
