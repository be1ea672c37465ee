// METADATA_BLOCK_PICTURE comments: base64 decoding and the FLAC picture block inside,
// over arbitrary bytes (the input is the comment's value, and also a raw block).
#include <cstring>
#include <string>
#include <vector>

#include "decoders/metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string comment = "METADATA_BLOCK_PICTURE=";
    comment.append(reinterpret_cast<const char*>(data), size);
    // Exactly sized copies, so that any read past the end is caught.
    std::vector<uint8_t> text(comment.begin(), comment.end());
    PictureData picture{};
    vorbis_comment_picture(&picture, text.data(), text.size());
    if (picture.size > size) __builtin_trap();  // base64 only shrinks
    picture_data_free(&picture);

    std::vector<uint8_t> block(data, data + size);
    uint32_t type = 0;
    std::span<const uint8_t> found;
    if (flac_picture_block_parse(block, &type, &found) &&
        (found.data() < block.data() || found.data() + found.size() > block.data() + block.size()))
        __builtin_trap();
    return 0;
}
