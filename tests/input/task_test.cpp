#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/log.h"
#include "input/input.h"
#include "input/task.h"
#include "input_rig.h"

namespace {

std::vector<std::string> ran;

void task_named(void* user) { ran.push_back(static_cast<const char*>(user)); }

void task_reposting(void* user) {
    ran.push_back("self");
    task_post(task_reposting, user);
}

void task_posting_b(void*) {
    ran.push_back("A");
    task_post(task_named, const_cast<char*>("B"));
}

class Tasks : public ::testing::Test {
protected:
    void SetUp() override {
        input_reset(&window, 10, 4);
        ran.clear();
    }
    void TearDown() override { input_release(); }
    Window window{};
};

}  // namespace

TEST_F(Tasks, RunFirstInFirstOutOnePerCall) {
    task_post(task_named, const_cast<char*>("A"));
    task_post(task_named, const_cast<char*>("B"));
    EXPECT_EQ(list_count(input_state.tasks), 2);
    task_run_one();
    EXPECT_EQ(ran, (std::vector<std::string>{"A"}));
    task_run_one();
    EXPECT_EQ(ran, (std::vector<std::string>{"A", "B"}));
    task_run_one();  // empty queue
    EXPECT_EQ(ran.size(), 2u);
    EXPECT_EQ(list_count(input_state.tasks), 0);
}

TEST_F(Tasks, TasksPostedWhileRunningWaitForTheNextCall) {
    task_post(task_posting_b, nullptr);
    task_run_one();
    EXPECT_EQ(ran, (std::vector<std::string>{"A"}));
    task_run_one();
    EXPECT_EQ(ran, (std::vector<std::string>{"A", "B"}));

    ran.clear();
    task_post(task_reposting, nullptr);
    const ListNode* first = list_head(input_state.tasks);
    for (int i = 0; i < 3; i++) task_run_one();
    EXPECT_EQ(ran.size(), 3u);
    EXPECT_EQ(list_count(input_state.tasks), 1);
    // The re-post travels in the node of the run that posted it.
    EXPECT_EQ(list_head(input_state.tasks), first);
}

TEST_F(Tasks, PresentRequestsCoverTheFramebufferAndShowOncePerPass) {
    input_end_pass();
    EXPECT_TRUE(null_window.presents.empty());  // nothing changed, nothing shown

    input_request_present();
    EXPECT_EQ(input_state.present_pending, 1);
    EXPECT_EQ(input_state.damage.w, 10);
    EXPECT_EQ(input_state.damage.h, 4);
    input_request_present();
    input_end_pass();
    ASSERT_EQ(null_window.presents.size(), 1u);
    EXPECT_EQ(null_window.presents[0].image, input_state.framebuffer);
    EXPECT_EQ(null_window.presents[0].w, 10);
    EXPECT_EQ(input_state.present_pending, 0);

    // A renderer-grown damage rectangle is shown as it is, then reset.
    input_state.damage = {2, 1, 3, 2};
    input_state.present_pending = 1;
    input_end_pass();
    ASSERT_EQ(null_window.presents.size(), 2u);
    const PresentCall& p = null_window.presents[1];
    EXPECT_EQ((std::vector<int>{p.x, p.y, p.w, p.h}), (std::vector<int>{2, 1, 3, 2}));
    EXPECT_EQ(input_state.damage.x, 0);
    EXPECT_EQ(input_state.damage.w, 0);

    // Zero damage means the whole framebuffer.
    input_state.present_pending = 1;
    input_end_pass();
    ASSERT_EQ(null_window.presents.size(), 3u);
    EXPECT_EQ(null_window.presents[2].w, 10);
    EXPECT_EQ(null_window.presents[2].h, 4);
}

TEST_F(Tasks, RedrawRequestRunsTheHookAndPresents) {
    static int redraws;
    redraws = 0;
    input_on_expose(nullptr, nullptr);
    input_end_pass();  // no hook yet: still presents
    EXPECT_EQ(null_window.presents.size(), 1u);
    input_set_redraw_hook([](void*) { redraws++; }, nullptr);
    input_on_expose(nullptr, nullptr);
    input_end_pass();
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(null_window.presents.size(), 2u);
    EXPECT_EQ(input_state.pending, 0u);
}

TEST_F(Tasks, EndOfPassClearsThePerPassFlags) {
    input_state.wheel_done = 1;
    input_state.motion_done = 1;
    input_state.pending = PENDING_MOTION;
    input_state.pending_x = 4;
    input_state.pending_y = 2;
    input_end_pass();  // motion_done was set: no hover this pass
    EXPECT_EQ(input_state.hover_x, 0);
    EXPECT_EQ(input_state.wheel_done, 0);
    EXPECT_EQ(input_state.motion_done, 0);
    EXPECT_EQ(input_state.pending_x, 0);
}

using TasksDeathTest = Tasks;

TEST_F(TasksDeathTest, RedrawThenCloseExitsZeroWithoutPresenting) {
    EXPECT_EXIT(
        {
            input_set_redraw_hook([](void*) { fprintf(stderr, "redraw-ran\n"); }, nullptr);
            input_set_exit_hook(
                [](int32_t status, void*) { fprintf(stderr, "exit-hook %d\n", status); }, nullptr);
            null_window.present_exits = true;  // a present would end with status 3
            input_on_expose(nullptr, nullptr);
            input_on_close(nullptr, nullptr);
            input_end_pass();
            fprintf(stderr, "survived\n");
        },
        ::testing::ExitedWithCode(0), "^redraw-ran\nexit-hook 0\n$");
}

TEST_F(TasksDeathTest, ExitWithStatusZeroReleasesTheInputLayer) {
    EXPECT_EXIT(
        {
            static bool released;
            released = false;
            task_post(task_named, nullptr);
            app_exit_handlers.release_input = [] {
                input_release();
                released = input_state.tasks == nullptr && input_state.framebuffer == nullptr;
                fprintf(stderr, released ? "released\n" : "kept\n");
            };
            app_exit(0);
        },
        ::testing::ExitedWithCode(0), "^released\n$");
}
