#include "decoders/ogg_sniff.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t PAGE_HEADER = 27;             // up to and including the segment count
constexpr size_t SNIFF_BYTES = 27 + 255 + 16;  // largest header plus the longest magic

bool starts_with(std::span<const uint8_t> packet, const char* magic, size_t n) {
    return packet.size() >= n && std::memcmp(packet.data(), magic, n) == 0;
}

}  // namespace

OggContent ogg_sniff(std::span<const uint8_t> bytes) {
    if (bytes.size() < PAGE_HEADER || std::memcmp(bytes.data(), "OggS", 4) != 0) return OGG_UNKNOWN;
    if (bytes[4] != 0 || !(bytes[5] & 0x02)) return OGG_UNKNOWN;  // version, first page
    const size_t segments = bytes[26];
    if (bytes.size() < PAGE_HEADER + segments) return OGG_UNKNOWN;
    // The first packet: segments up to and including the first one shorter than 255.
    size_t length = 0;
    for (size_t i = 0; i < segments; ++i) {
        length += bytes[PAGE_HEADER + i];
        if (bytes[PAGE_HEADER + i] < 255) break;
    }
    const size_t start = PAGE_HEADER + segments;
    const std::span<const uint8_t> packet =
        bytes.subspan(start, std::min(length, bytes.size() - start));
    if (starts_with(packet,
                    "\x7F"
                    "FLAC",
                    5))
        return OGG_FLAC;
    if (starts_with(packet, "\x01vorbis", 7)) return OGG_VORBIS;
    if (starts_with(packet, "OpusHead", 8)) return OGG_OPUS;
    return OGG_UNKNOWN;
}

OggContent ogg_sniff_file(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return OGG_UNKNOWN;
    uint8_t bytes[SNIFF_BYTES];
    const size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    return ogg_sniff({bytes, n});
}
