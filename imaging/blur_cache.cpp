// Rounded blurs through a kept scratch image.
#include <cstring>

#include "imaging/blur.h"

namespace {

// The blur reads only the pixels inside its box. When the cache holds the blur of this
// box and the box still shows the pixels it was made from (a panel over a still
// picture), the blurred pixels are already there; otherwise those pixels are kept
// for the next frame and the caller blurs again.
bool still_valid(BlurCache* cache, const Image* target, Rect box, int32_t request) {
    const Rect c = rect_clip({0, 0, target->width, target->height}, box);
    Image*& source = cache->source;
    if (c.w <= 0 || c.h <= 0) {
        image_free(source);  // the copy around an unseen box may reach the kept blur
        source = nullptr;
        return false;
    }
    int32_t* key = cache->key;
    const size_t row_bytes = static_cast<size_t>(c.w) * 4;
    const bool same_box = source && key[0] == c.x && key[1] == c.y && key[2] == c.w &&
                          key[3] == c.h && key[4] == request;
    if (same_box) {
        bool same = true;
        for (int32_t y = 0; y < c.h && same; ++y)
            same = memcmp(source->pixels + int64_t(y) * source->stride,
                          target->pixels + int64_t(c.y + y) * target->stride + int64_t(c.x) * 4,
                          row_bytes) == 0;
        if (same) return true;
    } else {
        image_free(source);
        source = image_new(c.w, c.h, IMAGE_PIXELS);
        key[0] = c.x, key[1] = c.y, key[2] = c.w, key[3] = c.h, key[4] = request;
    }
    for (int32_t y = 0; y < c.h; ++y)
        memcpy(source->pixels + int64_t(y) * source->stride,
               target->pixels + int64_t(c.y + y) * target->stride + int64_t(c.x) * 4, row_bytes);
    return false;
}

}  // namespace

void blur_rounded(BlurCache* cache, Image* target, Rect box, int32_t request, int32_t radius) {
    Image*& scratch = cache->scratch;
    if (scratch && (scratch->width != target->width || scratch->height != target->height)) {
        image_free(scratch);
        scratch = nullptr;
    }
    if (!scratch) {
        image_free(cache->source);  // describes the scratch that is gone
        cache->source = nullptr;
        scratch = image_new(target->width, target->height, IMAGE_PIXELS);
        image_copy(target, nullptr, scratch, nullptr);
    }
    if (!still_valid(cache, target, box, request)) {
        const int32_t m = BLUR_ROUND_MARGIN;
        Rect grown = {box.x - m, box.y - m, box.w + 2 * m, box.h + 2 * m};
        image_copy(target, &grown, scratch, &grown);
        box_blur_columns(scratch, box, request);
        box_blur_rows(scratch, box, request);
    }
    image_blit_rounded(scratch, &box, target, &box, 0, radius);
}

void blur_cache_free(BlurCache* cache) {
    image_free(cache->scratch);
    image_free(cache->source);
    *cache = {};
}
