// The main loop: one deferred task, the display events available now, the end of
// the pass, and a 5 ms select sleep when the pass handled nothing. Returns when the
// window is gone (closed or the display connection failed); a close request ends
// the process earlier through app_exit(0).
#pragma once

struct Player;

void main_loop(Player* player);
