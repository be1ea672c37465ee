// In-place box blur: running sums over two 16-bit lanes per pixel word.
#include "imaging/blur.h"

#include <algorithm>

#include "imaging/pixel_access.h"

BlurParams blur_params(int32_t requested_radius) {
    if (requested_radius == 31) return {31, 6};
    if (requested_radius >= 15) return {15, 5};
    return {7, 4};
}

namespace {

constexpr uint32_t LANES = 0x00FF00FFu;
constexpr int32_t RING = 128;
// Columns blurred side by side, so that each row access is one contiguous run.
constexpr int32_t STRIP = 16;

inline uint32_t blurred(uint32_t sum_rb, uint32_t sum_ga, uint32_t u, int32_t shift) {
    uint32_t rb = ((sum_rb + (u & LANES)) >> shift) & LANES;
    uint32_t ga = (((sum_ga + ((u >> 8) & LANES)) >> shift) << 8) & 0xFF00FF00u;
    return rb | ga;
}

}  // namespace

void box_blur_columns(Image* image, Rect rect, int32_t requested_radius) {
    if (!image || !image->pixels) return;
    const BlurParams p = blur_params(requested_radius);
    const Rect c = rect_clip({0, 0, image->width, image->height}, rect);
    if (p.r >= c.h || c.w <= 0) return;
    const uint32_t bias = (1u << (p.shift + 15)) | (1u << (p.shift - 1));
    const int64_t stride = image->stride;
    uint32_t ring[RING][STRIP];
    uint32_t sum_rb[STRIP], sum_ga[STRIP];
    for (int32_t x0 = c.x; x0 < c.x + c.w; x0 += STRIP) {
        const int32_t n = std::min(STRIP, c.x + c.w - x0);
        uint8_t* top = image->pixels + c.y * stride + int64_t(x0) * 4;
        for (int32_t j = 0; j < n; ++j) sum_rb[j] = sum_ga[j] = bias;
        for (int32_t k = -p.r; k <= p.r; ++k) {
            const uint8_t* row = top + std::max(k, 0) * stride;
            for (int32_t j = 0; j < n; ++j) {
                uint32_t u = pixel_load(row + j * 4);
                sum_rb[j] += u & LANES;
                sum_ga[j] += (u >> 8) & LANES;
                ring[k + p.r][j] = u;
            }
        }
        for (int32_t i = 0; i < c.h; ++i) {
            uint8_t* row = top + i * stride;
            const uint8_t* enter_row = top + std::min(i + p.r + 1, c.h - 1) * stride;
            uint32_t* store = ring[(p.r + i) & (RING - 1)];
            const uint32_t* leave = ring[i & (RING - 1)];
            for (int32_t j = 0; j < n; ++j) {
                uint32_t u = pixel_load(row + j * 4);
                uint32_t e = pixel_load(enter_row + j * 4);
                store[j] = u;
                uint32_t l = leave[j];
                pixel_store(row + j * 4, blurred(sum_rb[j], sum_ga[j], u, p.shift));
                sum_rb[j] += (e & LANES) - (l & LANES);
                sum_ga[j] += ((e >> 8) & LANES) - ((l >> 8) & LANES);
            }
        }
    }
}

void box_blur_rows(Image* image, Rect rect, int32_t requested_radius) {
    if (!image || !image->pixels) return;
    const BlurParams p = blur_params(requested_radius);
    const Rect c = rect_clip({0, 0, image->width, image->height}, rect);
    if (p.r >= c.w || c.h <= 0) return;
    const uint32_t bias = (1u << (p.shift + 15)) | (1u << (p.shift - 1));
    uint32_t ring[RING];
    for (int32_t y = c.y; y < c.y + c.h; ++y) {
        uint8_t* px = image->pixels + int64_t(y) * image->stride + int64_t(c.x) * 4;
        uint32_t sum_rb = bias, sum_ga = bias;
        for (int32_t k = -p.r; k <= p.r; ++k) {
            uint32_t u = pixel_load(px + std::max(k, 0) * 4);
            sum_rb += u & LANES;
            sum_ga += (u >> 8) & LANES;
            ring[k + p.r] = u;
        }
        for (int32_t i = 0; i < c.w; ++i) {
            uint32_t u = pixel_load(px + i * 4);
            uint32_t e = pixel_load(px + std::min(i + p.r + 1, c.w - 1) * 4);
            ring[(p.r + i) & (RING - 1)] = u;
            uint32_t l = ring[i & (RING - 1)];
            pixel_store(px + i * 4, blurred(sum_rb, sum_ga, u, p.shift));
            sum_rb += (e & LANES) - (l & LANES);
            sum_ga += ((e >> 8) & LANES) - ((l >> 8) & LANES);
        }
    }
}
