// Whole-file reading and the configuration directory.
//
//   file_exists(path)            true when the file opens for reading.
//   file_size(stream)            size of the regular file behind a stream; fatal otherwise.
//   read_whole_file(path, size)  the content followed by 1024 zero bytes (so it is always
//                                a valid C string); fatal when missing or over 0x6FFFFFFE
//                                bytes. Free with dru_free.
//   exe_dir_get()                the running executable's directory, or null when it
//                                cannot be read. Free with dru_free.
//   config_dir_get()             the executable's directory when the portable marker
//                                "morsa_portable_mode.txt" sits beside it, else
//                                $HOME/.config/qulmo (created). Free with dru_free.
#pragma once
#include <cstdint>
#include <cstdio>

constexpr uint64_t FILE_SIZE_LIMIT = 0x6FFFFFFE;
constexpr size_t FILE_ZERO_PADDING = 1024;

[[nodiscard]] bool file_exists(const char* path);
[[nodiscard]] uint64_t file_size(FILE* stream);
[[nodiscard]] unsigned char* read_whole_file(const char* path, uint64_t* size_out);
[[nodiscard]] char* exe_dir_get();
[[nodiscard]] char* config_dir_get();
