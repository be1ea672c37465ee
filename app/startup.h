// Start-up: turns the parsed options into a running player and enters the main
// loop. Returns only when the window went away without a quit command.
//
//   player_start(player, options, scale_given, file, scale_from_display)
//       file: the first positional argument or null (then the playlist file is read).
//       scale_from_display: without the scale option, take the UI scale from the
//       display's DPI (Wayland) instead of 1.
//   startup_default_scale(dpi)   (int)dpi / 96.0, unclamped.
//   startup_window_flags(ui_flags) fenra flags for the window element's flags.
//   startup_register_controls(player) every key binding, the resize hook and every
//       mouse region, in their fixed order.
#pragma once

#include <cstdint>

#include "app/options.h"

struct Player;

int player_start(Player* player, const OptionTable options, bool scale_given, const char* file,
                 bool scale_from_display);
[[nodiscard]] double startup_default_scale(float dpi);
[[nodiscard]] uint32_t startup_window_flags(uint32_t ui_flags);
void startup_register_controls(Player* player);
