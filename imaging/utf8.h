// UTF-8 sequence decoding.
//
//   utf8_sequence_length(bytes)  1 below 0x80, 2/3/4 for 110xxxxx/1110xxxx/11110xxx lead
//                                bytes, -1 for continuation bytes and longer leads.
//   utf8_decode(bytes, length)   the code point, or -1 when length < 1, a following byte
//                                is not 0x80..0xBF (checked byte by byte, so decoding
//                                never reads past a terminating zero) or the value is
//                                above 0x10FFFF. Overlong forms and surrogates decode.
#pragma once
#include <cstdint>

[[nodiscard]] int32_t utf8_sequence_length(const uint8_t* bytes);
[[nodiscard]] int32_t utf8_decode(const uint8_t* bytes, int32_t length);
