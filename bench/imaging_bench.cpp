// Resampling against stb_image_resize on the same input, blur cost per pixel at both
// radii, and cached text drawing.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "imaging/blur.h"
#include "imaging/image.h"
#include "imaging/resize.h"
#include "imaging/text.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb_image_resize.h>
#pragma GCC diagnostic pop

namespace {

Image* photo(int w, int h) {
    Image* img = image_new(w, h);
    uint32_t s = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            uint8_t* p = img->pixels + size_t(y) * img->stride + size_t(x) * 4;
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t((s >> 24) & 0x3F);
            p[3] = 255;
        }
    return img;
}

void ours(const Image* src, int w, int h) {
    Image* out = image_resize(src, w, h);
    benchmark::DoNotOptimize(out->pixels);
    image_free(out);
}

void theirs(const Image* src, int w, int h) {
    Image* out = image_new(w, h);
    stbir_resize_uint8(src->pixels, src->width, src->height, src->stride, out->pixels, w, h,
                       out->stride, 4);
    benchmark::DoNotOptimize(out->pixels);
    image_free(out);
}

void BM_Resize(benchmark::State& state) {
    const int sw = int(state.range(0)), dw = int(state.range(1)), baseline = int(state.range(2));
    Image* src = photo(sw, sw);
    for (auto _ : state) baseline ? theirs(src, dw, dw) : ours(src, dw, dw);
    state.SetLabel(baseline ? "stbir_resize_uint8" : "image_resize");
    image_free(src);
}
BENCHMARK(BM_Resize)
    ->Args({1000, 300, 0})
    ->Args({1000, 300, 1})
    ->Args({300, 600, 0})
    ->Args({300, 600, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_Blur(benchmark::State& state) {
    const int radius = int(state.range(0)), rows = int(state.range(1));
    Image* img = photo(300, 100);
    const Rect r{0, 0, 300, 100};
    for (auto _ : state) {
        if (rows)
            box_blur_rows(img, r, radius);
        else
            box_blur_columns(img, r, radius);
        benchmark::ClobberMemory();
    }
    state.SetLabel(rows ? "rows" : "columns");
    state.counters["ns_per_pixel"] =
        benchmark::Counter(double(state.iterations()) * 300 * 100,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    image_free(img);
}
BENCHMARK(BM_Blur)->Args({7, 0})->Args({7, 1})->Args({31, 0})->Args({31, 1});

void BM_TextCached(benchmark::State& state) {
    Font* font = font_load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    Image* canvas = image_new(600, 40);
    UiStyle style{};
    style.ref_size = STYLE_REF_SIZE;
    style.colour = {240, 240, 240, 255};
    const char* title = "The Quick Brown Fox Jumps Over Lazy Dogs";  // 40 characters
    text_draw(canvas, &style, font, title, TEXT_CLIP, 24, 600);      // fill the cache
    for (auto _ : state)
        benchmark::DoNotOptimize(text_draw(canvas, &style, font, title, TEXT_CLIP, 24, 600));
    image_free(canvas);
    font_free(font);
}
BENCHMARK(BM_TextCached)->Unit(benchmark::kMicrosecond);

double best_ms(void (*f)(const Image*, int, int), const Image* src, int w, int h) {
    double best = 1e30;
    for (int i = 0; i < 15; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f(src, w, h);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count();
        if (ms < best) best = ms;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    struct Size {
        int from, to;
    } sizes[] = {{1000, 300}, {300, 600}};
    for (Size s : sizes) {
        Image* src = photo(s.from, s.from);
        double a = best_ms(ours, src, s.to, s.to), b = best_ms(theirs, src, s.to, s.to);
        printf(
            "resize %dx%d -> %dx%d: image_resize %.3f ms, stbir_resize_uint8 %.3f ms, "
            "ratio ours/stb %.2f (goal <= 1)\n",
            s.from, s.from, s.to, s.to, a, b, a / b);
        image_free(src);
    }
    return 0;
}
