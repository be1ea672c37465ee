#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/files.h"
#include "foundation/folder_walk.h"
#include "foundation/memory.h"
#include "tests/lib/temp_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(ReadWholeFile, ContentIsFollowedByZeros) {
    TempDir dir;
    for (const std::string& content :
         {std::string(), std::string("hello"), std::string(5000, 'x')}) {
        std::string p = dir.file("f.bin", content);
        uint64_t size = 12345;
        unsigned char* buf = read_whole_file(p.c_str(), &size);
        EXPECT_EQ(size, content.size());
        EXPECT_EQ(0, memcmp(buf, content.data(), content.size()));
        for (size_t i = 0; i < FILE_ZERO_PADDING; i++) ASSERT_EQ(buf[content.size() + i], 0) << i;
        dru_free(buf);
    }
    // The size pointer is optional.
    std::string p = dir.file("g.bin", "abc");
    unsigned char* buf = read_whole_file(p.c_str(), nullptr);
    EXPECT_STREQ(reinterpret_cast<char*>(buf), "abc");
    dru_free(buf);
}

TEST(ReadWholeFile, FailuresAreFatalWithTheirReason) {
    TempDir dir;
    EXPECT_EXIT((void)read_whole_file((dir.path / "missing").c_str(), nullptr),
                testing::ExitedWithCode(1), "FATAL ERROR: error opening file: file does not exist");
    EXPECT_EXIT((void)read_whole_file(dir.path.c_str(), nullptr), testing::ExitedWithCode(1),
                "FATAL ERROR: cannot get file size: not a regular file");
}

TEST(ReadWholeFile, SizeLimitIsInclusive) {
    TempDir dir;
    std::string p = (dir.path / "sparse").string();
    // Sparse files cost no disk; reading the accepted one would need 1.75 GB of
    // memory, so only the rejection is exercised for real.
    { std::ofstream(p) << ""; }
    ASSERT_EQ(truncate(p.c_str(), FILE_SIZE_LIMIT + 1), 0);
    EXPECT_EXIT((void)read_whole_file(p.c_str(), nullptr), testing::ExitedWithCode(1),
                "FATAL ERROR: error opening file: file too large");
    FILE* f = fopen(p.c_str(), "rb");
    EXPECT_EQ(file_size(f), FILE_SIZE_LIMIT + 1);
    fclose(f);
}

TEST(FileExists, OnlyReadableFilesCount) {
    TempDir dir;
    EXPECT_TRUE(file_exists(dir.file("a", "x").c_str()));
    EXPECT_FALSE(file_exists((dir.path / "nope").c_str()));
}

// The portable marker is looked up beside the running executable, so these run a
// copy of this test program from a scratch directory.
class ConfigDir : public testing::Test {
protected:
    TempDir dir;
    std::string saved_home = getenv("HOME") ? getenv("HOME") : "";
    void TearDown() override { setenv("HOME", saved_home.c_str(), 1); }
};

TEST_F(ConfigDir, HomeConfigIsCreated) {
    fs::create_directory(dir.path / ".config");
    setenv("HOME", dir.path.c_str(), 1);
    char* got = config_dir_get();
    EXPECT_EQ(std::string(got), (dir.path / ".config/qulmo").string());
    EXPECT_TRUE(fs::is_directory(got));
    struct stat st;
    ASSERT_EQ(stat(got, &st), 0);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0755u & ~mask);
    dru_free(got);
}

TEST_F(ConfigDir, MissingParentIsNotAnError) {
    setenv("HOME", (dir.path / "nohome").c_str(), 1);
    char* got = config_dir_get();
    EXPECT_EQ(std::string(got), (dir.path / "nohome/.config/qulmo").string());
    EXPECT_FALSE(fs::exists(got));
    dru_free(got);
}

TEST_F(ConfigDir, NoHomeAndNoMarkerIsFatal) {
    unsetenv("HOME");
    EXPECT_EXIT((void)config_dir_get(), testing::ExitedWithCode(1),
                "FATAL ERROR: cannot get config path: program or home path not found");
}

TEST_F(ConfigDir, MarkerBesideTheExecutableWinsEvenWithoutHome) {
    fs::path self = fs::read_symlink("/proc/self/exe");
    fs::path copy = dir.path / "bin" / "qulmo-copy";
    fs::create_directories(copy.parent_path());
    fs::copy_file(self, copy);
    dir.file("bin/morsa_portable_mode.txt", "");
    std::string cmd =
        "env -u HOME " + copy.string() + " --gtest_filter=ConfigDirChild.PrintsResult 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char line[512];
    while (fgets(line, sizeof line, p)) out += line;
    EXPECT_EQ(pclose(p), 0) << out;
    EXPECT_NE(out.find("config=" + copy.parent_path().string() + "\n"), std::string::npos) << out;
}

// Helper run by the test above inside the copied executable.
TEST(ConfigDirChild, PrintsResult) {
    if (!getenv("HOME")) {
        char* got = config_dir_get();
        printf("config=%s\n", got);
        dru_free(got);
    }
}

}  // namespace

// A music collection with the traps real ones hold: files and folders in mixed order,
// hidden ones, a link back to the top, a link into a sibling, a dangling link, a
// file of another kind and a folder nested past the depth limit.
TEST(FolderWalk, FilesBeforeSubFoldersInNameOrderSkippingHiddenAndLoops) {
    TempDir dir;
    const fs::path top = dir.path / "Music";
    for (const char* d : {"B", "a", "B/Disc 2", "B/Disc 1", ".cache", "a/.hidden", "deep"})
        fs::create_directories(top / d);
    for (const char* f :
         {"z.mp3", "B/02.mp3", "B/01.mp3", "B/Disc 2/x.mp3", "B/Disc 1/x.mp3", "a/y.mp3",
          ".cache/c.mp3", "a/.hidden/h.mp3", "a/.dot.mp3", "a/cover.jpg", "Z.mp3"})
        dir.file("Music/" + std::string(f), "x");
    fs::create_directory_symlink("..", top / "a" / "up");           // back to the top: a loop
    fs::create_directory_symlink("../B/Disc 1", top / "a" / "d1");  // a sibling: no loop
    fs::create_symlink("nowhere.mp3", top / "a" / "gone.mp3");
    fs::path deep = top / "deep";
    for (int i = 0; i < FOLDER_WALK_DEPTH + 2; i++) fs::create_directory(deep /= "d");
    std::ofstream(deep / "too deep.mp3") << "x";

    std::vector<std::string> seen;
    auto add = [](const char* path, void* out) {
        static_cast<std::vector<std::string>*>(out)->emplace_back(path);
    };
    auto mp3 = [](const char* name, void*) { return std::string(name).ends_with(".mp3"); };
    FolderWalk walk = {.keep = mp3, .found = add, .user = &seen};
    ASSERT_TRUE(folder_walk((top.string() + "/").c_str(), walk));
    const std::string t = top.string() + "/";
    std::vector<std::string> want = {t + "Z.mp3",    t + "z.mp3",          t + "B/01.mp3",
                                     t + "B/02.mp3", t + "B/Disc 1/x.mp3", t + "B/Disc 2/x.mp3",
                                     t + "a/y.mp3",  t + "a/d1/x.mp3"};
    EXPECT_EQ(seen, want);
    EXPECT_FALSE(folder_walk((top / "z.mp3").c_str(), walk));
    EXPECT_FALSE(folder_walk((top / "missing").c_str(), walk));
}
