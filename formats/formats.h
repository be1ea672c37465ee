// What the player opens, by name: per format its file name extensions and the media
// types the desktop knows it by. Plain data and name matching only, so that the qulmo
// command, the desktop entry and the media controls read the same list as the
// decoder table (decoder_table.cpp) without linking any decoder.
//
//   file_formats[FILE_FORMAT_COUNT]  the formats: audio ones (a decoder plays them) and
//                                    playlist ones (their text names other files).
//   file_format_for_name(path)       the format whose extension path ends in (after a
//                                    '.', any case); null when none.
//   file_name_is_audio(path)         that format exists and is an audio one.
//   name_has_extension(path, ext)    path is at least one byte longer than ext, the
//                                    byte before its last strlen(ext) bytes is '.', and
//                                    those equal ext ignoring ASCII case.
//   media_types_all(out, cap)        every media type of every format, in table order,
//                                    into out[0..]; then a null. Returns the count, at
//                                    most cap - 1.
#pragma once
#include <cstddef>
#include <cstdint>

enum FileFormatKind : int32_t {
    FORMAT_AUDIO = 0,
    FORMAT_M3U = 1,  // one entry a line, '#' lines are comments (.m3u, .m3u8)
    FORMAT_PLS = 2,  // "FileN=" lines of an INI-like text (.pls)
};

enum FileFormatId : int32_t {
    FORMAT_ID_MP3,
    FORMAT_ID_FLAC,
    FORMAT_ID_WAV,
    FORMAT_ID_OGG,
    FORMAT_ID_OPUS,
    FORMAT_ID_M3U,
    FORMAT_ID_PLS,
    FILE_FORMAT_COUNT
};

constexpr int FORMAT_NAMES_MAX = 5;

struct FileFormat {
    int32_t id;                                 // FileFormatId; the row's index
    int32_t kind;                               // FileFormatKind
    const char* extensions[FORMAT_NAMES_MAX];   // null-terminated
    const char* media_types[FORMAT_NAMES_MAX];  // null-terminated
};

extern const FileFormat file_formats[FILE_FORMAT_COUNT];

[[nodiscard]] const FileFormat* file_format_for_name(const char* path);
[[nodiscard]] bool file_name_is_audio(const char* path);
[[nodiscard]] bool name_has_extension(const char* path, const char* extension);
size_t media_types_all(const char** out, size_t cap);
