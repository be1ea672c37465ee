#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/main_loop.h"
#include "input/input.h"
#include "input/task.h"
#include "tests/input/input_rig.h"

namespace {

std::vector<std::string> trace;

void pump(void*) {
    trace.push_back("task");
    task_post(pump, nullptr);
}

class MainLoop : public ::testing::Test {
protected:
    void SetUp() override {
        input_reset(&window, 4, 4);
        trace.clear();
        input_state.idle_sleep_ms = 0;  // keep the test from sleeping
    }
    void TearDown() override { input_release(); }
    Window window{};
};

}  // namespace

TEST_F(MainLoop, EachPassRunsOneTaskThenDispatchesUntilTheWindowCloses) {
    task_post(pump, nullptr);
    null_window.dispatch_results = {1, 0, 3};
    null_window.on_dispatch = [](Window* w, size_t call) {
        trace.push_back("dispatch");
        if (call == 1) input_request_present();
        if (call == 2) w->closed = 1;  // the window went away during this dispatch
    };
    main_loop(nullptr);
    // The last pass still runs its task before it sees the closed window.
    EXPECT_EQ(trace, (std::vector<std::string>{"task", "dispatch", "task", "dispatch", "task",
                                               "dispatch", "task"}));
    EXPECT_EQ(null_window.presents.size(), 1u);
}

TEST_F(MainLoop, ADisplayFailureEndsTheLoop) {
    null_window.dispatch_results = {0, 0, -1, 1};
    main_loop(nullptr);
    EXPECT_EQ(null_window.dispatch_calls, 3u);
}

TEST_F(MainLoop, NoWindowMeansNoPass) {
    input_state.window = nullptr;
    task_post(pump, nullptr);
    main_loop(nullptr);
    EXPECT_EQ(null_window.dispatch_calls, 0u);
    EXPECT_EQ(trace, (std::vector<std::string>{"task"}));
}

// The idle sleep watches the display connection: silence lets the next dispatch skip
// the server, anything readable does not.
TEST_F(MainLoop, TheIdleSleepTellsTheWindowWhetherTheDisplayStayedQuiet) {
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    null_window.connection_fd = pipe_fds[0];
    input_state.idle_sleep_ms = 1;
    static std::vector<int> seen;
    static int writer;
    seen.clear();
    writer = pipe_fds[1];
    null_window.on_dispatch = [](Window* w, size_t call) {
        seen.push_back(w->display_quiet);
        if (call == 1) {  // the server sends something
            ASSERT_EQ(write(writer, "x", 1), 1);
        }
        if (call == 3) w->closed = 1;
    };
    main_loop(nullptr);
    // Pass 0 follows no sleep; pass 1 a silent one; pass 2 a sleep that saw data; pass 3
    // again a readable one, as nothing drained the pipe.
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 0, 0}));
    close(pipe_fds[0]);
    close(pipe_fds[1]);
}

void close_in_second_pass() {
    null_window.dispatch_results = {1, 1, 1};
    null_window.on_dispatch = [](Window* w, size_t call) {
        fprintf(stderr, "pass %zu\n", call);
        if (call == 1) input_on_close(w, nullptr);
    };
    main_loop(nullptr);
    fprintf(stderr, "returned\n");
}

using MainLoopDeathTest = MainLoop;

TEST_F(MainLoopDeathTest, ACloseRequestExitsInThePassItArrived) {
    EXPECT_EXIT(close_in_second_pass(), ::testing::ExitedWithCode(0), "^pass 0\npass 1\n$");
}

namespace {

// A descriptor source over a pipe: records what each pass was told and drains the
// pipe when told it is ready.
struct PipeSource {
    int fds[2];
    std::vector<bool> told;
};

int pipe_watch(void* user, bool* want_write) {
    *want_write = false;
    return static_cast<PipeSource*>(user)->fds[0];
}

bool pipe_run(void* user, bool ready) {
    auto* s = static_cast<PipeSource*>(user);
    s->told.push_back(ready);
    char byte;
    if (ready) {
        EXPECT_EQ(read(s->fds[0], &byte, 1), 1);
    }
    return false;
}

}  // namespace

TEST_F(MainLoop, ASourceRunsEveryPassAndHearsWhenItsDescriptorWasReady) {
    PipeSource source{};
    ASSERT_EQ(pipe(source.fds), 0);
    const LoopSource loop_source{pipe_watch, pipe_run, &source};
    ASSERT_EQ(write(source.fds[1], "x", 1), 1);  // ready from the first wait on
    null_window.dispatch_results = {0, 0, 0, 0};
    null_window.on_dispatch = [](Window* w, size_t call) {
        if (call == 2) w->closed = 1;
    };
    main_loop(nullptr, &loop_source);
    // The wait after the first pass finds the byte; the second pass drains it.
    EXPECT_EQ(source.told, (std::vector<bool>{false, true, false}));
    close(source.fds[0]);
    close(source.fds[1]);
}
