// In-place box blur with running sums.
//
//   blur_params(requested)   (r, shift): (7, 4) by default, (15, 5) from 15 on, (31, 6)
//                            for exactly 31; always 2r + 2 = 1 << shift.
//   box_blur_columns(img, rect, requested)  vertical pass over rect clipped to img;
//   box_blur_rows(img, rect, requested)     horizontal pass. Each output channel is
//       (sum of the 2r + 1 neighbours + the centre once more + 2^(shift-1)) >> shift,
//       the rectangle's first and last row (column) repeated beyond its edges. Nothing
//       outside the rectangle is read or written; nothing happens when r is not below the
//       clipped height (width). Cost per pixel does not depend on the radius.
//
// A blur with rounded corners blurs a copy and blends it back through the rounded mask;
// the copy lives in a BlurCache, which keeps it between frames:
//   blur_rounded(cache, target, box, requested, corner_radius)
//       blurs box of target (columns, then rows) in the cache's window-sized scratch
//       image after copying box grown by BLUR_ROUND_MARGIN on each side from target into
//       it, then image_blit_rounded(scratch, box, target, box, 0, corner_radius). The
//       scratch is made on first need and made again when target's size changed. When
//       the box and radius are those of the previous call and target still shows the
//       pixels that blur was made from (a panel over a still picture), the kept blurred
//       pixels are blended back without blurring again.
//   blur_cache_free(cache)   frees what the cache holds; it is then empty (as zeroed).
#pragma once
#include <cstdint>

#include "imaging/image.h"

struct BlurParams {
    int32_t r;
    int32_t shift;
};

struct BlurCache {
    Image* scratch;  // the blur works here; target-sized, made on first need
    Image* source;   // the pixels under the box that the kept blur was made from
    int32_t key[5];  // x, y, w, h (clipped) and radius of that blur
};

constexpr int32_t BLUR_ROUND_MARGIN = 32;

[[nodiscard]] BlurParams blur_params(int32_t requested_radius);
void box_blur_columns(Image* image, Rect rect, int32_t requested_radius);
void box_blur_rows(Image* image, Rect rect, int32_t requested_radius);
void blur_rounded(BlurCache* cache, Image* target, Rect box, int32_t requested_radius,
                  int32_t corner_radius);
void blur_cache_free(BlurCache* cache);
