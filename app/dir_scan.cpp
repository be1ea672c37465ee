#include "app/dir_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "foundation/memory.h"

bool dir_join(const char* dir, const char* name, char* buf, size_t cap) {
    size_t d = strlen(dir), n = strlen(name);
    // The root directory already ends in '/': "/" + "x" is "/x", not "//x".
    bool slash = d == 0 || dir[d - 1] != '/';
    size_t need = d + (slash ? 1 : 0) + n + 1;
    if (need > cap) return false;
    memcpy(buf, dir, d);
    if (slash) buf[d++] = '/';
    memcpy(buf + d, name, n + 1);
    return true;
}

List* dir_scan(const char* dir) {
    List* list = list_create();
    DIR* handle = opendir(dir);
    if (!handle) return list;
    char* path = static_cast<char*>(dru_alloc_memory(DIR_PATH_MAX, 1));
    while (const dirent* d = readdir(handle)) {
        auto* entry = static_cast<DirEntry*>(dru_alloc_memory(1, sizeof(DirEntry)));
        // The record is zero-filled, so a cut name stays terminated.
        size_t name_len = strnlen(d->d_name, DIR_ENTRY_NAME_MAX - 1);
        memcpy(entry->name, d->d_name, name_len);
        // A path too long to build stays unstat'ed, like one that fails to stat.
        struct stat st;
        if (dir_join(dir, d->d_name, path, DIR_PATH_MAX) && stat(path, &st) == 0) {
            entry->size = st.st_size;
            entry->mtime = st.st_mtime;
            entry->is_directory = S_ISDIR(st.st_mode) ? 1 : 0;
        }
        list_insert_head(list, list_node_create(entry, LIST_KIND_DIR_ENTRY));
    }
    dru_free(path);
    closedir(handle);
    return list;
}
