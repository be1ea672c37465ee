// The one playlist the qulmo command hands to the player.
//
//   music_folder(out, cap)          the user's music folder: XDG_MUSIC_DIR from
//                                   $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config),
//                                   else ~/Music. False without HOME or when it does not fit.
//   user_dirs_music(text, home, out, cap)
//                                   XDG_MUSIC_DIR of one user-dirs.dirs text (a C string):
//                                   its quoted value, "$HOME" at its start replaced by home,
//                                   backslash escapes undone. False when the text names no
//                                   music folder, or names the home folder itself (that
//                                   means "none"), or the value does not fit.
//   absolute_path(path, out, cap)   path, or the working folder + "/" + path when relative.
//   list_expand(list, paths, count) media_path_expand (decoders/media_paths.h) of each path,
//                                   made absolute first, into list, in the order given.
//   list_memory_file(list)          a memory file holding the list, one path a line, that
//                                   stays open across exec: its descriptor, or -1. A path
//                                   holding a line break cannot be written and is left out.
//   list_m3u_file(list, out, cap)   a new .m3u8 file of the list in $XDG_RUNTIME_DIR (or
//                                   /tmp), its path in out; false when it cannot be
//                                   written. The caller removes it.
#pragma once
#include <cstddef>

struct PathList;

bool music_folder(char* out, size_t cap);
bool user_dirs_music(const char* text, const char* home, char* out, size_t cap);
bool absolute_path(const char* path, char* out, size_t cap);
void list_expand(PathList* list, char* const* paths, int count);
int list_memory_file(const PathList* list);
bool list_m3u_file(const PathList* list, char* out, size_t cap);
