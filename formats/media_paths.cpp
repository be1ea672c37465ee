#include "formats/media_paths.h"

#include <sys/stat.h>

#include <cstring>

#include "formats/formats.h"
#include "formats/playlist_files.h"
#include "foundation/folder_walk.h"
#include "foundation/log.h"
#include "foundation/memory.h"

namespace {

bool keep_audio(const char* name, void*) { return file_name_is_audio(name); }

void add_found(const char* path, void* list) { path_list_add(static_cast<PathList*>(list), path); }

void add_folder(PathList* list, const char* path) {
    folder_walk(path, {.keep = keep_audio, .found = add_found, .user = list});
}

struct PlaylistRead {
    PathList* list;
    int missing;
};

void add_entry(const char* path, void* user) {
    auto* read = static_cast<PlaylistRead*>(user);
    struct stat st;
    if (stat(path, &st) != 0) {
        read->missing++;
    } else if (S_ISDIR(st.st_mode)) {
        add_folder(read->list, path);
    } else {
        path_list_add(read->list, path);
    }
}

}  // namespace

void path_list_add(PathList* list, const char* path) {
    if (list->count == list->capacity) {
        list->capacity = list->capacity ? 2 * list->capacity : 64;
        list->items =
            static_cast<char**>(dru_realloc_memory(list->items, list->capacity * sizeof(char*)));
    }
    size_t n = strlen(path) + 1;
    char* copy = static_cast<char*>(dru_alloc_memory(n, 1));
    memcpy(copy, path, n);
    list->items[list->count++] = copy;
}

void path_list_free(PathList* list) {
    for (size_t i = 0; i < list->count; i++) dru_free(list->items[i]);
    dru_free(list->items);
    *list = {};
}

bool media_path_expand(PathList* list, const char* path) {
    struct stat st;
    if (stat(path, &st) != 0) {
        log_text(LOG_WARNING, "WARNING: no such file or folder, skipped: %s\n", path);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        add_folder(list, path);
        return true;
    }
    const FileFormat* format = file_format_for_name(path);
    if (!format || format->kind == FORMAT_AUDIO) {
        path_list_add(list, path);
        return true;
    }
    PlaylistRead read = {.list = list, .missing = 0};
    if (!playlist_file_read(path, format->kind, add_entry, &read)) {
        log_text(LOG_WARNING, "WARNING: cannot read playlist, skipped: %s\n", path);
        return false;
    }
    if (read.missing > 0)
        log_text(LOG_WARNING, "WARNING: %s: %d %s not found, skipped\n", path, read.missing,
                 read.missing == 1 ? "entry" : "entries");
    return true;
}
