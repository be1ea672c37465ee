// ID3v2 tags: the text frames the player shows and the attached picture.
#include <algorithm>
#include <cstring>

#include "audio/metadata.h"
#include "audio/metadata_text.h"
#include "foundation/memory.h"

namespace {

constexpr size_t ID3_TEXT_BUFFER = 1024;
constexpr size_t ID3_TEXT_LIMIT = 1020;  // stop writing once this many bytes are out

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
uint32_t syncsafe32(const uint8_t* p) {
    return uint32_t(p[0] & 0x7F) << 21 | uint32_t(p[1] & 0x7F) << 14 | uint32_t(p[2] & 0x7F) << 7 |
           uint32_t(p[3] & 0x7F);
}

struct Id3Tag {
    std::span<const uint8_t> bytes;  // up to the tag end (never past the bytes present)
    uint8_t version;                 // major version: 3 for v2.3, 4 for v2.4
    size_t first_frame;
};

bool id3_header(std::span<const uint8_t> bytes, Id3Tag* tag) {
    if (bytes.size() < 10) return false;
    const uint8_t* p = bytes.data();
    if (std::memcmp(p, "ID3", 3) != 0 || p[3] == 0xFF || p[4] == 0xFF) return false;
    if ((p[6] | p[7] | p[8] | p[9]) & 0x80) return false;
    const uint64_t end = 10 + uint64_t(syncsafe32(p + 6));
    tag->bytes = bytes.first(size_t(std::min<uint64_t>(end, bytes.size())));
    tag->version = p[3];
    tag->first_frame = 10;
    if (p[5] & 0x40) {
        // Extended header: its size is a plain 32-bit value here.
        if (tag->bytes.size() < 14) {
            tag->first_frame = tag->bytes.size();
        } else {
            tag->first_frame =
                size_t(std::min<uint64_t>(14 + uint64_t(be32(p + 10)), tag->bytes.size()));
        }
    }
    return true;
}

struct Id3Frame {
    const uint8_t* id;              // 4 bytes
    std::span<const uint8_t> body;  // cut to the tag
    uint64_t declared_size;
};

// Next frame at *offset; false at the tag end, at padding or when no header fits.
bool id3_next_frame(const Id3Tag& tag, size_t* offset, Id3Frame* frame) {
    const size_t off = *offset;
    const size_t end = tag.bytes.size();
    if (off >= end || tag.bytes[off] == 0 || end - off < 10) return false;
    const uint8_t* p = tag.bytes.data() + off;
    // v2.4 frame sizes are syncsafe like the tag size; v2.3 uses plain big-endian.
    const uint64_t size = tag.version >= 4 ? syncsafe32(p + 4) : be32(p + 4);
    frame->id = p;
    frame->declared_size = size;
    frame->body = tag.bytes.subspan(off + 10, size_t(std::min<uint64_t>(size, end - off - 10)));
    const uint64_t next = uint64_t(off) + 10 + size;
    *offset = size_t(std::min<uint64_t>(next, end));
    return true;
}

void put_utf16(TextOut* out, std::span<const uint8_t> units, bool little_endian) {
    for (size_t i = 0; i + 1 < units.size(); i += 2) {
        const uint32_t u = little_endian ? uint32_t(units[i]) | uint32_t(units[i + 1]) << 8
                                         : uint32_t(units[i]) << 8 | uint32_t(units[i + 1]);
        if (u == 0 || out->used >= ID3_TEXT_LIMIT) break;
        text_put_utf8(out, u);
    }
}

// Decoded text of a text frame; null for an unknown encoding.
char* id3_text(std::span<const uint8_t> body) {
    char* buffer = static_cast<char*>(dru_alloc_memory(ID3_TEXT_BUFFER, 1));
    if (body.size() <= 1) return buffer;
    TextOut out{buffer, ID3_TEXT_BUFFER - 1, 0};
    const std::span<const uint8_t> text = body.subspan(1);
    switch (body[0]) {
    case 0:
        for (uint8_t b : text) {
            if (b == 0 || out.used >= ID3_TEXT_LIMIT) break;
            text_put_utf8(&out, b);
        }
        break;
    case 1: {
        const bool le = text[0] == 0xFF;
        put_utf16(&out, text.size() > 2 ? text.subspan(2) : std::span<const uint8_t>{}, le);
        break;
    }
    case 2: put_utf16(&out, text, false); break;
    case 3:
        for (uint8_t b : text) {
            if (b == 0 || out.used >= ID3_TEXT_LIMIT) break;
            buffer[out.used++] = char(b);
        }
        break;
    default: dru_free(buffer); return nullptr;
    }
    return buffer;
}

char** id3_field(TrackMetadata* m, const uint8_t* id) {
    if (std::memcmp(id, "TIT2", 4) == 0) return &m->title;
    if (std::memcmp(id, "TALB", 4) == 0) return &m->album;
    if (std::memcmp(id, "TPE1", 4) == 0) return &m->artist;
    if (std::memcmp(id, "TPE2", 4) == 0) return &m->album_artist;
    if (std::memcmp(id, "TRCK", 4) == 0) return &m->track;
    return nullptr;
}

// Index just past the terminator of a string starting at from; size when unterminated.
size_t skip_string(std::span<const uint8_t> body, size_t from, bool wide) {
    if (!wide) {
        for (size_t i = from; i < body.size(); ++i)
            if (body[i] == 0) return i + 1;
        return body.size();
    }
    for (size_t i = from; i + 1 < body.size(); i += 2)
        if (body[i] == 0 && body[i + 1] == 0) return i + 2;
    return body.size();
}

struct ApicInfo {
    uint8_t picture_type;
    std::span<const uint8_t> data;
};

bool apic_parse(std::span<const uint8_t> body, ApicInfo* info) {
    if (body.size() < 2) return false;
    const uint8_t encoding = body[0];
    size_t pos = skip_string(body, 1, false);  // MIME type, always Latin-1
    if (pos >= body.size()) return false;
    info->picture_type = body[pos++];
    // UTF-16 descriptions end at an aligned pair of zero bytes; a leading byte-order
    // mark is skipped only when it is one (an empty description may have none).
    const bool wide = encoding == 1 || encoding == 2;
    if (encoding == 1 && pos + 1 < body.size() &&
        ((body[pos] == 0xFF && body[pos + 1] == 0xFE) ||
         (body[pos] == 0xFE && body[pos + 1] == 0xFF)))
        pos += 2;
    pos = skip_string(body, pos, wide);
    info->data = body.subspan(pos);
    return true;
}

}  // namespace

TrackMetadata* id3v2_read_tags(std::span<const uint8_t> bytes) {
    TrackMetadata* m = metadata_new();
    Id3Tag tag;
    if (!id3_header(bytes, &tag)) return m;
    Id3Frame frame;
    for (size_t off = tag.first_frame; id3_next_frame(tag, &off, &frame);) {
        char** field = id3_field(m, frame.id);
        if (!field) continue;
        dru_free(*field);
        *field = id3_text(frame.body);
    }
    return m;
}

std::span<const uint8_t> id3v2_find_picture_data(std::span<const uint8_t> bytes) {
    Id3Tag tag;
    if (!id3_header(bytes, &tag)) return {};
    std::span<const uint8_t> found;
    Id3Frame frame;
    for (size_t off = tag.first_frame; id3_next_frame(tag, &off, &frame);) {
        if (std::memcmp(frame.id, "APIC", 4) != 0) continue;
        ApicInfo info;
        if (!apic_parse(frame.body, &info)) continue;
        found = info.data;
        if (info.picture_type == 3) break;  // front cover
    }
    return found;
}
