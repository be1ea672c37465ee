// ID3v2 tags: the text frames the player shows and the attached picture.
#include <algorithm>
#include <cstring>

#include "decoders/metadata.h"
#include "decoders/metadata_text.h"
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

uint32_t be24(const uint8_t* p) {
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
}

// Undoes unsynchronisation: every 0xFF 0x00 becomes 0xFF. Returns the bytes written
// to out, which has room for in.size() bytes.
size_t resync(std::span<const uint8_t> in, uint8_t* out) {
    size_t n = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        out[n++] = in[i];
        if (in[i] == 0xFF && i + 1 < in.size() && in[i + 1] == 0) ++i;
    }
    return n;
}

struct Id3Tag {
    std::span<const uint8_t> bytes;  // up to the tag end (never past the bytes present)
    uint8_t version;                 // major version: 2, 3 or 4
    uint8_t flags;                   // header flags
    size_t first_frame;
    uint8_t* owned;  // the re-synchronised tag when the whole tag was unsynchronised
};

void id3_tag_release(Id3Tag* tag) {
    dru_free(tag->owned);
    tag->owned = nullptr;
}

constexpr uint8_t TAG_UNSYNC = 0x80;

bool id3_header(std::span<const uint8_t> bytes, Id3Tag* tag) {
    *tag = Id3Tag{};
    if (bytes.size() < 10) return false;
    const uint8_t* p = bytes.data();
    if (std::memcmp(p, "ID3", 3) != 0 || p[3] == 0xFF || p[4] == 0xFF) return false;
    if ((p[6] | p[7] | p[8] | p[9]) & 0x80) return false;
    const uint64_t end = 10 + uint64_t(syncsafe32(p + 6));
    tag->bytes = bytes.first(size_t(std::min<uint64_t>(end, bytes.size())));
    tag->version = p[3];
    tag->flags = p[5];
    tag->first_frame = 10;
    // Up to v2.3 the whole tag after its header is unsynchronised; v2.4 marks each frame.
    if ((tag->flags & TAG_UNSYNC) && tag->version <= 3) {
        tag->owned = static_cast<uint8_t*>(dru_alloc_memory(tag->bytes.size(), 1));
        std::memcpy(tag->owned, p, 10);
        const size_t n = 10 + resync(tag->bytes.subspan(10), tag->owned + 10);
        tag->bytes = {tag->owned, n};
        p = tag->owned;
    }
    if (tag->version == 2) {
        // In v2.2 this bit means a compressed tag, for which no scheme was ever defined.
        if (tag->flags & 0x40) tag->first_frame = tag->bytes.size();
    } else if (tag->flags & 0x40) {
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
    const uint8_t* id;              // 4 bytes (3 in v2.2)
    std::span<const uint8_t> body;  // cut to the tag; re-synchronised when the frame was
    uint8_t* owned;                 // the body's own copy when re-synchronised
    bool unreadable;                // compressed or encrypted: the body means nothing to us
};

// v2.4 frame format flags, and their v2.3 counterparts.
constexpr uint8_t V4_COMPRESSED = 0x08, V4_ENCRYPTED = 0x04, V4_UNSYNC = 0x02, V4_LENGTH = 0x01;
constexpr uint8_t V3_COMPRESSED = 0x80, V3_ENCRYPTED = 0x40;

// Next frame at *offset; false at the tag end, at padding or when no header fits.
// Frames whose body we cannot read (compressed, encrypted) come back marked unreadable.
bool id3_next_frame(const Id3Tag& tag, size_t* offset, Id3Frame* frame) {
    dru_free(frame->owned);
    *frame = Id3Frame{};
    const size_t off = *offset;
    const size_t end = tag.bytes.size();
    const size_t header = tag.version == 2 ? 6 : 10;
    if (off >= end || tag.bytes[off] == 0 || end - off < header) return false;
    const uint8_t* p = tag.bytes.data() + off;
    // v2.4 frame sizes are syncsafe like the tag size; v2.3 uses plain big-endian, v2.2
    // three bytes.
    const uint64_t size = tag.version == 2   ? be24(p + 3)
                          : tag.version >= 4 ? syncsafe32(p + 4)
                                             : be32(p + 4);
    frame->id = p;
    frame->body =
        tag.bytes.subspan(off + header, size_t(std::min<uint64_t>(size, end - off - header)));
    *offset = size_t(std::min<uint64_t>(uint64_t(off) + header + size, end));
    if (tag.version == 3 && (p[9] & (V3_COMPRESSED | V3_ENCRYPTED))) {
        frame->unreadable = true;
    } else if (tag.version >= 4) {
        const uint8_t format = p[9];
        if (format & (V4_COMPRESSED | V4_ENCRYPTED)) {
            frame->unreadable = true;
            return true;
        }
        if (format & V4_LENGTH) {
            // The data-length indicator (4 syncsafe bytes) precedes the body.
            frame->body = frame->body.size() >= 4 ? frame->body.subspan(4) : frame->body.first(0);
        }
        if ((format & V4_UNSYNC) || (tag.flags & TAG_UNSYNC)) {
            frame->owned = static_cast<uint8_t*>(dru_alloc_memory(frame->body.size() + 1, 1));
            frame->body = {frame->owned, resync(frame->body, frame->owned)};
        }
    }
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

// Text in one of the four encodings as UTF-8; null for an unknown encoding.
char* id3_decode(uint8_t encoding, std::span<const uint8_t> text) {
    char* buffer = static_cast<char*>(dru_alloc_memory(ID3_TEXT_BUFFER, 1));
    if (text.empty()) return buffer;
    TextOut out{buffer, ID3_TEXT_BUFFER - 1, 0};
    switch (encoding) {
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

// Decoded text of a text frame; null for an unknown encoding.
char* id3_text(std::span<const uint8_t> body) {
    if (body.size() <= 1) return static_cast<char*>(dru_alloc_memory(ID3_TEXT_BUFFER, 1));
    return id3_decode(body[0], body.subspan(1));
}

char** id3_field(TrackMetadata* m, const uint8_t* id, uint8_t version) {
    if (version == 2) {
        if (std::memcmp(id, "TT2", 3) == 0) return &m->title;
        if (std::memcmp(id, "TAL", 3) == 0) return &m->album;
        if (std::memcmp(id, "TP1", 3) == 0) return &m->artist;
        if (std::memcmp(id, "TP2", 3) == 0) return &m->album_artist;
        if (std::memcmp(id, "TRK", 3) == 0) return &m->track;
        return nullptr;
    }
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

// A user text frame (TXXX; v2.2 TXX): encoding, description, value. A description
// that names a ReplayGain field puts the value into the gain record.
void id3_user_text(ReplayGainTags* gain, std::span<const uint8_t> body) {
    if (body.size() < 2) return;
    const bool wide = body[0] == 1 || body[0] == 2;
    const size_t value_at = skip_string(body, 1, wide);
    char* name = id3_decode(body[0], body.subspan(1, value_at - 1));
    char* value = name ? id3_decode(body[0], body.subspan(value_at)) : nullptr;
    if (value) replaygain_tag_apply(gain, name, std::strlen(name), value, std::strlen(value));
    dru_free(name);
    dru_free(value);
}

struct ApicInfo {
    uint8_t picture_type;
    std::span<const uint8_t> data;
};

// An APIC body, or with three_letter a v2.2 PIC body, whose image format is three
// fixed bytes where APIC has a zero-terminated MIME type.
bool apic_parse(std::span<const uint8_t> body, bool three_letter, ApicInfo* info) {
    if (body.size() < 2) return false;
    const uint8_t encoding = body[0];
    size_t pos = three_letter ? 4 : skip_string(body, 1, false);  // MIME type, always Latin-1
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
    Id3Frame frame{};
    for (size_t off = tag.first_frame; id3_next_frame(tag, &off, &frame);) {
        if (frame.unreadable) continue;
        if (std::memcmp(frame.id, "TXXX", tag.version == 2 ? 3 : 4) == 0) {
            id3_user_text(&m->gain, frame.body);
            continue;
        }
        char** field = id3_field(m, frame.id, tag.version);
        if (!field) continue;
        dru_free(*field);
        *field = id3_text(frame.body);
    }
    id3_tag_release(&tag);
    return m;
}

bool id3v2_find_picture(std::span<const uint8_t> bytes, PictureData* picture) {
    *picture = PictureData{};
    Id3Tag tag;
    if (!id3_header(bytes, &tag)) return false;
    const bool three_letter = tag.version == 2;
    Id3Frame frame{};
    for (size_t off = tag.first_frame; id3_next_frame(tag, &off, &frame);) {
        if (frame.unreadable ||
            std::memcmp(frame.id, three_letter ? "PIC" : "APIC", three_letter ? 3 : 4) != 0)
            continue;
        ApicInfo info;
        if (!apic_parse(frame.body, three_letter, &info)) continue;
        // The body may live in the frame's own copy: keep the bytes, not the view.
        picture_data_free(picture);
        picture_data_copy(info.data, picture);
        if (info.picture_type == 3) break;  // front cover
    }
    dru_free(frame.owned);
    id3_tag_release(&tag);
    return picture->data != nullptr;
}
