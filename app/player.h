// Player: the application state record (defined with the renderer, the lowest layer
// that reads it) and the play modes.
#pragma once
#include "ui/player_state.h"
