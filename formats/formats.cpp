#include "formats/formats.h"

#include <strings.h>

#include <cstring>

const FileFormat file_formats[FILE_FORMAT_COUNT] = {
    {.id = FORMAT_ID_MP3,
     .kind = FORMAT_AUDIO,
     .extensions = {"mp3"},
     .media_types = {"audio/mpeg"}},
    {.id = FORMAT_ID_FLAC,
     .kind = FORMAT_AUDIO,
     .extensions = {"flac"},
     .media_types = {"audio/flac", "audio/x-flac"}},
    {.id = FORMAT_ID_WAV,
     .kind = FORMAT_AUDIO,
     .extensions = {"wav"},
     .media_types = {"audio/wav", "audio/x-wav"}},
    // An Ogg file may hold Vorbis, FLAC or Opus; the decoder table sniffs which.
    {.id = FORMAT_ID_OGG,
     .kind = FORMAT_AUDIO,
     .extensions = {"ogg", "oga"},
     .media_types = {"audio/ogg", "audio/x-vorbis+ogg", "audio/vorbis", "audio/x-flac+ogg"}},
    {.id = FORMAT_ID_OPUS,
     .kind = FORMAT_AUDIO,
     .extensions = {"opus"},
     .media_types = {"audio/opus", "audio/x-opus+ogg"}},
    {.id = FORMAT_ID_M3U,
     .kind = FORMAT_M3U,
     .extensions = {"m3u", "m3u8"},
     .media_types = {"audio/x-mpegurl", "audio/mpegurl", "application/vnd.apple.mpegurl"}},
    {.id = FORMAT_ID_PLS,
     .kind = FORMAT_PLS,
     .extensions = {"pls"},
     .media_types = {"audio/x-scpls"}},
};

bool name_has_extension(const char* path, const char* extension) {
    const size_t n = strlen(extension), len = strlen(path);
    return len >= n + 1 && path[len - n - 1] == '.' && strcasecmp(path + len - n, extension) == 0;
}

const FileFormat* file_format_for_name(const char* path) {
    for (const FileFormat& format : file_formats) {
        for (const char* const* ext = format.extensions; *ext; ext++)
            if (name_has_extension(path, *ext)) return &format;
    }
    return nullptr;
}

bool file_name_is_audio(const char* path) {
    const FileFormat* format = file_format_for_name(path);
    return format && format->kind == FORMAT_AUDIO;
}

size_t media_types_all(const char** out, size_t cap) {
    size_t n = 0;
    for (const FileFormat& format : file_formats) {
        for (const char* const* type = format.media_types; *type && n + 1 < cap; type++)
            out[n++] = *type;
    }
    if (cap > 0) out[n] = nullptr;
    return n;
}
