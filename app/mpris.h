// Desktop media controls: the player on the session bus as an MPRIS2 media player, so
// that media keys, playerctl and the desktop's player widgets drive it. Every method
// runs the command the matching key runs, so messages and redraws are the same.
//
//   mpris_open(player)     connects to the session bus (sd-bus), publishes
//                          org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player at
//                          /org/mpris/MediaPlayer2, owns org.mpris.MediaPlayer2.qulmo
//                          (org.mpris.MediaPlayer2.qulmo.instance<PID> when that is taken)
//                          and sets player->track_loaded. Call after input_start and
//                          before the first track load. Without a session bus: one
//                          "WARNING: " log line and null; the player runs without it.
//   mpris_loop_source(m)   how the main loop serves the bus (see LoopSource): the bus
//                          descriptor joins the idle wait; a pass reads the bus only when
//                          that found it ready, sd-bus has output or a timeout due, or
//                          the previous pass left work: at most MPRIS_PASS_MESSAGES
//                          messages and at most one command per pass. Every pass then
//                          sends PropertiesChanged for what changed since the previous
//                          one (track, pause, play mode, volume) and Seeked after a jump
//                          of the position. A bus that hangs up is dropped with one
//                          warning line.
//   mpris_close(m)         removes the cover written for the desktop, drops the name and
//                          the connection, frees m; null accepted.
//   mpris_exit_hook(status, m)  mpris_close as the input layer's exit hook.
#pragma once
#include <cstdint>

#include "app/main_loop.h"

struct Player;
struct Mpris;

constexpr int MPRIS_PASS_MESSAGES = 16;

[[nodiscard]] Mpris* mpris_open(Player* player);
[[nodiscard]] LoopSource mpris_loop_source(Mpris* mpris);
void mpris_close(Mpris* mpris);
void mpris_exit_hook(int32_t status, void* mpris);
