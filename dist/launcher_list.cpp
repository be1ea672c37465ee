#include "dist/launcher_list.h"

#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/media_paths.h"

namespace {

bool fits(int n, size_t cap) { return n >= 0 && static_cast<size_t>(n) < cap; }

// Writes every path that has no line break, each followed by '\n'.
bool write_paths(FILE* f, const PathList* list) {
    for (size_t i = 0; i < list->count; i++) {
        if (strchr(list->items[i], '\n')) continue;
        if (fputs(list->items[i], f) < 0 || fputc('\n', f) < 0) return false;
    }
    return true;
}

}  // namespace

bool user_dirs_music(const char* text, const char* home, char* out, size_t cap) {
    static const char key[] = "XDG_MUSIC_DIR=\"";
    const char* line = text;
    while (line && strncmp(line, key, sizeof key - 1) != 0) {
        line = strchr(line, '\n');
        if (line) line++;
    }
    if (!line) return false;
    const char* p = line + sizeof key - 1;
    size_t n = 0;
    if (strncmp(p, "$HOME", 5) == 0 && (p[5] == '/' || p[5] == '"')) {
        n = strlen(home);
        if (n >= cap) return false;
        memcpy(out, home, n);
        p += 5;
    }
    for (; *p && *p != '"' && *p != '\n'; p++) {
        if (*p == '\\' && p[1] && p[1] != '\n') p++;
        if (n + 1 >= cap) return false;
        out[n++] = *p;
    }
    while (n > 1 && out[n - 1] == '/') n--;
    out[n] = '\0';
    if (*p != '"' || out[0] != '/') return false;
    // A folder set to the home folder itself is one the user switched off.
    size_t home_len = strlen(home);
    while (home_len > 1 && home[home_len - 1] == '/') home_len--;
    return !(n == home_len && strncmp(out, home, n) == 0);
}

bool music_folder(char* out, size_t cap) {
    const char* home = getenv("HOME");
    if (!home || !*home) return false;
    char dirs[PATH_MAX];
    const char* config = getenv("XDG_CONFIG_HOME");
    int n = config && config[0] == '/'
                ? snprintf(dirs, sizeof dirs, "%s/user-dirs.dirs", config)
                : snprintf(dirs, sizeof dirs, "%s/.config/user-dirs.dirs", home);
    if (fits(n, sizeof dirs)) {
        if (FILE* f = fopen(dirs, "r")) {
            static char text[65536];
            size_t got = fread(text, 1, sizeof text - 1, f);
            fclose(f);
            text[got] = '\0';
            if (user_dirs_music(text, home, out, cap)) return true;
        }
    }
    return fits(snprintf(out, cap, "%s/Music", home), cap);
}

bool absolute_path(const char* path, char* out, size_t cap) {
    if (path[0] == '/') return fits(snprintf(out, cap, "%s", path), cap);
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return false;
    return fits(snprintf(out, cap, "%s/%s", strcmp(cwd, "/") == 0 ? "" : cwd, path), cap);
}

void list_expand(PathList* list, char* const* paths, int count) {
    char path[PATH_MAX];
    for (int i = 0; i < count; i++)
        (void)media_path_expand(list, absolute_path(paths[i], path, sizeof path) ? path : paths[i]);
}

int list_memory_file(const PathList* list) {
    int fd = memfd_create("qulmo-playlist", 0);  // no MFD_CLOEXEC: the player reads it
    if (fd < 0) return -1;
    int own = dup(fd);
    FILE* f = own < 0 ? nullptr : fdopen(own, "w");
    bool ok = f && write_paths(f, list);
    if (f) ok = fclose(f) == 0 && ok;
    if (!ok) {
        close(fd);
        return -1;
    }
    return fd;
}

bool list_m3u_file(const PathList* list, char* out, size_t cap) {
    const char* dir = getenv("XDG_RUNTIME_DIR");
    if (!dir || dir[0] != '/') dir = "/tmp";
    if (!fits(snprintf(out, cap, "%s/qulmo-handed-XXXXXX.m3u8", dir), cap)) return false;
    int fd = mkstemps(out, 5);
    if (fd < 0) return false;
    FILE* f = fdopen(fd, "w");
    bool ok = f && fputs("#EXTM3U\n", f) >= 0 && write_paths(f, list);
    if (f) ok = fclose(f) == 0 && ok;
    if (!f) close(fd);
    if (!ok) unlink(out);
    return ok;
}
