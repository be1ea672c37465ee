// Playlist builders on real directories and files, the sort, the shuffle generator and
// the movement through the playlist in every play mode. Loading a track is replaced by
// a recorder, and quitting by an exception, so the moves can be observed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/dir_scan.h"
#include "app/load_track.h"
#include "app/player.h"
#include "app/playlist.h"
#include "foundation/memory.h"
#include "tests/lib/temp_dir.h"

namespace fs = std::filesystem;

// --- fakes for the two calls the playlist makes outward ---------------------------
namespace {
std::vector<std::string> loaded;
struct QuitCalled {};
}  // namespace

// A path holding "bad" stands for a file that cannot be played.
bool player_load_track(Player*, PlaylistEntry* entry) {
    loaded.emplace_back(entry->path);
    entry->unplayable = strstr(entry->path, "bad") != nullptr;
    return !entry->unplayable;
}
void cmd_quit(Player*) { throw QuitCalled{}; }

namespace {

std::vector<std::string> paths(List* list) {
    std::vector<std::string> out;
    for (ListNode* n = list->next; n->kind != LIST_KIND_SENTINEL; n = n->next)
        out.emplace_back(static_cast<PlaylistEntry*>(n->payload)->path);
    return out;
}

const char* current_path(const Player& p) {
    return static_cast<PlaylistEntry*>(p.current->payload)->path;
}

// Every node's neighbours point back at it, all the way round.
void expect_consistent(List* list) {
    ListNode* n = list;
    int steps = 0;
    do {
        ASSERT_EQ(n->next->prev, n);
        n = n->next;
        ASSERT_LT(++steps, 100000);
    } while (n != list);
}

struct PlayerFixture : ::testing::Test {
    Player player{};
    void TearDown() override {
        list_destroy(player.playlist, playlist_entry_destroy);
        loaded.clear();
    }
    void build(std::initializer_list<const char*> names) {
        player.playlist = list_create();
        for (const char* n : names)
            list_append(player.playlist,
                        list_node_create(playlist_entry_create(n), LIST_KIND_ENTRY));
        player.current = player.playlist;
    }
};

// --- building from a named file ------------------------------------------------------

struct FromFileArg : PlayerFixture {
    TempDir dir;
    void SetUp() override {
        for (const char* n : {"b.flac", "A.mp3", "c.WAV", "notes.txt", "d.ogg", "e.wav.bak",
                              "f.Opus", "g.oga", "h.aac", "i.opus.part"})
            dir.file(n, "x");
        fs::create_directory(dir.path / "x.mp3");
    }
    std::string p(const std::string& name) const { return (dir.path / name).string(); }
};

TEST_F(FromFileArg, KeepsSupportedFilesInNameOrderAndStartsAtTheNamedOne) {
    struct Case {
        std::string arg;
        std::string first;  // what the first playlist_next loads
        bool fallback;
    };
    const std::string d = dir.path.string();
    const std::vector<Case> cases = {
        {p("c.WAV"), d + "/c.WAV", false},
        {p("b.flac"), d + "/b.flac", false},
        {p("f.Opus"), d + "/f.Opus", false},
        {p("A.mp3"), d + "/A.mp3", false},
        {p("notes.txt"), d + "/A.mp3", true},  // unsupported: first file
        {p("missing.mp3"), d + "/A.mp3", true},
        {p("x.mp3"), d + "/A.mp3", true},  // a directory is never an entry
        {d + "/", d + "/A.mp3", true},     // a directory named with its '/'
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        testing::internal::CaptureStderr();
        playlist_from_file_arg(&player, c.arg.c_str());
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(paths(player.playlist),
                  (std::vector<std::string>{d + "/A.mp3", d + "/b.flac", d + "/c.WAV", d + "/d.ogg",
                                            d + "/f.Opus", d + "/g.oga"}));
        if (c.fallback) {
            EXPECT_EQ(err, "cannot find cur file " + c.arg + ", falling back to first file\n");
        } else {
            EXPECT_EQ(err, "");
        }
        playlist_next(&player);
        EXPECT_STREQ(current_path(player), c.first.c_str());
        list_destroy(player.playlist, playlist_entry_destroy);
        player.playlist = nullptr;
    }
}

TEST_F(FromFileArg, RelativeNamesGetADotPrefixAndStillMatch) {
    fs::path old = fs::current_path();
    fs::current_path(dir.path.parent_path());
    std::string rel = dir.path.filename().string() + "/b.flac";
    testing::internal::CaptureStderr();
    playlist_from_file_arg(&player, rel.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    fs::current_path(old);
    EXPECT_EQ(err, "");
    playlist_next(&player);
    EXPECT_EQ(std::string(current_path(player)), "./" + rel);
}

TEST_F(FromFileArg, LastFileThenNextInNormalModeQuits) {
    playlist_from_file_arg(&player, p("g.oga").c_str());
    playlist_next(&player);
    EXPECT_THROW(playlist_next(&player), QuitCalled);
}

TEST_F(FromFileArg, UnreadableDirectoryGivesAnEmptyPlaylist) {
    testing::internal::CaptureStderr();
    playlist_from_file_arg(&player, "/nonexistent_qulmo_dir/a.mp3");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(list_count(player.playlist), 0);
    EXPECT_EQ(player.current, player.playlist);
}

TEST(PlaylistSplitPath, RootAndNestedDirectories) {
    struct Case {
        const char* path;
        const char* dir;
        const char* prefix;
    } cases[] = {
        {"/song.mp3", "/", "/"}, {"//song.mp3", "/", "//"},           {"./a/b.mp3", "./a", "./a/"},
        {"./b.mp3", ".", "./"},  {"./music/", "./music", "./music/"}, {"C:b.mp3", ".", "./"},
    };
    for (const Case& c : cases) {
        char *dir = nullptr, *prefix = nullptr;
        playlist_split_path(c.path, &dir, &prefix);
        EXPECT_STREQ(dir, c.dir) << c.path;
        EXPECT_STREQ(prefix, c.prefix) << c.path;
        free(dir);
        free(prefix);
    }
}

TEST_F(PlayerFixture, AFileInTheRootDirectoryIsFoundInItsListing) {
    std::string name = "/qulmo_root_test_" + std::to_string(getpid()) + ".mp3";
    FILE* f = fopen(name.c_str(), "wb");
    if (!f) GTEST_SKIP() << "root directory is not writable here";
    fclose(f);
    testing::internal::CaptureStderr();
    playlist_from_file_arg(&player, name.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    remove(name.c_str());
    EXPECT_EQ(err, "");
    for (const std::string& path : paths(player.playlist))
        EXPECT_NE(path.rfind("//", 0), 0u) << path;
    playlist_next(&player);
    EXPECT_STREQ(current_path(player), name.c_str());
}

// --- directory listing ---------------------------------------------------------------

TEST(DirScan, ListsEveryEntryWithTypeAndSize) {
    TempDir dir;
    dir.file("five.mp3", "12345");
    fs::create_directory(dir.path / "sub");
    fs::create_symlink(dir.path / "missing-target", dir.path / "dangling");
    List* list = dir_scan(dir.path.c_str());
    std::map<std::string, DirEntry> seen;
    for (ListNode* n = list->next; n != list; n = n->next) {
        EXPECT_EQ(n->kind, LIST_KIND_DIR_ENTRY);
        auto* e = static_cast<DirEntry*>(n->payload);
        seen[e->name] = *e;
    }
    list_destroy(list, dru_free);
    ASSERT_EQ(seen.size(), 5u);  // ".", "..", five.mp3, sub, dangling
    EXPECT_EQ(seen["five.mp3"].size, 5);
    EXPECT_EQ(seen["five.mp3"].is_directory, 0);
    EXPECT_GT(seen["five.mp3"].mtime, 0);
    EXPECT_EQ(seen["sub"].is_directory, 1);
    EXPECT_EQ(seen["."].is_directory, 1);
    EXPECT_EQ(seen[".."].is_directory, 1);
    // A link whose target is gone cannot be stat'ed: it counts as an empty file.
    EXPECT_EQ(seen["dangling"].is_directory, 0);
    EXPECT_EQ(seen["dangling"].size, 0);

    List* none = dir_scan("/nonexistent_qulmo_dir");
    EXPECT_EQ(list_count(none), 0);
    list_destroy(none, dru_free);
}

TEST(DirJoin, NoDoubledSlashAtTheRootAndLengthLimit) {
    char buf[16];
    EXPECT_TRUE(dir_join("/", "a.mp3", buf, sizeof buf));
    EXPECT_STREQ(buf, "/a.mp3");
    EXPECT_TRUE(dir_join("./m", "a.mp3", buf, sizeof buf));
    EXPECT_STREQ(buf, "./m/a.mp3");
    EXPECT_TRUE(dir_join("/abc", "0123456789", buf, sizeof buf));  // exactly 16 with NUL
    EXPECT_FALSE(dir_join("/abc", "01234567890", buf, sizeof buf));
}

// --- sort ----------------------------------------------------------------------------

TEST(PlaylistSort, DirectoriesFirstThenByteOrderAndStableOnEqualNames) {
    struct In {
        const char* name;
        int dir;
        int size;  // marks the original order of equal names
    };
    const std::vector<In> input = {{"b", 0, 1}, {"Z", 1, 2}, {"a", 0, 3}, {"B", 0, 4}, {"b", 0, 5},
                                   {"a", 1, 6}, {"_", 0, 7}, {"b", 0, 8}, {"A", 0, 9}};
    List* list = list_create();
    for (const In& in : input) {
        auto* e = static_cast<DirEntry*>(dru_alloc_memory(1, sizeof(DirEntry)));
        strcpy(e->name, in.name);
        e->is_directory = in.dir;
        e->size = in.size;
        list_append(list, list_node_create(e, LIST_KIND_DIR_ENTRY));
    }
    playlist_sort_entries(list);
    std::vector<std::pair<std::string, int>> got;
    for (ListNode* n = list->next; n != list; n = n->next) {
        auto* e = static_cast<DirEntry*>(n->payload);
        got.emplace_back(e->name, static_cast<int>(e->size));
    }
    expect_consistent(list);
    list_destroy(list, dru_free);
    const std::vector<std::pair<std::string, int>> want = {
        {"Z", 2}, {"a", 6}, {"A", 9}, {"B", 4}, {"_", 7}, {"a", 3}, {"b", 1}, {"b", 5}, {"b", 8}};
    EXPECT_EQ(got, want);
}

// --- playlist file -------------------------------------------------------------------

struct FromListFile : PlayerFixture {
    TempDir dir;
    std::vector<std::string> read(const std::string& content, const char* name = "list.txt") {
        dir.file(name, content);
        playlist_from_list_file(&player, name, dir.path.c_str());
        EXPECT_EQ(player.current, player.playlist);
        std::vector<std::string> got = paths(player.playlist);
        list_destroy(player.playlist, playlist_entry_destroy);
        player.playlist = nullptr;
        return got;
    }
};

TEST_F(FromListFile, LinesBecomeEntries) {
    using V = std::vector<std::string>;
    struct Case {
        std::string content;
        V want;
    } cases[] = {
        {"a.mp3\nb.flac\n", V{"a.mp3", "b.flac"}},
        {"a.mp3\nb.flac", V{"a.mp3", "b.flac"}},                // last line without newline
        {"a.mp3\r\nb.flac\r\n", V{"a.mp3", "b.flac"}},          // CRLF
        {"a.mp3\r\nb.flac\r", V{"a.mp3", "b.flac"}},            // CR at the very end
        {"\n\na.mp3\n\n\r\nb.flac\n\n", V{"a.mp3", "b.flac"}},  // blank lines
        {"", V{}},
        {"\n", V{}},
        {"/abs/x y.wav\nrel/z.mp3\n", V{"/abs/x y.wav", "rel/z.mp3"}},  // taken as written
        {" a.mp3 \n", V{" a.mp3 "}},                                    // no trimming beyond the CR
        {"a\rb.mp3\n", V{"a\rb.mp3"}},                                  // only a CR at the end goes
        {std::string("a.mp3\0tail\nb.mp3\n", 17), V{"a.mp3", "b.mp3"}},
        {std::string("\0\nb.mp3\n", 8), V{"b.mp3"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(read(c.content), c.want) << testing::PrintToString(c.content);
}

TEST_F(FromListFile, AbsoluteNameIsNotJoinedToTheConfigurationDirectory) {
    dir.file("abs.txt", "one.mp3\n");
    std::string abs = (dir.path / "abs.txt").string();
    playlist_from_list_file(&player, abs.c_str(), "/nonexistent_config");
    EXPECT_EQ(paths(player.playlist), std::vector<std::string>{"one.mp3"});
}

TEST_F(FromListFile, MissingFileIsFatal) {
    EXPECT_EXIT(playlist_from_list_file(&player, "nope.txt", dir.path.c_str()),
                testing::ExitedWithCode(1), "FATAL ERROR: error opening file: file does not exist");
}

// --- shuffle -------------------------------------------------------------------------

TEST(Xoshiro, ReferenceOutputs) {
    uint64_t s[4] = {1, 2, 3, 4};
    EXPECT_EQ(xoshiro256pp_next(s), 41943041u);
    EXPECT_EQ(xoshiro256pp_next(s), 58720359u);
    EXPECT_EQ(xoshiro256pp_next(s), 3588806011781223u);
}

TEST_F(PlayerFixture, ShuffleFromAGivenStateGivesAFixedOrder) {
    build({"0", "1", "2", "3", "4", "5", "6", "7"});
    uint64_t s[4] = {0x9E3779B97F4A7C15, 0xBF58476D1CE4E5B9, 0x94D049BB133111EB,
                     0x2545F4914F6CDD1D};
    uint64_t expected_state[4];
    memcpy(expected_state, s, sizeof s);
    for (int i = 0; i < 7; i++) (void)xoshiro256pp_next(expected_state);  // n - 1 draws
    ListNode* playing = list_nth(player.playlist, 3);
    player.current = playing;
    playlist_shuffle(player.playlist, s);
    EXPECT_EQ(paths(player.playlist),
              (std::vector<std::string>{"6", "0", "2", "4", "3", "1", "5", "7"}));
    EXPECT_EQ(0, memcmp(s, expected_state, sizeof s));
    EXPECT_EQ(player.current, playing);
    EXPECT_STREQ(current_path(player), "3");
    expect_consistent(player.playlist);
}

TEST_F(PlayerFixture, ShuffleDrawsOncePerPositionAndNotForShortLists) {
    for (int n : {0, 1, 2, 3, 10}) {
        SCOPED_TRACE(n);
        list_destroy(player.playlist, playlist_entry_destroy);
        player.playlist = list_create();
        for (int i = 0; i < n; i++)
            list_append(player.playlist,
                        list_node_create(playlist_entry_create(std::to_string(i).c_str()),
                                         LIST_KIND_ENTRY));
        uint64_t s[4] = {11, 22, 33, 44}, ref[4] = {11, 22, 33, 44};
        for (int i = 0; i < n - 1; i++) (void)xoshiro256pp_next(ref);
        playlist_shuffle(player.playlist, s);
        EXPECT_EQ(0, memcmp(s, ref, sizeof s));
        std::vector<std::string> got = paths(player.playlist);
        std::sort(got.begin(), got.end(),
                  [](auto& a, auto& b) { return std::stoi(a) < std::stoi(b); });
        std::vector<std::string> all;
        for (int i = 0; i < n; i++) all.push_back(std::to_string(i));
        EXPECT_EQ(got, all);  // a permutation
        expect_consistent(player.playlist);
    }
}

TEST_F(PlayerFixture, DifferentStatesGiveDifferentOrders) {
    build({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"});
    uint64_t a[4] = {1, 2, 3, 5};
    playlist_shuffle(player.playlist, a);
    std::vector<std::string> first = paths(player.playlist);
    uint64_t b[4] = {0x1234, 0x5678, 0x9abc, 0xdef0};
    playlist_shuffle(player.playlist, b);
    EXPECT_NE(paths(player.playlist), first);
}

// --- next and previous in every mode at both ends -------------------------------------

int redraws = 0;
void count_redraw(Player*) { redraws++; }

TEST_F(PlayerFixture, MovesThroughThePlaylistInEveryMode) {
    struct Case {
        int32_t mode;
        bool forward;
        const char* start;  // current before the move; null: the sentinel
        const char* lands;  // entry loaded; null: the quit command runs
    };
    const Case cases[] = {
        {PLAY_NORMAL, true, nullptr, "a"},  {PLAY_NORMAL, true, "a", "b"},
        {PLAY_NORMAL, true, "c", nullptr},  {PLAY_NORMAL, false, "b", "a"},
        {PLAY_NORMAL, false, "a", nullptr}, {PLAY_SINGLE, true, "b", "c"},
        {PLAY_SINGLE, true, "c", nullptr},  {PLAY_SINGLE, false, "a", nullptr},
        {PLAY_REPEAT, true, "c", "a"},      {PLAY_REPEAT, false, "a", "c"},
        {PLAY_REPEAT, true, "a", "b"},      {PLAY_REPEAT, false, nullptr, "c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << (c.forward ? " next from " : " previous from ")
                     << (c.start ? c.start : "start"));
        list_destroy(player.playlist, playlist_entry_destroy);
        build({"a", "b", "c"});
        player.play_mode = c.mode;
        player.redraw = count_redraw;
        if (c.start)
            player.current =
                list_find(player.playlist, entry_path_equals, const_cast<char*>(c.start));
        loaded.clear();
        redraws = 0;
        if (!c.lands) {
            EXPECT_THROW(c.forward ? playlist_next(&player) : playlist_previous(&player),
                         QuitCalled);
            EXPECT_TRUE(loaded.empty());
            continue;
        }
        c.forward ? playlist_next(&player) : playlist_previous(&player);
        EXPECT_EQ(loaded, std::vector<std::string>{c.lands});
        EXPECT_STREQ(current_path(player), c.lands);
        EXPECT_EQ(redraws, 1);
    }
}

TEST_F(PlayerFixture, ShuffleModeReshufflesPastEitherEnd) {
    for (bool forward : {true, false}) {
        list_destroy(player.playlist, playlist_entry_destroy);
        build({"0", "1", "2", "3", "4", "5", "6", "7"});
        player.play_mode = PLAY_SHUFFLE;
        player.current = forward ? list_tail(player.playlist) : list_head(player.playlist);
        uint64_t s[4] = {0x9E3779B97F4A7C15, 0xBF58476D1CE4E5B9, 0x94D049BB133111EB,
                         0x2545F4914F6CDD1D};
        memcpy(player.shuffle_state, s, sizeof s);
        loaded.clear();
        forward ? playlist_next(&player) : playlist_previous(&player);
        // The order is the one the generator gives from this state; the move lands on
        // the new first (next) or last (previous) entry.
        EXPECT_EQ(paths(player.playlist),
                  (std::vector<std::string>{"6", "0", "2", "4", "3", "1", "5", "7"}));
        EXPECT_EQ(loaded, std::vector<std::string>{forward ? "6" : "7"});
        EXPECT_NE(0, memcmp(player.shuffle_state, s, sizeof s));
    }
}

TEST_F(PlayerFixture, EmptyPlaylistQuitsInEveryMode) {
    for (int32_t mode : {PLAY_NORMAL, PLAY_REPEAT, PLAY_SINGLE, PLAY_SHUFFLE}) {
        for (bool forward : {true, false}) {
            list_destroy(player.playlist, playlist_entry_destroy);
            build({});
            player.play_mode = mode;
            EXPECT_THROW(forward ? playlist_next(&player) : playlist_previous(&player), QuitCalled)
                << "mode " << mode;
        }
    }
}

// Entries whose path holds "bad" cannot be played (see the fake loader): every move
// passes over them in its own direction; only a playlist where every entry failed ends
// with the error, also in the modes that go round.
TEST_F(PlayerFixture, PassesOverEntriesThatCannotBePlayed) {
    using V = std::vector<std::string>;
    enum Move { NEXT, PREVIOUS, START };
    struct Case {
        std::initializer_list<const char*> names;
        int32_t mode;
        Move move;
        const char* start;  // current before the move; null: the sentinel
        V loads;            // every load tried, in order
        const char* ends;   // the entry playing after it, "quit" or "error"
    };
    const Case cases[] = {
        {{"a", "bad1", "b", "bad2"}, PLAY_NORMAL, NEXT, "a", V{"bad1", "b"}, "b"},
        {{"a", "bad1", "b", "bad2"}, PLAY_NORMAL, PREVIOUS, "b", V{"bad1", "a"}, "a"},
        {{"a", "bad1", "b", "bad2"}, PLAY_NORMAL, NEXT, "b", V{"bad2"}, "quit"},
        {{"a", "bad1", "b", "bad2"}, PLAY_SINGLE, NEXT, "b", V{"bad2"}, "quit"},
        {{"a", "bad1", "b", "bad2"}, PLAY_REPEAT, NEXT, "b", V{"bad2", "a"}, "a"},
        {{"a", "bad1", "b", "bad2"}, PLAY_REPEAT, PREVIOUS, "a", V{"bad2", "b"}, "b"},
        {{"a", "bad1", "b", "bad2"}, PLAY_NORMAL, START, nullptr, V{"a"}, "a"},
        {{"a", "bad1", "b", "bad2"}, PLAY_NORMAL, START, "b", V{"bad2", "a"}, "a"},
        {{"bad1", "bad2", "bad3"}, PLAY_NORMAL, START, nullptr, V{}, "error"},
        {{"bad1", "bad2", "bad3"}, PLAY_SINGLE, START, "bad2", V{}, "error"},
        {{"bad1", "bad2", "bad3"}, PLAY_REPEAT, NEXT, "bad1", V{}, "error"},
        {{"bad1", "bad2", "bad3"}, PLAY_SHUFFLE, PREVIOUS, "bad3", V{}, "error"},
        {{"bad1", "bad2", "bad3"}, PLAY_NORMAL, NEXT, nullptr, V{}, "error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " move " << c.move << " from "
                                        << (c.start ? c.start : "start") << " to " << c.ends);
        list_destroy(player.playlist, playlist_entry_destroy);
        build(c.names);
        player.play_mode = c.mode;
        if (c.start)
            player.current =
                list_find(player.playlist, entry_path_equals, const_cast<char*>(c.start));
        loaded.clear();
        auto move = [&] {
            if (c.move == NEXT) playlist_next(&player);
            if (c.move == PREVIOUS) playlist_previous(&player);
            if (c.move == START) playlist_start(&player);
        };
        if (strcmp(c.ends, "error") == 0) {
            EXPECT_EXIT(move(), testing::ExitedWithCode(1), "^ERROR: loading file failed\n$");
            continue;
        }
        if (strcmp(c.ends, "quit") == 0) {
            EXPECT_THROW(move(), QuitCalled);
        } else {
            move();
            EXPECT_STREQ(current_path(player), c.ends);
        }
        EXPECT_EQ(loaded, c.loads);
    }
}

// --- play mode commands --------------------------------------------------------------

TEST_F(PlayerFixture, PlayModeCommandsSetTheModeAndSayIt) {
    build({"0", "1", "2", "3", "4", "5", "6", "7"});
    struct Case {
        void (*command)(Player*);
        int32_t mode;
        const char* message;
    } cases[] = {
        {play_mode_repeat, PLAY_REPEAT, "play mode set to repeat\n"},
        {play_mode_single, PLAY_SINGLE, "play mode set to single\n"},
        {play_mode_shuffle, PLAY_SHUFFLE, "play mode set to shuffle\n"},
        {play_mode_normal, PLAY_NORMAL, "play mode set to normal\n"},
    };
    for (const Case& c : cases) {
        player.play_mode = -1;
        testing::internal::CaptureStderr();
        c.command(&player);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(player.play_mode, c.mode);
    }
}

TEST_F(PlayerFixture, ShuffleCommandShufflesEvenWhenAlreadyShuffling) {
    build({"0", "1", "2", "3", "4", "5", "6", "7"});
    uint64_t s[4] = {0x9E3779B97F4A7C15, 0xBF58476D1CE4E5B9, 0x94D049BB133111EB,
                     0x2545F4914F6CDD1D};
    memcpy(player.shuffle_state, s, sizeof s);
    player.play_mode = PLAY_SHUFFLE;
    testing::internal::CaptureStderr();
    play_mode_shuffle(&player);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(paths(player.playlist),
              (std::vector<std::string>{"6", "0", "2", "4", "3", "1", "5", "7"}));

    Player none{};  // no playlist yet: only the mode changes
    testing::internal::CaptureStderr();
    play_mode_shuffle(&none);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "play mode set to shuffle\n");
    EXPECT_EQ(none.play_mode, PLAY_SHUFFLE);
}

}  // namespace
