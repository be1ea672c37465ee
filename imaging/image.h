// Raster images and the drawing primitives.
//
// Image: rows of 4-byte pixels, straight (not premultiplied) alpha. Work images are in
// memory order red, green, blue, alpha (little-endian word 0xAABBGGRR); only the window
// framebuffer is blue, green, red, alpha, which image_present produces. Every pixel
// buffer has 32 spare bytes after stride x height so that wide loads at the end of the
// last row stay inside the allocation.
//
//   image_new(w, h, kind)         kind IMAGE_PIXELS: zeroed pixels, stride = 4 x w.
//                                 Other kinds: a record with no pixels, zero sizes.
//   image_free(image)             frees pixels and record; null is ignored.
//   image_load_file(path, wanted) PNG, JPEG, BMP or GIF decoded to RGBA. Never null: on
//   image_load_memory(bytes, n, wanted)  failure the warning "loading image from file
//                                 failed" (or "... from memory failed") with the reason,
//                                 and a 1 x 1 transparent image. Images over 64 MB of
//                                 pixels, or a side over 65535, are refused unread; so
//                                 are files over 64 MB. A picture decoded past damage
//                                 gives the warning "loading image from file" (or
//                                 "... from memory") with the decoder's first complaint.
//                                 wanted: the smallest size the caller will use; a JPEG
//                                 may come out smaller than its full size (by 2, 4 or 8,
//                                 proportions kept exactly) but never below it (the
//                                 default {0, 0}: always full size).
//   image_too_large(w, h)         true for sizes no picture may have: not positive, a side
//                                 over 65535 (what the resampler indexes) or more than
//                                 IMAGE_LOAD_LIMIT bytes of pixels.
//   image_view(image, r)          non-owning sub-image of r clipped to the image (same
//                                 pixels and stride); never pass it to image_free.
//
//   rect_clip(bounds, r)          r clipped to bounds (zero width/height when outside).
//   blit_rects(src, sr, dst, dr)  the destination rectangle a copy from sr to dr touches.
//
// Copies take optional rectangles: a null src_rect is the whole source, a null dst_rect
// is (0, 0, source width, source height). Source pixel for destination (x, y) is
// (x + sr.x - dr.x, y + sr.y - dr.y). Nothing outside the clipped rectangle is touched.
//   image_copy      bytes as they are (alpha included).
//   image_blend     source over destination with the source alpha (blend rule below).
//   image_blit      image_copy when opaque, else image_blend.
//   image_blit_rounded  radius 0: image_blit; else every pixel blended with
//                   alpha = (int)(src alpha x corner_coverage(clipped w, h, radius, col, row)).
//   image_present   opaque copy with bytes 0 and 2 of every pixel swapped
//                   (imaging/pixel_swap.h: SIMD where the processor has it).
//
// Blend rule, a = source alpha: colour = ((a + 1) s + (256 - a) d) >> 8,
// alpha = a + ((d_alpha (256 - a)) >> 8).
//
// Shapes (colour and reference size come from the style, see imaging/draw_style.h):
//   fill_rect(img, style, x0, y0, x1, y1)   inclusive corners, colour stored unblended.
//   fill_shape(img, style, x0, y0, x1, y1, radius)  doubles in reference units; radius 0
//                 and alpha 255 is fill_rect, otherwise blended, with rounded corners
//                 when radius != 0 (bit CORNER_SUPERELLIPSE: superellipse corners).
//   corner_coverage(w, h, radius, col, row)  0..1 coverage of a rounded w x h rectangle.
//   plot_pixel(img, style, x, y)            one blended pixel, clipped.
//   draw_line(img, style, x0, y0, x1, y1)   16.16 DDA line of blended pixels; a
//                                           zero-length line draws nothing.
//   draw_line_units(...)                    same with doubles in reference units.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/draw_style.h"

struct Image {
    uint8_t* pixels;
    int32_t stride;  // bytes per row
    int32_t width;
    int32_t height;
};

enum : int32_t { IMAGE_EMPTY = 0, IMAGE_PIXELS = 1 };
constexpr size_t IMAGE_SPARE_BYTES = 32;
// Decoded images larger than this many bytes of pixels are refused.
constexpr uint64_t IMAGE_LOAD_LIMIT = 64ull * 1024 * 1024;
// Superellipse marker carried in a corner radius.
constexpr int32_t CORNER_SUPERELLIPSE = 0x40000000;

[[nodiscard]] Image* image_new(int32_t width, int32_t height, int32_t kind = IMAGE_PIXELS);
void image_free(Image* image);
// Smallest width and height of a decoded picture the caller needs; 0: the full size.
struct ImageWanted {
    int32_t width;
    int32_t height;
};

[[nodiscard]] Image* image_load_file(const char* path, ImageWanted wanted = {});
[[nodiscard]] Image* image_load_memory(const uint8_t* bytes, size_t length,
                                       ImageWanted wanted = {});
[[nodiscard]] bool image_too_large(int64_t width, int64_t height);
[[nodiscard]] Image image_view(const Image* image, Rect r);

[[nodiscard]] Rect rect_clip(Rect bounds, Rect r);
[[nodiscard]] Rect blit_rects(const Image* src, Rect src_rect, const Image* dst, Rect dst_rect);

void image_copy(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect);
void image_blend(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect);
void image_blit(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect,
                int32_t opaque);
void image_blit_rounded(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect,
                        int32_t opaque, int32_t radius);
void image_present(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect);

void fill_rect(Image* image, const UiStyle* style, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
void fill_shape(Image* image, const UiStyle* style, double x0, double y0, double x1, double y1,
                double radius);
[[nodiscard]] double corner_coverage(int32_t w, int32_t h, int32_t radius, int32_t column,
                                     int32_t row);
void plot_pixel(Image* image, const UiStyle* style, int32_t x, int32_t y);
void draw_line(Image* image, const UiStyle* style, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
void draw_line_units(Image* image, const UiStyle* style, double x0, double y0, double x1,
                     double y1);

// One straight-alpha blend of colour word s over d (both 0xAABBGGRR), alpha a.
[[nodiscard]] inline uint32_t blend_pixel(uint32_t s, uint32_t d, uint32_t a) {
    uint32_t ia = 256 - a;
    uint32_t rb = ((a + 1) * (s & 0x00FF00FFu) + ia * (d & 0x00FF00FFu)) >> 8;
    // Green in the low lane; the high lane gets (a << 8) + d_alpha (256 - a), whose
    // shift by 8 is a + ((d_alpha (256 - a)) >> 8). Neither lane exceeds 16 bits.
    uint32_t ga = ((a + 1) * ((s >> 8) & 0xFFu) + (a << 24) + ia * ((d >> 8) & 0x00FF00FFu)) >> 8;
    return (rb & 0x00FF00FFu) | ((ga & 0x00FF00FFu) << 8);
}
