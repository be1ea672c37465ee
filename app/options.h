// Command line: "-name value" pairs against a fixed option table, then an
// optional file path.
//
//   option_find(name, table)        index of the pair's name slot (0, 2, 4...) or -1.
//   option_get(name, table, def)    the option's value, or def when absent.
//   has_extension(name, ext)        "x.<ext>" with ext compared case-insensitively.
//   format_alloc(fmt, ...)          printf into a new exact-size buffer (free with
//                                   free()); null on failure, so callers must check.
//   path_is_absolute / path_resolve the path rule: '/' first, or ':' second, is absolute;
//                                   a relative path is joined to the config directory.
//   options_parse(argc, argv, table) fills table values, returns the index of the first
//                                   positional argument; bad lines print "ERROR: ..." and
//                                   exit(1).
//   options_apply(table, player, scale_given) reads every value with its default and
//                                   clamp into the Player; seeds the shuffle state.
//                                   gapless: a number, nonzero is on (default 0);
//                                   replaygain: off, track or album (anything else off);
//                                   preamp: dB held at -15..15 (default 0, NaN 0).
#pragma once
#include <cstdint>

struct Player;

constexpr int OPTION_COUNT = 12;
// {name, value} pairs, terminated by a null name.
using OptionTable = const char * [2 * (OPTION_COUNT + 1)];

void options_table_init(OptionTable table);
[[nodiscard]] int option_find(const char* name, const OptionTable table);
[[nodiscard]] const char* option_get(const char* name, const OptionTable table, const char* def);
[[nodiscard]] bool has_extension(const char* file_name, const char* extension);
[[nodiscard]] __attribute__((format(printf, 1, 2))) char* format_alloc(const char* format, ...);
[[nodiscard]] bool path_is_absolute(const char* path);
// Absolute paths are copied, relative ones joined to config_dir. Null on failure.
[[nodiscard]] char* path_resolve(const char* path, const char* config_dir);

[[nodiscard]] int options_parse(int argc, char** argv, OptionTable table);
// Returns true when the scale option was given (otherwise start-up derives it).
bool options_apply(const OptionTable table, Player* player);
int32_t play_mode_from_name(const char* name);
// "off", "track", "album" as REPLAYGAIN_OFF, _TRACK, _ALBUM; anything else is off.
int32_t replaygain_mode_from_name(const char* name);
void shuffle_seed(uint64_t state[4], uint64_t seed);
