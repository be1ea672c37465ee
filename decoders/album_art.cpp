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
#include "imaging/image_job.h"

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

// A cover file this large takes a job: its decode would hold the thread for longer
// than a few milliseconds. Smaller ones decode in about the time of one slice.
constexpr int64_t kSlicedCoverBytes = 256 * 1024;

Image* image_clone(const Image* image) {
    Image* copy = image_new(image->width, image->height, IMAGE_PIXELS);
    image_copy(image, nullptr, copy, nullptr);
    return copy;
}

int64_t mtime_ns_of(const struct stat& st) {
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

void keep_cover(const AlbumArt* art) {
    album_art_forget();
    const Image* image = art->image;
    if (int64_t(image->width) * image->height > 1)
        last_cover = {text_copy(art->cover_path), art->cover_size, art->cover_mtime_ns, art->wanted,
                      image_clone(image)};
}

void load_cover(AlbumArt* art) {
    const char* path = art->cover_path;
    struct stat st {};
    if (stat(path, &st) != 0) {
        art->image = image_load_file(path, art->wanted);
        return;
    }
    art->cover_size = int64_t(st.st_size);
    art->cover_mtime_ns = mtime_ns_of(st);
    const CoverCache& c = last_cover;
    const ImageWanted wanted = art->wanted;
    if (c.image && strcmp(c.path, path) == 0 && c.size == art->cover_size &&
        c.mtime_ns == art->cover_mtime_ns && c.wanted.width == wanted.width &&
        c.wanted.height == wanted.height) {
        art->image = image_clone(c.image);
        return;
    }
    if (art->cover_size >= kSlicedCoverBytes) {
        art->job = image_job_start_file(path, wanted);
        if (image_job_pending(art->job)) return;
        album_art_finish(art);
        return;
    }
    art->image = image_load_file(path, wanted);
    keep_cover(art);
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

AlbumArt album_art_start(const char* path, const Track* track, ImageWanted wanted) {
    AlbumArt art{};
    art.wanted = wanted;
    if (!track_decoder_for_name(path)) return art;
    art.cover_path = album_art_external_path(path);
    if (art.cover_path) {
        load_cover(&art);
        return art;
    }
    PictureData picture;
    if (!album_art_find_data(path, track, &picture)) return art;
    art.image = image_load_memory(picture.data, picture.size, wanted);
    picture_data_free(&picture);
    return art;
}

void album_art_finish(AlbumArt* art) {
    if (!art->job) return;
    while (image_job_step(art->job)) {}
    art->image = image_job_take(art->job);
    image_job_free(art->job);
    art->job = nullptr;
    keep_cover(art);
}

void album_art_drop(AlbumArt* art) {
    image_job_free(art->job);
    image_free(art->image);
    dru_free(art->cover_path);
    *art = AlbumArt{};
}

Image* album_art_load(const char* path, const Track* track, char** cover_path, ImageWanted wanted) {
    AlbumArt art = album_art_start(path, track, wanted);
    album_art_finish(&art);
    if (cover_path) {
        *cover_path = art.cover_path;
    } else {
        dru_free(art.cover_path);
    }
    return art.image;
}
