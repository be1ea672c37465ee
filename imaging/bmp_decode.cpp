// BMP through stb_image, the only format compiled into it (stb_impl.cpp).
#include <climits>
#include <cstdio>
#include <cstring>

#include "foundation/memory.h"
#include "imaging/image_decode.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

bool fail(ImageDecode* job, const char* reason) {
    snprintf(job->reason, sizeof job->reason, "%s", reason ? reason : "unknown error");
    return false;
}

uint32_t le(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// The BMPs stb_image reads are uncompressed: their pixels take a known number of
// bytes, and a file shorter than that is refused rather than decoded as zeros (a few
// hundred bytes would otherwise stand for megabytes of picture). The last row may
// lack its padding.
bool bmp_truncated(const ImageDecode* job, int w, int h) {
    const uint8_t* b = job->bytes;
    if (job->length < 2 || b[0] != 'B' || b[1] != 'M') return false;
    if (job->length < 30) return true;  // not even the headers of a one-pixel picture
    const uint64_t bpp = le(b + (le(b + 14, 4) == 12 ? 24 : 28), 2);
    const uint64_t stride = (uint64_t(w) * bpp + 31) / 32 * 4;
    const uint64_t need = le(b + 10, 4) + stride * uint64_t(h - 1) + (uint64_t(w) * bpp + 7) / 8;
    return job->length < need;
}

// stb_image takes the colours of a palette picture from a table on its stack, filled
// only as far as the file's palette goes: an index past it would paint whatever the
// stack held (and a decode of the same bytes would differ from the last). Such
// pictures are refused. The palette is counted as stb_image counts it.
bool bmp_index_past_palette(const ImageDecode* job, int w, int h) {
    const uint8_t* b = job->bytes;
    if (job->length < 30 || b[0] != 'B' || b[1] != 'M') return false;
    // stb_image holds these two fields in an int and divides the larger header's
    // palette size with a shift, so a header that overlaps the pixel offset counts
    // as a negative palette (rounded down, not towards zero) and fills no colour.
    const int64_t header = int32_t(le(b + 14, 4)), offset = int32_t(le(b + 10, 4));
    const uint32_t bpp = le(b + (header == 12 ? 24 : 28), 2);
    if (bpp != 1 && bpp != 4 && bpp != 8) return false;
    const int64_t colours = header == 12 ? (offset - 14 - 24) / 3 : (offset - 14 - header) >> 2;
    if (colours <= 0) return colours < 0;  // none: stb_image refuses it itself
    if (colours >= int64_t(1) << bpp) return false;
    const uint64_t stride = (uint64_t(w) * bpp + 31) / 32 * 4;
    for (uint64_t y = 0; y < uint64_t(h); ++y)
        for (uint64_t bit = 0; bit < uint64_t(w) * bpp; bit += bpp) {
            const uint64_t at = uint64_t(offset) + y * stride + bit / 8;
            if (at >= job->length) return false;  // bmp_truncated's to refuse
            if (((b[at] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1)) >= colours) return true;
        }
    return false;
}

}  // namespace

bool image_decode_bmp(ImageDecode* job) {
    if (job->length > size_t(INT_MAX)) return fail(job, "image too large");
    const int length = int(job->length);
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(job->bytes, length, &w, &h, &channels))
        return fail(job, stbi_failure_reason());
    if (image_too_large(w, h)) return fail(job, "image too large");
    if (bmp_truncated(job, w, h)) return fail(job, "truncated BMP");
    if (bmp_index_past_palette(job, w, h)) return fail(job, "colour index past the palette");
    uint8_t* data = stbi_load_from_memory(job->bytes, length, &w, &h, &channels, 4);
    if (!data) return fail(job, stbi_failure_reason());
    // The decoder's buffer becomes the image's, grown by the spare bytes.
    const size_t size = size_t(w) * size_t(h) * 4;
    data = static_cast<uint8_t*>(dru_realloc_memory(data, size + IMAGE_SPARE_BYTES));
    memset(data + size, 0, IMAGE_SPARE_BYTES);
    Image* image = image_new(0, 0, IMAGE_EMPTY);
    image->pixels = data;
    image->width = w;
    image->height = h;
    image->stride = w * 4;
    job->image = image;
    return true;
}
