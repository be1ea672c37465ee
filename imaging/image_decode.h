// The format decoders behind image_load_file and image_load_memory. Each reads only the
// bytes it is given, checks the size its header claims (image_too_large) before it
// allocates any pixel, and keeps its library's messages: nothing is printed, nothing
// ends the process.
//
//   image_decode_png(job)   PNG through libpng: 8-bit RGBA whatever the colour type and
//                           depth (16-bit samples keep their high byte, palette and
//                           colour-key transparency become alpha).
//   image_decode_jpeg(job)  JPEG through libjpeg-turbo: RGBA with alpha 255; CMYK and
//                           YCCK as stored by Adobe (inverted) become RGB. Decoded at the
//                           smallest of 1/8, 1/4 and 1/2 scale that divides both sides and
//                           is still at least job->wanted in both directions, else whole.
//   image_decode_gif(job)   GIF through giflib: the first frame on a transparent canvas
//                           of the picture's size.
//   image_decode_bmp(job)   uncompressed BMP through stb_image; anything else fails with
//                           "unknown image type", a palette picture with an index past
//                           its palette with "colour index past the palette".
//   Each returns true with job->image set, or false with job->reason filled. A decoder
//   that went on after a damaged part sets job->warned and the library's first warning
//   in job->warning.
//   image_jpeg_scale(w, h, wanted)  the divisor (8, 4, 2 or 1) image_decode_jpeg uses.
//
// The JPEG decode in slices (image_decode_jpeg is these run to the end):
//   image_jpeg_start(job)   reads the header, checks the size cap, picks the scale and
//                           allocates the pixels; null (job->reason filled) on failure.
//                           job must stay where it is until image_jpeg_free.
//   image_jpeg_step(s, ns)  one slice of the decode (rows of blocks until ns nanoseconds
//                           have passed, at least one): IMAGE_STEP_MORE, IMAGE_STEP_DONE with
//                           job->image set, or IMAGE_STEP_FAILED with job->reason. Step
//                           no further once it said done or failed.
//   image_jpeg_free(s)      frees the decode (and the pixels unless handed to the job);
//                           null is ignored.
//
// Shared by image_load.cpp and image_job.cpp:
//   image_decode_bytes(bytes, n, wanted, from_file, &decoded)  the picture of the kind
//                           its first byte names, as image_load_memory (from_file: with
//                           the words of image_load_file) gives it, warnings included;
//                           *decoded (when given) false for the 1 x 1 of a failure.
//   image_decode_result(job, ok, from_file)  job->image, after the warning of a damaged
//                           picture; or, when !ok, the failure warning with job->reason
//                           and a 1 x 1 transparent image.
//   image_read_file(path, &length, &problem)  the bytes of a regular file of at most
//                           IMAGE_LOAD_LIMIT bytes (dru_free them; one spare byte after
//                           them), or null with the reason in problem.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/image.h"

constexpr size_t IMAGE_REASON_MAX = 200;

struct ImageDecode {
    const uint8_t* bytes;
    size_t length;
    ImageWanted wanted;
    Image* image;
    bool warned;
    char reason[IMAGE_REASON_MAX];
    char warning[IMAGE_REASON_MAX];
};

[[nodiscard]] bool image_decode_png(ImageDecode* job);
[[nodiscard]] bool image_decode_jpeg(ImageDecode* job);
[[nodiscard]] bool image_decode_gif(ImageDecode* job);
[[nodiscard]] bool image_decode_bmp(ImageDecode* job);
[[nodiscard]] int32_t image_jpeg_scale(int64_t width, int64_t height, ImageWanted wanted);

enum ImageStep { IMAGE_STEP_MORE, IMAGE_STEP_DONE, IMAGE_STEP_FAILED };
struct JpegSlices;
[[nodiscard]] JpegSlices* image_jpeg_start(ImageDecode* job);
[[nodiscard]] ImageStep image_jpeg_step(JpegSlices* slices, int64_t slice_ns);
void image_jpeg_free(JpegSlices* slices);

[[nodiscard]] Image* image_decode_bytes(const uint8_t* bytes, size_t length, ImageWanted wanted,
                                        bool from_file, bool* decoded = nullptr);
[[nodiscard]] Image* image_decode_result(ImageDecode* job, bool ok, bool from_file);
[[nodiscard]] uint8_t* image_read_file(const char* path, size_t* length, const char** problem);
