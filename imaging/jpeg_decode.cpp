// JPEG through libjpeg-turbo, with its errors and warnings kept for our own warning
// line, and large pictures decoded straight at a fraction of their size. The decode
// runs in slices (image_jpeg_step); the whole decode is the slices run to the end, so
// both give the same pixels and the same messages.
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

#include <csetjmp>
#include <initializer_list>

#include "foundation/clock.h"
#include "foundation/memory.h"
#include "imaging/image_decode.h"

static_assert(JMSG_LENGTH_MAX <= IMAGE_REASON_MAX);

namespace {

// A progressive picture makes the decoder walk every block once per scan; real
// encoders write a dozen scans, a crafted file could ask for thousands.
constexpr int kMaxScans = 500;

}  // namespace

// Everything one decode owns, from start to free. It lives outside the frames that
// call setjmp, so that after a jump out of the library the caller still finds it.
struct JpegSlices {
    ImageDecode* job;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    jmp_buf jump;
    Image* image;
    bool created;  // cinfo needs jpeg_destroy_decompress
    bool cmyk;
    bool scans;  // a file of several scans still being read into the coefficients
    bool cut;    // the library gave no row: the picture ends where it is
};

namespace {

JpegSlices* slices_of(j_common_ptr cinfo) { return static_cast<JpegSlices*>(cinfo->client_data); }

[[noreturn]] void on_error(j_common_ptr cinfo) {
    JpegSlices* s = slices_of(cinfo);
    cinfo->err->format_message(cinfo, s->job->reason);
    longjmp(s->jump, 1);
}

// Level -1 is a warning about damaged data (the decoder goes on); the rest is tracing.
void on_message(j_common_ptr cinfo, int level) {
    ImageDecode* job = slices_of(cinfo)->job;
    if (level >= 0 || job->warned) return;
    job->warned = true;
    cinfo->err->format_message(cinfo, job->warning);
}

[[noreturn]] void too_many_scans(JpegSlices* s) {
    snprintf(s->job->reason, IMAGE_REASON_MAX, "more than %d scans", kMaxScans);
    longjmp(s->jump, 1);
}

void on_progress(j_common_ptr cinfo) {
    JpegSlices* s = slices_of(cinfo);
    if (s->cinfo.input_scan_number > kMaxScans) too_many_scans(s);
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

// The frames below are the ones a library error jumps back to. They own nothing and
// keep nothing in locals across the jump: the clean-up is image_jpeg_free's.

bool start(JpegSlices* s) {
    if (setjmp(s->jump)) return false;
    jpeg_decompress_struct* c = &s->cinfo;
    jpeg_create_decompress(c);  // keeps err and client_data, clears the rest
    s->created = true;
    c->progress = &s->progress;
    jpeg_mem_src(c, s->job->bytes, static_cast<unsigned long>(s->job->length));
    jpeg_read_header(c, TRUE);
    if (image_too_large(c->image_width, c->image_height)) {
        snprintf(s->job->reason, IMAGE_REASON_MAX, "image too large");
        return false;
    }
    c->scale_num = 1;
    c->scale_denom = unsigned(image_jpeg_scale(c->image_width, c->image_height, s->job->wanted));
    s->cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
    c->out_color_space = s->cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    // Several scans (progressive files) must all be read before any row is final;
    // buffered-image mode lets that reading come in slices too.
    s->scans = jpeg_has_multiple_scans(c);
    c->buffered_image = s->scans;
    jpeg_start_decompress(c);
    if (c->output_components != 4 || image_too_large(c->output_width, c->output_height)) {
        snprintf(s->job->reason, IMAGE_REASON_MAX, "unexpected pixel layout");
        return false;
    }
    s->image = image_new(int32_t(c->output_width), int32_t(c->output_height), IMAGE_PIXELS);
    return true;
}

bool step(JpegSlices* s, int64_t slice_ns, ImageStep* result) {
    if (setjmp(s->jump)) return false;
    jpeg_decompress_struct* c = &s->cinfo;
    // The last rows and the end come in different slices: freeing a large picture's
    // coefficients takes a few milliseconds of its own.
    if (!s->scans && (s->cut || c->output_scanline >= c->output_height)) {
        *result = IMAGE_STEP_DONE;
        return true;
    }
    const int64_t end = clock_now_ns() + slice_ns;
    bool more_time = true;
    while (s->scans && more_time) {
        // One call reads one marker or one row of blocks of the current scan.
        const int got = jpeg_consume_input(c);
        if (c->input_scan_number > kMaxScans) too_many_scans(s);
        more_time = clock_now_ns() < end;
        if (got == JPEG_REACHED_EOI || got == JPEG_SUSPENDED) {
            // The memory source ends every stream with an end marker of its own, so
            // nothing suspends; a stream that did would show what it has.
            jpeg_start_output(c, c->input_scan_number);
            s->scans = false;
        }
    }
    while (!s->scans && c->output_scanline < c->output_height && more_time && !s->cut) {
        JSAMPROW row = s->image->pixels + size_t(c->output_scanline) * s->image->stride;
        s->cut = jpeg_read_scanlines(c, &row, 1) != 1;
        if (!s->cut && s->cmyk) cmyk_row_to_rgba(row, c->output_width);
        more_time = clock_now_ns() < end;
    }
    // What follows the last scan changes nothing we show: jpeg_finish_decompress is
    // not called.
    *result = IMAGE_STEP_MORE;
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

JpegSlices* image_jpeg_start(ImageDecode* job) {
    auto* s = static_cast<JpegSlices*>(dru_alloc_memory(1, sizeof(JpegSlices)));
    *s = JpegSlices{};
    s->job = job;
    s->cinfo.err = jpeg_std_error(&s->errors);
    s->cinfo.client_data = s;
    s->errors.error_exit = on_error;
    s->errors.emit_message = on_message;
    s->progress.progress_monitor = on_progress;
    if (start(s)) return s;
    image_jpeg_free(s);
    return nullptr;
}

ImageStep image_jpeg_step(JpegSlices* s, int64_t slice_ns) {
    ImageStep result = IMAGE_STEP_FAILED;
    if (!step(s, slice_ns, &result)) return IMAGE_STEP_FAILED;
    if (result == IMAGE_STEP_DONE) {
        s->job->image = s->image;
        s->image = nullptr;
    }
    return result;
}

void image_jpeg_free(JpegSlices* s) {
    if (!s) return;
    if (s->created) jpeg_destroy_decompress(&s->cinfo);
    image_free(s->image);
    dru_free(s);
}

bool image_decode_jpeg(ImageDecode* job) {
    JpegSlices* s = image_jpeg_start(job);
    ImageStep result = s ? IMAGE_STEP_MORE : IMAGE_STEP_FAILED;
    // In one piece: the slices only matter to a caller that does something between them.
    while (result == IMAGE_STEP_MORE) result = image_jpeg_step(s, INT64_MAX / 2);
    image_jpeg_free(s);
    return result == IMAGE_STEP_DONE;
}
