// The format table against the decoder table, the playlist file readers, and what a
// path handed to the player stands for.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "decoders/decoder_table.h"
#include "decoders/track.h"
#include "formats/formats.h"
#include "formats/media_paths.h"
#include "formats/playlist_files.h"
#include "tests/lib/temp_dir.h"

namespace {

using V = std::vector<std::string>;

TEST(FormatTable, NamesKindsDecodersAndMediaTypesAgree) {
    struct Case {
        const char* name;
        int32_t kind;  // -1: no format
        TrackKind decoder;
    } cases[] = {
        {"a.mp3", FORMAT_AUDIO, TRACK_MP3},   {"A.FLAC", FORMAT_AUDIO, TRACK_FLAC},
        {"x.Wav", FORMAT_AUDIO, TRACK_WAV},   {"x.oga", FORMAT_AUDIO, TRACK_VORBIS},
        {"x.opus", FORMAT_AUDIO, TRACK_OPUS}, {"l.M3U8", FORMAT_M3U, TRACK_UNKNOWN},
        {"l.pls", FORMAT_PLS, TRACK_UNKNOWN}, {"x.aac", -1, TRACK_UNKNOWN},
        {"mp3", -1, TRACK_UNKNOWN},           {"x.mp3.txt", -1, TRACK_UNKNOWN},
    };
    for (const Case& c : cases) {
        const FileFormat* f = file_format_for_name(c.name);
        EXPECT_EQ(f ? f->kind : -1, c.kind) << c.name;
        EXPECT_EQ(track_kind_from_path(c.name), c.decoder) << c.name;
    }
    // Every extension names its own row; audio rows, and only they, have a decoder;
    // the announced types are every row's, each once.
    std::multiset<std::string> listed;
    for (const FileFormat& f : file_formats) {
        EXPECT_EQ(&f, &file_formats[f.id]);
        for (const char* const* e = f.extensions; *e; e++) {
            std::string name = std::string("x.") + *e;
            EXPECT_EQ(file_format_for_name(name.c_str()), &f) << name;
            EXPECT_EQ(track_decoder_for_name(name.c_str()) != nullptr, f.kind == FORMAT_AUDIO);
        }
        for (const char* const* t = f.media_types; *t; t++) listed.insert(*t);
    }
    const char* announced[FORMAT_NAMES_MAX * FILE_FORMAT_COUNT + 1];
    size_t n = media_types_all(announced, std::size(announced));
    EXPECT_EQ(std::multiset<std::string>(announced, announced + n), listed);
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()).size(), n);
    EXPECT_TRUE(listed.count("audio/x-scpls") && listed.count("application/vnd.apple.mpegurl"));
}

TEST(PlaylistFiles, EntriesOfM3uAndPls) {
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
         "a.mp3\n" +
             std::string(5000, 'a') + "\n",
         "/", V{"/a.mp3"}},
        {FORMAT_M3U, std::string("a.mp3\0junk\nb.mp3\n", 16), "d", V{"d/a.mp3", "d/b.mp3"}},
        {FORMAT_PLS,
         "[playlist]\r\nNumberOfEntries=3\r\nFile1=/abs/a.mp3\r\nTitle1=x\r\nFILE2=file:///"
         "b%23.flac"
         "\r\nFileX=no\r\nFile=no\r\nfile3=rel.wav\r\nFile4=",
         "/m", V{"/abs/a.mp3", "/b#.flac", "/m/rel.wav"}},
    };
    for (const Case& c : cases) {
        V got;
        auto add = [](const char* path, void* out) { static_cast<V*>(out)->emplace_back(path); };
        (c.kind == FORMAT_M3U ? m3u_parse : pls_parse)(c.text.data(), c.text.size(), c.folder, add,
                                                       &got);
        EXPECT_EQ(got, c.want) << c.text.substr(0, 40);
    }
}

TEST(MediaPaths, FoldersPlaylistsAndFilesInTheOrderGiven) {
    TempDir dir;
    const std::string d = dir.path.string();
    std::filesystem::create_directories(dir.path / "album" / "Disc 1");
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
    EXPECT_EQ(V(list.items, list.items + list.count),
              (V{d + "/album/1.mp3", d + "/album/2.flac", d + "/album/Disc 1/t.ogg",
                 d + "/album/1.mp3", d + "/album/Disc 1/t.ogg", d + "/album/notes.txt"}));
    EXPECT_EQ(err, "WARNING: " + d + "/list.m3u8: 2 entries not found, skipped\n" +
                       "WARNING: no such file or folder, skipped: " + d + "/nothing\n" +
                       "WARNING: " + d + "/one.pls: 1 entry not found, skipped\n");
    path_list_free(&list);
}

}  // namespace
