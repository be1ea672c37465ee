// User commands: what the key bindings and mouse regions call. Each takes the Player
// as its user data; the region forms also receive the event kind and ignore it.
//
//   cmd_toggle_pause        playing ^= 1, redraw.
//   cmd_seek_back/forward   10 s back or ahead; playing unchanged.
//   cmd_restart             to the start of the track.
//   cmd_seek_click          to the pointer's position across the "regionseek" element.
//   cmd_previous_or_restart previous track within the first 5000 ms, else restart.
//   cmd_volume_down/up      one step, clamped to 0..20, redraw, "volume set to %d (%g)".
//   cmd_set_volume(p, step) the same for any step (clamped to 0..20).
//   cmd_seek_by_ms(p, d)    d ms from the played position, as the seek keys do (before
//                           the start: the start; past the end: no move).
//   cmd_seek_to_ms(p, ms)   to ms from the start (past the end: no move).
//                           Every seek that moved bumps player->seek_serial.
//   cmd_track_pointer       copies the input layer's pointer position into the Player.
//   cmd_nothing             absorbs an event.
//   cmd_quit                releases everything (draining the sound device), closes the
//                           window and exits with status 0.
//   on_resize               resize hook: rebuilds the renderer's images, redraws.
//
//   seek_click_target_ms(total_frames, rate, pointer_x, x, width)
//                           the position a seek click at pointer_x asks for.
#pragma once
#include <cstdint>

struct Player;

void cmd_toggle_pause(Player* player);
void cmd_seek_back(Player* player);
void cmd_seek_forward(Player* player);
void cmd_restart(Player* player);
void cmd_seek_click(Player* player);
void cmd_previous_or_restart(Player* player);
void cmd_volume_down(Player* player);
void cmd_volume_up(Player* player);
void cmd_set_volume(Player* player, int32_t step);
void cmd_seek_by_ms(Player* player, int64_t delta_ms);
void cmd_seek_to_ms(Player* player, int64_t ms);
void cmd_track_pointer(Player* player);
void cmd_nothing(Player* player);
[[noreturn]] void cmd_quit(Player* player);
void on_resize(int32_t width, int32_t height, void* player);

[[nodiscard]] int32_t seek_click_target_ms(uint64_t total_frames, uint32_t rate, int32_t pointer_x,
                                           int32_t x, int32_t width);
