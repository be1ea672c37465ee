// Finding a track's album art: a cover file beside it, else the picture in the file.
#include <sys/stat.h>

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

namespace {

// The last cover file decoded. The tracks of an album share it, so moving on to the
// next one (in the middle of the music when play is gapless) does not decode it again.
// Pictures that failed are not kept: their warning comes with every track.
struct CoverCache {
    char* path;
    int64_t size;
    int64_t mtime_ns;
    ImageWanted wanted;
    Image* image;
};
CoverCache last_cover;

Image* image_clone(const Image* image) {
    Image* copy = image_new(image->width, image->height, IMAGE_PIXELS);
    image_copy(image, nullptr, copy, nullptr);
    return copy;
}

Image* load_cover(const char* path, ImageWanted wanted) {
    struct stat st {};
    if (stat(path, &st) != 0) return image_load_file(path, wanted);
    const int64_t mtime_ns = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    const CoverCache& c = last_cover;
    if (c.image && strcmp(c.path, path) == 0 && c.size == st.st_size && c.mtime_ns == mtime_ns &&
        c.wanted.width == wanted.width && c.wanted.height == wanted.height)
        return image_clone(c.image);
    Image* image = image_load_file(path, wanted);
    album_art_forget();
    if (int64_t(image->width) * image->height > 1)
        last_cover = {text_copy(path), int64_t(st.st_size), mtime_ns, wanted, image_clone(image)};
    return image;
}

}  // namespace

void album_art_forget() {
    dru_free(last_cover.path);
    image_free(last_cover.image);
    last_cover = CoverCache{};
}

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
        Image* image = load_cover(cover, wanted);
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
