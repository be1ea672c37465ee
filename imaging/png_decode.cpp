// PNG through libpng, with its errors and warnings kept for our own warning line.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "foundation/memory.h"
#include "imaging/image_decode.h"

namespace {

// Everything one decode owns. It lives outside the frame that calls setjmp, so that
// after a jump out of the library the caller still finds it and frees it.
struct PngFrame {
    ImageDecode* job;
    png_structp png;
    png_infop info;
    size_t at;  // bytes handed to the library so far
    Image* image;
    png_bytep* rows;
};

PngFrame* frame_of(png_structp png) { return static_cast<PngFrame*>(png_get_error_ptr(png)); }

[[noreturn]] void on_error(png_structp png, png_const_charp message) {
    snprintf(frame_of(png)->job->reason, IMAGE_REASON_MAX, "%s", message);
    png_longjmp(png, 1);
}

void on_warning(png_structp png, png_const_charp message) {
    ImageDecode* job = frame_of(png)->job;
    if (job->warned) return;
    job->warned = true;
    snprintf(job->warning, sizeof job->warning, "%s", message);
}

void read_bytes(png_structp png, png_bytep out, size_t n) {
    PngFrame* f = frame_of(png);
    if (n > f->job->length - f->at) png_error(png, "unexpected end of data");
    memcpy(out, f->job->bytes + f->at, n);
    f->at += n;
}

bool refuse(PngFrame* f, const char* reason) {
    snprintf(f->job->reason, IMAGE_REASON_MAX, "%s", reason);
    return false;
}

// The frame that a library error jumps back to. It owns nothing and keeps nothing in
// locals across the jump: the clean-up is the caller's.
bool run(PngFrame* f) {
    if (setjmp(png_jmpbuf(f->png))) return false;
    png_set_read_fn(f->png, f, read_bytes);
    // Only the chunks that make the pixels are read: text, profiles and the rest are
    // skipped unparsed.
    png_set_keep_unknown_chunks(f->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(f->png, f->info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0;
    png_get_IHDR(f->png, f->info, &w, &h, &depth, &type, nullptr, nullptr, nullptr);
    if (image_too_large(w, h)) return refuse(f, "image too large");
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(f->png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(f->png);
    if (png_get_valid(f->png, f->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(f->png);
    if (depth == 16) png_set_strip_16(f->png);
    if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(f->png);
    png_set_add_alpha(f->png, 0xFF, PNG_FILLER_AFTER);  // only where there is none
    png_set_interlace_handling(f->png);
    png_read_update_info(f->png, f->info);
    if (png_get_rowbytes(f->png, f->info) != size_t(w) * 4)
        return refuse(f, "unexpected pixel layout");
    f->image = image_new(int32_t(w), int32_t(h), IMAGE_PIXELS);
    f->rows = dru_alloc_array<png_bytep>(h);
    for (png_uint_32 y = 0; y < h; ++y) f->rows[y] = f->image->pixels + size_t(y) * w * 4;
    // Chunks after the pixels change nothing we show: png_read_end is not called.
    png_read_image(f->png, f->rows);
    return true;
}

}  // namespace

bool image_decode_png(ImageDecode* job) {
    PngFrame f{};
    f.job = job;
    f.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &f, on_error, on_warning);
    if (f.png) f.info = png_create_info_struct(f.png);
    bool ok = f.info ? run(&f) : refuse(&f, "out of memory");
    png_destroy_read_struct(&f.png, &f.info, nullptr);
    dru_free(f.rows);
    if (!ok) {
        image_free(f.image);
        return false;
    }
    job->image = f.image;
    return true;
}
