// Arbitrary bytes as embedded album art: decoding must fail softly or give a sane image.
#include <cstdio>
#include <cstdlib>

#include "imaging/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Odd sizes ask for the smallest picture, so that JPEGs also go the scaled way.
    Image* img = image_load_memory(data, size, size % 2 ? ImageWanted{1, 1} : ImageWanted{});
    if (!img || !img->pixels || img->width < 1 || img->height < 1 || img->stride != img->width * 4)
        abort();
    // Touch the last byte of the buffer, spare bytes included.
    volatile uint8_t last = img->pixels[size_t(img->stride) * img->height + IMAGE_SPARE_BYTES - 1];
    (void)last;
    image_free(img);
    return 0;
}
