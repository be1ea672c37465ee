// Finding a track's album art: a cover file beside it, else the picture in the file.
#include <cstdio>
#include <cstring>

#include "decoders/decoder_table.h"
#include "decoders/metadata.h"
#include "decoders/metadata_text.h"
#include "decoders/track.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/image.h"

char* album_art_external_path(const char* track_path) {
    const char* slash = std::strrchr(track_path, '/');
    char* dir = slash ? text_copy_n(track_path, size_t(slash - track_path)) : text_copy(".");
    for (const char* name : ExternalCoverNames) {
        const size_t size = std::strlen(dir) + std::strlen(name) + 2;
        char* candidate = static_cast<char*>(dru_alloc_memory(size, 1));
        std::snprintf(candidate, size, "%s/%s", dir, name);
        if (file_exists(candidate)) {
            log_text(LOG_INFO, "load album art from external file '%s'\n", name);
            dru_free(dir);
            return candidate;
        }
        dru_free(candidate);
    }
    dru_free(dir);
    return nullptr;
}

bool album_art_find_data(const char* path, const Track* track, PictureData* picture) {
    *picture = PictureData{};
    const TrackDecoder* codec = track ? track->codec : nullptr;
    void* state = track ? track->decoder : nullptr;
    const char* error = nullptr;
    if (!codec) codec = track_decoder_find(path, &error);
    return codec && codec->picture && codec->picture(path, state, picture);
}

Image* album_art_load(const char* path, const Track* track, char** cover_path, ImageWanted wanted) {
    if (cover_path) *cover_path = nullptr;
    if (!track_decoder_for_name(path)) return nullptr;
    if (char* cover = album_art_external_path(path)) {
        Image* image = image_load_file(cover, wanted);
        if (cover_path) {
            *cover_path = cover;
        } else {
            dru_free(cover);
        }
        return image;
    }
    PictureData picture;
    if (!album_art_find_data(path, track, &picture)) return nullptr;
    Image* image = image_load_memory(picture.data, picture.size, wanted);
    picture_data_free(&picture);
    return image;
}
