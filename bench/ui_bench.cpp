// Cost of one ui_redraw at 300 x 300 for the default description and for the
// description with every element type, beside the two full-image copies that every
// redraw makes (backdrop -> canvas, canvas -> framebuffer), measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "app/player.h"
#include "fenra/fenra.h"
#include "imaging/image.h"
#include "imaging/text.h"
#include "input/input.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"
#include "ui_render_test_scenes.h"

// The input layer linked through the UI library refers to the window; nothing is shown.
void fenra_present(Window*, const Image*, int32_t, int32_t, int32_t, int32_t) {}

namespace {

void copies(benchmark::State& state) {
    Image* a = image_new(300, 300, IMAGE_PIXELS);
    Image* b = image_new(300, 300, IMAGE_PIXELS);
    Image* fb = image_new(300, 300, IMAGE_PIXELS);
    for (auto _ : state) {
        image_copy(a, nullptr, b, nullptr);
        image_present(b, nullptr, fb, nullptr);
        benchmark::DoNotOptimize(fb->pixels);
    }
    image_free(a);
    image_free(b);
    image_free(fb);
}

void redraw(benchmark::State& state, const char* description, int32_t level) {
    Player p{};
    UiScene scene{};
    ui_parse_bytes(std::span<const char>(description, strlen(description)), 1.0, "/nonexistent");
    ui_scene_setup(&p, &scene, level);
    p.font = font_load(UI_BENCH_FONT);
    input_state.framebuffer = image_new(300, 300, IMAGE_PIXELS);
    ui_render_static(&p);
    uint32_t step = 0;
    for (auto _ : state) {
        // The position moves as while playing, so the scrolling text and times change.
        p.position_ms = 83000 + 16 * (step++ % 1000);
        ui_redraw(&p);
        benchmark::DoNotOptimize(input_state.framebuffer->pixels);
    }
    image_free(input_state.framebuffer);
    input_state.framebuffer = nullptr;
    font_free(p.font);
    ui_scene_free(&p, &scene);
}

void default_ui(benchmark::State& state) { redraw(state, ui_default_description, 0); }
void all_elements(benchmark::State& state) { redraw(state, ui_all_elements_description, 1); }

BENCHMARK(copies)->Name("two_full_copies_300x300")->Unit(benchmark::kMicrosecond);
BENCHMARK(default_ui)->Name("ui_redraw_default_300x300")->Unit(benchmark::kMicrosecond);
BENCHMARK(all_elements)->Name("ui_redraw_all_elements_300x300")->Unit(benchmark::kMicrosecond);

// Prints each redraw as a multiple of the copies it cannot avoid.
struct RatioReporter : benchmark::ConsoleReporter {
    double baseline = 0;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            double us = r.GetAdjustedRealTime();
            if (r.benchmark_name().find("two_full_copies") != std::string::npos)
                baseline = us;
            else if (baseline > 0)
                printf("  %s: %.1f us per redraw = %.2f x the two full-image copies (%.1f us)\n",
                       r.benchmark_name().c_str(), us, us / baseline, baseline);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
