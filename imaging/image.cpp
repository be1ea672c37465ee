// Image records, clipping, copies and blends.
#include "imaging/image.h"

#include <climits>
#include <cstring>

#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/corner.h"
#include "imaging/pixel_access.h"
#include "imaging/pixel_swap.h"

Image* image_new(int32_t width, int32_t height, int32_t kind) {
    Image* image = dru_alloc_array<Image>(1);
    if (kind != IMAGE_PIXELS) return image;
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (int64_t(width) * 4 > INT32_MAX)
        fatal_error({LOG_FATAL, "allocate memory failed", "image too wide"});
    image->width = width;
    image->height = height;
    image->stride = width * 4;
    image->pixels = static_cast<uint8_t*>(
        dru_alloc_memory(size_t(image->stride) * size_t(height) + IMAGE_SPARE_BYTES, 1));
    return image;
}

void image_free(Image* image) {
    if (!image) return;
    dru_free(image->pixels);
    dru_free(image);
}

namespace {

// Rectangles in 64 bits so that moving and clipping extreme values cannot overflow.
struct Box {
    int64_t x, y, w, h;
};

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

Box clip_box(Box b, Box r) {
    int64_t bw = b.w > 0 ? b.w : 0, bh = b.h > 0 ? b.h : 0;
    int64_t left = clamp64(r.x, b.x, b.x + bw);
    int64_t top = clamp64(r.y, b.y, b.y + bh);
    int64_t right = clamp64(r.x + r.w, b.x, b.x + bw);
    int64_t bottom = clamp64(r.y + r.h, b.y, b.y + bh);
    int64_t w = right - left, h = bottom - top;
    if (w > bw) w = bw;
    if (h > bh) h = bh;
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    return {left, top, w, h};
}

Box to_box(Rect r) { return {r.x, r.y, r.w, r.h}; }
Rect to_rect(Box b) { return {int32_t(b.x), int32_t(b.y), int32_t(b.w), int32_t(b.h)}; }

// The clipped destination rectangle and the source offset of a copy.
struct Blit {
    Rect area;       // in destination coordinates
    int64_t dx, dy;  // source x = destination x + dx
};

bool plan_blit(const Image* src, const Rect* src_rect, const Image* dst, const Rect* dst_rect,
               Blit* plan) {
    if (!src || !dst || !src->pixels || !dst->pixels) return false;
    Rect sr = src_rect ? *src_rect : Rect{0, 0, src->width, src->height};
    Rect dr = dst_rect ? *dst_rect : Rect{0, 0, src->width, src->height};
    plan->area = blit_rects(src, sr, dst, dr);
    plan->dx = int64_t(sr.x) - dr.x;
    plan->dy = int64_t(sr.y) - dr.y;
    return plan->area.w > 0 && plan->area.h > 0;
}

const uint8_t* src_at(const Image* src, const Blit& b, int32_t row) {
    return src->pixels + (b.area.y + row + b.dy) * src->stride + (b.area.x + b.dx) * 4;
}

uint8_t* dst_at(Image* dst, const Blit& b, int32_t row) {
    return dst->pixels + int64_t(b.area.y + row) * dst->stride + int64_t(b.area.x) * 4;
}

// A copy as runs of pixels: one run of w x h when the rows lie back to back in both
// images (the whole-canvas copies of every frame), else one run per row.
struct Runs {
    int32_t count;
    size_t pixels;
};

Runs copy_runs(const Image* src, const Image* dst, const Blit& b) {
    const int64_t row_bytes = int64_t(b.area.w) * 4;
    if (b.area.h > 0 && row_bytes == src->stride && row_bytes == dst->stride)
        return {1, size_t(b.area.w) * size_t(b.area.h)};
    return {b.area.h, size_t(b.area.w)};
}

void blend_row(const uint8_t* s, uint8_t* d, int32_t n) {
    for (int32_t i = 0; i < n; ++i, s += 4, d += 4) {
        uint32_t sp = pixel_load(s);
        uint32_t a = sp >> 24;
        if (a == 0) continue;
        if (a == 255) {
            pixel_store(d, sp);
            continue;
        }
        pixel_store(d, blend_pixel(sp, pixel_load(d), a));
    }
}

}  // namespace

Image image_view(const Image* image, Rect r) {
    Image view{};
    if (!image || !image->pixels) return view;
    Rect c = rect_clip({0, 0, image->width, image->height}, r);
    view.pixels = image->pixels + int64_t(c.y) * image->stride + int64_t(c.x) * 4;
    view.stride = image->stride;
    view.width = c.w;
    view.height = c.h;
    return view;
}

Rect rect_clip(Rect bounds, Rect r) { return to_rect(clip_box(to_box(bounds), to_box(r))); }

Rect blit_rects(const Image* src, Rect src_rect, const Image* dst, Rect dst_rect) {
    Box a = clip_box({0, 0, src->width, src->height}, to_box(src_rect));
    a.x += int64_t(dst_rect.x) - src_rect.x;
    a.y += int64_t(dst_rect.y) - src_rect.y;
    a = clip_box(to_box(dst_rect), a);
    a = clip_box({0, 0, dst->width, dst->height}, a);
    return to_rect(a);
}

void image_copy(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect) {
    Blit b;
    if (!plan_blit(src, src_rect, dst, dst_rect, &b)) return;
    const Runs runs = copy_runs(src, dst, b);
    for (int32_t row = 0; row < runs.count; ++row)
        memmove(dst_at(dst, b, row), src_at(src, b, row), runs.pixels * 4);
}

void image_blend(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect) {
    Blit b;
    if (!plan_blit(src, src_rect, dst, dst_rect, &b)) return;
    for (int32_t row = 0; row < b.area.h; ++row)
        blend_row(src_at(src, b, row), dst_at(dst, b, row), b.area.w);
}

void image_blit(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect,
                int32_t opaque) {
    if (opaque)
        image_copy(src, src_rect, dst, dst_rect);
    else
        image_blend(src, src_rect, dst, dst_rect);
}

void image_blit_rounded(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect,
                        int32_t opaque, int32_t radius) {
    if (radius == 0) {
        image_blit(src, src_rect, dst, dst_rect, opaque);
        return;
    }
    Blit b;
    if (!plan_blit(src, src_rect, dst, dst_rect, &b)) return;
    const CornerShape shape = corner_shape(b.area.w, b.area.h, radius);
    int32_t lo = 0, hi = 0;
    corner_middle(shape, &lo, &hi);
    for (int32_t row = 0; row < b.area.h; ++row) {
        const uint8_t* s = src_at(src, b, row);
        uint8_t* d = dst_at(dst, b, row);
        if (corner_row_full(shape, row)) {
            blend_row(s, d, b.area.w);
            continue;
        }
        for (int32_t col = 0; col < b.area.w; ++col) {
            uint32_t sp = pixel_load(s + col * 4);
            // Between the rounded columns the coverage is 1: no need to compute it.
            uint32_t a = col >= lo && col < hi
                             ? sp >> 24
                             : uint32_t(double(sp >> 24) * corner_at(shape, col, row));
            if (a == 0) continue;
            pixel_store(d + col * 4, blend_pixel(sp, pixel_load(d + col * 4), a));
        }
    }
}

void image_present(const Image* src, const Rect* src_rect, Image* dst, const Rect* dst_rect) {
    Blit b;
    if (!plan_blit(src, src_rect, dst, dst_rect, &b)) return;
    const Runs runs = copy_runs(src, dst, b);
    for (int32_t row = 0; row < runs.count; ++row)
        pixel_swap_row(src_at(src, b, row), dst_at(dst, b, row), runs.pixels);
}
