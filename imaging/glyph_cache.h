// The font's glyph cache: buckets keyed by glyph index >> 6, entries keyed by glyph and
// pixel height. Entries are appended and kept until glyph_cache_free.
#pragma once
#include "imaging/text.h"

GlyphCacheEntry* glyph_cache_find(Font* font, int32_t glyph, int32_t pixel_height);
GlyphCacheEntry* glyph_cache_add(Font* font, const GlyphCacheEntry& entry);
void glyph_cache_free(Font* font);
