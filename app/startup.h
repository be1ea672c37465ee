// Start-up: turns the parsed options into a running player and enters the main
// loop. Returns only when the window went away without a quit command.
#pragma once

#include "app/options.h"

struct Player;

int player_start(Player* player, const OptionTable options, bool scale_given, const char* file);
