// Every file below a folder, in the order a person reads a music collection: a
// folder's own files in name order (strcmp), then its sub-folders in name order, each
// the same way, so "Disc 1" comes before "Disc 2" and an album's tracks stay together.
// Names beginning with '.' are skipped, files and folders alike. Symbolic links are
// followed; a folder that is already open further up (a link loop) is not entered
// again, nor is anything deeper than FOLDER_WALK_DEPTH; a folder that cannot be read
// counts as empty.
//
//   FolderWalk {keep, found, user}
//       keep(name, user)    whether a file of this name is wanted (null: every file).
//       found(path, user)   a wanted file: the folder's path + "/" + name (no doubled
//                           '/' after a folder given with a trailing one).
//   folder_walk(folder, walk)  calls found once per wanted file, in the order above.
//       Paths longer than PATH_MAX are left out. False when folder cannot be opened
//       as a folder.
#pragma once

constexpr int FOLDER_WALK_DEPTH = 64;

struct FolderWalk {
    bool (*keep)(const char* name, void* user);
    void (*found)(const char* path, void* user);
    void* user;
};

bool folder_walk(const char* folder, const FolderWalk& walk);
