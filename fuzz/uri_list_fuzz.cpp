// Arbitrary bytes as a dropped "text/uri-list": every path handed out must be a
// NUL-terminated string inside the buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fenra/fenra.h"
#include "fenra/x11/uri_list.h"

namespace {

const char* buffer_start;
const char* buffer_end;

void check_path(Window*, void*, const char* path) {
    if (path < buffer_start || path >= buffer_end) abort();
    size_t n = strlen(path);
    if (path + n >= buffer_end) abort();
    if (path[0] != '/') abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char* text = static_cast<char*>(malloc(size + 1));
    memcpy(text, data, size);
    text[size] = '\0';
    buffer_start = text;
    buffer_end = text + size + 1;
    Window window{};
    window.callbacks.on_drop.fn = check_path;
    uri_list_to_paths(&window, text);
    free(text);
    return 0;
}
