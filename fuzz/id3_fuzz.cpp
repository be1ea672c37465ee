// ID3v2 tag reader (with unsynchronisation and v2.2 frames), picture search and the
// ID3v1 reader over arbitrary bytes.
#include <cstring>
#include <vector>

#include "decoders/metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    TrackMetadata* m = id3v2_read_tags(bytes);
    for (const char* s : {m->title, m->album, m->artist, m->album_artist, m->track})
        if (s && std::strlen(s) > 1023) __builtin_trap();
    metadata_free(m);
    PictureData picture{};
    // Re-synchronisation only removes bytes.
    if (id3v2_find_picture(bytes, &picture) && picture.size > bytes.size()) __builtin_trap();
    picture_data_free(&picture);
    // The same bytes as the end of a file with an ID3v1 tag.
    m = metadata_new();
    id3v1_fill(m, bytes);
    for (const char* s : {m->title, m->album, m->artist, m->album_artist, m->track})
        if (s && std::strlen(s) > 60) __builtin_trap();
    metadata_free(m);
    return 0;
}
