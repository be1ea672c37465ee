#include "fenra/wayland/selection_read.h"

#include <sys/select.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/memory.h"

int fenra_wait_fd(int fd) {
    if (fd < 0 || fd >= FD_SETSIZE) return 0;
    fd_set readable;
    fd_set writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(fd, &readable);
    FD_SET(fd, &writable);
    timeval timeout{0, SELECTION_WAIT_MS * 1000};
    int n = select(fd + 1, &readable, &writable, nullptr, &timeout);
    if (n <= 0) return 0;
    return (FD_ISSET(fd, &readable) ? 1 : 0) | (FD_ISSET(fd, &writable) ? 2 : 0);
}

bool selection_read_text(int read_fd, char** text) {
    if (read_fd < 0) return false;
    if (!(fenra_wait_fd(read_fd) & 1)) {
        close(read_fd);
        return false;
    }
    char* buffer = static_cast<char*>(dru_alloc_memory(SELECTION_BUFFER_SIZE, 1));
    ssize_t got;
    do {
        got = read(read_fd, buffer, SELECTION_TEXT_MAX);
    } while (got < 0 && errno == EINTR);
    close(read_fd);
    if (got < 0) {
        dru_free(buffer);
        return false;
    }
    dru_free(*text);
    *text = buffer;
    return true;
}
