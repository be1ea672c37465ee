#include <gtest/gtest.h>

#include <cstring>

#include "foundation/log.h"
#include "foundation/memory.h"

namespace {

std::string captured_line(const LogRecord& r) {
    testing::internal::CaptureStderr();
    log_write(r);
    return testing::internal::GetCapturedStderr();
}

TEST(LogWrite, EachLevelHasItsOwnLineShape) {
    struct Case {
        int32_t level;
        const char* expected_suffix;
    } cases[] = {
        {0, "] INFO: msg: why\n"},
        {1, "] FATAL ERROR: msg: why\n"},
        {2, "] WARNING: msg: why\n"},
        {7, "] BUG: unknown error level: 7\n"},
        {-1, "] BUG: unknown error level: -1\n"},
    };
    for (const Case& c : cases) {
        std::string line = captured_line({c.level, "msg", "why"});
        ASSERT_EQ(line[0], '[') << c.level;
        size_t close = line.find(']');
        ASSERT_NE(close, std::string::npos);
        // The prefix is the current time in whole seconds.
        long stamp = std::stol(line.substr(1, close - 1));
        EXPECT_NEAR(stamp, static_cast<long>(time(nullptr)), 2);
        EXPECT_EQ(line.substr(close), c.expected_suffix) << c.level;
    }
}

TEST(FatalError, ExitsWithOneWhateverTheLevel) {
    EXPECT_EXIT(fatal_error({1, "error opening file", "file does not exist"}),
                testing::ExitedWithCode(1), "FATAL ERROR: error opening file: file does not exist");
    EXPECT_EXIT(fatal_error({0, "a", "b"}), testing::ExitedWithCode(1), "INFO: a: b");
}

int g_hook_status = -100;
bool g_released = false;
void record_hook(int status) {
    g_hook_status = status;
    fprintf(stderr, "hook %d released %d\n", status, g_released ? 1 : 0);
}
void record_release() {
    g_released = true;
    fprintf(stderr, "released\n");
}

TEST(AppExit, HookAlwaysRunsButCleanUpOnlyOnZero) {
    app_exit_handlers = {.run_exit_hook = record_hook, .release_input = record_release};
    EXPECT_EXIT(app_exit(1), testing::ExitedWithCode(1), "^hook 1 released 0\n$");
    EXPECT_EXIT(app_exit(0), testing::ExitedWithCode(0), "^hook 0 released 0\nreleased\n$");
    app_exit_handlers = {.run_exit_hook = nullptr, .release_input = nullptr};
    EXPECT_EXIT(app_exit(0), testing::ExitedWithCode(0), "^$");
}

TEST(Memory, ZeroSizesStillGiveAFreeableZeroedBlock) {
    for (auto [count, size] : {std::pair<size_t, size_t>{0, 16}, {16, 0}, {0, 0}}) {
        auto* p = static_cast<unsigned char*>(dru_alloc_memory(count, size));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p[0], 0);
        dru_free(p);
    }
    auto* big = static_cast<unsigned char*>(dru_alloc_memory(1000, 8));
    for (int i = 0; i < 8000; i++) ASSERT_EQ(big[i], 0);
    dru_free(big);
    dru_free(nullptr);
}

TEST(Memory, ReallocToZeroKeepsABlock) {
    char* p = static_cast<char*>(dru_alloc_memory(1, 8));
    strcpy(p, "abcdefg");
    p = static_cast<char*>(dru_realloc_memory(p, 0));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 'a');
    dru_free(p);
}

TEST(Memory, ImpossibleSizesAreFatal) {
    EXPECT_EXIT(dru_alloc_memory(SIZE_MAX / 2, 4), testing::ExitedWithCode(1),
                "FATAL ERROR: allocate memory failed: at dru_alloc_memory\\(\\)");
    EXPECT_EXIT(dru_realloc_memory(nullptr, SIZE_MAX - 8), testing::ExitedWithCode(1),
                "FATAL ERROR: reallocate memory failed: at dru_realloc_memory\\(\\)");
}

}  // namespace
