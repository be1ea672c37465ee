// Small helpers shared by the imaging tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include <stb_image_write.h>

#include "imaging/image.h"

inline uint32_t px_get(const Image* img, int32_t x, int32_t y) {
    uint32_t v;
    memcpy(&v, img->pixels + int64_t(y) * img->stride + int64_t(x) * 4, 4);
    return v;
}

inline void px_set(Image* img, int32_t x, int32_t y, uint32_t v) {
    memcpy(img->pixels + int64_t(y) * img->stride + int64_t(x) * 4, &v, 4);
}

inline uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | (g << 8) | (b << 16) | (a << 24);
}

inline void image_fill(Image* img, uint32_t v) {
    for (int32_t y = 0; y < img->height; ++y)
        for (int32_t x = 0; x < img->width; ++x) px_set(img, x, y, v);
}

// Deterministic pseudo-random pixels.
inline void image_noise(Image* img, uint32_t seed) {
    uint32_t s = seed * 2654435761u + 1;
    for (int32_t y = 0; y < img->height; ++y)
        for (int32_t x = 0; x < img->width; ++x) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            px_set(img, x, y, s);
        }
}

inline UiStyle style_with(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    UiStyle s{};
    s.ref_size = STYLE_REF_SIZE;
    s.colour = {r, g, b, a};
    return s;
}

// A baseline JPEG (quality 100, no subsampling) of w x h from a function of (x, y,
// channel), written by stb_image_write.
inline std::vector<uint8_t> jpeg_file(int w, int h, uint8_t (*value)(int x, int y, int c)) {
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3), out;
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = value(int(i / 3 % size_t(w)), int(i / 3 / size_t(w)), int(i % 3));
    auto append = [](void* to, void* data, int n) {
        auto* v = static_cast<std::vector<uint8_t>*>(to);
        v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + n);
    };
    stbi_write_jpg_to_func(append, &out, w, h, 3, rgb.data(), 100);
    return out;
}
