// A picture decoded a slice at a time: JPEG through the slices of jpeg_decode.cpp,
// everything else whole at the start.
#include "imaging/image_job.h"

#include <cstdio>
#include <cstring>

#include "foundation/memory.h"
#include "imaging/image_decode.h"

struct ImageJob {
    uint8_t* bytes;  // owned; the decode reads them until it is freed
    ImageDecode decode;
    JpegSlices* slices;  // the pending decode; null once finished
    Image* image;        // the finished picture until taken
    bool from_file;
    bool failed;
};

namespace {

ImageJob* job_new(bool from_file) {
    ImageJob* job = dru_alloc_array<ImageJob>(1);
    *job = ImageJob{};
    job->from_file = from_file;
    return job;
}

void finish(ImageJob* job, bool ok) {
    image_jpeg_free(job->slices);
    job->slices = nullptr;
    job->failed = !ok;
    job->image = image_decode_result(&job->decode, ok, job->from_file);
    job->decode.image = nullptr;
    dru_free(job->bytes);
    job->bytes = nullptr;
}

bool sliced(const uint8_t* bytes, size_t length) {
    return bytes && length > 0 && length <= IMAGE_LOAD_LIMIT && bytes[0] == 0xFF;
}

// Anything but JPEG, and bytes no decoder would read.
ImageJob* whole(ImageJob* job, const uint8_t* bytes, size_t length, ImageWanted wanted) {
    bool ok = false;
    job->image = image_decode_bytes(bytes, length, wanted, job->from_file, &ok);
    job->failed = !ok;
    return job;
}

// Takes the bytes, which must stay until the decode is freed.
ImageJob* begin_slices(ImageJob* job, uint8_t* bytes, size_t length, ImageWanted wanted) {
    job->bytes = bytes;
    job->decode.bytes = bytes;
    job->decode.length = length;
    job->decode.wanted = wanted;
    job->slices = image_jpeg_start(&job->decode);
    if (!job->slices) finish(job, false);
    return job;
}

}  // namespace

ImageJob* image_job_start_file(const char* path, ImageWanted wanted) {
    ImageJob* job = job_new(true);
    size_t length = 0;
    const char* problem = nullptr;
    uint8_t* bytes = image_read_file(path, &length, &problem);
    if (!bytes) {
        std::snprintf(job->decode.reason, IMAGE_REASON_MAX, "%s", problem);
        finish(job, false);
        return job;
    }
    if (sliced(bytes, length)) return begin_slices(job, bytes, length, wanted);
    whole(job, bytes, length, wanted);
    dru_free(bytes);
    return job;
}

ImageJob* image_job_start_memory(const uint8_t* bytes, size_t length, ImageWanted wanted) {
    ImageJob* job = job_new(false);
    if (!sliced(bytes, length)) return whole(job, bytes, length, wanted);
    auto* copy = static_cast<uint8_t*>(dru_alloc_memory(length + 1, 1));
    std::memcpy(copy, bytes, length);
    return begin_slices(job, copy, length, wanted);
}

bool image_job_step(ImageJob* job, int64_t slice_ns) {
    if (!job->slices) return false;
    const ImageStep step = image_jpeg_step(job->slices, slice_ns);
    if (step != IMAGE_STEP_MORE) finish(job, step == IMAGE_STEP_DONE);
    return job->slices != nullptr;
}

bool image_job_pending(const ImageJob* job) { return job->slices != nullptr; }

Image* image_job_take(ImageJob* job) {
    Image* image = job->image;
    job->image = nullptr;
    return image;
}

bool image_job_failed(const ImageJob* job) { return job->failed; }

void image_job_free(ImageJob* job) {
    if (!job) return;
    image_jpeg_free(job->slices);
    image_free(job->image);
    dru_free(job->bytes);
    dru_free(job);
}
