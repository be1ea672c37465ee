#include "foundation/memory.h"

#include <malloc.h>

#include <cstdint>
#include <cstdlib>

#include "foundation/log.h"

void* dru_alloc_memory(size_t count, size_t size) {
    if (count == 0 || size == 0) {
        count = 1;
        size = 1;
    }
    // calloc checks count*size for overflow itself and fails instead of wrapping.
    void* p = calloc(count, size);
    if (!p) fatal_error({LOG_FATAL, "allocate memory failed", "at dru_alloc_memory()"});
    return p;
}

void* dru_realloc_memory(void* pointer, size_t size) {
    if (size == 0) size = 1;
    void* p = realloc(pointer, size);
    if (!p) fatal_error({LOG_FATAL, "reallocate memory failed", "at dru_realloc_memory()"});
    return p;
}

void dru_free(void* pointer) {
    if (pointer) free(pointer);
}

void dru_memory_setup() {
    // glibc raises its mapping threshold to the size of each mapped block freed, up
    // to 32 MiB. After one large track file has come and gone, the next ones then
    // come from the heap, where a small block allocated later pins them: over a
    // playlist of large WAV files the resident size only grows. A fixed threshold
    // keeps every large block in a mapping of its own.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}
