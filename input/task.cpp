#include "input/task.h"

#include "fenra/fenra.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "input/input.h"

void task_post(TaskCallback callback, void* user) {
    if (!input_state.tasks) return;
    // The pump posts itself on every pass: the node and record of the task that
    // just ran serve again instead of two allocations per pass.
    ListNode* node = input_state.spare_task;
    input_state.spare_task = nullptr;
    if (!node) node = list_node_create(dru_alloc_array<Task>(1), LIST_KIND_TASK);
    *static_cast<Task*>(node->payload) = {.callback = callback, .user = user};
    list_append(input_state.tasks, node);
}

void task_run_one() {
    ListNode* node = list_head(input_state.tasks);
    if (!node) return;
    Task* task = static_cast<Task*>(node->payload);
    list_unlink(node);
    if (!task) {
        if (node->kind != LIST_KIND_BORROWED) dru_free(node);
        return;
    }
    Task run = *task;
    // Only nodes this queue made are kept; a borrowed node belongs to someone else.
    if (node->kind == LIST_KIND_TASK && !input_state.spare_task) {
        input_state.spare_task = node;
    } else {
        if (node->kind != LIST_KIND_BORROWED) dru_free(node);
        dru_free(task);
    }
    if (run.callback) run.callback(run.user);
}

void input_request_present() {
    const Image* fb = input_state.framebuffer;
    if (!fb) return;
    input_state.present_pending = 1;
    input_state.damage = {0, 0, fb->width, fb->height};
}

void input_present() {
    Rect r = input_state.damage;
    const Image* fb = input_state.framebuffer;
    if (fb && input_state.window) {
        if (r.w == 0 && r.h == 0) r = {0, 0, fb->width, fb->height};
        fenra_present(input_state.window, fb, r.x, r.y, r.w, r.h);
    }
    input_state.damage = {0, 0, 0, 0};
}

void input_end_pass() {
    uint32_t f = input_state.pending;
    if (f & PENDING_REDRAW) {
        auto* h = input_state.redraw_hook;
        if (h && h->fn) h->fn(h->user);
        input_request_present();
        f = input_state.pending;
    }
    if (f & PENDING_CLOSE) app_exit(0);
    if ((f & PENDING_MOTION) && !input_state.motion_done) {
        input_hover(input_state.pending_x, input_state.pending_y);
        input_state.motion_done = 1;
    }
    uint8_t present = input_state.present_pending;
    input_state.pending = 0;
    input_state.pending_x = 0;
    input_state.pending_y = 0;
    if (present) input_present();
    input_state.present_pending = 0;
    input_state.motion_done = 0;
    input_state.wheel_done = 0;
}
