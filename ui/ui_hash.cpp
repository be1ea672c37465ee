// Name hash of the UI description: a small multiply-fold hash over at most a few
// dozen bytes. Every load is bounded by the name's length.
#include <cstring>

#include "ui/ui_description.h"

namespace {

constexpr uint64_t K0 = 0xa0761d6478bd642fULL;
constexpr uint64_t K1 = 0xe7037ed1a0b428dbULL;
constexpr uint64_t K2 = 0x8ebc6af09c88c6e3ULL;
constexpr uint64_t K3 = 0x589965cc75374cc3ULL;
constexpr uint64_t K4 = 0x1d8e4e27c47d124fULL;

inline uint64_t fold(uint64_t v) { return v - (v >> 32); }

inline uint64_t u8(const unsigned char* p) { return p[0]; }
inline uint64_t u16(const unsigned char* p) { return p[0] | (uint64_t{p[1]} << 8); }
inline uint64_t u32(const unsigned char* p) {
    return p[0] | (uint64_t{p[1]} << 8) | (uint64_t{p[2]} << 16) | (uint64_t{p[3]} << 24);
}
// Three bytes as (u16 << 8 | u8 at +2).
inline uint64_t u24(const unsigned char* p) { return (u16(p) << 8) | u8(p + 2); }

}  // namespace

uint64_t ui_name_hash(const char* bytes, uint32_t length) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    const uint64_t n = length;
    uint64_t d;
    const unsigned char* t;
    if (n >= 16) {
        uint64_t f = (u32(s) ^ K1) * (u32(s + 4) ^ K2);
        uint64_t g = (u32(s + 8) ^ K3) * (u32(s + 12) ^ K4);
        d = fold((fold(f) + 0xdeedbeefULL) * fold(g));
        t = s + 16;
    } else {
        d = 0xdeedbeefULL;
        t = s;
    }
    d += 0xeb44accab455d165ULL;
    switch (n % 16) {
    case 0: break;
    case 1: d = fold((d ^ K2) * (u8(t) ^ K1)); break;
    case 2: d = fold((d ^ K3) * (u16(t) ^ K4)); break;
    case 3: d = fold((d ^ u16(t)) * (u8(t + 2) ^ K2)); break;
    case 4: d = fold((d ^ u16(t)) * (u16(t + 2) ^ K3)); break;
    case 5: d = fold((d ^ u32(t)) * (u8(t + 4) ^ K1)); break;
    case 6: d = fold((d ^ u32(t)) * (u16(t + 4) ^ K1)); break;
    case 7: d = fold((d ^ u32(t)) * (u24(t + 4) ^ K1)); break;
    case 8: d = fold((d ^ u32(t)) * (u32(t + 4) ^ K0)); break;
    default: {
        uint64_t f = (d ^ u32(t)) * (u32(t + 4) ^ K2);
        uint64_t g;
        switch (n % 16) {
        case 9: g = (d ^ K4) * (u8(t + 8) ^ K3); break;
        case 10: g = d * (u16(t + 8) ^ K3); break;
        case 11: g = d * (u24(t + 8) ^ K3); break;
        case 12: g = (d ^ u32(t + 8)) * K4; break;
        case 13: g = (d ^ u32(t + 8)) * (u8(t + 12) ^ K4); break;
        case 14: g = (d ^ u32(t + 8)) * (u16(t + 12) ^ K4); break;
        default: g = (d ^ u32(t + 8)) * (u24(t + 12) ^ K4); break;
        }
        d = fold(f) ^ fold(g);
        break;
    }
    }
    d ^= d << 16;
    uint64_t c = (n ^ K0) * d;
    return c + (c << 33) - (c >> 31);
}
