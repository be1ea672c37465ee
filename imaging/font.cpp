// Loading a TrueType or CFF font and the glyph cache that lives with it.
#include <cstdio>
#include <cstring>

#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/glyph_cache.h"
#include "imaging/text.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_truetype.h>
#pragma GCC diagnostic pop

namespace {

constexpr uint64_t FONT_SIZE_LIMIT = 0x6fffffff;

uint32_t read_u32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint16_t read_u16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }

// The font parser trusts table offsets; make sure at least the table directory of the
// first font and every table it names lie inside the file.
bool tables_inside(const uint8_t* bytes, size_t size, int offset) {
    if (offset < 0 || size_t(offset) + 12 > size) return false;
    const size_t count = read_u16(bytes + offset + 4);
    const size_t dir_end = size_t(offset) + 12 + 16 * count;
    if (count == 0 || dir_end > size) return false;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = bytes + offset + 12 + 16 * i;
        uint64_t start = read_u32(entry + 8), length = read_u32(entry + 12);
        if (start + length > size) return false;
    }
    return true;
}

// Builds a Font over bytes (which must be followed by readable zero padding or be
// exactly size long). Null when the bytes hold no usable font.
Font* font_from_bytes(const uint8_t* bytes, size_t size) {
    if (size < 16) return nullptr;
    const int offset = stbtt_GetFontOffsetForIndex(bytes, 0);
    if (!tables_inside(bytes, size, offset)) return nullptr;
    stbtt_fontinfo* info = dru_alloc_array<stbtt_fontinfo>(1);
    if (!stbtt_InitFont(info, bytes, offset)) {
        dru_free(info);
        return nullptr;
    }
    int ascent = 0, descent = 0, line_gap = 0;
    stbtt_GetFontVMetrics(info, &ascent, &descent, &line_gap);
    if (ascent - descent == 0) {  // no height to scale to
        dru_free(info);
        return nullptr;
    }
    Font* font = dru_alloc_array<Font>(1);
    font->info = info;
    font->bytes = const_cast<uint8_t*>(bytes);
    font->scratch = image_new(0, 0, IMAGE_EMPTY);
    font->scale = 1.0f;
    font->ascent = ascent;
    font->descent = descent;
    font->line_gap = line_gap;
    font->pixel_height = 1;
    return font;
}

}  // namespace

Font* font_load(const char* path) {
    const char* message = "error opening font";
    FILE* file = path ? fopen(path, "rb") : nullptr;
    if (!file) fatal_error({LOG_FATAL, message, "file does not exist"});
    const uint64_t size = file_size(file);
    if (size >= FONT_SIZE_LIMIT) {
        fclose(file);
        fatal_error({LOG_FATAL, message, "file too large"});
    }
    uint8_t* bytes = static_cast<uint8_t*>(dru_alloc_memory(size + FILE_ZERO_PADDING, 1));
    const size_t got = fread(bytes, 1, size, file);
    fclose(file);
    Font* font = got == size ? font_from_bytes(bytes, size) : nullptr;
    if (!font) {
        dru_free(bytes);
        fatal_error({LOG_FATAL, message, "loading font failed"});
    }
    font->bytes_borrowed = 0;
    return font;
}

Font* font_load_memory(const uint8_t* bytes, size_t size) {
    if (!bytes) return nullptr;
    Font* font = font_from_bytes(bytes, size);
    if (font) font->bytes_borrowed = 1;
    return font;
}

void font_free(Font* font) {
    if (!font) return;
    glyph_cache_free(font);
    image_free(font->scratch);
    if (!font->bytes_borrowed) dru_free(font->bytes);
    dru_free(font->info);
    dru_free(font);
}

void font_set_pixel_height(Font* font, int32_t px) {
    font->pixel_height = px;
    font->scale = stbtt_ScaleForPixelHeight(font->info, float(px));
}

namespace {

GlyphBucket* bucket_find(Font* font, int32_t key, int32_t pixel_height) {
    GlyphBucket* prev = nullptr;
    for (GlyphBucket* b = font->glyph_cache; b; prev = b, b = b->next) {
        if (b->key != key || b->pixel_height != pixel_height) continue;
        if (prev) {
            prev->next = b->next;
            b->next = font->glyph_cache;
            font->glyph_cache = b;
        }
        return b;
    }
    return nullptr;
}

}  // namespace

GlyphCacheEntry* glyph_cache_find(Font* font, int32_t glyph, int32_t pixel_height) {
    GlyphBucket* b = bucket_find(font, glyph >> 6, pixel_height);
    return b ? b->slots[glyph & (GLYPH_BUCKET_SLOTS - 1)] : nullptr;
}

GlyphCacheEntry* glyph_cache_add(Font* font, const GlyphCacheEntry& entry) {
    GlyphBucket* bucket = bucket_find(font, entry.glyph >> 6, entry.pixel_height);
    if (!bucket) {
        bucket = dru_alloc_array<GlyphBucket>(1);
        bucket->key = entry.glyph >> 6;
        bucket->pixel_height = entry.pixel_height;
        bucket->next = font->glyph_cache;
        font->glyph_cache = bucket;
    }
    GlyphCacheEntry*& slot = bucket->slots[entry.glyph & (GLYPH_BUCKET_SLOTS - 1)];
    if (!slot)
        slot = dru_alloc_array<GlyphCacheEntry>(1);
    else
        dru_free(slot->coverage);
    *slot = entry;
    return slot;
}

void glyph_cache_free(Font* font) {
    GlyphBucket* b = font->glyph_cache;
    while (b) {
        for (GlyphCacheEntry* e : b->slots) {
            if (!e) continue;
            dru_free(e->coverage);
            dru_free(e);
        }
        GlyphBucket* next = b->next;
        dru_free(b);
        b = next;
    }
    font->glyph_cache = nullptr;
}
