// Cost of the per-chunk audio work, each against a plain copy of the same chunk
// measured in the same run: the analysis tap, and the write half's conversion
// path (volume, 16-bit conversion, ring append) with and without rate conversion.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "app/output_write.h"
#include "app/player.h"
#include "decoders/track.h"
#include "foundation/memory.h"
#include "sontera/sontera.h"

namespace {

constexpr uint32_t kFrames = 1024;
constexpr uint32_t kChannels = 2;

std::vector<float> chunk() {
    std::vector<float> v(kFrames * kChannels);
    for (size_t i = 0; i < v.size(); i++) v[i] = static_cast<float>(0.7 * std::sin(0.01 * i));
    return v;
}

std::map<std::string, double>& ns_per_chunk() {
    static std::map<std::string, double> m;
    return m;
}

void BM_Memcpy(benchmark::State& state) {
    auto src = chunk();
    std::vector<float> dst(src.size());
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size() * sizeof(float));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}

void BM_AnalysisTap(benchmark::State& state) {
    Player player{};
    analysis_init(&player.analysis);
    auto src = chunk();
    for (auto _ : state) {
        analysis_tap(&player.analysis, src.data(), static_cast<uint32_t>(src.size()), kChannels);
        benchmark::DoNotOptimize(player.analysis.spectrum);
        benchmark::ClobberMemory();
    }
    analysis_free(&player.analysis);
}

// A sink without a device: the ring is emptied after every chunk, as the drain
// would, so only the write half is timed.
void write_half(benchmark::State& state, uint32_t device_rate) {
    AudioFormat format{44100, SAMPLE_F32, kChannels};
    Track track{};
    track.format = &format;
    SonteraSink sink{};
    std::vector<uint8_t> ring(8192 * kChannels * 2);
    sink.ring = ring.data();
    sink.capacity = 8192;
    sink.frame_bytes = kChannels * 2;
    sink.rate = device_rate;
    sink.channels = kChannels;
    sink.format = SAMPLE_S16;
    AudioOutput output{
        .format = SONTERA_S16, .rate = device_rate, .channels = kChannels, .sink = &sink};
    Player player{};
    player.track = &track;
    player.output = &output;
    player.volume = 17;
    const auto src = chunk();
    std::vector<float> work(src.size());
    for (auto _ : state) {
        memcpy(work.data(), src.data(), src.size() * sizeof(float));  // the hook scales in place
        sontera_add_data_to_outbuf(&player, work.data(), static_cast<uint32_t>(work.size() * 4));
        sink.used = 0;
        benchmark::DoNotOptimize(ring.data());
        benchmark::ClobberMemory();
    }
    sontera_resampler_free(&sink.resampler);
    sontera_conversion_free(&output.conversion);
}

void BM_ConvertSameRate(benchmark::State& state) { write_half(state, 44100); }
void BM_ConvertResample48000(benchmark::State& state) { write_half(state, 48000); }

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_AnalysisTap);
BENCHMARK(BM_ConvertSameRate);
BENCHMARK(BM_ConvertResample48000);

// Collects each run's CPU time per chunk (other processes share the machine)
// to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) ns_per_chunk()[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    auto& m = ns_per_chunk();
    auto base = m.find("BM_Memcpy");
    if (base == m.end() || base->second <= 0) return 0;
    printf("\nper 1024-frame stereo chunk, CPU time relative to a memcpy of the chunk (%.0f ns):\n",
           base->second);
    for (const auto& [name, ns] : m) {
        if (name == "BM_Memcpy") continue;
        // 1024 frames at 44100 Hz are 23.2 ms of audio.
        printf("  %-26s %10.0f ns  %8.1fx memcpy  %6.3f%% of real time\n", name.c_str(), ns,
               ns / base->second, ns / 23219954.6 * 100.0);
    }
    return 0;
}
