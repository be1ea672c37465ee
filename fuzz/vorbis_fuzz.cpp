// Vorbis-comment block reader over arbitrary bytes.
#include <cmath>
#include <cstring>
#include <vector>

#include "decoders/metadata.h"

// Whatever the bytes, a gain that was read is in range and gives a usable factor.
static bool replaygain_ok(const ReplayGainTags& g) {
    for (uint32_t f = 0; f < RG_FIELD_COUNT; f++)
        if ((g.present >> f & 1) && !(std::fabs(g.value[f]) <= 128.0)) return false;
    const float factor = replaygain_factor(&g, REPLAYGAIN_ALBUM, 15.0);
    return factor > 0.0f && factor < 1e4f;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    TrackMetadata* m = metadata_new();
    vorbis_comments_read_block(m, bytes);
    for (const char* s : {m->title, m->album, m->artist, m->album_artist, m->track})
        if (s && std::strlen(s) > 511) __builtin_trap();
    if (!replaygain_ok(m->gain)) __builtin_trap();
    metadata_free(m);
    return 0;
}
