// Deferred tasks, present requests and the end of a loop pass.
//
//   task_post(callback, user)  appends a task; dropped before input_start.
//   task_run_one()             runs the head task (at most one per call); a task
//                              posted meanwhile runs in a later call. The node and
//                              record of the task run are kept (InputState::spare_task)
//                              and serve the next task_post, so a task that posts
//                              itself every pass allocates nothing.
//   input_request_present()    the whole framebuffer is shown at the end of the pass.
//   input_present()            fenra_present of the damage rectangle (the whole
//                              framebuffer when it is 0 x 0); resets the damage.
//   input_end_pass()           redraw hook, close request (app_exit(0)), one
//                              coalesced hover pass, at most one present.
//
// A drawing caller may also widen input_state.damage itself and set present_pending.
#pragma once

using TaskCallback = void (*)(void* user);

struct Task {
    TaskCallback callback;
    void* user;
};

void task_post(TaskCallback callback, void* user);
void task_run_one();
void input_request_present();
void input_present();
void input_end_pass();
