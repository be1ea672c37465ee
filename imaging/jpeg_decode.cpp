// JPEG through libjpeg-turbo, with its errors and warnings kept for our own warning
// line, and large pictures decoded straight at a fraction of their size.
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

#include <csetjmp>
#include <initializer_list>

#include "imaging/image_decode.h"

static_assert(JMSG_LENGTH_MAX <= IMAGE_REASON_MAX);

namespace {

// A progressive picture makes the decoder walk every block once per scan; real
// encoders write a dozen scans, a crafted file could ask for thousands.
constexpr int kMaxScans = 500;

// Everything one decode owns. It lives outside the frame that calls setjmp, so that
// after a jump out of the library the caller still finds it and frees it.
struct JpegFrame {
    ImageDecode* job;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    jmp_buf jump;
    Image* image;
};

JpegFrame* frame_of(j_common_ptr cinfo) { return static_cast<JpegFrame*>(cinfo->client_data); }

[[noreturn]] void on_error(j_common_ptr cinfo) {
    JpegFrame* f = frame_of(cinfo);
    cinfo->err->format_message(cinfo, f->job->reason);
    longjmp(f->jump, 1);
}

// Level -1 is a warning about damaged data (the decoder goes on); the rest is tracing.
void on_message(j_common_ptr cinfo, int level) {
    ImageDecode* job = frame_of(cinfo)->job;
    if (level >= 0 || job->warned) return;
    job->warned = true;
    cinfo->err->format_message(cinfo, job->warning);
}

void on_progress(j_common_ptr cinfo) {
    JpegFrame* f = frame_of(cinfo);
    if (f->cinfo.input_scan_number <= kMaxScans) return;
    snprintf(f->job->reason, IMAGE_REASON_MAX, "more than %d scans", kMaxScans);
    longjmp(f->jump, 1);
}

// Adobe writes CMYK inverted (255: no ink), so each colour times black is the light
// that is left; libjpeg has already turned YCCK into the same CMYK.
void cmyk_row_to_rgba(uint8_t* p, uint32_t width) {
    for (uint32_t i = 0; i < width; ++i, p += 4) {
        const uint32_t k = p[3];
        for (int c = 0; c < 3; ++c) {
            const uint32_t t = p[c] * k + 128;
            p[c] = uint8_t((t + (t >> 8)) >> 8);
        }
        p[3] = 255;
    }
}

// The frame that a library error jumps back to. It owns nothing and keeps nothing in
// locals across the jump: the clean-up is the caller's.
bool run(JpegFrame* f) {
    if (setjmp(f->jump)) return false;
    jpeg_decompress_struct* c = &f->cinfo;
    jpeg_create_decompress(c);  // keeps err and client_data, clears the rest
    c->progress = &f->progress;
    jpeg_mem_src(c, f->job->bytes, static_cast<unsigned long>(f->job->length));
    jpeg_read_header(c, TRUE);
    if (image_too_large(c->image_width, c->image_height)) {
        snprintf(f->job->reason, IMAGE_REASON_MAX, "image too large");
        return false;
    }
    c->scale_num = 1;
    c->scale_denom = unsigned(image_jpeg_scale(c->image_width, c->image_height, f->job->wanted));
    const bool cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
    c->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(c);
    if (c->output_components != 4 || image_too_large(c->output_width, c->output_height)) {
        snprintf(f->job->reason, IMAGE_REASON_MAX, "unexpected pixel layout");
        return false;
    }
    f->image = image_new(int32_t(c->output_width), int32_t(c->output_height), IMAGE_PIXELS);
    while (c->output_scanline < c->output_height) {
        JSAMPROW row = f->image->pixels + size_t(c->output_scanline) * f->image->stride;
        if (jpeg_read_scanlines(c, &row, 1) != 1) break;
        if (cmyk) cmyk_row_to_rgba(row, c->output_width);
    }
    // What follows the last scan changes nothing we show: jpeg_finish_decompress is
    // not called.
    return true;
}

}  // namespace

// Only divisors of both sides: a fraction of a pixel rounded up would change the
// picture's proportions, and every album-art placement would shift by part of a pixel.
int32_t image_jpeg_scale(int64_t width, int64_t height, ImageWanted wanted) {
    if (wanted.width <= 0 || wanted.height <= 0) return 1;
    for (int32_t d : {8, 4, 2})
        if (width % d == 0 && height % d == 0 && width / d >= wanted.width &&
            height / d >= wanted.height)
            return d;
    return 1;
}

bool image_decode_jpeg(ImageDecode* job) {
    JpegFrame f{};
    f.job = job;
    f.cinfo.err = jpeg_std_error(&f.errors);
    f.cinfo.client_data = &f;
    f.errors.error_exit = on_error;
    f.errors.emit_message = on_message;
    f.progress.progress_monitor = on_progress;
    const bool ok = run(&f);
    jpeg_destroy_decompress(&f.cinfo);
    if (!ok) {
        image_free(f.image);
        return false;
    }
    job->image = f.image;
    return true;
}
