// Vorbis comments ("NAME=value") as FLAC, Ogg Vorbis and Opus carry them.
#include <strings.h>
#include <algorithm>
#include <cstring>

#include "decoders/metadata.h"
#include "decoders/metadata_text.h"

namespace {

constexpr size_t COMMENT_BUFFER = 512;

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool has_prefix(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

void vorbis_comment_apply(TrackMetadata* m, const uint8_t* text, uint32_t length) {
    char buffer[COMMENT_BUFFER] = {};
    std::memcpy(buffer, text, std::min<size_t>(length, COMMENT_BUFFER - 1));
    char** field = nullptr;
    // Each field keeps the first comment that names it.
    if (!m->title && has_prefix(buffer, "TITLE="))
        field = &m->title;
    else if (!m->album && has_prefix(buffer, "ALBUM="))
        field = &m->album;
    else if (!m->artist && has_prefix(buffer, "ARTIST="))
        field = &m->artist;
    else if (!m->album_artist && has_prefix(buffer, "ALBUMARTIST="))
        field = &m->album_artist;
    else if (!m->track && has_prefix(buffer, "TRACKNUMBER="))
        field = &m->track;
    if (field) {
        *field = text_copy(std::strchr(buffer, '=') + 1);
    } else if (const char* equals = std::strchr(buffer, '=')) {
        const size_t name = size_t(equals - buffer);
        replaygain_tag_apply(&m->gain, buffer, name, equals + 1, std::strlen(equals + 1));
    }
}

void vorbis_comments_read_block(TrackMetadata* m, std::span<const uint8_t> block) {
    if (block.size() < 4) return;
    const uint64_t vendor = le32(block.data());
    uint64_t pos = 4 + vendor;
    if (pos + 4 > block.size()) return;
    const uint32_t count = le32(block.data() + pos);
    pos += 4;
    for (uint32_t i = 0; i < count; ++i) {
        if (pos + 4 > block.size()) return;
        const uint64_t length = le32(block.data() + pos);
        pos += 4;
        if (length > block.size() - pos) return;
        vorbis_comment_apply(m, block.data() + pos, uint32_t(length));
        pos += length;
    }
}

void vorbis_comment_list_apply(TrackMetadata* m, PictureData* picture, char* const* comments,
                               const int* lengths, int count) {
    for (int i = 0; i < count; ++i) {
        if (!comments[i] || lengths[i] <= 0) continue;
        const uint8_t* text = reinterpret_cast<const uint8_t*>(comments[i]);
        if (m) vorbis_comment_apply(m, text, uint32_t(lengths[i]));
        if (picture) vorbis_comment_picture(picture, text, size_t(lengths[i]));
    }
}
