// ID3v1 and ID3v1.1: the 128 bytes "TAG..." at the end of old MP3 files.
#include <cstdio>
#include <cstring>

#include "decoders/metadata.h"
#include "decoders/metadata_text.h"
#include "foundation/memory.h"

namespace {

constexpr size_t ID3V1_SIZE = 128;
constexpr size_t FIELD = 30;

// A fixed-width Latin-1 field up to its first zero, trailing spaces dropped, as UTF-8;
// null when nothing is left.
char* latin1_field(const uint8_t* p, size_t width) {
    size_t n = 0;
    while (n < width && p[n] != 0) ++n;
    while (n > 0 && p[n - 1] == ' ') --n;
    if (n == 0) return nullptr;
    char* text = static_cast<char*>(dru_alloc_memory(2 * n + 1, 1));
    TextOut out{text, 2 * n, 0};
    for (size_t i = 0; i < n; ++i) text_put_utf8(&out, p[i]);
    return text;
}

void fill(char** field, char* value) {
    if (!*field) {
        *field = value;
    } else {
        dru_free(value);
    }
}

}  // namespace

bool id3v1_fill(TrackMetadata* m, std::span<const uint8_t> file) {
    if (file.size() < ID3V1_SIZE) return false;
    const uint8_t* tag = file.data() + file.size() - ID3V1_SIZE;
    if (std::memcmp(tag, "TAG", 3) != 0) return false;
    fill(&m->title, latin1_field(tag + 3, FIELD));
    fill(&m->artist, latin1_field(tag + 33, FIELD));
    fill(&m->album, latin1_field(tag + 63, FIELD));
    // v1.1: a zero before the comment's last byte makes that byte the track number.
    const uint8_t* comment = tag + 97;
    if (comment[28] == 0 && comment[29] != 0) {
        char number[4];
        std::snprintf(number, sizeof number, "%u", unsigned(comment[29]));
        fill(&m->track, text_copy(number));
    }
    return true;
}
