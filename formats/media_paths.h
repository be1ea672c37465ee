// What the paths handed to the player stand for, as one list of files: the qulmo
// command builds the playlist it starts the player with this way, and the media
// controls open a folder or a playlist file with it.
//
//   PathList                       owned copies of paths, in order.
//   path_list_add(list, path)      appends a copy of path.
//   path_list_free(list)           frees the copies and the array; the list is empty again.
//   media_path_expand(list, path)  appends the files path stands for:
//       a folder         every audio file below it (the format table's extensions), in
//                        folder_walk's order (foundation/folder_walk.h);
//       a playlist file  (.m3u, .m3u8, .pls, playlist_files.h) its entries that exist,
//                        in order, a folder among them taken as a folder; when some do
//                        not exist, one line "WARNING: PATH: N entries not found, skipped"
//                        (or "1 entry");
//       any other file   the file itself.
//       Returns false, adding nothing, when path names nothing that exists or a
//       playlist that cannot be read; one "WARNING: no such file or folder, skipped: PATH"
//       or "WARNING: cannot read playlist, skipped: PATH" line then says so.
#pragma once
#include <cstddef>

struct PathList {
    char** items;
    size_t count, capacity;
};

void path_list_add(PathList* list, const char* path);
void path_list_free(PathList* list);
bool media_path_expand(PathList* list, const char* path);
