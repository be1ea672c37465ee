// Reads a "text/uri-list" file and prints every local path the drop parser hands out,
// one per line. The text sits in a buffer of exactly its size plus the terminator, so
// the address sanitizer sees any read past its end.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fenra/fenra.h"
#include "fenra/x11/uri_list.h"

static void print_path(Window*, void*, const char* path) { std::printf("%s\n", path); }

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LIST\n", argv[0]);
        return 2;
    }
    FILE* f = std::fopen(argv[1], "rb");
    if (!f) return 2;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    char* text = static_cast<char*>(std::malloc(size_t(size) + 1));
    const size_t got = std::fread(text, 1, size_t(size), f);
    std::fclose(f);
    text[got] = '\0';
    Window window{};
    window.callbacks.on_drop.fn = print_path;
    uri_list_to_paths(&window, text);
    std::free(text);
    return 0;
}
