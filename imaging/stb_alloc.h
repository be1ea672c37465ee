// Allocation for the third-party decoders: the project allocator, but a single request
// above STB_ALLOC_CEILING returns null (a decoding error) instead of ending the process.
#pragma once
#include <cstddef>

constexpr size_t STB_ALLOC_CEILING = 256u * 1024 * 1024;

void* stb_alloc_limited(size_t size);
void* stb_realloc_limited(void* pointer, size_t size);
