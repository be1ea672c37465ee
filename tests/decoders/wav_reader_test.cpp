#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "byte_builder.h"
#include "decoders/metadata.h"
#include "decoders/track.h"
#include "decoders/wav_reader.h"
#include "tests/lib/temp_dir.h"

namespace {

Bytes pcm16(std::initializer_list<int16_t> samples) {
    Bytes b;
    for (int16_t s : samples) put_le16(b, uint16_t(s));
    return b;
}

// The reader keeps pointers into the bytes, so they stay alive in the fixture.
class WavReaderTest : public ::testing::Test {
protected:
    Bytes file;
    WavReader reader{};
    bool parse(Bytes bytes) {
        file = std::move(bytes);
        testing::internal::CaptureStderr();
        const bool ok = wav_reader_parse(&reader, file);
        log = testing::internal::GetCapturedStderr();
        return ok;
    }
    std::string log;
};

struct FmtCase {
    const char* name;
    Bytes fmt;
    bool loads;
    uint32_t sample_format;
};

TEST_F(WavReaderTest, FormatTagAndBitsChooseTheSampleFormat) {
    const FmtCase cases[] = {
        {"pcm16", fmt_body(1, 2, 44100, 16), true, SAMPLE_S16},
        {"pcm24", fmt_body(1, 2, 44100, 24), true, SAMPLE_S24},
        {"pcm32", fmt_body(1, 2, 44100, 32), true, SAMPLE_S32},
        {"float32", fmt_body(3, 2, 44100, 32), true, SAMPLE_F32},
        {"pcm8 unsigned", fmt_body(1, 2, 44100, 8), true, SAMPLE_U8},
        {"float8 rejected", fmt_body(3, 2, 44100, 8), false, 0},
        {"pcm20 rejected", fmt_body(1, 2, 44100, 20), false, 0},
        {"float64 rejected", fmt_body(3, 2, 44100, 64), false, 0},
        {"extensible pcm24", fmt_extensible(1, 2, 96000, 24), true, SAMPLE_S24},
        {"extensible float", fmt_extensible(3, 2, 48000, 32), true, SAMPLE_F32},
        {"extensible tag without extension", fmt_body(0xFFFE, 2, 44100, 16), false, 0},
        {"zero channels", fmt_body(1, 0, 44100, 16), false, SAMPLE_S16},
        {"zero rate", fmt_body(1, 2, 0, 16), false, SAMPLE_S16},
        {"64 channels", fmt_body(1, 64, 8000, 16), true, SAMPLE_S16},
        {"65 channels rejected", fmt_body(1, 65, 8000, 16), false, SAMPLE_S16},
        {"65535 channels rejected", fmt_body(1, 65535, 8000, 16), false, SAMPLE_S16},
    };
    for (const FmtCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parse(wave_file({riff_chunk("fmt ", c.fmt), riff_chunk("data", Bytes(96, 0))})),
                  c.loads);
        EXPECT_EQ(reader.sample_format, c.sample_format);
    }
}

TEST_F(WavReaderTest, RejectsBadHeaders) {
    Bytes good = wave_file(
        {riff_chunk("fmt ", fmt_body(1, 1, 8000, 16)), riff_chunk("data", pcm16({1, 2}))});
    ASSERT_TRUE(parse(good));
    Bytes riff = good;
    riff[0] = 'X';
    EXPECT_FALSE(parse(riff));
    Bytes wave = good;
    wave[8] = 'w';  // ids are case-sensitive
    EXPECT_FALSE(parse(wave));
    Bytes small_size = good;
    small_size[4] = 11, small_size[5] = small_size[6] = small_size[7] = 0;
    EXPECT_FALSE(parse(small_size));
    EXPECT_FALSE(parse(Bytes(good.begin(), good.begin() + 11)));
    EXPECT_FALSE(parse(wave_file({riff_chunk("fmt ", fmt_body(1, 1, 8000, 16))})));  // no data
    EXPECT_FALSE(
        parse(wave_file({riff_chunk("fmt ", fmt_body(1, 1, 8000, 16)), riff_chunk("data", {})})));
    EXPECT_FALSE(parse(wave_file({riff_chunk("data", pcm16({1}))})));  // no fmt
}

TEST_F(WavReaderTest, WalksOddChunksAndLogsEveryName) {
    Bytes junk = str_bytes("abc");  // odd: a pad byte follows
    ASSERT_TRUE(
        parse(wave_file({riff_chunk("fmt ", fmt_body(1, 1, 8000, 16)), riff_chunk("junk", junk),
                         riff_chunk("data", pcm16({1000, -2000, 3000}))})));
    EXPECT_EQ(log, "chunk name 'fmt '\nchunk name 'junk'\nchunk name 'data'\n");
    EXPECT_EQ(reader.data_size, 6u);
    float out[4] = {};
    ASSERT_EQ(wav_reader_read(&reader, out, 4), 3u);
    EXPECT_FLOAT_EQ(out[0], 1000 / 32768.0f);
    EXPECT_FLOAT_EQ(out[1], -2000 / 32768.0f);
    EXPECT_FLOAT_EQ(out[2], 3000 / 32768.0f);
}

TEST_F(WavReaderTest, LaterChunksOverrideEarlierOnes) {
    ASSERT_TRUE(parse(wave_file(
        {riff_chunk("fmt ", fmt_body(1, 1, 8000, 8)), riff_chunk("data", pcm16({1})),
         riff_chunk("fmt ", fmt_body(1, 2, 22050, 16)), riff_chunk("data", pcm16({5, 6, 7, 8}))})));
    EXPECT_EQ(reader.channels, 2u);
    EXPECT_EQ(reader.sample_rate, 22050u);
    EXPECT_EQ(reader.data_size, 8u);
    EXPECT_EQ(wav_reader_total_frames(&reader), 2);
}

TEST_F(WavReaderTest, SizesBeyondTheFileStayInsideIt) {
    // Data that claims more than the file holds is cut to the bytes present.
    ASSERT_TRUE(parse(wave_file({riff_chunk("fmt ", fmt_body(1, 2, 8000, 16)),
                                 riff_chunk("data", pcm16({1, 2, 3, 4, 5}), 100000)})));
    EXPECT_EQ(reader.data_size, 10u);
    EXPECT_EQ(wav_reader_total_frames(&reader), 2);
    float out[2 * 8];
    EXPECT_EQ(wav_reader_read(&reader, out, 8), 2u);
    EXPECT_EQ(wav_reader_read(&reader, out, 8), 0u);  // trailing part-frame: nothing

    // 0xFFFFFFFF sizes on every chunk kind, a truncated chunk header, a LIST whose
    // sub-chunk runs past the end: none of these read outside the bytes.
    const char* ids[] = {"fmt ", "LIST", "data", "id3 ", "junk"};
    for (const char* id : ids) {
        SCOPED_TRACE(id);
        Bytes body = str_bytes("INFOINAM");
        put_le32(body, 0xFFFFFFF0u);
        EXPECT_FALSE(parse(wave_file({riff_chunk(id, body, 0xFFFFFFFFll)})));
    }
    Bytes truncated = wave_file(
        {riff_chunk("fmt ", fmt_body(1, 2, 8000, 16)), riff_chunk("data", pcm16({1, 2}))});
    put_str(truncated, "LIS");
    EXPECT_TRUE(parse(truncated));
    Bytes short_fmt = wave_file({riff_chunk("fmt ", Bytes{1, 0, 2}, 16)});
    EXPECT_FALSE(parse(short_fmt));
}

TEST_F(WavReaderTest, ConvertsEachSampleFormatToFloat) {
    Bytes s24;
    for (uint32_t v : {0x7FFFFFu, 0x800000u, 0x000100u}) {
        s24.push_back(uint8_t(v));
        s24.push_back(uint8_t(v >> 8));
        s24.push_back(uint8_t(v >> 16));
    }
    Bytes s32;
    for (uint32_t v : {0x80000000u, 0x40000000u, 0xFFFFFFFFu}) put_le32(s32, v);
    Bytes f32;
    for (float v : {0.25f, -1.5f, 1.0f}) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        put_le32(f32, bits);
    }
    struct Case {
        const char* name;
        Bytes fmt, data;
        float expected[3];
    } cases[] = {
        {"s16",
         fmt_body(1, 1, 8000, 16),
         pcm16({-32768, 32767, 1}),
         {-1.0f, 32767 / 32768.0f, 1 / 32768.0f}},
        {"s24",
         fmt_body(1, 1, 8000, 24),
         s24,
         {8388607.0f * 256.0f / 2147483520.0f, -2147483648.0f / 2147483520.0f,
          65536.0f / 2147483520.0f}},
        {"s32", fmt_body(1, 1, 8000, 32), s32, {-1.0f, 0.5f, -1.0f / 2147483648.0f}},
        {"f32", fmt_body(3, 1, 8000, 32), f32, {0.25f, -1.5f, 1.0f}},
        {"u8", fmt_body(1, 1, 8000, 8), Bytes{0, 128, 255}, {-1.0f, 0.0f, 127 / 128.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(parse(wave_file({riff_chunk("fmt ", c.fmt), riff_chunk("data", c.data)})));
        float out[3] = {9, 9, 9};
        ASSERT_EQ(wav_reader_read(&reader, out, 3), 3u);
        for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(out[i], c.expected[i]) << i;
    }
    EXPECT_LT(8388607.0f * 256.0f / 2147483520.0f, 1.0f);
}

TEST_F(WavReaderTest, ReadsInPiecesAndSeeksInsideTheData) {
    Bytes data;
    for (int i = 0; i < 10; ++i)
        put_le16(data, uint16_t(i * 100)), put_le16(data, uint16_t(-i * 100));
    data.push_back(0x55);  // part-frame at the end
    ASSERT_TRUE(
        parse(wave_file({riff_chunk("fmt ", fmt_body(1, 2, 8000, 16)), riff_chunk("data", data)})));
    EXPECT_EQ(wav_reader_total_frames(&reader), 10);
    float out[2 * 4];
    EXPECT_EQ(wav_reader_read(&reader, out, 4), 4u);
    EXPECT_EQ(wav_reader_read(&reader, out, 4), 4u);
    EXPECT_FLOAT_EQ(out[0], 400 / 32768.0f);
    EXPECT_FLOAT_EQ(out[1], -400 / 32768.0f);
    EXPECT_EQ(wav_reader_read(&reader, out, 4), 2u);  // the part-frame byte is skipped
    EXPECT_EQ(wav_reader_read(&reader, out, 4), 0u);

    EXPECT_TRUE(wav_reader_seek(&reader, 7));
    EXPECT_EQ(wav_reader_read(&reader, out, 1), 1u);
    EXPECT_FLOAT_EQ(out[0], 700 / 32768.0f);
    EXPECT_TRUE(wav_reader_seek(&reader, 0));
    EXPECT_FALSE(wav_reader_seek(&reader, 11));  // byte offset 44 is past the 41 data bytes
    EXPECT_FALSE(wav_reader_seek(&reader, -1));
    EXPECT_EQ(reader.read_offset, 0u);
}

// ---- Through the track front-end: INFO and ID3 metadata, seeking. ----

Bytes info_list(std::initializer_list<std::pair<const char*, std::string>> items) {
    Bytes body = str_bytes("INFO");
    for (const auto& [id, text] : items) {
        Bytes t = str_bytes(text);
        t.push_back(0);
        put_bytes(body, riff_chunk(id, t));
    }
    return riff_chunk("LIST", body);
}

Bytes tone_wav(const std::vector<Bytes>& extra, int frames = 100) {
    Bytes data;
    for (int i = 0; i < frames; ++i) put_le16(data, uint16_t(i)), put_le16(data, uint16_t(-i));
    std::vector<Bytes> chunks{riff_chunk("fmt ", fmt_body(1, 2, 1000, 16))};
    chunks.insert(chunks.end(), extra.begin(), extra.end());
    chunks.push_back(riff_chunk("data", data));
    return wave_file(chunks);
}

struct WavTrack : ::testing::Test {
    TempDir dir;
    Track* open_bytes(const char* name, const Bytes& bytes) {
        const std::string path = dir.file(name, chars(bytes));
        const char* error = nullptr;
        testing::internal::CaptureStderr();
        Track* t = track_try_open(path.c_str(), &error);
        testing::internal::GetCapturedStderr();
        return t;
    }
};

TEST_F(WavTrack, InfoTagsFillTheMetadata) {
    Track* t = open_bytes("info.wav", tone_wav({info_list({{"INAM", "Name"},
                                                           {"IART", "Art"},
                                                           {"IPRD", "Prod"},
                                                           {"IPRT", "4"},
                                                           {"ICMT", "skipped"}})}));
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(track_get_tag(t, "title"), "Name");
    EXPECT_STREQ(track_get_tag(t, "artist"), "Art");
    EXPECT_STREQ(track_get_tag(t, "album"), "Prod");
    EXPECT_STREQ(track_get_tag(t, "track"), "4");
    EXPECT_EQ(track_get_tag(t, "album_artist"), nullptr);
    EXPECT_EQ(track_get_tag(t, "Title"), nullptr);
    EXPECT_EQ(t->kind, TRACK_WAV);
    EXPECT_EQ(t->format->rate, 1000u);
    EXPECT_EQ(t->format->channels, 2u);
    EXPECT_EQ(t->format->format, uint32_t(SAMPLE_F32));
    EXPECT_EQ(t->total_frames, 100);
    track_close(t);
}

TEST_F(WavTrack, InfoTextIsCutAt1023Bytes) {
    Track* t = open_bytes("long.wav",
                          tone_wav({info_list({{"INAM", std::string(2000, 'n')}, {"IART", "x"}})}));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::string(track_get_tag(t, "title")), std::string(1023, 'n'));
    EXPECT_STREQ(track_get_tag(t, "artist"), "x");  // the walk goes on after a long field
    track_close(t);
}

TEST_F(WavTrack, Id3ChunkWinsOverInfo) {
    const Bytes tag = id3_tag({id3_text_frame("TIT2", 0, str_bytes("From ID3"))});
    for (const char* id : {"id3 ", "ID3 "}) {
        SCOPED_TRACE(id);
        Track* t = open_bytes("id3.wav",
                              tone_wav({info_list({{"INAM", "From INFO"}, {"IART", "Info artist"}}),
                                        riff_chunk(id, tag)}));
        ASSERT_NE(t, nullptr);
        EXPECT_STREQ(track_get_tag(t, "title"), "From ID3");
        EXPECT_EQ(track_get_tag(t, "artist"), nullptr);
        track_close(t);
    }
}

TEST_F(WavTrack, SeekFrameBounds) {
    Track* t = open_bytes("seek.wav", tone_wav({}, 1000));  // 1000 frames at 1000 Hz
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(track_seek_frame(t, 500), 500);
    EXPECT_EQ(t->played_frames, 500);
    EXPECT_EQ(track_seek_frame(t, 1001), -1);  // past the end: nothing changes
    EXPECT_EQ(t->played_frames, 500);
    EXPECT_EQ(track_seek_frame(t, 1000), -1);  // the end itself lies outside the data
    EXPECT_EQ(track_seek_frame(t, -5), 0);
    EXPECT_EQ(t->played_frames, 0);
    EXPECT_EQ(track_seek_ms(t, 250), 250);
    EXPECT_EQ(track_seek_relative_ms(t, 100), 350);
    EXPECT_EQ(track_seek_relative_ms(t, -1000), 0);
    EXPECT_EQ(track_seek_relative_ms(t, 999), 999);
    ASSERT_EQ(track_read_frames(t, 1024), 1u);
    EXPECT_FLOAT_EQ(t->decode_buffer[0], 999 / 32768.0f);
    track_close(t);
}

struct OutputLog {
    int calls;
    uint32_t bytes;
    float first;
};

TEST_F(WavTrack, PlayChunkFeedsTheOutputHookAndCounts) {
    Track* t = open_bytes("chunks.wav", tone_wav({}, 1500));
    ASSERT_NE(t, nullptr);
    static OutputLog seen;
    seen = {};
    t->output = [](void*, float* samples, uint32_t bytes) {
        ++seen.calls;
        seen.bytes += bytes;
        seen.first = samples[0];
    };
    EXPECT_EQ(track_play_chunk(t), 1024u);
    EXPECT_EQ(track_play_chunk(t), 476u);
    EXPECT_EQ(track_play_chunk(t), 0u);
    EXPECT_EQ(seen.calls, 2);
    EXPECT_EQ(seen.bytes, 1500u * 2 * 4);
    EXPECT_FLOAT_EQ(seen.first, 1024 / 32768.0f);
    EXPECT_EQ(t->played_frames, 1500);
    track_close(t);
}

}  // namespace
