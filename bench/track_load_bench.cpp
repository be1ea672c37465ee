// What a 3000 x 3000 JPEG cover (about 3 MB, as bought downloads carry) adds to a
// track load: player_load_track of the same WAV with the default look, once from a
// folder without a cover and beside cover.jpg, both as the first track of an album
// (the cover's decode started, or the cover kept), measured in the same run; beside
// them the decode of that cover at its full size. The decode itself runs in slices
// after the load (player_art_step, once per pass of the main loop): the largest slice,
// the slices' sum and the time until the art is shown with the loop's 5 ms sleep
// between slices are measured apart. The sound device and the window are
// the unit tests' null ones, so only the player's own work is timed.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "analysis/analysis.h"
#include "app/load_track.h"
#include "app/player.h"
#include "app/playlist.h"
#include "decoders/metadata.h"
#include "decoders/track.h"
#include "imaging/image.h"
#include "imaging/text.h"
#include "sontera/sontera.h"
#include "ui/ui_description.h"

namespace {

std::string dir;
std::map<std::string, double> ms_per_load;
long cover_bytes;

// A picture with detail everywhere (gradients under noise), so that it compresses
// about as badly as a photograph: some 3 MB at quality 90.
void write_cover(const std::string& path, int size) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    FILE* f = fopen(path.c_str(), "wb");
    jpeg_stdio_dest(&c, f);
    c.image_width = JDIMENSION(size);
    c.image_height = JDIMENSION(size);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(size) * 3);
    uint32_t s = 1;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size * 3; ++x) {
            s = s * 1664525u + 1013904223u;
            row[size_t(x)] =
                uint8_t((x / 3 * 255 / size + y * 255 / size * (x % 3)) / 2 + (s >> 27));
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    cover_bytes = ftell(f);
    fclose(f);
}

void write_wav(const std::string& path) {
    const uint32_t frames = 44100, data = frames * 4;
    FILE* f = fopen(path.c_str(), "wb");
    auto u32 = [&](uint32_t v) { fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { fwrite(&v, 2, 1, f); };
    fwrite("RIFF", 1, 4, f);
    u32(36 + data);
    fwrite("WAVEfmt ", 1, 8, f);
    u32(16), u16(1), u16(2), u32(44100), u32(44100 * 4), u16(4), u16(16);
    fwrite("data", 1, 4, f);
    u32(data);
    std::vector<uint8_t> zeros(data);
    fwrite(zeros.data(), 1, data, f);
    fclose(f);
}

struct Rig {
    Player player;
    PlaylistEntry* entry;
};

void rig_open(Rig* rig, const char* folder) {
    *rig = Rig{};
    Player& player = rig->player;
    player.canvas = image_new(300, 300, IMAGE_PIXELS);
    player.backdrop = image_new(300, 300, IMAGE_PIXELS);
    player.font = font_load(TRACK_LOAD_BENCH_FONT);
    analysis_init(&player.analysis);
    rig->entry = playlist_entry_create((dir + folder + "/a.wav").c_str());
}

void rig_close(Rig* rig) {
    Player& player = rig->player;
    player_art_cancel(&player);
    track_close(player.track);
    sontera_close(player.output);
    playlist_entry_destroy(rig->entry);
    analysis_free(&player.analysis);
    font_free(player.font);
    image_free(player.canvas);
    image_free(player.backdrop);
}

void load(benchmark::State& state, const char* folder, bool same_album) {
    Rig rig;
    rig_open(&rig, folder);
    if (same_album) {  // the track before decoded the cover
        (void)player_load_track(&rig.player, rig.entry);
        while (player_art_step(&rig.player)) {}
    }
    for (auto _ : state) {
        if (!same_album) album_art_forget();  // as for the first track of an album
        (void)player_load_track(&rig.player, rig.entry);
        if (rig.player.art_pending) {
            state.PauseTiming();
            player_art_cancel(&rig.player);
            state.ResumeTiming();
        }
    }
    rig_close(&rig);
}

double ms_since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

struct Slices {
    int count;
    double largest_ms, sum_ms, shown_ms;
};

// The first track of the album, then the slices as the main loop makes them: one per
// pass, a 5 ms sleep between them. Wall-clock times.
Slices cover_slices() {
    Rig rig;
    rig_open(&rig, "art");
    album_art_forget();
    Slices s{};
    const auto start = std::chrono::steady_clock::now();
    (void)player_load_track(&rig.player, rig.entry);
    for (bool more = rig.player.art_pending != nullptr; more;) {
        usleep(5000);
        const auto t = std::chrono::steady_clock::now();
        more = player_art_step(&rig.player);
        const double ms = ms_since(t);
        s.largest_ms = std::max(s.largest_ms, ms);
        s.sum_ms += ms;
        ++s.count;
    }
    s.shown_ms = ms_since(start);
    rig_close(&rig);
    return s;
}

void BM_LoadWithoutCover(benchmark::State& state) { load(state, "plain", false); }
void BM_LoadWithJpegCover(benchmark::State& state) { load(state, "art", false); }
void BM_NextTrackSameCover(benchmark::State& state) { load(state, "art", true); }

void BM_JpegCoverAtFullSize(benchmark::State& state) {
    const std::string path = dir + "art/cover.jpg";
    for (auto _ : state) image_free(image_load_file(path.c_str()));
}

class Collect : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) ms_per_load[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

BENCHMARK(BM_LoadWithoutCover)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWithJpegCover)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextTrackSameCover)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegCoverAtFullSize)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    char temp[] = "/tmp/qulmo_bench_track_load_XXXXXX";
    if (!mkdtemp(temp)) return 1;
    dir = std::string(temp) + "/";
    std::system(("mkdir -p " + dir + "plain " + dir + "art").c_str());
    write_wav(dir + "plain/a.wav");
    write_wav(dir + "art/a.wav");
    write_cover(dir + "art/cover.jpg", 3000);
    ui_parse(ui_default_description, 1.0);
    // The player's progress lines would fill the report.
    if (!freopen("/dev/null", "w", stderr)) return 1;
    benchmark::Initialize(&argc, argv);
    Collect reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double plain = ms_per_load["BM_LoadWithoutCover"];
    const double art = ms_per_load["BM_LoadWithJpegCover"];
    if (plain <= 0 || art <= 0) return 0;  // a filter left one of them out
    const double next = ms_per_load["BM_NextTrackSameCover"];
    // Ten first loads; the medians, and the largest slice of all.
    std::vector<Slices> runs;
    for (int i = 0; i < 10; ++i) runs.push_back(cover_slices());
    auto median = [&](double Slices::*field) {
        std::vector<double> v;
        for (const Slices& r : runs) v.push_back(r.*field);
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    double largest = 0;
    for (const Slices& r : runs) largest = std::max(largest, r.largest_ms);
    std::printf(
        "\ntrack load (CPU time): %.2f ms without a cover; with the 3000 x 3000 JPEG cover "
        "of %.1f MB %.2f ms for the first track of the album (%.2f ms more, budget 15 ms: "
        "%s) and %.2f ms for the next one (%.2f ms more: %s); the cover alone at full size: "
        "%.2f ms\n",
        plain, double(cover_bytes) / 1e6, art, art - plain, art - plain <= 15 ? "met" : "MISSED",
        next, next - plain, next - plain <= 15 ? "met" : "MISSED",
        ms_per_load["BM_JpegCoverAtFullSize"]);
    std::printf(
        "the cover's decode after the load: %d slices (median), the largest %.2f ms (of %zu "
        "runs; budget well under 15 ms: %s), together %.2f ms; the art shown %.1f ms after "
        "the load began, with the main loop's 5 ms sleep between slices (medians)\n",
        runs[runs.size() / 2].count, largest, runs.size(), largest <= 7.5 ? "met" : "MISSED",
        median(&Slices::sum_ms), median(&Slices::shown_ms));
    ui_free_elements();
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
