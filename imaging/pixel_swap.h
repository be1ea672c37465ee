// The row copy of image_present: pixels copied with bytes 0 and 2 swapped (red and
// blue), the way the window framebuffer wants them.
//
//   pixel_swap_row(src, dst, count)  copies count 4-byte pixels from src to dst, each
//       with bytes 0 and 2 exchanged. Any alignment; src and dst must not overlap.
//       The fastest of the forms below this processor runs, chosen once at start.
//   PIXEL_SWAP_FORMS / pixel_swap_forms  every form with whether this processor runs
//       it, fastest first: AVX2 (one byte shuffle per eight pixels), SSSE3 (per
//       four), SSE2 (mask and 16-bit lane swap) and plain (one pixel at a time). All
//       give the same bytes.
#pragma once
#include <cstddef>
#include <cstdint>

using PixelSwapRow = void (*)(const uint8_t* src, uint8_t* dst, size_t count);

struct PixelSwapForm {
    const char* name;
    PixelSwapRow row;
    bool runs;
};

constexpr int PIXEL_SWAP_FORMS = 4;
extern const PixelSwapForm pixel_swap_forms[PIXEL_SWAP_FORMS];

void pixel_swap_row(const uint8_t* src, uint8_t* dst, size_t count);
