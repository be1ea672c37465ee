#include "fenra/x11/uri_list.h"

#include <unistd.h>

#include <cstring>

#include "fenra/fenra.h"

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Percent-decodes s in place and NUL-terminates the result. A broken escape is
// kept as written; one cut off by the end of s is dropped.
void percent_decode(char* s) {
    char* out = s;
    const char* in = s;
    while (*in) {
        if (*in != '%') {
            *out++ = *in++;
            continue;
        }
        if (in[1] == '\0') break;  // "%" at the end
        int hi = hex_value(in[1]);
        if (hi < 0) {
            *out++ = in[0];
            *out++ = in[1];
            in += 2;
            continue;
        }
        if (in[2] == '\0') break;  // "%X" at the end
        int lo = hex_value(in[2]);
        if (lo < 0) {
            *out++ = in[0];
            *out++ = in[1];
            *out++ = in[2];
            in += 3;
            continue;
        }
        *out++ = static_cast<char>(hi * 16 + lo);
        in += 3;
    }
    *out = '\0';
}

// True when this machine's host name begins with the len bytes at host.
bool host_matches(const char* host, size_t len) {
    char name[256];
    if (gethostname(name, sizeof name) != 0) return false;
    name[sizeof name - 1] = '\0';
    return strncmp(name, host, len) == 0;
}

void deliver(Window* window, const char* path) {
    if (window && window->callbacks.on_drop.fn)
        window->callbacks.on_drop.fn(window, window->callbacks.on_drop.user, path);
}

// One line, already NUL-terminated at its end.
void handle_line(Window* window, char* line) {
    char* r;
    if (strncmp(line, "file:/", 6) == 0) {
        r = line + 6;
    } else if (strstr(line, ":/")) {
        return;
    } else {
        r = line;
    }
    if (r[0] == '/' && r[1] != '/') {
        // "/HOST/rest": only our own host is local.
        if (r[1] == '\0' || r[2] == '/') return;
        char* host = r + 1;
        char* slash = strchr(host, '/');
        if (!slash) return;
        if (!host_matches(host, static_cast<size_t>(slash - host))) return;
        r = slash + 1;
    }
    char* slash_before = r - 1;  // the '/' of "file:/" or the one after the host
    bool had_slash_before = r > line && *slash_before == '/';
    percent_decode(r);
    const char* path;
    if (r[0] == '/' && r[1] == '/') {
        path = r + 1;
    } else if (r[0] == '/') {
        path = r;
    } else {
        if (!had_slash_before) return;
        path = slash_before;
    }
    deliver(window, path);
}

}  // namespace

void uri_list_to_paths(Window* window, char* text) {
    if (!text) return;
    char* p = text;
    for (;;) {
        size_t len = strcspn(p, "\r\n");
        if (len == 0) return;
        bool last = p[len] == '\0';
        p[len] = '\0';
        handle_line(window, p);
        if (last) return;
        p += len + 1;
        while (*p == '\r' || *p == '\n') p++;
    }
}
