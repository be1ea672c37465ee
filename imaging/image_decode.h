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
//                           "unknown image type".
//   Each returns true with job->image set, or false with job->reason filled. A decoder
//   that went on after a damaged part sets job->warned and the library's first warning
//   in job->warning.
//   image_jpeg_scale(w, h, wanted)  the divisor (8, 4, 2 or 1) image_decode_jpeg uses.
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
