// Pictures in Vorbis comments: METADATA_BLOCK_PICTURE holds a FLAC picture block in
// base64.
#include <strings.h>
#include <cstring>

#include "decoders/metadata.h"
#include "foundation/memory.h"

namespace {

constexpr char PICTURE_KEY[] = "METADATA_BLOCK_PICTURE=";
constexpr uint32_t FRONT_COVER = 3;

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

int base64_value(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// A length-prefixed field at *pos; false when it does not fit in block.
bool skip_counted(std::span<const uint8_t> block, size_t* pos) {
    if (block.size() - *pos < 4) return false;
    const uint64_t n = be32(block.data() + *pos);
    *pos += 4;
    if (n > block.size() - *pos) return false;
    *pos += size_t(n);
    return true;
}

}  // namespace

size_t base64_decode(std::span<const uint8_t> text, uint8_t* out) {
    uint32_t bits = 0;
    int have = 0;
    size_t n = 0;
    for (uint8_t c : text) {
        const int v = base64_value(c);
        if (v < 0) break;  // '=' padding or anything else ends the data
        bits = bits << 6 | uint32_t(v);
        have += 6;
        if (have >= 8) {
            have -= 8;
            out[n++] = uint8_t(bits >> have);
        }
    }
    return n;
}

bool flac_picture_block_parse(std::span<const uint8_t> block, uint32_t* type,
                              std::span<const uint8_t>* data) {
    if (block.size() < 4) return false;
    *type = be32(block.data());
    size_t pos = 4;
    if (!skip_counted(block, &pos) || !skip_counted(block, &pos)) return false;  // MIME, text
    if (block.size() - pos < 16 + 4) return false;  // width, height, depth, colours
    pos += 16;
    const uint64_t length = be32(block.data() + pos);
    pos += 4;
    if (length > block.size() - pos) return false;
    *data = block.subspan(pos, size_t(length));
    return true;
}

void vorbis_comment_picture(PictureData* picture, const uint8_t* text, size_t length) {
    const size_t key = sizeof PICTURE_KEY - 1;
    if (length < key || strncasecmp(reinterpret_cast<const char*>(text), PICTURE_KEY, key) != 0)
        return;
    const std::span<const uint8_t> encoded(text + key, length - key);
    uint8_t* block = static_cast<uint8_t*>(dru_alloc_memory(encoded.size() / 4 * 3 + 3, 1));
    const size_t size = base64_decode(encoded, block);
    uint32_t type = 0;
    std::span<const uint8_t> data;
    // As with FLAC's own PICTURE blocks: front covers only, the last one wins.
    if (flac_picture_block_parse({block, size}, &type, &data) && type == FRONT_COVER &&
        !data.empty()) {
        picture_data_free(picture);
        picture_data_copy(data, picture);
    }
    dru_free(block);
}
