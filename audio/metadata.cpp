#include "audio/metadata.h"

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
