// The write half of the sound output, installed as the track's output hook.
//
//   sontera_add_data_to_outbuf(player, samples, bytes)
//       `samples` are interleaved floats in the current track's format. Feeds the
//       analysis tap (when player->analysis_enabled), applies the volume step times the
//       track's ReplayGain factor (player->track_gain; 0 = none) in place,
//       then hands the chunk to sontera_write_float for rate and format conversion and
//       the ring of player->output. Does nothing without a track, an output or a sink.
#pragma once
#include <cstdint>

struct Player;

void sontera_add_data_to_outbuf(Player* player, float* samples, uint32_t bytes);
