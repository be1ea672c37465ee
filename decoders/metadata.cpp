#include "decoders/metadata.h"

#include <cstring>

#include "foundation/memory.h"

TrackMetadata* metadata_new() { return dru_alloc_array<TrackMetadata>(1); }

void metadata_free(TrackMetadata* m) {
    if (!m) return;
    dru_free(m->title);
    dru_free(m->album);
    dru_free(m->artist);
    dru_free(m->album_artist);
    dru_free(m->track);
    dru_free(m);
}

void picture_data_free(PictureData* picture) {
    dru_free(picture->data);
    *picture = PictureData{};
}

bool picture_data_copy(std::span<const uint8_t> bytes, PictureData* picture) {
    if (bytes.empty()) return false;
    picture->data = static_cast<uint8_t*>(dru_alloc_memory(bytes.size(), 1));
    std::memcpy(picture->data, bytes.data(), bytes.size());
    picture->size = bytes.size();
    return true;
}
