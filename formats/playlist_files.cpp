#include "formats/playlist_files.h"

#include <strings.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "formats/formats.h"
#include "foundation/file_uri.h"
#include "foundation/memory.h"

namespace {

struct Line {
    const char* text;
    size_t size;
};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The line starting at *at, without its line end and surrounding blanks; *at moves past
// it. A zero byte ends the line's text.
Line next_line(const char* text, size_t size, size_t* at) {
    size_t start = *at, end = start;
    while (end < size && text[end] != '\n') end++;
    *at = end < size ? end + 1 : size;
    const void* zero = memchr(text + start, '\0', end - start);
    if (zero) end = static_cast<size_t>(static_cast<const char*>(zero) - text);
    while (start < end && blank(text[start])) start++;
    while (end > start && blank(text[end - 1])) end--;
    return {text + start, end - start};
}

// "scheme://" at the start of an entry.
bool has_scheme(Line entry) {
    size_t i = 0;
    while (i < entry.size &&
           ((entry.text[i] >= 'a' && entry.text[i] <= 'z') ||
            (entry.text[i] >= 'A' && entry.text[i] <= 'Z') ||
            (i > 0 && ((entry.text[i] >= '0' && entry.text[i] <= '9') || entry.text[i] == '+' ||
                       entry.text[i] == '-' || entry.text[i] == '.'))))
        i++;
    return i > 0 && i + 3 <= entry.size && memcmp(entry.text + i, "://", 3) == 0;
}

void give(Line entry, const char* folder, PlaylistFound found, void* user) {
    if (entry.size == 0 || entry.size >= PATH_MAX) return;
    char text[PATH_MAX];
    memcpy(text, entry.text, entry.size);
    text[entry.size] = '\0';
    if (has_scheme(entry)) {
        char path[PATH_MAX];
        if (file_uri_to_path(text, path, sizeof path)) found(path, user);
        return;
    }
    if (text[0] == '/') {
        found(text, user);
        return;
    }
    char path[PATH_MAX];
    size_t folder_len = strlen(folder);
    const char* slash = folder_len > 0 && folder[folder_len - 1] == '/' ? "" : "/";
    int n = snprintf(path, sizeof path, "%s%s%s", folder, slash, text);
    if (n > 0 && static_cast<size_t>(n) < sizeof path) found(path, user);
}

}  // namespace

void m3u_parse(const char* text, size_t size, const char* folder, PlaylistFound found, void* user) {
    size_t at = size >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    while (at < size) {
        Line line = next_line(text, size, &at);
        if (line.size > 0 && line.text[0] != '#') give(line, folder, found, user);
    }
}

void pls_parse(const char* text, size_t size, const char* folder, PlaylistFound found, void* user) {
    size_t at = 0;
    while (at < size) {
        Line line = next_line(text, size, &at);
        if (line.size < 5 || strncasecmp(line.text, "file", 4) != 0) continue;
        size_t i = 4;
        while (i < line.size && line.text[i] >= '0' && line.text[i] <= '9') i++;
        if (i == 4 || i >= line.size || line.text[i] != '=') continue;
        Line value = {line.text + i + 1, line.size - i - 1};
        while (value.size > 0 && blank(value.text[0])) value.text++, value.size--;
        give(value, folder, found, user);
    }
}

bool playlist_file_read(const char* path, int32_t kind, PlaylistFound found, void* user) {
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    char* text = nullptr;
    size_t size = 0, capacity = 0, got;
    do {
        if (size == capacity) {
            capacity = capacity ? 2 * capacity : 65536;
            text = static_cast<char*>(dru_realloc_memory(text, capacity));
        }
        got = fread(text + size, 1, capacity - size, f);
        size += got;
    } while (got > 0 && size < PLAYLIST_FILE_MAX);
    bool ok = !ferror(f);
    fclose(f);
    char folder[PATH_MAX] = ".";
    if (const char* slash = strrchr(path, '/')) {
        int len = slash == path ? 1 : static_cast<int>(slash - path);  // "/" for the root
        snprintf(folder, sizeof folder, "%.*s", len, path);
    }
    if (ok && kind == FORMAT_PLS) pls_parse(text, size, folder, found, user);
    if (ok && kind == FORMAT_M3U) m3u_parse(text, size, folder, found, user);
    dru_free(text);
    return ok;
}
