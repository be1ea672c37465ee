#include "imaging/utf8.h"

int32_t utf8_sequence_length(const uint8_t* bytes) {
    const uint8_t b = bytes[0];
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) return 2;
    if ((b & 0xF0) == 0xE0) return 3;
    if ((b & 0xF8) == 0xF0) return 4;
    return -1;  // continuation byte, or a lead with too many one-bits
}

int32_t utf8_decode(const uint8_t* bytes, int32_t length) {
    if (length < 1 || length > 4) return -1;
    if (length == 1) return bytes[0];
    static constexpr uint8_t lead_mask[5] = {0, 0, 0x1F, 0x0F, 0x07};
    int32_t cp = bytes[0] & lead_mask[length];
    // Byte by byte: a terminating zero fails the test before anything beyond it is read.
    for (int32_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (bytes[i] & 0x3F);
    }
    return cp > 0x10FFFF ? -1 : cp;
}
