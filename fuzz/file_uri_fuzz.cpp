// Arbitrary bytes as the URI of an OpenUri call: the decoded path stays inside the
// room given and is NUL-terminated, and a path that decodes is encoded and decoded
// back to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/file_uri.h"
#include "foundation/memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char* uri = static_cast<char*>(malloc(size + 1));
    memcpy(uri, data, size);
    uri[size] = '\0';
    // The room is cut to the input's length, so long paths also meet the limit.
    size_t cap = size % 257 + 1;
    char* path = static_cast<char*>(malloc(cap));
    if (file_uri_to_path(uri, path, cap)) {
        size_t n = strnlen(path, cap);
        if (n == cap || path[0] != '/') abort();
        char* again = file_uri_from_path(path);
        char* back = static_cast<char*>(malloc(cap));
        if (!file_uri_to_path(again, back, cap) || strcmp(back, path) != 0) abort();
        free(back);
        dru_free(again);
    }
    free(path);
    free(uri);
    return 0;
}
