// Vorbis-comment block reader over arbitrary bytes.
#include <cstring>
#include <vector>

#include "decoders/metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    TrackMetadata* m = metadata_new();
    vorbis_comments_read_block(m, bytes);
    for (const char* s : {m->title, m->album, m->artist, m->album_artist, m->track})
        if (s && std::strlen(s) > 511) __builtin_trap();
    metadata_free(m);
    return 0;
}
