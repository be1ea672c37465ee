// FFT against a direct DFT, and the spectrum analysis on known signals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/fft.h"

namespace {

std::vector<float> cos_table() {
    std::vector<float> t(FFT_COS_TABLE_SIZE);
    fft_fill_cos_table(t.data());
    return t;
}

std::vector<float> twiddles() {
    std::vector<float> tw(2 * (FFT_COS_TABLE_SIZE - 1));
    fft_fill_twiddles(cos_table().data(), 14, tw.data());
    return tw;
}

// The transform and the tap as they were first written (recursive even/odd split,
// window cosines looked up per sample): what the faster forms must equal float for float.
void reference_fft(const float* table, const float* in_re, const float* in_im, int log2n,
                   float* out_re, float* out_im, uint32_t stride) {
    const uint32_t half = 1u << (log2n - 1);
    if (log2n == 1) {
        out_re[0] = in_re[0], out_im[0] = in_im[0];
        out_re[1] = in_re[stride], out_im[1] = in_im[stride];
    } else {
        reference_fft(table, in_re, in_im, log2n - 1, out_re, out_im, stride * 2);
        reference_fft(table, in_re + stride, in_im + stride, log2n - 1, out_re + half,
                      out_im + half, stride * 2);
    }
    for (uint32_t i = 0, t = 0; i < half; i++, t += FFT_COS_TABLE_SIZE >> log2n) {
        float c = table[t & FFT_COS_TABLE_MASK], s = table[(t + 4096) & FFT_COS_TABLE_MASK];
        float xr = out_re[i + half], xi = out_im[i + half];
        float tr = c * xr - s * xi, ti = xi * c + s * xr;
        out_re[i + half] = out_re[i] - tr, out_im[i + half] = out_im[i] - ti;
        out_re[i] += tr, out_im[i] += ti;
    }
}

void reference_tap(const float* table, std::vector<float>& history, std::vector<float>& spectrum,
                   const std::vector<float>& samples, uint32_t channels) {
    const uint32_t n = ANALYSIS_SIZE, take = std::min<uint32_t>(samples.size() / channels, n);
    history.erase(history.begin(), history.begin() + take);
    for (uint32_t i = 0; i < take; i++) history.push_back(samples[i * channels]);
    std::vector<float> re(history), im(n), out_re(n), out_im(n);
    for (uint32_t k = 0, t = 0; k < n; k++, t += FFT_COS_TABLE_SIZE / n)
        re[k] = (0.355768f - 0.487396f * table[t & FFT_COS_TABLE_MASK] +
                 0.144232f * table[(2 * t) & FFT_COS_TABLE_MASK] -
                 0.012604f * table[(3 * t) & FFT_COS_TABLE_MASK]) *
                re[k];
    reference_fft(table, re.data(), im.data(), 12, out_re.data(), out_im.data(), 1);
    for (uint32_t k = 0; k < n; k++)
        spectrum[k] = (out_re[k] * out_re[k] + out_im[k] * out_im[k]) * 0.7f + spectrum[k] * 0.3f;
}

std::vector<std::complex<double>> direct_dft(const std::vector<float>& re,
                                             const std::vector<float>& im, uint32_t n,
                                             uint32_t stride) {
    std::vector<std::complex<double>> out(n);
    for (uint32_t k = 0; k < n; k++) {
        std::complex<double> sum = 0;
        for (uint32_t j = 0; j < n; j++) {
            double a = -2.0 * M_PI * static_cast<double>((static_cast<uint64_t>(k) * j) % n) / n;
            sum += std::complex<double>(re[j * stride], im[j * stride]) * std::polar(1.0, a);
        }
        out[k] = sum;
    }
    return out;
}

TEST(CosTable, QuarterPointsAndSymmetry) {
    auto t = cos_table();
    EXPECT_EQ(t[0], 1.0f);
    EXPECT_NEAR(t[4096], 0.0f, 1e-7f);
    EXPECT_EQ(t[8192], -1.0f);
    EXPECT_NEAR(t[12288], 0.0f, 1e-7f);
    for (uint32_t i = 1; i < FFT_COS_TABLE_SIZE; i += 97)
        EXPECT_FLOAT_EQ(t[i], t[FFT_COS_TABLE_SIZE - i]) << i;
}

TEST(FftRadix2, MatchesDirectDftOnRandomInput) {
    auto table = twiddles();
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    const struct {
        int log2n;
        uint32_t stride;
    } cases[] = {{1, 1}, {2, 1}, {3, 1}, {5, 1}, {8, 1}, {10, 1}, {12, 1}, {4, 2}, {9, 3}};
    for (const auto& c : cases) {
        const uint32_t n = 1u << c.log2n;
        std::vector<float> re(n * c.stride), im(n * c.stride), out_re(n), out_im(n);
        for (auto& v : re) v = dist(rng);
        for (auto& v : im) v = dist(rng);
        fft_radix2(table.data(), re.data(), im.data(), c.log2n, out_re.data(), out_im.data(),
                   c.stride);
        auto ref = direct_dft(re, im, n, c.stride);
        // Float rounding grows with the size and depth of the transform.
        const double tolerance = 2e-6 * std::sqrt(static_cast<double>(n)) * c.log2n;
        double worst = 0;
        for (uint32_t k = 0; k < n; k++) {
            worst = std::max(worst, std::abs(std::complex<double>(out_re[k], out_im[k]) - ref[k]));
        }
        EXPECT_LT(worst, tolerance) << "n " << n << " stride " << c.stride;
    }
}

// Every length and a few strides, complex noise and real input (the tap's, imaginary
// part zero, with the signed zeros and tiny values real audio has).
TEST(FftRadix2, EqualsTheRecursiveFormFloatForFloat) {
    auto table = cos_table();
    auto tw = twiddles();
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (int log2n = 1; log2n <= 14; log2n++) {
        for (uint32_t stride : {1u, 3u}) {
            for (bool real : {false, true}) {
                const uint32_t n = 1u << log2n;
                std::vector<float> re(n * stride), im(n * stride), a(4 * n), b(4 * n);
                for (uint32_t i = 0; i < n * stride; i++) {
                    re[i] = real ? std::sin(0.05f * i) * (i % 7 == 0 ? -0.0f : 1e-3f) : dist(rng);
                    im[i] = real ? 0.0f : dist(rng);
                }
                fft_radix2(tw.data(), re.data(), im.data(), log2n, a.data(), a.data() + n, stride);
                reference_fft(table.data(), re.data(), im.data(), log2n, b.data(), b.data() + n,
                              stride);
                ASSERT_EQ(memcmp(a.data(), b.data(), 2 * n * sizeof(float)), 0)
                    << "n " << n << " stride " << stride << " real " << real;
            }
        }
    }
}

struct AnalysisRig {
    Analysis analysis{};
    AnalysisRig() { analysis_init(&analysis); }
    ~AnalysisRig() { analysis_free(&analysis); }
    void tap(const std::vector<float>& samples, uint32_t channels) {
        analysis_tap(&analysis, samples.data(), static_cast<uint32_t>(samples.size()), channels);
    }
    std::vector<float> spectrum() const {
        return {analysis.spectrum, analysis.spectrum + ANALYSIS_SIZE};
    }
};

TEST(Analysis, InitAllocatesZeroedArraysAndSizes) {
    AnalysisRig rig;
    EXPECT_EQ(rig.analysis.fft_size, 4096);
    EXPECT_EQ(rig.analysis.fft_bin_scale, 1);
    for (int i = 0; i < ANALYSIS_SIZE; i++) {
        ASSERT_EQ(rig.analysis.sample_history[i], 0.0f);
        ASSERT_EQ(rig.analysis.spectrum[i], 0.0f);
    }
    analysis_free(&rig.analysis);
    EXPECT_EQ(rig.analysis.spectrum, nullptr);
    analysis_free(&rig.analysis);  // twice is harmless
}

// A constant signal shows the window itself: its four cosine terms land in bins
// 0 to 3 with the Nuttall coefficients, nothing beyond.
TEST(Analysis, ConstantInputRevealsWindowCoefficients) {
    AnalysisRig rig;
    std::vector<float> ones(1024, 1.0f);
    for (int k = 0; k < 4; k++) rig.tap(ones, 1);
    // Forget the spectra of the partly filled history.
    for (int k = 0; k < ANALYSIS_SIZE; k++) rig.analysis.spectrum[k] = 0;
    rig.tap(ones, 1);
    auto s = rig.spectrum();
    const double n = ANALYSIS_SIZE;
    const double expected[5] = {
        std::pow(n * 0.355768, 2) * 0.7, std::pow(n * 0.487396 / 2, 2) * 0.7,
        std::pow(n * 0.144232 / 2, 2) * 0.7, std::pow(n * 0.012604 / 2, 2) * 0.7, 0};
    for (int k = 0; k < 4; k++) EXPECT_NEAR(s[k], expected[k], expected[k] * 1e-4) << "bin " << k;
    for (int k = 4; k < ANALYSIS_SIZE - 3; k++) ASSERT_LT(s[k], expected[0] * 1e-9) << "bin " << k;
}

TEST(Analysis, SineAtQuarterRatePeaksInBins1024And3072) {
    AnalysisRig rig;
    std::vector<float> chunk(1024);
    uint32_t t = 0;
    // After the history fills, the leakage of its start decays by 0.3 per chunk.
    for (int c = 0; c < 24; c++) {
        for (auto& v : chunk) v = static_cast<float>(std::sin(M_PI / 2 * t++));
        rig.tap(chunk, 1);
    }
    auto s = rig.spectrum();
    auto peak = std::max_element(s.begin(), s.begin() + 2048) - s.begin();
    auto mirror = std::max_element(s.begin() + 2048, s.end()) - s.begin();
    EXPECT_EQ(peak, 1024);
    EXPECT_EQ(mirror, 3072);
    EXPECT_NEAR(s[1024], s[3072], s[1024] * 1e-4);
    // Nuttall side lobes stay about 98 dB down outside the main lobe.
    for (int k = 0; k < ANALYSIS_SIZE; k++) {
        if (std::abs(k - 1024) <= 4 || std::abs(k - 3072) <= 4) continue;
        ASSERT_LT(s[k], s[1024] * 1e-8) << "bin " << k;
    }
}

TEST(Analysis, SilenceDecaysEveryBinByPointThreePerChunk) {
    AnalysisRig rig;
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> loud(2048), quiet(2048, 0.0f);
    for (int c = 0; c < 4; c++) {
        for (auto& v : loud) v = dist(rng);
        rig.tap(loud, 2);
    }
    // Four chunks of silence push the loud passage out of the history.
    for (int c = 0; c < 4; c++) rig.tap(quiet, 2);
    for (int i = 0; i < ANALYSIS_SIZE; i++) ASSERT_EQ(rig.analysis.sample_history[i], 0.0f);
    for (int c = 0; c < 3; c++) {
        auto before = rig.spectrum();
        rig.tap(quiet, 2);
        int nonzero = 0;
        for (int k = 0; k < ANALYSIS_SIZE; k++) {
            ASSERT_EQ(rig.analysis.spectrum[k], before[k] * 0.3f) << "chunk " << c << " bin " << k;
            nonzero += before[k] > 0;
        }
        EXPECT_GT(nonzero, ANALYSIS_SIZE / 2);
    }
}

TEST(Analysis, MonoAndStereoFeedTheSameChannelZeroHistory) {
    AnalysisRig mono, stereo;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    for (uint32_t frames : {1024u, 1024u, 500u, 3u, 1024u}) {
        std::vector<float> m(frames), st(frames * 2);
        for (uint32_t i = 0; i < frames; i++) {
            m[i] = st[2 * i] = dist(rng);
            st[2 * i + 1] = dist(rng);
        }
        mono.tap(m, 1);
        stereo.tap(st, 2);
    }
    EXPECT_EQ(mono.spectrum(), stereo.spectrum());
    for (int i = 0; i < ANALYSIS_SIZE; i++)
        ASSERT_EQ(mono.analysis.sample_history[i], stereo.analysis.sample_history[i]);
    EXPECT_NE(mono.analysis.sample_history[ANALYSIS_SIZE - 1], 0.0f);
}

// Chunks of the sizes the decoders hand over, of noise and of a decaying tone with
// silence: history and spectrum equal the reference tap's bit for bit after each.
TEST(Analysis, TapEqualsTheReferenceFloatForFloat) {
    AnalysisRig rig;
    auto table = cos_table();
    std::vector<float> history(ANALYSIS_SIZE), spectrum(ANALYSIS_SIZE);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    uint32_t t = 0;
    for (uint32_t frames : {1152u, 1152u, 4096u, 576u, 6000u, 3u, 2048u, 1152u, 1152u}) {
        std::vector<float> chunk(frames * 2);
        for (auto& v : chunk) v = frames % 2 ? dist(rng) : std::sin(0.03f * t) / (1 + t % 900), t++;
        rig.tap(chunk, 2);
        reference_tap(table.data(), history, spectrum, chunk, 2);
        ASSERT_EQ(memcmp(rig.analysis.sample_history, history.data(), 4 * ANALYSIS_SIZE), 0);
        ASSERT_EQ(rig.spectrum(), spectrum) << frames;
    }
}

// The history slides: the newest samples are at the end, oldest first, and a
// chunk longer than the history cannot write past it.
TEST(Analysis, HistorySlidesAndLongChunksStayInside) {
    AnalysisRig rig;
    std::vector<float> a(1000), b(10);
    for (uint32_t i = 0; i < a.size(); i++) a[i] = static_cast<float>(i + 1);
    for (uint32_t i = 0; i < b.size(); i++) b[i] = static_cast<float>(-1.0 - i);
    rig.tap(a, 1);
    rig.tap(b, 1);
    const float* h = rig.analysis.sample_history;
    EXPECT_EQ(h[ANALYSIS_SIZE - 1011], 0.0f);
    EXPECT_EQ(h[ANALYSIS_SIZE - 1010], 1.0f);
    EXPECT_EQ(h[ANALYSIS_SIZE - 11], 1000.0f);
    EXPECT_EQ(h[ANALYSIS_SIZE - 10], -1.0f);
    EXPECT_EQ(h[ANALYSIS_SIZE - 1], -10.0f);

    std::vector<float> huge(6000 * 2);
    for (uint32_t i = 0; i < 6000; i++) huge[2 * i] = static_cast<float>(i);
    rig.tap(huge, 2);
    EXPECT_EQ(h[0], 0.0f);
    EXPECT_EQ(h[ANALYSIS_SIZE - 1], 4095.0f);
    // Fewer samples than channels: nothing enters the history.
    std::vector<float> tiny(1, 5.0f);
    rig.tap(tiny, 2);
    EXPECT_EQ(h[ANALYSIS_SIZE - 1], 4095.0f);
}

}  // namespace
