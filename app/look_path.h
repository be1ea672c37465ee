// Where a look named on the command line is found when the configuration directory
// has no file of that name.
//
//   look_find_shipped(name, exe_dir)  the path of the shipped look NAME (NAME.txt, or
//                                     NAME itself when it already ends in ".txt"), or
//                                     null when NAME holds a '/' or no folder has it.
//                                     Folders in order: exe_dir/../share/qulmo/looks,
//                                     the install data folder compiled in, and the
//                                     source tree's looks/ when exe_dir is the build
//                                     folder. exe_dir null: the running executable's
//                                     folder. The result is free()d by the caller.
#pragma once

[[nodiscard]] char* look_find_shipped(const char* name, const char* exe_dir);
