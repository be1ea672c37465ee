// PlaylistEntry: one playlist entry, the file's path and the display strings the
// tag reader fills (display_strings_fill in decoders/metadata.h) the first time the
// entry is shown or played. The record sits with the code that fills it; whoever
// keeps a playlist owns the entries.
#pragma once
#include <cstdint>

struct PlaylistEntry {
    char* path;
    char* title;
    char* album;
    char* artist;
    char* album_artist;
    char* track;
    char* format_text;  // "%dHz/%dch"
    int32_t duration_ms;
    int32_t track_number;
    uint8_t loaded;      // display strings filled
    uint8_t unplayable;  // its file could not be opened the last time it was tried
    uint32_t id;     // unique within the run; names the entry to the desktop controls
};
