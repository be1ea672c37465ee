#include "decoders/metadata_text.h"

#include <cstring>

#include "foundation/memory.h"

bool text_put_utf8(TextOut* out, uint32_t cp) {
    uint8_t bytes[4];
    size_t n;
    if (cp < 0x80) {
        bytes[0] = uint8_t(cp);
        n = 1;
    } else if (cp < 0x800) {
        bytes[0] = uint8_t(0xC0 | cp >> 6);
        bytes[1] = uint8_t(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        bytes[0] = uint8_t(0xE0 | cp >> 12);
        bytes[1] = uint8_t(0x80 | (cp >> 6 & 0x3F));
        bytes[2] = uint8_t(0x80 | (cp & 0x3F));
        n = 3;
    } else if (cp <= 0x1FFFFF) {
        bytes[0] = uint8_t(0xF0 | cp >> 18);
        bytes[1] = uint8_t(0x80 | (cp >> 12 & 0x3F));
        bytes[2] = uint8_t(0x80 | (cp >> 6 & 0x3F));
        bytes[3] = uint8_t(0x80 | (cp & 0x3F));
        n = 4;
    } else {
        return false;
    }
    if (out->capacity - out->used < n) return false;
    std::memcpy(out->buffer + out->used, bytes, n);
    out->used += n;
    return true;
}

char* text_copy_n(const char* text, size_t length) {
    char* copy = static_cast<char*>(dru_alloc_memory(length + 1, 1));
    std::memcpy(copy, text, length);
    return copy;
}

char* text_copy(const char* text) { return text_copy_n(text, std::strlen(text)); }
