// Unaligned-safe 32-bit pixel loads and stores; each compiles to a single move.
#pragma once
#include <cstdint>
#include <cstring>

inline uint32_t pixel_load(const uint8_t* p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

inline void pixel_store(uint8_t* p, uint32_t v) { memcpy(p, &v, 4); }

inline uint32_t colour_word(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16) | (uint32_t(a) << 24);
}
