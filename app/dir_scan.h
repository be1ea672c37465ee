// Directory listing.
//
//   dir_scan(dir)   List of DirEntry payloads (kind 9), one per readdir entry including
//                   "." and "..", in reverse readdir order. Each entry is stat'ed through
//                   symbolic links; when stat fails it counts as a 0-byte file. A directory
//                   that cannot be opened gives an empty list. Free with
//                   list_destroy(list, dru_free).
//   dir_join(dir, name, buf, cap)  dir + "/" + name into buf (no doubled '/' when dir is
//                   "/"); false when it does not fit.
#pragma once
#include <cstddef>

#include "app/playlist.h"

constexpr size_t DIR_PATH_MAX = 4352;

[[nodiscard]] List* dir_scan(const char* dir);
[[nodiscard]] bool dir_join(const char* dir, const char* name, char* buf, size_t cap);
