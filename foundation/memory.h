// Allocation that never returns null.
//
//   dru_alloc_memory(count, size)  zero-filled block of count*size bytes; a zero
//                                  count or size still gives a freeable 1-byte block.
//   dru_realloc_memory(p, size)    realloc; size 0 is taken as 1 so p is never freed here.
//   dru_free(p)                    free; null is ignored.
//   dru_memory_setup()             once at program start: blocks of 1 MiB and more
//                                  (whole files, decoded images) get mappings of
//                                  their own, so freeing them gives the memory back.
//
// Running out of memory is fatal (one log line, exit status 1).
#pragma once
#include <cstddef>

void* dru_alloc_memory(size_t count, size_t size);
void* dru_realloc_memory(void* pointer, size_t size);
void dru_free(void* pointer);
void dru_memory_setup();

// Typed helper for the common "array of T" case.
template <typename T>
T* dru_alloc_array(size_t count) {
    return static_cast<T*>(dru_alloc_memory(count, sizeof(T)));
}
