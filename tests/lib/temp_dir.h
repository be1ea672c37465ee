// A private directory for one test, so that tests share no file names with each
// other or with a second run on the same machine, and leave nothing behind.
//
//   TempDir dir;           makes a fresh directory under $TMPDIR (else /tmp); a
//                          failure to make it fails the test.
//   dir.path               its absolute path.
//   dir.file(name, bytes)  writes a file in it and returns the file's path.
//   ~TempDir               removes it and everything in it. Only the process that
//                          made it does, so a death test's child that exits through
//                          exit() leaves its parent's directory alone.
#pragma once
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

struct TempDir {
    std::filesystem::path path;
    pid_t owner;

    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name, std::string_view bytes = {}) const;
};
