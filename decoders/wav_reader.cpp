#include "decoders/wav_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "decoders/sample_format.h"
#include "foundation/log.h"

namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
bool id_is(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// The "fmt " body: each field is taken only when the declared size covers it and the
// bytes are really there. The size tests run on S + 4 in 32-bit arithmetic, so a size
// near 0xFFFFFFFF wraps and takes nothing.
void read_fmt(WavReader* r, const uint8_t* body, uint32_t declared, uint64_t present) {
    const uint32_t s4 = declared + 4u;
    uint32_t tag = 0, bits = 0;
    if (s4 > 5 && present >= 2) tag = le16(body);
    if (s4 > 7 && present >= 4) r->channels = le16(body + 2);
    if (s4 > 11 && present >= 8) r->sample_rate = le32(body + 4);
    if (s4 > 19 && present >= 16) {
        bits = le16(body + 14);
        // WAVE_FORMAT_EXTENSIBLE: the sub-format GUID begins with the real tag.
        if (s4 > 29 && present >= 26) tag = le16(body + 24);
    }
    const bool known = (tag == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
                       (tag == 3 && bits == 32);
    if (known) r->format_known = true;
    if (tag == 1 && bits == 8)
        r->sample_format = SAMPLE_U8;
    else if (tag == 1 && bits == 16)
        r->sample_format = SAMPLE_S16;
    else if (tag == 1 && bits == 24)
        r->sample_format = SAMPLE_S24;
    else if (tag == 1 && bits == 32)
        r->sample_format = SAMPLE_S32;
    else if (tag == 3 && bits == 32)
        r->sample_format = SAMPLE_F32;
}

char* info_field(WavReader* r, const uint8_t* id) {
    if (id_is(id, "IART")) return r->artist;
    if (id_is(id, "INAM")) return r->name;
    if (id_is(id, "IPRD")) return r->product;
    if (id_is(id, "IPRT")) return r->part;
    return nullptr;
}

// LIST/INFO sub-chunks. chunk points at the LIST id; present counts the bytes from
// there to the end of the file.
void read_info(WavReader* r, const uint8_t* chunk, uint32_t declared, uint64_t present) {
    if (present < 12 || !id_is(chunk + 8, "INFO")) return;
    const uint64_t end = uint64_t(uint32_t(declared + 4u));  // relative to the size field
    const uint8_t* base = chunk + 4;
    const uint64_t base_present = present - 4;
    for (uint64_t rel = 8; rel < end;) {
        if (rel + 8 > base_present) break;  // sub-chunk header past the end of the file
        const uint8_t* sub = base + rel;
        const uint64_t size = (uint64_t(le32(sub + 4)) + 1) & ~uint64_t(1);
        if (char* field = info_field(r, sub)) {
            const uint64_t body_present = base_present - rel - 8;
            const uint64_t n = std::min({size, uint64_t(WAV_INFO_FIELD_SIZE - 1), body_present});
            std::memset(field, 0, WAV_INFO_FIELD_SIZE);
            std::memcpy(field, sub + 8, n);
        }
        rel += 8 + size;
    }
}

}  // namespace

bool wav_reader_parse(WavReader* r, std::span<const uint8_t> bytes) {
    *r = WavReader{};
    r->file = bytes;
    const uint8_t* p = bytes.data();
    const uint64_t len = bytes.size();
    if (len < 12 || !id_is(p, "RIFF") || le32(p + 4) <= 11 || !id_is(p + 8, "WAVE")) return false;

    bool have_data = false;
    for (uint64_t off = 12; off < len;) {
        if (off + 8 > len) break;  // no room for a chunk header
        const uint8_t* chunk = p + off;
        char name[5] = {char(chunk[0]), char(chunk[1]), char(chunk[2]), char(chunk[3]), 0};
        log_text(LOG_INFO, "chunk name '%s'\n", name);
        const uint32_t size = le32(chunk + 4);
        const uint64_t present = len - off - 8;  // body bytes in the file
        const uint8_t* body = chunk + 8;

        if (id_is(chunk, "fmt ")) {
            read_fmt(r, body, size, present);
        } else if (id_is(chunk, "LIST")) {
            read_info(r, chunk, size, present + 8);
        } else if (id_is(chunk, "data")) {
            r->data = body;
            r->data_size = uint32_t(std::min(uint64_t(size), present));
            have_data = true;
        } else if (id_is(chunk, "id3 ") || id_is(chunk, "ID3 ")) {
            r->id3 = body;
            r->id3_size = uint32_t(std::min(uint64_t(size), present));
        }
        off += 8 + uint64_t(size) + (size & 1);
    }
    return have_data && r->format_known && r->channels != 0 && r->channels <= WAV_MAX_CHANNELS &&
           r->sample_rate != 0 && r->data_size != 0;
}

int64_t wav_reader_total_frames(const WavReader* r) {
    const uint32_t bpf = bytes_per_frame(r->sample_format, r->channels);
    return bpf ? int64_t(r->data_size / bpf) : 0;
}

uint32_t wav_reader_read(WavReader* r, float* out, uint32_t max_frames) {
    const uint32_t bpf = bytes_per_frame(r->sample_format, r->channels);
    if (!r->format_known || bpf == 0 || r->read_offset >= r->data_size) return 0;
    const uint64_t len =
        std::min(uint64_t(bpf) * max_frames, uint64_t(r->data_size - r->read_offset));
    const uint8_t* src = r->data + r->read_offset;
    r->read_offset += uint32_t(len);
    const uint32_t frames = uint32_t(len / bpf);
    const uint64_t samples = uint64_t(frames) * r->channels;
    switch (r->sample_format) {
    case SAMPLE_F32: std::memcpy(out, src, samples * 4); break;
    case SAMPLE_S32:
        for (uint64_t i = 0; i < samples; ++i)
            out[i] = float(int32_t(le32(src + 4 * i))) * (1.0f / 2147483648.0f);
        break;
    case SAMPLE_S24:
        // The three bytes become the top of a 32-bit value; the divisor is the largest
        // float below 2^31, so full scale lands just inside 1.0.
        for (uint64_t i = 0; i < samples; ++i) {
            const uint8_t* s = src + 3 * i;
            const int32_t v =
                int32_t(uint32_t(s[0]) << 8 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 24);
            out[i] = float(v) / 2147483520.0f;
        }
        break;
    case SAMPLE_S16:
        for (uint64_t i = 0; i < samples; ++i)
            out[i] = float(int16_t(le16(src + 2 * i))) * (1.0f / 32768.0f);
        break;
    case SAMPLE_U8:
        for (uint64_t i = 0; i < samples; ++i) out[i] = (float(src[i]) - 128.0f) * (1.0f / 128.0f);
        break;
    default: return 0;
    }
    return frames;
}

bool wav_reader_seek(WavReader* r, int64_t frame) {
    if (frame < 0) return false;
    const uint64_t offset =
        uint64_t(bytes_per_frame(r->sample_format, r->channels)) * uint64_t(frame);
    if (offset >= r->data_size) return false;
    r->read_offset = uint32_t(offset);
    return true;
}
