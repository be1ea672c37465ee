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
#pragma once
#include <cstdint>

#include "imaging/image.h"

struct BlurParams {
    int32_t r;
    int32_t shift;
};

[[nodiscard]] BlurParams blur_params(int32_t requested_radius);
void box_blur_columns(Image* image, Rect rect, int32_t requested_radius);
void box_blur_rows(Image* image, Rect rect, int32_t requested_radius);
