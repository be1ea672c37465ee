// Decode-and-convert throughput of the track front-end (seconds of audio decoded per
// CPU second) for WAV, FLAC, MP3, Ogg Vorbis and Opus, each against the bare library
// decode of the same file measured in the same run (libFLAC into its int32 blocks,
// libmpg123 into 16-bit, libvorbisfile and libopusfile into float).
#include <benchmark/benchmark.h>

#include <FLAC/stream_decoder.h>
#include <mpg123.h>
#include <opusfile.h>
#include <stdlib.h>
#include <time.h>
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <map>
#include <string>

#include "decoders/track.h"

namespace {

std::string media;
constexpr double kSeconds = 20.0;

double cpu_seconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// audio seconds and CPU seconds per benchmark name
std::map<std::string, std::pair<double, double>> totals;

void record(benchmark::State& state, const std::string& name, double audio, double cpu) {
    auto& t = totals[name];
    t.first += audio;
    t.second += cpu;
    state.counters["audio_s_per_cpu_s"] = audio / cpu;
}

void BM_Track(benchmark::State& state, const char* file) {
    const std::string path = media + file;
    for (auto _ : state) {
        const double start = cpu_seconds();
        const char* error = nullptr;
        Track* t = track_try_open(path.c_str(), &error);
        if (!t) {
            state.SkipWithError(error);
            return;
        }
        int64_t frames = 0;
        for (uint32_t n; (n = track_read_frames(t, TRACK_CHUNK_FRAMES)) > 0;) frames += n;
        benchmark::DoNotOptimize(t->decode_buffer[0]);
        const double rate = t->format->rate;
        track_close(t);
        record(state, std::string("track ") + file, double(frames) / rate, cpu_seconds() - start);
    }
}

FLAC__StreamDecoderWriteStatus count_frames(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                            const FLAC__int32* const buffer[], void* user) {
    benchmark::DoNotOptimize(buffer[0][0]);
    *static_cast<int64_t*>(user) += frame->header.blocksize;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}
void no_error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {}

void BM_BareFlac(benchmark::State& state) {
    const std::string path = media + "a.flac";
    for (auto _ : state) {
        const double start = cpu_seconds();
        int64_t frames = 0;
        FLAC__StreamDecoder* d = FLAC__stream_decoder_new();
        FLAC__stream_decoder_init_file(d, path.c_str(), count_frames, nullptr, no_error, &frames);
        FLAC__stream_decoder_process_until_end_of_stream(d);
        const double rate = FLAC__stream_decoder_get_sample_rate(d);
        FLAC__stream_decoder_delete(d);
        record(state, "bare libFLAC", double(frames) / rate, cpu_seconds() - start);
    }
}

void BM_BareMpg123(benchmark::State& state) {
    const std::string path = media + "a.mp3";
    static short buffer[8192];
    for (auto _ : state) {
        const double start = cpu_seconds();
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
        long rate = 0;
        int channels = 0, enc = 0;
        mpg123_open(h, path.c_str());
        mpg123_getformat(h, &rate, &channels, &enc);
        mpg123_format_none(h);
        mpg123_format(h, rate, channels, MPG123_ENC_SIGNED_16);
        size_t done = 0, bytes = 0;
        int ret;
        do {
            ret = mpg123_read(h, buffer, sizeof buffer, &done);
            bytes += done;
        } while (ret == MPG123_OK || ret == MPG123_NEW_FORMAT);
        benchmark::DoNotOptimize(buffer[0]);
        mpg123_close(h);
        mpg123_delete(h);
        record(state, "bare libmpg123", double(bytes) / (2.0 * channels) / double(rate),
               cpu_seconds() - start);
    }
}

void BM_BareVorbisfile(benchmark::State& state) {
    const std::string path = media + "a.ogg";
    for (auto _ : state) {
        const double start = cpu_seconds();
        OggVorbis_File vf;
        if (ov_fopen(path.c_str(), &vf) != 0) {
            state.SkipWithError("ov_fopen failed");
            return;
        }
        int64_t frames = 0;
        int link = 0;
        float** pcm = nullptr;
        for (long n; (n = ov_read_float(&vf, &pcm, 1024, &link)) > 0;) {
            benchmark::DoNotOptimize(pcm[0][0]);
            frames += n;
        }
        const double rate = double(ov_info(&vf, 0)->rate);
        ov_clear(&vf);
        record(state, "bare libvorbisfile", double(frames) / rate, cpu_seconds() - start);
    }
}

void BM_BareOpusfile(benchmark::State& state) {
    const std::string path = media + "a.opus";
    static float buffer[2 * 1024];
    for (auto _ : state) {
        const double start = cpu_seconds();
        int error = 0;
        OggOpusFile* of = op_open_file(path.c_str(), &error);
        if (!of) {
            state.SkipWithError("op_open_file failed");
            return;
        }
        int64_t frames = 0;
        for (int n; (n = op_read_float(of, buffer, 2 * 1024, nullptr)) > 0;) frames += n;
        benchmark::DoNotOptimize(buffer[0]);
        op_free(of);
        record(state, "bare libopusfile", double(frames) / 48000.0, cpu_seconds() - start);
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_Track, wav, "a.wav")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Track, flac, "a.flac")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Track, mp3, "a.mp3")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareFlac)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareMpg123)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Track, vorbis, "a.ogg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Track, opus, "a.opus")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareVorbisfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareOpusfile)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    char dir[] = "/tmp/qulmo_bench_decode_XXXXXX";
    if (!mkdtemp(dir)) return 1;
    media = std::string(dir) + "/";
    char command[1024];
    std::snprintf(command, sizeof command,
                  "cd %s && sox -D -n -r 44100 -b 16 -c 2 a.wav synth %g sine 300-3000 vol 0.5 && "
                  "flac --silent -o a.flac a.wav && lame --quiet -b 192 a.wav a.mp3 && "
                  "oggenc -Q -q 5 -o a.ogg a.wav && opusenc --quiet --bitrate 128 a.wav a.opus",
                  dir, kSeconds);
    if (std::system(command) != 0) {
        std::fprintf(stderr, "making the media failed: %s\n", command);
        return 1;
    }
    mpg123_init();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    auto speed = [](const char* name) {
        const auto& t = totals[name];
        return t.second > 0 ? t.first / t.second : 0.0;
    };
    std::printf("\nseconds of audio per CPU second (ratio to the bare library decode):\n");
    std::printf("  wav  %8.1f\n", speed("track a.wav"));
    std::printf("  flac %8.1f  bare libFLAC   %8.1f  ratio %.2f\n", speed("track a.flac"),
                speed("bare libFLAC"), speed("track a.flac") / speed("bare libFLAC"));
    std::printf("  mp3  %8.1f  bare libmpg123 %8.1f  ratio %.2f\n", speed("track a.mp3"),
                speed("bare libmpg123"), speed("track a.mp3") / speed("bare libmpg123"));
    std::printf("  ogg  %8.1f  bare libvorbisfile %8.1f  ratio %.2f\n", speed("track a.ogg"),
                speed("bare libvorbisfile"), speed("track a.ogg") / speed("bare libvorbisfile"));
    std::printf("  opus %8.1f  bare libopusfile %8.1f  ratio %.2f\n", speed("track a.opus"),
                speed("bare libopusfile"), speed("track a.opus") / speed("bare libopusfile"));
    std::system((std::string("rm -rf ") + dir).c_str());
    return 0;
}
