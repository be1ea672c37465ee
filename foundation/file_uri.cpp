#include "foundation/file_uri.h"

#include <strings.h>

#include <cstring>

#include "foundation/memory.h"

namespace {

bool kept_as_is(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

char* file_uri_from_path(const char* path) {
    static const char prefix[] = "file://";
    static const char hex[] = "0123456789ABCDEF";
    size_t n = strlen(path);
    auto* out = static_cast<char*>(dru_alloc_memory(sizeof prefix + 3 * n, 1));
    memcpy(out, prefix, sizeof prefix - 1);
    char* o = out + sizeof prefix - 1;
    for (size_t i = 0; i < n; i++) {
        auto c = static_cast<unsigned char>(path[i]);
        if (kept_as_is(c)) {
            *o++ = static_cast<char>(c);
        } else {
            *o++ = '%';
            *o++ = hex[c >> 4];
            *o++ = hex[c & 15];
        }
    }
    *o = '\0';
    return out;
}

bool file_uri_to_path(const char* uri, char* out, size_t cap) {
    if (cap == 0) return false;
    out[0] = '\0';
    if (strncasecmp(uri, "file://", 7) != 0) return false;
    const char* p = uri + 7;
    if (strncasecmp(p, "localhost/", 10) == 0) p += 9;
    if (*p != '/') return false;  // another host, or no path
    size_t n = 0;
    for (; *p && *p != '?' && *p != '#'; p++) {
        char c = *p;
        if (c == '%') {
            int hi = hex_value(p[1]);
            int lo = hi < 0 ? -1 : hex_value(p[2]);
            if (lo < 0) return false;
            c = static_cast<char>(hi * 16 + lo);
            if (c == '\0') return false;
            p += 2;
        }
        if (n + 1 >= cap) return false;
        out[n++] = c;
    }
    out[n] = '\0';
    return true;
}
