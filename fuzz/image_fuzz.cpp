// Arbitrary bytes as embedded album art: decoding must fail softly or give a sane image,
// and the decode in slices must give what the whole decode gives.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imaging/image.h"
#include "imaging/image_job.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Odd sizes ask for the smallest picture, so that JPEGs also go the scaled way.
    const ImageWanted wanted = size % 2 ? ImageWanted{1, 1} : ImageWanted{};
    Image* img = image_load_memory(data, size, wanted);
    if (!img || !img->pixels || img->width < 1 || img->height < 1 || img->stride != img->width * 4)
        abort();
    // Touch the last byte of the buffer, spare bytes included.
    volatile uint8_t last = img->pixels[size_t(img->stride) * img->height + IMAGE_SPARE_BYTES - 1];
    (void)last;
    ImageJob* job = image_job_start_memory(data, size, wanted);
    while (image_job_step(job, 0)) {  // the finest slices: one row of blocks each
    }
    Image* sliced = image_job_take(job);
    if (!sliced || sliced->width != img->width || sliced->height != img->height ||
        memcmp(sliced->pixels, img->pixels, size_t(img->stride) * img->height) != 0)
        abort();
    image_free(sliced);
    image_job_free(job);
    image_free(img);
    return 0;
}
