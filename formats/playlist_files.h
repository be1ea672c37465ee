// Playlist files as other programs write them, read into the paths of their entries.
// Every read stays inside the bytes given.
//
//   m3u_parse(text, size, folder, found, user)
//       .m3u and .m3u8: one entry a line (LF or CRLF; a UTF-8 byte order mark at the
//       start is skipped). Empty lines and lines starting with '#' (#EXTM3U, #EXTINF)
//       are no entries; blanks around an entry are dropped and a zero byte ends it.
//   pls_parse(text, size, folder, found, user)
//       .pls: each "FileN=" line (the key in any case) is one entry, in file order.
//   For both, an entry is a file:// URI (decoded), an absolute path, or a path
//   relative to folder (the playlist's own); found(path, user) gets it. Entries of any
//   other scheme ("http://...") and entries that would not fit in PATH_MAX bytes are
//   left out.
//   playlist_file_read(path, kind, found, user)
//       reads the file at path and runs the reader of kind (FORMAT_M3U or FORMAT_PLS,
//       formats.h) with path's folder; only its first PLAYLIST_FILE_MAX bytes count.
//       False when the file cannot be read.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t PLAYLIST_FILE_MAX = 64u << 20;

using PlaylistFound = void (*)(const char* path, void* user);

void m3u_parse(const char* text, size_t size, const char* folder, PlaylistFound found, void* user);
void pls_parse(const char* text, size_t size, const char* folder, PlaylistFound found, void* user);
bool playlist_file_read(const char* path, int32_t kind, PlaylistFound found, void* user);
