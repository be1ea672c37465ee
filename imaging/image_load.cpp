// Pictures from files and memory, each handed to the decoder of its kind.
#include <sys/stat.h>

#include <cstdio>

#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/image.h"
#include "imaging/image_decode.h"

bool image_too_large(int64_t width, int64_t height) {
    return width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
           uint64_t(width) * uint64_t(height) * 4 > IMAGE_LOAD_LIMIT;
}

namespace {

struct Messages {
    const char* failed;
    const char* damaged;
};

constexpr Messages kFromFile = {"loading image from file failed", "loading image from file"};
constexpr Messages kFromMemory = {"loading image from memory failed", "loading image from memory"};

Image* load_failed(const char* message, const char* detail) {
    log_write({LOG_WARNING, message, detail && detail[0] ? detail : "unknown error"});
    return image_new(1, 1, IMAGE_PIXELS);
}

}  // namespace

Image* image_decode_result(ImageDecode* job, bool ok, bool from_file) {
    const Messages say = from_file ? kFromFile : kFromMemory;
    if (!ok) return load_failed(say.failed, job->reason);
    if (job->warned) log_write({LOG_WARNING, say.damaged, job->warning});
    return job->image;
}

// The first byte picks the decoder: every PNG starts with 0x89, every JPEG with the
// 0xFF of a marker, every GIF with 'G'. The library then judges the rest of the
// signature, so a damaged one is refused with its own reason.
Image* image_decode_bytes(const uint8_t* bytes, size_t length, ImageWanted wanted, bool from_file,
                          bool* decoded) {
    const Messages say = from_file ? kFromFile : kFromMemory;
    if (decoded) *decoded = false;
    if (!bytes || length == 0) return load_failed(say.failed, "no data");
    if (length > IMAGE_LOAD_LIMIT) return load_failed(say.failed, "image too large");
    ImageDecode job{};
    job.bytes = bytes;
    job.length = length;
    job.wanted = wanted;
    bool ok = bytes[0] == 0x89   ? image_decode_png(&job)
              : bytes[0] == 0xFF ? image_decode_jpeg(&job)
              : bytes[0] == 'G'  ? image_decode_gif(&job)
                                 : image_decode_bmp(&job);
    if (decoded) *decoded = ok;
    return image_decode_result(&job, ok, from_file);
}

uint8_t* image_read_file(const char* path, size_t* length, const char** problem) {
    *length = 0;
    FILE* file = path ? fopen(path, "rb") : nullptr;
    if (!file) {
        *problem = "can't fopen";
        return nullptr;
    }
    struct stat st {};
    *problem = nullptr;
    if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode))
        *problem = "not a regular file";
    else if (uint64_t(st.st_size) > IMAGE_LOAD_LIMIT)
        *problem = "image too large";
    uint8_t* bytes = nullptr;
    if (!*problem) {
        const size_t size = size_t(st.st_size);
        bytes = static_cast<uint8_t*>(dru_alloc_memory(size + 1, 1));
        if (fread(bytes, 1, size, file) == size) {
            *length = size;
        } else {
            *problem = "can't fread";
            dru_free(bytes);
            bytes = nullptr;
        }
    }
    fclose(file);
    return bytes;
}

Image* image_load_file(const char* path, ImageWanted wanted) {
    size_t size = 0;
    const char* problem = nullptr;
    uint8_t* bytes = image_read_file(path, &size, &problem);
    if (!bytes) return load_failed(kFromFile.failed, problem);
    Image* image = image_decode_bytes(bytes, size, wanted, true);
    dru_free(bytes);
    return image;
}

Image* image_load_memory(const uint8_t* bytes, size_t length, ImageWanted wanted) {
    return image_decode_bytes(bytes, length, wanted, false);
}
