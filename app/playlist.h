// Playlist and play modes.
//
// The playlist is a List (input/list.h) of PlaylistEntry payloads in kind-10 nodes;
// Player::current is the entry playing, or before the first load the node before
// the entry that should play first (so the first playlist_next lands on it).
//
//   playlist_from_file_arg(p, arg)    the audio files of arg's directory (the format table's
//                                     extensions) in name order, current set so that
//                                     playback starts at arg
//                                     (or at the first file, with a message, when arg
//                                     is not among them).
//   playlist_from_list_file(p, name, config_dir)
//                                     one path per line of the file name (path rule against
//                                     config_dir); empty lines skipped, a CR before the
//                                     line end dropped, a last line without newline kept.
//                                     A missing file is fatal.
//   playlist_split_path(path, &dir, &prefix)
//                                     the directory to list for a named file ("/" for the
//                                     root, "." without any '/') and the text its entries
//                                     start with (path up to its last '/'); free() both.
//   playlist_sort_entries(list)       stable merge sort of a dir_scan listing:
//                                     directories first, then strcmp of the names.
//   playlist_shuffle(list, state)     Fisher-Yates with xoshiro256++ over state[4];
//                                     fewer than two entries leave state untouched.
//   xoshiro256pp_next(state)          one draw of the generator.
//   playlist_next(p) / playlist_previous(p)
//                                     move current as the play mode says (quit at the ends
//                                     in normal and single mode, wrap in repeat, reshuffle
//                                     in shuffle), then player_load_track and redraw. An
//                                     entry that cannot be played is passed over in the same
//                                     direction. When every entry has failed (at a quit, or
//                                     after going round in repeat and shuffle mode):
//                                     "ERROR: loading file failed" and exit status 1.
//   playlist_start(p)                 the first load: the entry after current, or the
//                                     first one, and on past entries that cannot be
//                                     played, round the playlist once; none: the error
//                                     above. Then redraw.
//   play_mode_normal/_repeat/_single/_shuffle(p)
//                                     set play_mode and print "play mode set to %s".
//   playlist_open_file(p, path)       replaces the playlist with the one the command line
//                                     would build for path (shuffled in shuffle mode),
//                                     loads path's entry (or the next that plays) and
//                                     redraws. False, with the old playlist kept and
//                                     playing, when path is not among the entries or
//                                     nothing plays.
//   playlist_replace(p, paths)        the same for a list of paths (PathList,
//                                     decoders/media_paths.h): its first playable entry
//                                     plays, the play mode stays.
//   playlist_entry_create(path)       new entry owning a copy of path and a new id (1, 2,
//                                     ... never reused in the process).
//   playlist_entry_destroy(entry)     frees the strings and the record (a ListDestructor).
//   entry_path_equals(entry, path)    1 when the entry's path equals path, else 0.
#pragma once
#include <cstdint>

#include "decoders/playlist_entry.h"
#include "input/list.h"

struct Player;
struct PathList;

// Longest name a directory entry keeps, with its terminating zero.
constexpr int DIR_ENTRY_NAME_MAX = 256;

struct DirEntry {
    int32_t is_directory;
    int64_t size;
    int64_t mtime;
    char name[DIR_ENTRY_NAME_MAX];
};

[[nodiscard]] PlaylistEntry* playlist_entry_create(const char* path);
void playlist_entry_destroy(void* entry);
int32_t entry_path_equals(void* entry, void* path);

void playlist_from_file_arg(Player* player, const char* arg);
void playlist_from_list_file(Player* player, const char* name, const char* config_dir);
void playlist_split_path(const char* path, char** dir, char** prefix);
void playlist_sort_entries(List* entries);

uint64_t xoshiro256pp_next(uint64_t state[4]);
void playlist_shuffle(List* list, uint64_t state[4]);

void playlist_next(Player* player);
void playlist_previous(Player* player);
void playlist_start(Player* player);
bool playlist_open_file(Player* player, const char* path);
bool playlist_replace(Player* player, const PathList* paths);

void play_mode_normal(Player* player);
void play_mode_repeat(Player* player);
void play_mode_single(Player* player);
void play_mode_shuffle(Player* player);
