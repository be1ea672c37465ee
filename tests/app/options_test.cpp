#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/look_path.h"
#include "app/options.h"
#include "app/player.h"

namespace {

struct Parsed {
    OptionTable table;
    int positional;
    Player player{};
    bool scale_given;
};

// Runs the parser on a command line given without the program name.
void parse(Parsed& out, std::vector<const char*> args) {
    std::vector<char*> argv{const_cast<char*>("qulmo")};
    for (const char* a : args) argv.push_back(const_cast<char*>(a));
    options_table_init(out.table);
    out.positional = options_parse(static_cast<int>(argv.size()), argv.data(), out.table);
    out.scale_given = options_apply(out.table, &out.player);
}

TEST(OptionTable, FindsNamesByPairIndex) {
    OptionTable t;
    options_table_init(t);
    EXPECT_EQ(option_find("port", t), 0);
    EXPECT_EQ(option_find("playlist", t), 2);
    EXPECT_EQ(option_find("playmode", t), 16);
    EXPECT_EQ(option_find("-ui", t), -1);
    EXPECT_EQ(option_find("", t), -1);
    EXPECT_STREQ(option_get("ui", t, "ui.txt"), "ui.txt");
    t[option_find("ui", t) + 1] = "mine.txt";
    EXPECT_STREQ(option_get("ui", t, "ui.txt"), "mine.txt");
    EXPECT_EQ(option_get("nothing", t, nullptr), nullptr);
}

TEST(CommandLine, Defaults) {
    Parsed p;
    parse(p, {});
    EXPECT_EQ(p.positional, 1);
    EXPECT_FALSE(p.scale_given);
    EXPECT_EQ(p.player.volume, 20);
    EXPECT_EQ(p.player.play_mode, PLAY_NORMAL);
    EXPECT_EQ(p.player.frametime_ms, 50.0);
    EXPECT_EQ(p.player.speed, 1.0);
}

TEST(CommandLine, PositionalArgumentPlacement) {
    struct Case {
        std::vector<const char*> args;
        int positional;
        const char* ui;
    } cases[] = {
        {{"song.mp3"}, 1, nullptr},
        {{"song.mp3", "-ui", "x.txt"}, 1, nullptr},  // no option parsing after a file
        {{"-ui", "x.txt", "song.mp3"}, 3, "x.txt"},
        {{"-ui", "x.txt", "--", "-odd.mp3"}, 4, "x.txt"},
        {{"--", "-odd.mp3"}, 2, nullptr},
        {{"-ui", "a", "-ui", "b"}, 5, "b"},  // later occurrence wins
        {{"-port", "1234", "f.wav", "g.wav"}, 3, nullptr},
    };
    for (const Case& c : cases) {
        Parsed p;
        parse(p, c.args);
        EXPECT_EQ(p.positional, c.positional) << c.args[0];
        const char* ui = option_get("ui", p.table, nullptr);
        if (c.ui)
            EXPECT_STREQ(ui, c.ui);
        else
            EXPECT_EQ(ui, nullptr);
    }
}

TEST(CommandLine, Clamps) {
    struct Case {
        std::vector<const char*> args;
        double scale;
        int32_t volume;
        double frametime;
        double speed;
        int32_t mode;
    } cases[] = {
        {{"-scale", "0.5"}, 1, 20, 50, 1, 0},        {{"-scale", "9"}, 4, 20, 50, 1, 0},
        {{"-scale", "2.5"}, 2.5, 20, 50, 1, 0},      {{"-scale", "nan"}, 1, 20, 50, 1, 0},
        {{"-volume", "25"}, 0, 20, 50, 1, 0},        {{"-volume", "-3"}, 0, 0, 50, 1, 0},
        {{"-volume", "0x0a"}, 0, 10, 50, 1, 0},      {{"-volume", "010"}, 0, 8, 50, 1, 0},
        {{"-volume", "abc"}, 0, 0, 50, 1, 0},        {{"-frametime", "0"}, 0, 20, 1, 1, 0},
        {{"-frametime", "16.5"}, 0, 20, 16.5, 1, 0}, {{"-speed", "0.01"}, 0, 20, 50, 0.1, 0},
        {{"-speed", "20"}, 0, 20, 50, 8, 0},         {{"-playmode", "repeat"}, 0, 20, 50, 1, 1},
        {{"-playmode", "single"}, 0, 20, 50, 1, 2},  {{"-playmode", "shuffle"}, 0, 20, 50, 1, 3},
        {{"-playmode", "Shuffle"}, 0, 20, 50, 1, 0},
    };
    for (const Case& c : cases) {
        Parsed p;
        parse(p, c.args);
        std::string what = std::string(c.args[0]) + " " + c.args[1];
        EXPECT_EQ(p.player.scale, c.scale) << what;
        EXPECT_EQ(p.scale_given, c.scale != 0) << what;
        EXPECT_EQ(p.player.volume, c.volume) << what;
        EXPECT_EQ(p.player.frametime_ms, c.frametime) << what;
        EXPECT_DOUBLE_EQ(p.player.speed, c.speed) << what;
        EXPECT_EQ(p.player.play_mode, c.mode) << what;
    }
}

TEST(CommandLine, RejectedLines) {
    struct Case {
        std::vector<const char*> args;
        const char* message;
    } cases[] = {
        {{"--ui", "x"}, "^ERROR: unknown option '--ui'\n$"},
        {{"-bogus", "x"}, "^ERROR: unknown option '-bogus'\n$"},
        {{"-port"}, "^ERROR: option '-port' missing param\n$"},
        {{"-ui", "x", "-volume"}, "^ERROR: option '-volume' missing param\n$"},
        {{"-"}, "^ERROR: unknown option '-'\n$"},
    };
    for (const Case& c : cases) {
        Parsed p;
        EXPECT_EXIT(parse(p, c.args), testing::ExitedWithCode(1), c.message);
    }
}

TEST(ShuffleSeed, WordsFollowTheRecurrence) {
    uint64_t s[4];
    shuffle_seed(s, 0);
    EXPECT_EQ(s[0], 1u);
    EXPECT_EQ(s[1], 0x369DEA0F31A53F85ull + 1);
    EXPECT_EQ(s[2], s[1] * 0x369DEA0F31A53F85ull + 1);
    EXPECT_EQ(s[3], s[2] * 0x369DEA0F31A53F85ull + 1);
    uint64_t t[4];
    shuffle_seed(t, 1);
    EXPECT_NE(s[0], t[0]);
}

TEST(HasExtension, Table) {
    struct Case {
        const char* name;
        const char* ext;
        bool expected;
    } cases[] = {
        {"a.mp3", "mp3", true},
        {"A.MP3", "mp3", true},
        {"x.FlAc", "flac", true},
        {".mp3", "mp3", true},
        {"mp3", "mp3", false},
        {"a.mp3x", "mp3", false},
        {".mp3", "mp3", true},
        {"a.", "", true},
        {"a", "", false},
        {"", "", false},
        {"dir.mp3/x.wav", "wav", true},
    };
    for (const Case& c : cases) EXPECT_EQ(has_extension(c.name, c.ext), c.expected) << c.name;
}

TEST(PathRule, AbsoluteAndRelative) {
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/abs/ui.txt", "/abs/ui.txt"},
        {"C:\\ui.txt", "C:\\ui.txt"},
        {"ui.txt", "/cfg/ui.txt"},
        {"sub/font.ttf", "/cfg/sub/font.ttf"},
        {"", "/cfg/"},
    };
    for (const Case& c : cases) {
        char* got = path_resolve(c.path, "/cfg");
        ASSERT_NE(got, nullptr);
        EXPECT_STREQ(got, c.expected);
        free(got);
    }
}

TEST(FormatAlloc, ExactLengthResult) {
    char* s = format_alloc("%s-%d", "abc", 42);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "abc-42");
    free(s);
    std::string long_text(100000, 'q');
    s = format_alloc("%s!", long_text.c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(strlen(s), 100001u);
    free(s);
}

// A shipped look is found beside the program by bare name, with or without ".txt";
// a name with a folder in it is a path, never a shipped look.
TEST(ShippedLooks, FoundBesideTheProgramByBareName) {
    char root[] = "/tmp/qulmo_looks_XXXXXX";
    ASSERT_NE(mkdtemp(root), nullptr);
    std::string base = root, bin = base + "/bin", looks = base + "/share/qulmo/looks";
    ASSERT_EQ(system(("mkdir -p " + bin + " " + looks).c_str()), 0);
    FILE* f = fopen((looks + "/tiny.txt").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    const std::string want = bin + "/../share/qulmo/looks/tiny.txt";
    struct Case {
        const char* name;
        const char* path;  // null: not found
    } cases[] = {
        {"tiny", want.c_str()},
        {"tiny.txt", want.c_str()},
        {"TINY", nullptr},
        {"./tiny", nullptr},
        {"looks/tiny", nullptr},
        {"", nullptr},
        {"qulmo-no-such-look", nullptr},
    };
    for (const Case& c : cases) {
        char* got = look_find_shipped(c.name, bin.c_str());
        if (c.path)
            EXPECT_STREQ(got, c.path) << c.name;
        else
            EXPECT_EQ(got, nullptr) << c.name << " gave " << got;
        free(got);
    }
    ASSERT_EQ(system(("rm -rf " + base).c_str()), 0);
}

}  // namespace
