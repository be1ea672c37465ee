#include "app/look_path.h"

#include <cstdlib>
#include <cstring>

#include "app/options.h"
#include "foundation/files.h"
#include "foundation/memory.h"

// The build folder's programs have no share/ beside them; their looks are the sources.
static const char* build_tree_looks(const char* exe_dir) {
#if defined(QULMO_BUILD_DIR) && defined(QULMO_SOURCE_LOOKS_DIR)
    if (strcmp(exe_dir, QULMO_BUILD_DIR) == 0) return QULMO_SOURCE_LOOKS_DIR;
#else
    (void)exe_dir;
#endif
    return nullptr;
}

static char* found_in(const char* dir, const char* name, const char* suffix) {
    char* path = format_alloc("%s/%s%s", dir, name, suffix);
    if (path && file_exists(path)) return path;
    free(path);
    return nullptr;
}

char* look_find_shipped(const char* name, const char* exe_dir) {
    if (!name || !*name || strchr(name, '/')) return nullptr;
    const char* suffix = has_extension(name, "txt") ? "" : ".txt";
    char* own_dir = exe_dir ? nullptr : exe_dir_get();
    if (!exe_dir) exe_dir = own_dir;
    char* path = nullptr;
    if (exe_dir) {
        char* share = format_alloc("%s/../share/qulmo/looks", exe_dir);
        if (share) path = found_in(share, name, suffix);
        free(share);
    }
#ifdef QULMO_LOOKS_DIR
    if (!path) path = found_in(QULMO_LOOKS_DIR, name, suffix);
#endif
    if (!path && exe_dir) {
        if (const char* looks = build_tree_looks(exe_dir)) path = found_in(looks, name, suffix);
    }
    dru_free(own_dir);
    return path;
}
