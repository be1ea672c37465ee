// Real files made by sox, flac, metaflac, lame and eyeD3 at set-up, opened through the
// track front-end.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "byte_builder.h"
#include "decoders/metadata.h"
#include "decoders/track.h"
#include "foundation/memory.h"
#include "imaging/image.h"
#include "tests/imaging/imaging_test_util.h"

namespace {

std::string media_dir;
bool tool_missing = false;

class Media : public ::testing::Test {
protected:
    // The files are made once per version of the script and shared by the test
    // processes: built in a private directory, then renamed into place.
    static void SetUpTestSuite() {
        if (!media_dir.empty()) return;
        std::ifstream script(QULMO_MEDIA_SCRIPT, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(script)), {});
        ASSERT_FALSE(text.empty()) << QULMO_MEDIA_SCRIPT;
        const std::string final_dir = std::string(QULMO_MEDIA_CACHE) + "/media-" +
                                      std::to_string(std::hash<std::string>{}(text));
        if (access((final_dir + "/done").c_str(), F_OK) != 0) {
            std::string dir = std::string(QULMO_MEDIA_CACHE) + "/media-tmp-XXXXXX";
            ASSERT_NE(mkdtemp(dir.data()), nullptr);
            const std::string command = std::string("bash ") + QULMO_MEDIA_SCRIPT + " " + dir +
                                        " 2>/dev/null && touch " + dir + "/done";
            const int status = std::system(command.c_str());
            if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
                std::filesystem::remove_all(dir);
                tool_missing = true;
                return;
            }
            ASSERT_EQ(status, 0) << "media generation failed: " << command;
            if (rename(dir.c_str(), final_dir.c_str()) != 0) {  // another process was first
                ASSERT_EQ(std::system(("rm -rf " + dir).c_str()), 0);
            }
        }
        media_dir = final_dir + "/";
    }
    void SetUp() override {
        if (tool_missing) GTEST_SKIP() << "a tool of " << QULMO_MEDIA_SCRIPT << " is not installed";
    }
};

std::string path(const char* name) { return media_dir + name; }

Track* open(const char* name) {
    const char* error = nullptr;
    testing::internal::CaptureStderr();
    Track* t = track_try_open(path(name).c_str(), &error);
    testing::internal::GetCapturedStderr();
    EXPECT_NE(t, nullptr) << name << ": " << (error ? error : "");
    return t;
}

std::vector<float> decode_all(Track* t) {
    std::vector<float> all;
    for (uint32_t n; (n = track_read_frames(t, TRACK_CHUNK_FRAMES)) > 0;)
        all.insert(all.end(), t->decode_buffer, t->decode_buffer + n * t->format->channels);
    return all;
}

std::string file_bytes(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// sox made every file from the same 441 Hz sine at half scale.
double sine(int64_t frame, uint32_t rate) {
    return 0.5 * std::sin(2.0 * M_PI * 441.0 * double(frame) / rate);
}

double max_error_to_sine(const std::vector<float>& s, uint32_t channels, uint32_t rate,
                         int64_t first = 0) {
    double worst = 0;
    for (size_t i = 0; i < s.size(); ++i)
        worst = std::max(worst, std::fabs(s[i] - sine(first + int64_t(i / channels), rate)));
    return worst;
}

double max_difference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return INFINITY;
    double worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, double(std::fabs(a[i] - b[i])));
    return worst;
}

// sox's own sine is within about 0.006 of the ideal one; the tighter checks compare
// the formats with each other, since sox quantised the same values for each.
constexpr double SINE_TOLERANCE = 0.01;

TEST_F(Media, WavFormatsDecodeToTheSine) {
    Track* f32 = open("f32.wav");
    ASSERT_NE(f32, nullptr);
    const std::vector<float> reference = decode_all(f32);
    track_close(f32);
    struct Case {
        const char* file;
        uint32_t rate, channels;
        double tolerance;  // against f32.wav; negative: different rate, sine only
    } cases[] = {
        {"s16.wav", 44100, 2, 1.0 / 32768}, {"s24.wav", 44100, 2, 1e-6},
        {"s32.wav", 44100, 2, 1e-7},        {"f32.wav", 44100, 2, 0},
        {"ext96.wav", 96000, 2, -1},        {"mono.wav", 22050, 1, -1},
        {"u8.wav", 44100, 2, 1.0 / 128},    {"u8mono.wav", 22050, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Track* t = open(c.file);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->format->rate, c.rate);
        EXPECT_EQ(t->format->channels, c.channels);
        EXPECT_EQ(t->format->format, uint32_t(SAMPLE_F32));
        EXPECT_EQ(t->total_frames, int64_t(c.rate));
        const std::vector<float> all = decode_all(t);
        EXPECT_EQ(all.size(), size_t(c.rate) * c.channels);
        EXPECT_LT(max_error_to_sine(all, c.channels, c.rate), SINE_TOLERANCE);
        if (c.tolerance >= 0) {
            EXPECT_LE(max_difference(all, reference), c.tolerance);
        }

        const int64_t target = c.rate / 3;
        EXPECT_EQ(track_seek_frame(t, target), int64_t(double(target) * 1000.0 / c.rate));
        ASSERT_EQ(track_read_frames(t, 16), 16u);
        EXPECT_EQ(std::vector<float>(t->decode_buffer, t->decode_buffer + 16 * c.channels),
                  std::vector<float>(all.begin() + target * c.channels,
                                     all.begin() + (target + 16) * c.channels));
        track_close(t);
    }
}

TEST_F(Media, FlacNativeAndOggMatchTheWavSamples) {
    Track* wav = open("s16.wav");
    ASSERT_NE(wav, nullptr);
    const std::vector<float> reference = decode_all(wav);
    track_close(wav);
    for (const char* file : {"tagged.flac", "ogg.flac", "flac_in_ogg.oga"}) {
        SCOPED_TRACE(file);
        Track* t = open(file);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->kind, TRACK_FLAC);
        EXPECT_EQ(t->format->rate, 44100u);
        EXPECT_EQ(t->format->channels, 2u);
        EXPECT_EQ(t->total_frames, 44100);
        EXPECT_EQ(decode_all(t), reference);  // lossless, same 2^-15 scale

        EXPECT_EQ(track_seek_frame(t, 30001), 680);
        ASSERT_EQ(track_read_frames(t, 1024), 1024u);
        EXPECT_EQ(std::vector<float>(t->decode_buffer, t->decode_buffer + 2048),
                  std::vector<float>(reference.begin() + 2 * 30001,
                                     reference.begin() + 2 * 30001 + 2048));
        EXPECT_EQ(track_seek_frame(t, 44101), -1);
        EXPECT_EQ(t->played_frames, 30001);
        EXPECT_EQ(track_seek_frame(t, 44100), 1000);  // the end: nothing more to read
        EXPECT_EQ(track_read_frames(t, 1024), 0u);
        EXPECT_EQ(track_seek_frame(t, -5), 0);
        ASSERT_EQ(track_read_frames(t, 4), 4u);
        EXPECT_EQ(t->decode_buffer[2], reference[2]);
        track_close(t);
    }
}

TEST_F(Media, Flac24BitIsScaledByItsBitsPerSample) {
    Track* t = open("plain24.flac");
    ASSERT_NE(t, nullptr);
    const std::vector<float> all = decode_all(t);
    track_close(t);
    Track* wav = open("s24.wav");
    ASSERT_NE(wav, nullptr);
    // Same integers; the WAV path divides by 2^31 - 128 after a shift, FLAC by 2^23.
    EXPECT_LE(max_difference(all, decode_all(wav)), 1e-6);
    EXPECT_LT(max_error_to_sine(all, 2, 44100), SINE_TOLERANCE);
    track_close(wav);
}

TEST_F(Media, FlacTagsAndPictures) {
    Track* t = open("tagged.flac");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(track_get_tag(t, "title"), "Flac-Title");  // title= comes before TITLE=
    EXPECT_STREQ(track_get_tag(t, "artist"), "Flac-Artist");
    EXPECT_STREQ(track_get_tag(t, "album"), "Flac-Album");
    EXPECT_STREQ(track_get_tag(t, "album_artist"), "Flac-AA");
    EXPECT_STREQ(track_get_tag(t, "track"), "3/12");

    struct Case {
        const char* file;
        const char* expected;
    } cases[] = {{"tagged.flac", "front.png"}, {"twofront.flac", "big.png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        PictureData pic{};
        ASSERT_TRUE(album_art_find_data(path(c.file).c_str(), nullptr, &pic));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(pic.data), pic.size),
                  file_bytes(path(c.expected)));
        picture_data_free(&pic);
    }
    PictureData none{};
    EXPECT_FALSE(album_art_find_data(path("ogg.flac").c_str(), nullptr, &none));
    EXPECT_EQ(none.data, nullptr);

    testing::internal::CaptureStderr();
    Image* art = album_art_load(path("tagged.flac").c_str(), t);
    testing::internal::GetCapturedStderr();
    ASSERT_NE(art, nullptr);
    EXPECT_EQ(art->width, 6);
    EXPECT_EQ(art->height, 4);
    EXPECT_EQ(art->pixels[0], 0xFF);  // red
    image_free(art);
    track_close(t);
}

TEST_F(Media, Mp3TagsPicturesAndExactLength) {
    struct Case {
        const char* file;
        const char* title;
        const char* artist;
        const char* album;
        const char* track;
        const char* picture;
    } cases[] = {
        {"v23.mp3", "Title 23", "Artist 23", "Album 23", "07", "front.png"},
        {"v24.mp3", "Title 24 \xC3\xBC", "Artist 24", "Album 24", "09", "big.png"},
        {"v1.mp3", "Old Title", "Old Artist", "Old Album", "5", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Track* t = open(c.file);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->kind, TRACK_MP3);
        EXPECT_STREQ(track_get_tag(t, "title"), c.title);
        EXPECT_STREQ(track_get_tag(t, "artist"), c.artist);
        EXPECT_STREQ(track_get_tag(t, "album"), c.album);
        EXPECT_STREQ(track_get_tag(t, "track"), c.track);
        EXPECT_EQ(t->format->rate, 44100u);
        EXPECT_EQ(t->format->channels, 2u);
        EXPECT_EQ(t->total_frames, 44100);  // gapless: encoder delay and padding removed
        PictureData pic{};
        EXPECT_EQ(album_art_find_data(path(c.file).c_str(), t, &pic), c.picture != nullptr);
        if (c.picture) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(pic.data), pic.size),
                      file_bytes(path(c.picture)));
        }
        picture_data_free(&pic);
        track_close(t);
    }
}

TEST_F(Media, Mp3WithAnUnsynchronisedTagPlaysAndShowsIt) {
    // A v2.3 tag written with unsynchronisation in front of a plain MP3: the UTF-16 title's
    // byte-order mark gains a zero, and the picture's 0xFF bytes too.
    Bytes title{1};
    put_str(title, std::string_view("\xFF\xFEU\0n\0s\0y\0n\0c\0", 14));
    const std::string png = file_bytes(path("front.png"));
    Bytes file =
        id3_unsync_tag({id3_frame("TIT2", title), id3_text_frame("TPE1", 0, str_bytes("Band")),
                        id3_frame("APIC", apic_body(0, 3, Bytes{0}, png))},
                       3);
    put_str(file, file_bytes(path("v1.mp3")));
    const std::string name = "unsync-" + std::to_string(getpid()) + ".mp3";
    {
        std::ofstream out(path(name.c_str()), std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    Track* t = open(name.c_str());
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(track_get_tag(t, "title"), "Unsync");
    EXPECT_STREQ(track_get_tag(t, "artist"), "Band");
    EXPECT_EQ(track_get_tag(t, "album"), nullptr);  // ID3v2 has title and artist: no ID3v1
    EXPECT_EQ(t->total_frames, 44100);
    PictureData pic{};
    ASSERT_TRUE(album_art_find_data(path(name.c_str()).c_str(), t, &pic));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(pic.data), pic.size), png);
    picture_data_free(&pic);
    track_close(t);
    std::remove(path(name.c_str()).c_str());
}

std::vector<float> decode_file(const char* name) {
    Track* t = open(name);
    if (!t) return {};
    std::vector<float> all = decode_all(t);
    track_close(t);
    return all;
}

TEST_F(Media, VorbisAndOpusMatchAnIndependentDecodeAndSeekExactly) {
    std::vector<float> links = decode_file("link1.ref.wav");
    const std::vector<float> second = decode_file("link2.ref.wav");
    links.insert(links.end(), second.begin(), second.end());
    struct Case {
        const char* file;
        std::vector<float> reference;
        TrackKind kind;
        uint32_t rate;
    } cases[] = {
        {"vorbis.ogg", decode_file("vorbis.ref.wav"), TRACK_VORBIS, 44100},
        {"vorbis.oga", decode_file("vorbis.ref.wav"), TRACK_VORBIS, 44100},
        {"chained.ogg", links, TRACK_VORBIS, 44100},
        {"opus.opus", decode_file("opus.ref.wav"), TRACK_OPUS, 48000},
        {"opus_in.ogg", decode_file("opus.ref.wav"), TRACK_OPUS, 48000},
        {"chained.opus", decode_file("chained_opus.ref.wav"), TRACK_OPUS, 48000},
        {"gain.opus", decode_file("gain.ref.wav"), TRACK_OPUS, 48000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Track* t = open(c.file);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->kind, c.kind);
        EXPECT_EQ(t->format->rate, c.rate);
        EXPECT_EQ(t->format->channels, 2u);
        ASSERT_FALSE(c.reference.empty());
        EXPECT_EQ(t->total_frames, int64_t(c.reference.size() / 2));
        const std::vector<float> all = decode_all(t);
        ASSERT_EQ(all.size(), c.reference.size());
        EXPECT_LE(max_difference(all, c.reference), 1.0 / 32768);

        // Vorbis decodes the same samples after a seek; an Opus decoder restarted 80 ms
        // early has not fully converged, so there the seek must land where the samples
        // match the continuous decode best, at no neighbouring frame.
        const int64_t total = t->total_frames;
        for (int64_t target : {int64_t(c.rate / 3 + 7), total - 300, int64_t(1)}) {
            SCOPED_TRACE(target);
            EXPECT_EQ(track_seek_frame(t, target), int64_t(double(target) * 1000.0 / c.rate));
            ASSERT_EQ(track_read_frames(t, 256), 256u);
            const std::vector<float> got(t->decode_buffer, t->decode_buffer + 512);
            auto rms_at = [&](int64_t first) {
                double sum = 0;
                for (size_t i = 0; i < got.size(); ++i) {
                    const double d = got[i] - all[size_t(2 * first) + i];
                    sum += d * d;
                }
                return std::sqrt(sum / double(got.size()));
            };
            if (c.kind == TRACK_VORBIS) {
                EXPECT_LT(rms_at(target), 1e-4);
            } else {
                EXPECT_LT(rms_at(target), 0.05);
                for (int64_t off : {-2, -1, 1, 2}) {
                    if (target + off < 0) continue;
                    EXPECT_LT(rms_at(target), rms_at(target + off)) << off;
                }
            }
        }
        EXPECT_EQ(track_seek_frame(t, total + 1), -1);
        EXPECT_EQ(track_seek_frame(t, total), int64_t(double(total) * 1000.0 / c.rate));
        EXPECT_EQ(track_read_frames(t, 1024), 0u);
        track_close(t);
    }
    // The header gain of -6 dB is applied.
    const std::vector<float> plain = decode_file("opus.opus"), quiet = decode_file("gain.opus");
    ASSERT_EQ(plain.size(), quiet.size());
    for (size_t i = 0; i < plain.size(); i += 97) ASSERT_NEAR(quiet[i], plain[i] * 0.50119f, 1e-4);
}

TEST_F(Media, VorbisAndOpusTagsAndPictures) {
    struct Case {
        const char* file;
        const char *title, *artist, *album, *album_artist, *track, *picture;
    } cases[] = {
        {"vorbis.ogg", "Vorbis Title", "Vorbis Artist", "Vorbis Album", "Vorbis AA", "4",
         "front.png"},
        {"opus_in.ogg", "Opus Title", "Opus Artist", "Opus Album", nullptr, "5", "big.png"},
        {"chained.ogg", "First Link", nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Track* t = open(c.file);
        ASSERT_NE(t, nullptr);
        EXPECT_STREQ(track_get_tag(t, "title"), c.title);
        EXPECT_STREQ(track_get_tag(t, "artist"), c.artist);
        EXPECT_STREQ(track_get_tag(t, "album"), c.album);
        EXPECT_STREQ(track_get_tag(t, "album_artist"), c.album_artist);
        EXPECT_STREQ(track_get_tag(t, "track"), c.track);
        for (const Track* with :
             {static_cast<const Track*>(t), static_cast<const Track*>(nullptr)}) {
            PictureData pic{};
            EXPECT_EQ(album_art_find_data(path(c.file).c_str(), with, &pic), c.picture != nullptr);
            if (c.picture) {
                EXPECT_EQ(std::string(reinterpret_cast<char*>(pic.data), pic.size),
                          file_bytes(path(c.picture)));
            }
            picture_data_free(&pic);
        }
        track_close(t);
    }
}

TEST_F(Media, Mp3DecodesAndSeeksToTheExactFrame) {
    Track* t = open("v23.mp3");
    ASSERT_NE(t, nullptr);
    const std::vector<float> all = decode_all(t);
    ASSERT_EQ(all.size(), 88200u);
    // Lossy, but the waveform is in place: no delay, no resampling.
    EXPECT_LT(max_error_to_sine({all.begin() + 2 * 2000, all.end() - 2 * 2000}, 2, 44100, 2000),
              0.03);

    for (int64_t target : {int64_t(12345), int64_t(30000), int64_t(0)}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(track_seek_frame(t, target), int64_t(double(target) * 1000.0 / 44100));
        EXPECT_EQ(t->played_frames, target);
        ASSERT_EQ(track_read_frames(t, 1024), 1024u);
        for (int i = 0; i < 2048; ++i)
            ASSERT_NEAR(t->decode_buffer[i], all[size_t(2 * target + i)], 1e-3) << i;
    }
    EXPECT_EQ(track_seek_frame(t, 44101), -1);
    EXPECT_EQ(t->played_frames, 0);
    track_close(t);

    Track* mono = open("mono.mp3");
    ASSERT_NE(mono, nullptr);
    EXPECT_EQ(mono->format->rate, 22050u);  // libmpg123 neither resamples nor up-mixes
    EXPECT_EQ(mono->format->channels, 1u);
    EXPECT_EQ(mono->total_frames, 22050);
    EXPECT_EQ(track_get_tag(mono, "title"), nullptr);
    track_close(mono);
}

TEST_F(Media, ExternalCoverLookupOrder) {
    const std::string dir = media_dir + "covers";
    ASSERT_EQ(std::system(("mkdir -p " + dir + " && cp " + path("s16.wav") + " " + dir +
                           "/t.wav && cp " + path("back.png") + " " + dir + "/folder.png && cp " +
                           path("front.png") + " " + dir + "/Cover.jpg")
                              .c_str()),
              0);
    testing::internal::CaptureStderr();
    char* found = album_art_external_path((dir + "/t.wav").c_str());
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(std::string(found), dir + "/Cover.jpg");
    EXPECT_EQ(log, "load album art from external file 'Cover.jpg'\n");
    dru_free(found);

    // Without a directory part the lookup happens in ".".
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    testing::internal::CaptureStderr();
    found = album_art_external_path("t.wav");
    const char* error = nullptr;
    Track* t = track_try_open("t.wav", &error);
    Image* art = album_art_load("t.wav", t);  // the cover file wins over anything embedded
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(chdir(cwd), 0);
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found, "./Cover.jpg");
    dru_free(found);
    ASSERT_NE(art, nullptr);
    EXPECT_EQ(art->width, 6);  // front.png under the name Cover.jpg
    image_free(art);
    track_close(t);

    EXPECT_EQ(album_art_external_path((media_dir + "nowhere/x.mp3").c_str()), nullptr);
}

// The cover shared by an album's tracks is decoded once: a damaged one shows its
// warning with the first track only, and again once the file changes.
TEST_F(Media, CoverFileDecodedOncePerAlbum) {
    const std::string dir = media_dir + "album";
    ASSERT_EQ(std::system(("mkdir -p " + dir + " && cp " + path("s16.wav") + " " + dir +
                           "/1.wav && cp " + path("s16.wav") + " " + dir + "/2.wav")
                              .c_str()),
              0);
    std::vector<uint8_t> cover = jpeg_file(64, 32, [](int x, int, int) { return uint8_t(x * 4); });
    cover.resize(cover.size() - 100);  // the scan cut short: shown, with a warning
    // Track, whether the cover file changes (grows by a byte) first, and a warning due.
    const std::tuple<const char*, bool, bool> steps[] = {{"1.wav", true, true},
                                                         {"2.wav", false, false},
                                                         {"1.wav", false, false},
                                                         {"2.wav", true, true}};
    for (const auto& [track, change, warned] : steps) {
        if (change) {
            cover.push_back(0);
            std::ofstream(dir + "/cover.jpg", std::ios::binary)
                .write(reinterpret_cast<const char*>(cover.data()), std::streamsize(cover.size()));
        }
        testing::internal::CaptureStderr();
        Image* art = album_art_load((dir + "/" + track).c_str(), nullptr);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(art->width, 64) << track;
        EXPECT_EQ(log.find("WARNING: loading image from file: ") != std::string::npos, warned)
            << log;
        image_free(art);
    }
    album_art_forget();
}

}  // namespace
