// PNG through libpng, with its errors and warnings kept for our own warning line.
//
// The bytes go through libpng's progressive reader: its sequential reader inflates
// whatever compressed data follows the last row, so that a small file could keep it
// busy for seconds, while the progressive one stops at the first byte too many.
#include <png.h>

#include <algorithm>
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
    Image* image;
    png_bytep* rows;
    bool ended;  // the end chunk is in
    png_byte piece[4096];
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

// The header is in: refuse what is too large, set the conversions to 8-bit RGBA and
// allocate the pixels.
void on_header(png_structp png, png_infop info) {
    PngFrame* f = frame_of(png);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &type, nullptr, nullptr, nullptr);
    if (image_too_large(w, h)) png_error(png, "image too large");
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_strip_16(png);
    if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);  // only where there is none
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected pixel layout");
    f->image = image_new(int32_t(w), int32_t(h), IMAGE_PIXELS);
    f->rows = dru_alloc_array<png_bytep>(h);
    for (png_uint_32 y = 0; y < h; ++y) f->rows[y] = f->image->pixels + size_t(y) * w * 4;
}

void on_row(png_structp png, png_bytep row, png_uint_32 number, int) {
    png_progressive_combine_row(png, frame_of(png)->rows[number], row);
}

void on_end(png_structp png, png_infop) { frame_of(png)->ended = true; }

// The frame that a library error jumps back to. It owns nothing and keeps nothing in
// locals across the jump: the clean-up is the caller's.
bool run(PngFrame* f) {
    if (setjmp(png_jmpbuf(f->png))) return false;
    // Only the chunks that make the pixels are read: text, profiles and the rest are
    // skipped unparsed.
    png_set_keep_unknown_chunks(f->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_progressive_read_fn(f->png, f, on_header, on_row, on_end);
    for (size_t at = 0; at < f->job->length && !f->ended;) {
        const size_t n = std::min(sizeof f->piece, f->job->length - at);
        memcpy(f->piece, f->job->bytes + at, n);
        at += n;
        png_process_data(f->png, f->info, f->piece, n);
    }
    if (!f->ended) snprintf(f->job->reason, IMAGE_REASON_MAX, "unexpected end of data");
    return f->ended;
}

}  // namespace

bool image_decode_png(ImageDecode* job) {
    PngFrame* f = dru_alloc_array<PngFrame>(1);
    f->job = job;
    f->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, f, on_error, on_warning);
    if (f->png) f->info = png_create_info_struct(f->png);
    if (!f->info) snprintf(job->reason, IMAGE_REASON_MAX, "out of memory");
    const bool ok = f->info && run(f);
    png_destroy_read_struct(&f->png, &f->info, nullptr);
    dru_free(f->rows);
    if (ok)
        job->image = f->image;
    else
        image_free(f->image);
    dru_free(f);
    return ok;
}
