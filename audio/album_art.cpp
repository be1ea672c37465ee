// Finding a track's album art: a cover file beside it, else the picture in the file.
#include <cstdio>
#include <cstring>

#include "audio/metadata.h"
#include "audio/metadata_text.h"
#include "audio/track.h"
#include "audio/wav_reader.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "ui/image.h"

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

namespace {

bool copy_picture(std::span<const uint8_t> bytes, PictureData* picture) {
    if (bytes.empty()) return false;
    picture->data = static_cast<uint8_t*>(dru_alloc_memory(bytes.size(), 1));
    std::memcpy(picture->data, bytes.data(), bytes.size());
    picture->size = bytes.size();
    return true;
}

}  // namespace

bool album_art_find_data(const char* path, const Track* track, PictureData* picture) {
    *picture = PictureData{};
    switch (track_kind_from_path(path)) {
    case TRACK_MP3: {
        if (!file_exists(path)) return false;
        uint64_t size = 0;
        unsigned char* bytes = read_whole_file(path, &size);
        const bool found =
            size > 9 && copy_picture(id3v2_find_picture_data({bytes, size_t(size)}), picture);
        dru_free(bytes);
        return found;
    }
    case TRACK_FLAC: flac_read_embedded(path, nullptr, picture); return picture->data != nullptr;
    case TRACK_WAV: {
        const WavReader* reader = track ? track_wav_reader(track) : nullptr;
        return reader && reader->id3 &&
               copy_picture(id3v2_find_picture_data({reader->id3, reader->id3_size}), picture);
    }
    default: return false;
    }
}

Image* album_art_load(const char* path, const Track* track, char** cover_path) {
    if (cover_path) *cover_path = nullptr;
    const TrackKind kind = track_kind_from_path(path);
    if (kind == TRACK_UNKNOWN) return nullptr;
    if (char* cover = album_art_external_path(path)) {
        Image* image = image_load_file(cover);
        if (cover_path) {
            *cover_path = cover;
        } else {
            dru_free(cover);
        }
        return image;
    }
    PictureData picture;
    if (!album_art_find_data(path, track, &picture)) return nullptr;
    Image* image = image_load_memory(picture.data, picture.size);
    picture_data_free(&picture);
    return image;
}
