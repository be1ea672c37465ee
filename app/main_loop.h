// The main loop: one deferred task, the display events available now, the end of
// the pass, and a 5 ms select sleep when the pass handled nothing. The sleep watches
// the display connection (fenra_connection_fd): it ends early when the server sends
// something, and when nothing came it sets the window's display_quiet so the next
// dispatch costs no system call. Returns when the
// window is gone (closed or the display connection failed); a close request ends
// the process earlier through app_exit(0).
#pragma once

struct Player;

void main_loop(Player* player);
