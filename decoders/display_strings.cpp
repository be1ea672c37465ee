// The display strings of a playlist entry, from a track's tags and format.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decoders/metadata.h"
#include "decoders/metadata_text.h"
#include "decoders/playlist_entry.h"
#include "decoders/track.h"
#include "foundation/memory.h"

namespace {

char* tag_or(const Track* track, const char* name, const char* fallback) {
    const char* value = track_get_tag(track, name);
    return text_copy(value ? value : fallback);
}

}  // namespace

void display_strings_fill(PlaylistEntry* d, const Track* track) {
    display_strings_free(d);
    d->loaded = 1;
    d->unplayable = 0;
    d->title = tag_or(track, "title", "unknown title");
    d->album = tag_or(track, "album", "unknown album");
    d->artist = tag_or(track, "artist", "unknown artist");
    d->album_artist = tag_or(track, "album_artist", "unknown album_artist");
    d->track = tag_or(track, "track", "unknown track");
    const AudioFormat& f = *track->format;
    char text[64];
    std::snprintf(text, sizeof text, "%dHz/%dch", int(f.rate), int(f.channels));
    d->format_text = text_copy(text);
    d->duration_ms = f.rate ? int32_t(long(double(track->total_frames) * 1000.0 / f.rate)) : 0;
    d->track_number = int32_t(std::strtoul(d->track, nullptr, 10));
}

void display_strings_free(PlaylistEntry* d) {
    for (char** s :
         {&d->title, &d->album, &d->artist, &d->album_artist, &d->track, &d->format_text}) {
        dru_free(*s);
        *s = nullptr;
    }
    d->duration_ms = 0;
    d->track_number = 0;
    d->loaded = 0;
}

void display_strings_fill_unplayable(PlaylistEntry* d) {
    display_strings_free(d);
    const char* slash = std::strrchr(d->path, '/');
    const char* name = slash ? slash + 1 : d->path;
    const char* dot = std::strrchr(name, '.');
    // A name that is all extension (".mp3") keeps it, so the title is never empty.
    size_t length = dot && dot != name ? size_t(dot - name) : std::strlen(name);
    d->title = static_cast<char*>(dru_alloc_memory(length + 1, 1));
    std::memcpy(d->title, name, length);
    d->album = text_copy("unknown album");
    d->artist = text_copy("unknown artist");
    d->album_artist = text_copy("unknown album_artist");
    d->track = text_copy("unknown track");
    d->format_text = text_copy("");
    d->loaded = 1;
    d->unplayable = 1;
}
