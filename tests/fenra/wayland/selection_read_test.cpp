#include "fenra/wayland/selection_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "foundation/memory.h"

namespace {

char* text_of(const char* s) {
    char* t = static_cast<char*>(dru_alloc_memory(strlen(s) + 1, 1));
    memcpy(t, s, strlen(s));
    return t;
}

bool fd_is_open(int fd) { return fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

TEST(SelectionRead, KeepsTheFirst4090BytesOfOneRead) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string sent(10000, 0);
    for (size_t i = 0; i < sent.size(); i++) sent[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(write(fds[1], sent.data(), sent.size()), 10000);
    close(fds[1]);
    char* text = text_of("old");
    EXPECT_TRUE(selection_read_text(fds[0], &text));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(strlen(text), 4090u);
    EXPECT_EQ(std::string(text, 4090), sent.substr(0, 4090));
    for (int i = 4090; i < SELECTION_BUFFER_SIZE; i++) EXPECT_EQ(text[i], 0) << i;
    EXPECT_FALSE(fd_is_open(fds[0]));
    dru_free(text);
}

TEST(SelectionRead, ShortTextReplacesTheOldOne) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "file:///a.mp3", 13), 13);
    char* text = text_of("previous selection");
    EXPECT_TRUE(selection_read_text(fds[0], &text));  // data present, writer still open
    EXPECT_STREQ(text, "file:///a.mp3");
    close(fds[1]);
    dru_free(text);
}

TEST(SelectionRead, NothingInTimeKeepsTheOldText) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);  // the writer stays open and silent
    char* text = text_of("old");
    char* before = text;
    EXPECT_FALSE(selection_read_text(fds[0], &text));
    EXPECT_EQ(text, before);
    EXPECT_STREQ(text, "old");
    EXPECT_FALSE(fd_is_open(fds[0]));
    close(fds[1]);
    // Also when there was no text yet.
    ASSERT_EQ(pipe(fds), 0);
    char* none = nullptr;
    EXPECT_FALSE(selection_read_text(fds[0], &none));
    EXPECT_EQ(none, nullptr);
    close(fds[1]);
    dru_free(text);
}

TEST(SelectionRead, ReadErrorKeepsTheOldText) {
    int fd = open("/", O_RDONLY | O_DIRECTORY);  // readable to select, EISDIR to read
    ASSERT_GE(fd, 0);
    char* text = text_of("old");
    EXPECT_FALSE(selection_read_text(fd, &text));
    EXPECT_STREQ(text, "old");
    EXPECT_FALSE(fd_is_open(fd));
    EXPECT_FALSE(selection_read_text(-1, &text));
    EXPECT_STREQ(text, "old");
    dru_free(text);
}

TEST(SelectionRead, AnEmptySelectionIsKeptAsEmptyText) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[1]);  // end of file at once
    char* text = text_of("old");
    EXPECT_TRUE(selection_read_text(fds[0], &text));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    dru_free(text);
}

TEST(SelectionRead, WaitReportsReadableAndWritable) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    EXPECT_EQ(fenra_wait_fd(fds[0]), 0);  // empty pipe: timeout
    EXPECT_EQ(fenra_wait_fd(fds[1]), 2);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    EXPECT_EQ(fenra_wait_fd(fds[0]), 1);
    EXPECT_EQ(fenra_wait_fd(-1), 0);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
