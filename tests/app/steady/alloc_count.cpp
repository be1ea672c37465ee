#include "alloc_count.h"

#include <cerrno>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define QULMO_ALLOC_COUNT 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QULMO_ALLOC_COUNT 0
#endif
#endif
#ifndef QULMO_ALLOC_COUNT
#define QULMO_ALLOC_COUNT 1
#endif

namespace {
__thread bool counting;
__thread uint64_t count;
}  // namespace

#if QULMO_ALLOC_COUNT
// glibc's own entry points, exported for allocators that wrap it.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t n) {
    if (counting) ++count;
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
    if (counting) ++count;
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
    if (counting) ++count;
    return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
void* memalign(size_t alignment, size_t n) {
    if (counting) ++count;
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) {
    if (counting) ++count;
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
    if (counting) ++count;
    void* p = __libc_memalign(alignment, n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
}
#endif

bool alloc_count_available() { return QULMO_ALLOC_COUNT != 0; }

void alloc_count_begin() {
    count = 0;
    counting = true;
}

uint64_t alloc_count_end() {
    counting = false;
    return count;
}
