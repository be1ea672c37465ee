// What one animation frame costs at 300 x 300: ui_redraw of the default description
// and of the animated one (fft, waveform, scrolling title, rounded blur redrawn each
// frame), and fenra_present of the whole framebuffer to the X server, each beside
// the full-image copies it cannot avoid, measured in the same run. Then the shipped
// animated look (looks/animated.txt) whole and one element type at a time (its
// settings, its background and only the elements of that type), and the analysis
// tap on one MP3 chunk, the work behind every frame and every chunk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "alloc_count.h"
#include "analysis/analysis.h"
#include "app/player.h"
#include "fenra/fenra.h"
#include "foundation/files.h"
#include "foundation/memory.h"
#include "imaging/image.h"
#include "imaging/text.h"
#include "input/input.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"
#include "ui_render_test_scenes.h"

namespace {

constexpr int32_t SIZE = 300;

// The two copies of every redraw: backdrop -> canvas, canvas -> framebuffer.
void redraw_copies(benchmark::State& state) {
    Image* a = image_new(SIZE, SIZE, IMAGE_PIXELS);
    Image* b = image_new(SIZE, SIZE, IMAGE_PIXELS);
    Image* fb = image_new(SIZE, SIZE, IMAGE_PIXELS);
    for (auto _ : state) {
        image_copy(a, nullptr, b, nullptr);
        image_present(b, nullptr, fb, nullptr);
        benchmark::DoNotOptimize(fb->pixels);
    }
    image_free(a);
    image_free(b);
    image_free(fb);
}

// The copy a present cannot avoid: the framebuffer's bytes once.
void present_copy(benchmark::State& state) {
    Image* a = image_new(SIZE, SIZE, IMAGE_PIXELS);
    Image* b = image_new(SIZE, SIZE, IMAGE_PIXELS);
    for (auto _ : state) {
        memcpy(b->pixels, a->pixels, static_cast<size_t>(a->stride) * a->height);
        benchmark::DoNotOptimize(b->pixels);
    }
    image_free(a);
    image_free(b);
}

void clear_table() {
    ui_free_elements();
    for (UiElement& e : ui_elements) e = UiElement{};
}

void redraw(benchmark::State& state, const char* description) {
    clear_table();
    ui_parse_bytes(std::span<const char>(description, strlen(description)), 1.0, "/nonexistent");
    Player p{};
    UiScene scene{};
    ui_scene_setup(&p, &scene, 1);
    p.playing = 1;
    p.font = font_load(FRAME_BENCH_FONT);
    input_state.framebuffer = image_new(p.canvas->width, p.canvas->height, IMAGE_PIXELS);
    ui_render_static(&p);
    uint32_t step = 0;
    uint64_t allocations = 0, frames = 0;
    for (auto _ : state) {
        // The position moves as at 60 frames a second, so times and scrolling change.
        p.position_ms = 83000 + 16 * (step++ % 1000);
        alloc_count_begin();
        ui_redraw(&p);
        const uint64_t n = alloc_count_end();
        // The first frames fill the glyph cache; after them a frame should need nothing.
        if (step > 100) {
            allocations += n;
            frames++;
        }
        benchmark::DoNotOptimize(input_state.framebuffer->pixels);
    }
    if (alloc_count_available() && frames > 0)
        state.counters["allocs_per_frame_after_100"] =
            static_cast<double>(allocations) / static_cast<double>(frames);
    image_free(input_state.framebuffer);
    input_state.framebuffer = nullptr;
    font_free(p.font);
    ui_scene_free(&p, &scene);
}

std::string animated_description;
std::string shipped_description;

// The look's lines that set things up rather than draw, kept in every one-type variant.
const std::set<std::string> setting_keys = {"color",     "roundradius", "scrollspeed", "startpos",
                                            "frametime", "window",      "background"};

std::string line_key(const std::string& line) { return line.substr(0, line.find(' ')); }

// The element types the look draws, in their first order.
std::vector<std::string> element_types(const std::string& look) {
    std::istringstream in(look);
    std::vector<std::string> types;
    for (std::string line; std::getline(in, line);) {
        std::string key = line_key(line);
        if (key.empty() || setting_keys.count(key) || key.rfind("region", 0) == 0) continue;
        if (std::find(types.begin(), types.end(), key) == types.end()) types.push_back(key);
    }
    return types;
}

std::string only_type(const std::string& look, const std::string& type) {
    std::istringstream in(look);
    std::string out;
    for (std::string line; std::getline(in, line);)
        if (setting_keys.count(line_key(line)) || line_key(line) == type) out += line + "\n";
    return out;
}

// One MP3 chunk (1152 stereo frames) into the spectrum analysis.
void tap_chunk(benchmark::State& state) {
    Analysis a{};
    analysis_init(&a);
    std::vector<float> chunk(1152 * 2);
    uint32_t t = 0;
    for (auto _ : state) {
        for (float& v : chunk)
            v = static_cast<float>(((t++ * 2654435761u) >> 8) % 2001) / 1000.0f - 1;
        analysis_tap(&a, chunk.data(), static_cast<uint32_t>(chunk.size()), 2);
        benchmark::DoNotOptimize(a.spectrum);
    }
    analysis_free(&a);
}

void redraw_default(benchmark::State& state) { redraw(state, ui_default_description); }
void redraw_animated(benchmark::State& state) { redraw(state, animated_description.c_str()); }

void present(benchmark::State& state) {
    if (!getenv("DISPLAY")) {
        state.SkipWithError("DISPLAY is not set");
        return;
    }
    Window* window = fenra_open(0, 0, SIZE, SIZE, 1.0f, FENRA_AUTO_POSITION);
    if (!window) {
        state.SkipWithError("no window");
        return;
    }
    Image* fb = image_new(SIZE, SIZE, IMAGE_PIXELS);
    for (int32_t i = 0; i < SIZE * SIZE; i++)
        reinterpret_cast<uint32_t*>(fb->pixels)[i] = 0xff000000u | i * 2654435761u;
    for (auto _ : state) {
        fenra_present(window, fb, 0, 0, SIZE, SIZE);
        fenra_dispatch(window);
    }
    image_free(fb);
    fenra_close(window);
}

BENCHMARK(redraw_copies)->Name("two_full_copies_300x300")->Unit(benchmark::kMicrosecond);
BENCHMARK(redraw_default)->Name("ui_redraw_default_300x300")->Unit(benchmark::kMicrosecond);
BENCHMARK(redraw_animated)->Name("ui_redraw_animated_300x300")->Unit(benchmark::kMicrosecond);
BENCHMARK(present_copy)->Name("one_full_copy_300x300")->Unit(benchmark::kMicrosecond);
BENCHMARK(present)->Name("fenra_present_x11_300x300")->Unit(benchmark::kMicrosecond);
BENCHMARK(tap_chunk)->Name("analysis_tap_1152_stereo_frames")->Unit(benchmark::kMicrosecond);

// Prints each measured step as a multiple of the copies measured just before it.
struct RatioReporter : benchmark::ConsoleReporter {
    RatioReporter() : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular) {}
    double baseline = 0;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            double us = r.GetAdjustedCPUTime();
            const std::string& name = r.benchmark_name();
            if (name.find("full_cop") != std::string::npos)
                baseline = us;
            else if (baseline > 0)
                printf("  %s: %.1f us CPU per frame = %.2f x the full-image copies (%.1f us)\n",
                       name.c_str(), us, us / baseline, baseline);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    uint64_t size = 0;
    unsigned char* text = read_whole_file(FRAME_BENCH_ANIMATED, &size);
    animated_description.assign(reinterpret_cast<const char*>(text), size);
    dru_free(text);
    text = read_whole_file(FRAME_BENCH_SHIPPED, &size);
    shipped_description.assign(reinterpret_cast<const char*>(text), size);
    dru_free(text);
    // Registered after the fixed ones; the copies first again, as the ratios' baseline.
    benchmark::RegisterBenchmark("one_full_copy_420x250", [](benchmark::State& state) {
        Image* a = image_new(420, 250, IMAGE_PIXELS);
        Image* b = image_new(420, 250, IMAGE_PIXELS);
        for (auto _ : state) {
            memcpy(b->pixels, a->pixels, static_cast<size_t>(a->stride) * a->height);
            benchmark::DoNotOptimize(b->pixels);
        }
        image_free(a);
        image_free(b);
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ui_redraw_shipped_animated", [](benchmark::State& state) {
        redraw(state, shipped_description.c_str());
    })->Unit(benchmark::kMicrosecond);
    static std::vector<std::string> variants;
    const std::vector<std::string> types = element_types(shipped_description);
    variants.reserve(types.size());
    for (const std::string& type : types) {
        variants.push_back(only_type(shipped_description, type));
        const char* description = variants.back().c_str();
        benchmark::RegisterBenchmark(
            ("ui_redraw_shipped_only/" + type).c_str(),
            [description](benchmark::State& state) { redraw(state, description); })
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
