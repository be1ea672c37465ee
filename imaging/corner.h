// Rounded-corner coverage shared by the rounded blit and the rounded fill.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "imaging/image.h"

struct CornerShape {
    double r;
    int32_t w, h;
    bool super;
};

inline CornerShape corner_shape(int32_t w, int32_t h, int32_t radius) {
    CornerShape c;
    c.super = (radius & CORNER_SUPERELLIPSE) != 0;
    c.r = double(radius & ~CORNER_SUPERELLIPSE);
    c.r = std::min({c.r, (double(w) - 1) / 2, (double(h) - 1) / 2});
    c.w = w;
    c.h = h;
    return c;
}

// True when every column of the row has coverage 1.
inline bool corner_row_full(const CornerShape& c, int32_t row) {
    return row > c.r && row < c.h - c.r - 1;
}

// Columns [*lo, *hi) have coverage 1 in every row, so only the columns outside
// them need corner_at.
inline void corner_middle(const CornerShape& c, int32_t* lo, int32_t* hi) {
    double first = std::floor(c.r) + 1, end = std::ceil(double(c.w) - c.r - 1);
    *lo = int32_t(std::clamp(first, 0.0, double(c.w)));
    *hi = std::max(*lo, int32_t(std::clamp(end, 0.0, double(c.w))));
}

inline double corner_at(const CornerShape& c, int32_t column, int32_t row) {
    if (column > c.r && column < c.w - c.r - 1) return 1.0;
    if (row > c.r && row < c.h - c.r - 1) return 1.0;
    double dx = column <= c.r ? c.r - column : column - c.w + c.r + 1;
    double dy = row <= c.r ? c.r - row : row - c.h + c.r + 1;
    double dist;
    if (c.super) {
        double dx2 = dx * dx, dy2 = dy * dy;
        dist = std::sqrt(std::sqrt(dx2 * dx2 + dy2 * dy2));
    } else {
        dist = std::sqrt(dx * dx + dy * dy);
    }
    double cover = c.r - dist + 1;
    if (cover < 0) return 0.0;
    return cover < 1 ? cover : 1.0;
}
