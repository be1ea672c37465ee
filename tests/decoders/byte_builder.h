// Builds the byte arrays the reader tests feed in: little- and big-endian integers,
// RIFF chunks and ID3v2 tags and frames.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void put_str(Bytes& b, std::string_view s) { b.insert(b.end(), s.begin(), s.end()); }
inline void put_bytes(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
inline void put_le16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void put_le32(Bytes& b, uint32_t v) {
    put_le16(b, v & 0xFFFF);
    put_le16(b, v >> 16);
}
inline void put_be32(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}
inline void put_syncsafe(Bytes& b, uint32_t v) {
    for (int s = 21; s >= 0; s -= 7) b.push_back(uint8_t((v >> s) & 0x7F));
}

// A chunk with the given declared size (default: the body's), body and a pad byte
// after odd bodies.
inline Bytes riff_chunk(std::string_view id, const Bytes& body, int64_t declared = -1) {
    Bytes c;
    put_str(c, id);
    put_le32(c, declared < 0 ? uint32_t(body.size()) : uint32_t(declared));
    put_bytes(c, body);
    if (body.size() & 1) c.push_back(0);
    return c;
}

inline Bytes fmt_body(uint32_t tag, uint32_t channels, uint32_t rate, uint32_t bits) {
    Bytes b;
    put_le16(b, tag);
    put_le16(b, channels);
    put_le32(b, rate);
    put_le32(b, rate * channels * bits / 8);
    put_le16(b, channels * bits / 8);
    put_le16(b, bits);
    return b;
}

// WAVE_FORMAT_EXTENSIBLE: 40-byte body whose sub-format GUID starts with sub_tag.
inline Bytes fmt_extensible(uint32_t sub_tag, uint32_t channels, uint32_t rate, uint32_t bits) {
    Bytes b = fmt_body(0xFFFE, channels, rate, bits);
    put_le16(b, 22);       // extension size
    put_le16(b, bits);     // valid bits
    put_le32(b, 3);        // channel mask
    put_le16(b, sub_tag);  // GUID, first two bytes
    put_str(b, std::string_view("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14));
    return b;
}

inline Bytes wave_file(const std::vector<Bytes>& chunks) {
    Bytes body;
    put_str(body, "WAVE");
    for (const Bytes& c : chunks) put_bytes(body, c);
    Bytes f;
    put_str(f, "RIFF");
    put_le32(f, uint32_t(body.size()));
    put_bytes(f, body);
    return f;
}

// ID3v2 frame: 10-byte header then body; v2.4 sizes are syncsafe.
inline Bytes id3_frame(std::string_view id, const Bytes& body, int version = 3) {
    Bytes f;
    put_str(f, id);
    if (version >= 4)
        put_syncsafe(f, uint32_t(body.size()));
    else
        put_be32(f, uint32_t(body.size()));
    put_le16(f, 0);
    put_bytes(f, body);
    return f;
}

inline Bytes id3_text_frame(std::string_view id, uint8_t encoding, const Bytes& text,
                            int version = 3) {
    Bytes body{encoding};
    put_bytes(body, text);
    return id3_frame(id, body, version);
}

inline Bytes str_bytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline Bytes id3_tag(const std::vector<Bytes>& frames, int version = 3, uint8_t flags = 0,
                     const Bytes& extended = {}, size_t padding = 0) {
    Bytes content = extended;
    for (const Bytes& f : frames) put_bytes(content, f);
    content.resize(content.size() + padding, 0);
    Bytes t;
    put_str(t, "ID3");
    t.push_back(uint8_t(version));
    t.push_back(0);
    t.push_back(flags);
    put_syncsafe(t, uint32_t(content.size()));
    put_bytes(t, content);
    return t;
}

// APIC body: encoding, MIME, picture type, description (already encoded, with its
// terminator), picture bytes.
inline Bytes apic_body(uint8_t encoding, uint8_t type, const Bytes& description,
                       std::string_view data) {
    Bytes b{encoding};
    put_str(b, "image/png");
    b.push_back(0);
    b.push_back(type);
    put_bytes(b, description);
    put_str(b, data);
    return b;
}

// The bytes as characters, for writing them to a file.
inline std::string_view chars(const Bytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Unsynchronisation: a zero after every 0xFF (readers drop the zero of every FF 00).
inline Bytes unsync(const Bytes& in) {
    Bytes out;
    for (uint8_t b : in) {
        out.push_back(b);
        if (b == 0xFF) out.push_back(0);
    }
    return out;
}

// A whole tag unsynchronised after its header, with the header flag set.
inline Bytes id3_unsync_tag(const std::vector<Bytes>& frames, int version) {
    const Bytes plain = id3_tag(frames, version);
    const Bytes content = unsync(Bytes(plain.begin() + 10, plain.end()));
    Bytes t(plain.begin(), plain.begin() + 6);
    t[5] = 0x80;
    put_syncsafe(t, uint32_t(content.size()));
    put_bytes(t, content);
    return t;
}

// v2.2 frame: three-letter id and a 24-bit size.
inline Bytes id3_frame22(std::string_view id, const Bytes& body) {
    Bytes f;
    put_str(f, id);
    for (int s = 16; s >= 0; s -= 8) f.push_back(uint8_t(body.size() >> s));
    put_bytes(f, body);
    return f;
}

// v2.4 frame with its own unsynchronisation and a data-length indicator.
inline Bytes id3_frame24_unsync(std::string_view id, const Bytes& body) {
    Bytes stored;
    put_syncsafe(stored, uint32_t(body.size()));
    put_bytes(stored, unsync(body));
    Bytes f;
    put_str(f, id);
    put_syncsafe(f, uint32_t(stored.size()));
    f.push_back(0);
    f.push_back(0x03);  // unsynchronised, data-length indicator
    put_bytes(f, stored);
    return f;
}

// The first page of an Ogg stream whose first packet is the given bytes.
inline Bytes ogg_page(const Bytes& packet, uint8_t flags = 0x02) {
    Bytes p;
    put_str(p, "OggS");
    p.push_back(0);
    p.push_back(flags);
    p.resize(p.size() + 20, 0);  // granule, serial, sequence, checksum
    p.push_back(1);
    p.push_back(uint8_t(packet.size()));
    put_bytes(p, packet);
    return p;
}
