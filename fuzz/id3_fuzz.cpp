// ID3v2 tag reader and picture search over arbitrary bytes.
#include <cstring>
#include <vector>

#include "audio/metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    TrackMetadata* m = id3v2_read_tags(bytes);
    for (const char* s : {m->title, m->album, m->artist, m->album_artist, m->track})
        if (s && std::strlen(s) > 1023) __builtin_trap();
    metadata_free(m);
    const std::span<const uint8_t> picture = id3v2_find_picture_data(bytes);
    if (!picture.empty() && (picture.data() < bytes.data() ||
                             picture.data() + picture.size() > bytes.data() + bytes.size()))
        __builtin_trap();
    return 0;
}
