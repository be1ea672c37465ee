// "text/uri-list" to local file paths.
//
//   uri_list_to_paths(window, text)  calls window's on_drop once per local file path,
//                                    in list order. text is NUL-terminated and is
//                                    rewritten in place (line ends, percent escapes);
//                                    each path is valid only during its call.
//
// Accepted lines: file:///path, file:/path, file://HOST/path when this machine's host
// name begins with HOST, and bare paths. Other schemes and lines that are no path are
// skipped; an empty line (or text starting with a line end) ends the list.
#pragma once

struct Window;

void uri_list_to_paths(Window* window, char* text);
