// The main loop: one deferred task, the display events available now, the end of
// the pass, and a 5 ms select sleep when the pass handled nothing. The sleep watches
// the display connection (fenra_connection_fd): it ends early when the server sends
// something, and when nothing came it sets the window's display_quiet so the next
// dispatch costs no system call. Returns when the
// window is gone (closed or the display connection failed); a close request ends
// the process earlier through app_exit(0).
//
// An optional LoopSource adds one descriptor to the pass (the session bus):
//   watch(user, &want_write)  before each wait: the descriptor (-1 for none), and
//                             whether to wait for room to write as well as for input.
//   run(user, ready)          every pass, after the window's events and before the end
//                             of the pass; ready tells whether the last wait found the
//                             descriptor ready. True when it did or left work: that
//                             pass then does not sleep.
// The idle sleep becomes a wait on that descriptor with the same timeout; a pass that
// does not sleep checks it without waiting.
#pragma once

struct Player;

struct LoopSource {
    int (*watch)(void* user, bool* want_write);
    bool (*run)(void* user, bool ready);
    void* user;
};

void main_loop(Player* player, const LoopSource* source = nullptr);
