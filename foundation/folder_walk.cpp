#include "foundation/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "foundation/memory.h"

namespace {

// Names of one folder, each a copy.
struct Names {
    char** items;
    size_t count, capacity;
};

void names_add(Names* names, const char* name) {
    if (names->count == names->capacity) {
        names->capacity = names->capacity ? 2 * names->capacity : 16;
        names->items =
            static_cast<char**>(dru_realloc_memory(names->items, names->capacity * sizeof(char*)));
    }
    size_t n = strlen(name) + 1;
    names->items[names->count] = static_cast<char*>(dru_alloc_memory(n, 1));
    memcpy(names->items[names->count++], name, n);
}

int by_name(const void* a, const void* b) {
    return strcmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

void names_sort(Names* names) {
    if (names->count > 1) qsort(names->items, names->count, sizeof(char*), by_name);
}

void names_free(Names* names) {
    for (size_t i = 0; i < names->count; i++) dru_free(names->items[i]);
    dru_free(names->items);
}

// The folders open from the top down to the one being read.
struct Chain {
    dev_t dev[FOLDER_WALK_DEPTH];
    ino_t ino[FOLDER_WALK_DEPTH];
    int depth;
};

bool chain_holds(const Chain& chain, const struct stat& st) {
    for (int i = 0; i < chain.depth; i++)
        if (chain.dev[i] == st.st_dev && chain.ino[i] == st.st_ino) return true;
    return false;
}

struct Walker {
    const FolderWalk* walk;
    char path[PATH_MAX];
    Chain chain;
};

// path[0..len) names the folder; appends "/" + name when it fits.
bool path_set(Walker* w, size_t len, const char* name) {
    size_t at = len > 0 && w->path[len - 1] == '/' ? len : len + 1;
    size_t n = strlen(name);
    if (at + n + 1 > sizeof w->path) return false;
    w->path[at - 1] = '/';
    memcpy(w->path + at, name, n + 1);
    return true;
}

// Reads the open folder fd (taken over) whose path is path[0..len).
void walk_folder(Walker* w, int fd, size_t len) {
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return;
    }
    Names files{}, folders{};
    while (const dirent* d = readdir(dir)) {
        if (d->d_name[0] == '.') continue;
        bool is_dir = d->d_type == DT_DIR, is_file = d->d_type == DT_REG;
        if (d->d_type == DT_UNKNOWN || d->d_type == DT_LNK) {
            struct stat st;
            if (fstatat(dirfd(dir), d->d_name, &st, 0) != 0) continue;  // a dangling link
            is_dir = S_ISDIR(st.st_mode);
            is_file = S_ISREG(st.st_mode);
        }
        if (is_dir) names_add(&folders, d->d_name);
        if (is_file && (!w->walk->keep || w->walk->keep(d->d_name, w->walk->user)))
            names_add(&files, d->d_name);
    }
    names_sort(&files);
    for (size_t i = 0; i < files.count; i++)
        if (path_set(w, len, files.items[i])) w->walk->found(w->path, w->walk->user);
    names_sort(&folders);
    for (size_t i = 0; i < folders.count && w->chain.depth < FOLDER_WALK_DEPTH; i++) {
        int sub = openat(dirfd(dir), folders.items[i], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (sub < 0) continue;
        struct stat st;
        if (fstat(sub, &st) != 0 || chain_holds(w->chain, st) ||
            !path_set(w, len, folders.items[i])) {
            close(sub);
            continue;
        }
        w->chain.dev[w->chain.depth] = st.st_dev;
        w->chain.ino[w->chain.depth++] = st.st_ino;
        walk_folder(w, sub, strlen(w->path));
        w->chain.depth--;
    }
    names_free(&files);
    names_free(&folders);
    closedir(dir);
}

}  // namespace

bool folder_walk(const char* folder, const FolderWalk& walk) {
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    auto* w = static_cast<Walker*>(dru_alloc_memory(1, sizeof(Walker)));
    w->walk = &walk;
    struct stat st;
    size_t len = strlen(folder);
    if (fstat(fd, &st) != 0 || len >= sizeof w->path) {
        close(fd);
        dru_free(w);
        return false;
    }
    memcpy(w->path, folder, len + 1);
    w->chain.dev[0] = st.st_dev;
    w->chain.ino[0] = st.st_ino;
    w->chain.depth = 1;
    walk_folder(w, fd, len);
    dru_free(w);
    return true;
}
