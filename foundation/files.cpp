#include "foundation/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "foundation/log.h"
#include "foundation/memory.h"

bool file_exists(const char* path) {
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    fclose(f);
    return true;
}

uint64_t file_size(FILE* stream) {
    int fd = fileno(stream);
    if (fd == -1) fatal_error({LOG_FATAL, "cannot get file size", "cannot get fd from stream"});
    struct stat st;
    if (fstat(fd, &st) != 0) fatal_error({LOG_FATAL, "cannot get file size", "fstat error"});
    if (!S_ISREG(st.st_mode))
        fatal_error({LOG_FATAL, "cannot get file size", "not a regular file"});
    return static_cast<uint64_t>(st.st_size);
}

unsigned char* read_whole_file(const char* path, uint64_t* size_out) {
    FILE* f = fopen(path, "rb");
    if (!f) fatal_error({LOG_FATAL, "error opening file", "file does not exist"});
    uint64_t size = file_size(f);
    if (size > FILE_SIZE_LIMIT) {
        fclose(f);
        fatal_error({LOG_FATAL, "error opening file", "file too large"});
    }
    auto* buf = static_cast<unsigned char*>(dru_alloc_memory(size + FILE_ZERO_PADDING, 1));
    // Asking for more than the size means a file that grew meanwhile cannot overrun
    // the buffer, and a short read leaves zeros behind.
    size_t got = fread(buf, 1, size + FILE_ZERO_PADDING, f);
    fclose(f);
    if (got < size) memset(buf + got, 0, size - got);
    // Whatever was read past the size belongs to a file that grew: keep the zeros.
    if (got > size) memset(buf + size, 0, got - size);
    if (size_out) *size_out = size;
    return buf;
}

char* exe_dir_get() {
    constexpr size_t kPath = 4096;
    // Room after the path for a file name the caller appends.
    char* buf = static_cast<char*>(dru_alloc_memory(kPath + 32, 1));
    char* slash = nullptr;
    if (readlink("/proc/self/exe", buf, kPath) != -1) slash = strrchr(buf, '/');
    if (!slash) {
        dru_free(buf);
        return nullptr;
    }
    *slash = 0;
    return buf;
}

char* config_dir_get() {
    if (char* buf = exe_dir_get()) {
        strcat(buf, "/morsa_portable_mode.txt");
        if (file_exists(buf)) {
            *strrchr(buf, '/') = 0;
            return buf;
        }
        dru_free(buf);
    }
    const char* home = getenv("HOME");
    if (!home) fatal_error({LOG_FATAL, "cannot get config path", "program or home path not found"});
    size_t n = strlen(home) + 15;
    char* dir = static_cast<char*>(dru_alloc_memory(n, 1));
    memcpy(dir, home, n - 15);
    memcpy(dir + n - 15, "/.config/qulmo", 14);
    mkdir(dir, 0755);
    return dir;
}
