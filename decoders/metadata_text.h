// Small text helpers shared by the tag readers.
//
//   text_put_utf8(out, cp)   appends cp as UTF-8 (1 to 4 bytes; values above 0x1FFFFF are
//                            dropped) when it fits in the room left; false when it did not.
//   text_copy(s)             owned copy of a C string (dru allocation).
//   text_copy_n(s, n)        owned copy of n bytes plus a terminating zero.
#pragma once
#include <cstddef>
#include <cstdint>

struct TextOut {
    char* buffer;
    size_t capacity;  // bytes that may be written (the terminator lies beyond)
    size_t used;
};

bool text_put_utf8(TextOut* out, uint32_t code_point);
[[nodiscard]] char* text_copy(const char* text);
[[nodiscard]] char* text_copy_n(const char* text, size_t length);
