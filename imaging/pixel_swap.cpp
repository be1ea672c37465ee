// Red and blue exchanged on the way to the framebuffer, 16 or 32 bytes at a time where
// the processor can.
#include "imaging/pixel_swap.h"

#include "imaging/pixel_access.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PIXEL_SWAP_X86 1
#endif

namespace {

void swap_plain(const uint8_t* src, uint8_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        uint32_t p = pixel_load(src + i * 4);
        pixel_store(dst + i * 4, (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16));
    }
}

#ifdef PIXEL_SWAP_X86
void swap_sse2(const uint8_t* src, uint8_t* dst, size_t count) {
    const __m128i green_alpha = _mm_set1_epi32(int32_t(0xFF00FF00u));
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4));
        // Red and blue alone are the two 16-bit halves of each pixel: swap them.
        __m128i rb = _mm_andnot_si128(green_alpha, p);
        rb = _mm_shufflelo_epi16(rb, _MM_SHUFFLE(2, 3, 0, 1));
        rb = _mm_shufflehi_epi16(rb, _MM_SHUFFLE(2, 3, 0, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4),
                         _mm_or_si128(_mm_and_si128(p, green_alpha), rb));
    }
    swap_plain(src + i * 4, dst + i * 4, count - i);
}

__attribute__((target("ssse3"))) void swap_ssse3(const uint8_t* src, uint8_t* dst, size_t count) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i * 4 + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4), _mm_shuffle_epi8(a, order));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i * 4 + 16), _mm_shuffle_epi8(b, order));
    }
    swap_sse2(src + i * 4, dst + i * 4, count - i);
}

__attribute__((target("avx2"))) void swap_avx2(const uint8_t* src, uint8_t* dst, size_t count) {
    const __m256i order = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2,
                                           1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i * 4));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i * 4 + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i * 4), _mm256_shuffle_epi8(a, order));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i * 4 + 32),
                            _mm256_shuffle_epi8(b, order));
    }
    swap_ssse3(src + i * 4, dst + i * 4, count - i);
}

// Called while static objects are made, before the C library might have asked.
bool cpu_has(bool avx2) {
    __builtin_cpu_init();
    return avx2 ? __builtin_cpu_supports("avx2") : __builtin_cpu_supports("ssse3");
}
#endif

}  // namespace

#ifdef PIXEL_SWAP_X86
const PixelSwapForm pixel_swap_forms[PIXEL_SWAP_FORMS] = {
    {.name = "avx2", .row = swap_avx2, .runs = cpu_has(true)},
    {.name = "ssse3", .row = swap_ssse3, .runs = cpu_has(false)},
    {.name = "sse2", .row = swap_sse2, .runs = true},
    {.name = "plain", .row = swap_plain, .runs = true},
};
#else
const PixelSwapForm pixel_swap_forms[PIXEL_SWAP_FORMS] = {
    {.name = "avx2", .row = swap_plain, .runs = false},
    {.name = "ssse3", .row = swap_plain, .runs = false},
    {.name = "sse2", .row = swap_plain, .runs = false},
    {.name = "plain", .row = swap_plain, .runs = true},
};
#endif

namespace {

PixelSwapRow fastest() {
    for (const PixelSwapForm& f : pixel_swap_forms)
        if (f.runs) return f.row;
    return swap_plain;
}

const PixelSwapRow chosen = fastest();

}  // namespace

void pixel_swap_row(const uint8_t* src, uint8_t* dst, size_t count) { chosen(src, dst, count); }
