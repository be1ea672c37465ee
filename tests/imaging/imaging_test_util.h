// Small helpers shared by the imaging tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

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

// A JPEG of w x h from a function of (x, y, component), in the colour space given.
inline std::vector<uint8_t> jpeg_file(int w, int h, J_COLOR_SPACE space, int components,
                                      bool progressive, uint8_t (*value)(int x, int y, int c)) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, space);
    jpeg_set_quality(&c, 95, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(w * components));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w * components; ++x)
            row[size_t(x)] = value(x / components, y, x % components);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + size);
    free(mem);
    return out;
}
