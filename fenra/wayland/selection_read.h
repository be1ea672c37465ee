// Reading a selection's text from the pipe that the offering client writes into.
//
//   fenra_wait_fd(fd)   one select for reading and writing, 20 ms at most:
//                       bit 0 readable, bit 1 writable, 0 on timeout or error.
//   selection_read_text(read_fd, &text)
//                       takes the read end: waits up to 20 ms for data, then does one
//                       read of at most SELECTION_TEXT_MAX bytes into a new zeroed
//                       SELECTION_BUFFER_SIZE-byte buffer and closes the descriptor.
//                       On success the old *text is freed and replaced (true); when
//                       nothing came in time or the read failed, *text is kept (false).
#pragma once

constexpr int SELECTION_BUFFER_SIZE = 4096;
constexpr int SELECTION_TEXT_MAX = 4090;
constexpr int SELECTION_WAIT_MS = 20;

[[nodiscard]] int fenra_wait_fd(int fd);
bool selection_read_text(int read_fd, char** text);
