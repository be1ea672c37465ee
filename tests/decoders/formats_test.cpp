// The format table against everything that reads it, the playlist file readers, and
// what a path handed to the player stands for.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "decoders/decoder_table.h"
#include "decoders/formats.h"
#include "decoders/media_paths.h"
#include "decoders/playlist_files.h"
#include "decoders/track.h"
#include "tests/lib/temp_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(FormatTable, NamesKindsDecodersAndMediaTypesAgree) {
    struct Case {
        const char* name;
        int32_t kind;  // -1: no format
        TrackKind decoder;
    } cases[] = {
        {"a.mp3", FORMAT_AUDIO, TRACK_MP3},
        {"A.FLAC", FORMAT_AUDIO, TRACK_FLAC},
        {"x.Wav", FORMAT_AUDIO, TRACK_WAV},
        {"x.ogg", FORMAT_AUDIO, TRACK_VORBIS},
        {"x.oga", FORMAT_AUDIO, TRACK_VORBIS},
        {"x.opus", FORMAT_AUDIO, TRACK_OPUS},
        {"l.m3u", FORMAT_M3U, TRACK_UNKNOWN},
        {"l.M3U8", FORMAT_M3U, TRACK_UNKNOWN},
        {"l.pls", FORMAT_PLS, TRACK_UNKNOWN},
        {"x.aac", -1, TRACK_UNKNOWN},
        {"mp3", -1, TRACK_UNKNOWN},
        {"x.mp3.txt", -1, TRACK_UNKNOWN},
    };
    for (const Case& c : cases) {
        const FileFormat* f = file_format_for_name(c.name);
        EXPECT_EQ(f ? f->kind : -1, c.kind) << c.name;
        EXPECT_EQ(file_name_is_audio(c.name), c.kind == FORMAT_AUDIO) << c.name;
        EXPECT_EQ(track_kind_from_path(c.name), c.decoder) << c.name;
    }
    // Every extension names its own row; audio rows, and only they, have a decoder.
    std::multiset<std::string> listed;
    for (const FileFormat& f : file_formats) {
        EXPECT_EQ(&f, &file_formats[f.id]);
        ASSERT_NE(f.extensions[0], nullptr);
        ASSERT_NE(f.media_types[0], nullptr);
        for (const char* const* e = f.extensions; *e; e++) {
            std::string name = std::string("x.") + *e;
            EXPECT_EQ(file_format_for_name(name.c_str()), &f) << name;
            EXPECT_EQ(track_decoder_for_name(name.c_str()) != nullptr, f.kind == FORMAT_AUDIO)
                << name;
        }
        for (const char* const* t = f.media_types; *t; t++) listed.insert(*t);
    }
    const char* announced[FORMAT_NAMES_MAX * FILE_FORMAT_COUNT + 1];
    size_t n = media_types_all(announced, std::size(announced));
    ASSERT_EQ(announced[n], nullptr);
    std::multiset<std::string> got(announced, announced + n);
    EXPECT_EQ(got, listed);
    EXPECT_EQ(std::set<std::string>(got.begin(), got.end()).size(), got.size()) << "a type twice";
    for (const char* t : {"audio/x-mpegurl", "audio/mpegurl", "application/vnd.apple.mpegurl",
                          "audio/x-scpls", "audio/ogg", "audio/opus"})
        EXPECT_EQ(got.count(t), 1u) << t;
}

std::vector<std::string> parse(int32_t kind, const std::string& text, const char* folder) {
    std::vector<std::string> out;
    auto add = [](const char* path, void* user) {
        static_cast<std::vector<std::string>*>(user)->emplace_back(path);
    };
    if (kind == FORMAT_M3U) m3u_parse(text.data(), text.size(), folder, add, &out);
    if (kind == FORMAT_PLS) pls_parse(text.data(), text.size(), folder, add, &out);
    return out;
}

TEST(PlaylistFiles, EntriesOfM3uAndPls) {
    using V = std::vector<std::string>;
    const std::string too_long(5000, 'a');
    struct Case {
        int32_t kind;
        std::string text;
        const char* folder;
        V want;
    } cases[] = {
        {FORMAT_M3U,
         "#EXTM3U\r\n#EXTINF:12,Artist - T\r\nrel/a.mp3\r\n/abs/b.flac\r\n\r\n  spaced.wav \t\r\n"
         "file:///x/c%20d.ogg\r\nhttp://host/s.mp3\r\nfile:///bad%zz\r\nlast.opus",
         "/m", V{"/m/rel/a.mp3", "/abs/b.flac", "/m/spaced.wav", "/x/c d.ogg", "/m/last.opus"}},
        {FORMAT_M3U,
         "\xEF\xBB\xBF"
         "a.mp3\n",
         "/", V{"/a.mp3"}},
        {FORMAT_M3U, std::string("a.mp3\0junk\nb.mp3\n", 16), "d", V{"d/a.mp3", "d/b.mp3"}},
        {FORMAT_M3U, too_long + "\nok.mp3\n", "/m", V{"/m/ok.mp3"}},
        {FORMAT_PLS,
         "[playlist]\r\nNumberOfEntries=3\r\nFile1=/abs/a.mp3\r\nTitle1=x\r\nFILE2=file:///"
         "b%23.flac"
         "\r\nFileX=no\r\nFile=no\r\nLength1=-1\r\nfile3=rel.wav\r\nVersion=2",
         "/m", V{"/abs/a.mp3", "/b#.flac", "/m/rel.wav"}},
        {FORMAT_PLS, "File1=", "/m", V{}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.kind, c.text, c.folder), c.want) << c.text.substr(0, 40);
}

TEST(MediaPaths, FoldersPlaylistsAndFilesInTheOrderGiven) {
    TempDir dir;
    const std::string d = dir.path.string();
    fs::create_directories(dir.path / "album" / "Disc 1");
    for (const char* f : {"album/2.flac", "album/1.mp3", "album/notes.txt", "album/Disc 1/t.ogg"})
        dir.file(f, "x");
    dir.file("list.m3u8", "#EXTM3U\nalbum/1.mp3\nmissing.mp3\n\nalbum/Disc 1\ngone.flac\n");
    dir.file("one.pls", "[playlist]\nFile1=missing.mp3\n");

    PathList list{};
    testing::internal::CaptureStderr();
    for (const std::string& p :
         {d + "/album", d + "/list.m3u8", d + "/album/notes.txt", d + "/nothing", d + "/one.pls"})
        media_path_expand(&list, p.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    std::vector<std::string> got(list.items, list.items + list.count);
    std::vector<std::string> want = {d + "/album/1.mp3",        d + "/album/2.flac",
                                     d + "/album/Disc 1/t.ogg", d + "/album/1.mp3",
                                     d + "/album/Disc 1/t.ogg", d + "/album/notes.txt"};
    EXPECT_EQ(got, want);
    EXPECT_EQ(err, "WARNING: " + d + "/list.m3u8: 2 entries not found, skipped\n" +
                       "WARNING: no such file or folder, skipped: " + d + "/nothing\n" +
                       "WARNING: " + d + "/one.pls: 1 entry not found, skipped\n");
    path_list_free(&list);
    EXPECT_EQ(list.count, 0u);
}

}  // namespace
