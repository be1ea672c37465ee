// The display strings of a playlist entry, from a track's tags and format.
#include <cstdio>
#include <cstdlib>

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
    d->loaded = 1;
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
