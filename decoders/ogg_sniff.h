// Telling what an Ogg file carries from its first page, so that .ogg and .oga files
// reach the decoder that can play them.
//
//   ogg_sniff(bytes)        the codec whose identification packet starts the first page
//                           of bytes (a page with the "OggS" capture pattern, version 0
//                           and the beginning-of-stream flag): "\x7F" "FLAC", "\x01"
//                           "vorbis" or "OpusHead". OGG_UNKNOWN for anything else,
//                           including pages cut short. Reads only inside bytes.
//   ogg_sniff_file(path)    the same over the first bytes of the file; OGG_UNKNOWN when
//                           it cannot be read.
#pragma once
#include <cstdint>
#include <span>

enum OggContent : int32_t { OGG_UNKNOWN = 0, OGG_FLAC, OGG_VORBIS, OGG_OPUS };

[[nodiscard]] OggContent ogg_sniff(std::span<const uint8_t> bytes);
[[nodiscard]] OggContent ogg_sniff_file(const char* path);
