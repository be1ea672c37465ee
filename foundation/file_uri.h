// File URIs, as the desktop media controls hand them in and out.
//
//   file_uri_from_path(path)         "file://" + path with every byte other than
//                                    A-Z a-z 0-9 - . _ ~ / written as %XX (upper-case
//                                    hex). path should be absolute. Returns a new string
//                                    (dru_free it).
//   file_uri_to_path(uri, out, cap)  the local path a file URI names, into out (cap
//                                    bytes, NUL-terminated). Accepts "file:///p" and
//                                    "file://localhost/p" (scheme and host in any case);
//                                    the path ends at the first '?' or '#'. False for any
//                                    other scheme or host, a path not starting with '/',
//                                    a '%' not followed by two hex digits, an escaped
//                                    zero byte, or a path that does not fit in cap.
//                                    Reads uri only up to its terminating zero.
#pragma once
#include <cstddef>

[[nodiscard]] char* file_uri_from_path(const char* path);
[[nodiscard]] bool file_uri_to_path(const char* uri, char* out, size_t cap);
