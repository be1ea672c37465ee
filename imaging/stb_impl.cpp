// The one translation unit that compiles stb_image (BMP only: PNG, JPEG and GIF go
// through libpng, libjpeg-turbo and giflib) and stb_truetype. Their allocations go through the
// project allocator, except that single requests above a ceiling fail softly: a crafted
// file then ends as a decoding error instead of a fatal out-of-memory exit.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "foundation/memory.h"
#include "imaging/stb_alloc.h"

void* stb_alloc_limited(size_t size) {
    if (size > STB_ALLOC_CEILING) return nullptr;
    return dru_alloc_memory(1, size);
}

void* stb_realloc_limited(void* pointer, size_t size) {
    if (size > STB_ALLOC_CEILING) return nullptr;
    return dru_realloc_memory(pointer, size);
}

// A decoder may copy zero bytes from or into a buffer it has not allocated yet; a
// zero-length copy must not pass a null pointer to the C library.
static inline void* stb_copy_bytes(void* dst, const void* src, size_t n) {
    return n ? memcpy(dst, src, n) : dst;
}

#define STBI_MALLOC(sz) stb_alloc_limited(sz)
#define STBI_REALLOC(p, newsz) stb_realloc_limited(p, newsz)
#define STBI_FREE(p) dru_free(p)
#define STBI_ONLY_BMP
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STB_IMAGE_IMPLEMENTATION

#define STBTT_malloc(x, u) ((void)(u), stb_alloc_limited(x))
#define STBTT_free(x, u) ((void)(u), dru_free(x))
#define STB_TRUETYPE_IMPLEMENTATION

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wtype-limits"
#if defined(__clang__)
#pragma GCC diagnostic ignored "-Wunknown-warning-option"
#endif
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wcast-qual"
#define memcpy stb_copy_bytes
#include <stb_image.h>
#include <stb_truetype.h>
#undef memcpy
#pragma GCC diagnostic pop
