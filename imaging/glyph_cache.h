// The font's glyph cache: buckets keyed by pixel height and glyph index >> 6, each
// holding its 64 glyphs in slots. A text asks for its glyphs one after another at one
// height, mostly from the same bucket: a bucket found moves to the front of the list,
// so the next lookup is one comparison and one slot read. Entries are kept until
// glyph_cache_free.
#pragma once
#include "imaging/text.h"

GlyphCacheEntry* glyph_cache_find(Font* font, int32_t glyph, int32_t pixel_height);
GlyphCacheEntry* glyph_cache_add(Font* font, const GlyphCacheEntry& entry);
void glyph_cache_free(Font* font);
