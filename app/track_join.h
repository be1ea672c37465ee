// Gapless play: at the end of a track the next one of the same format goes on in the
// open sink, its first frame right behind the last frame of the one before.
//
//   track_join_begin(player) -> bool
//       Called by the track load once player->track is the newly opened track. True
//       when the track joins: player->gapless is set, the pump is moving on at the end
//       of a track (player->track_ended), a sink is open and the track's rate and
//       channel count are the ones the sink was opened for. The sink then stays as it
//       is (no drain, no reopen), the rate converter goes on from the last frame of
//       the track before, and the frames still in the ring are counted as that
//       track's. False otherwise, and any join still pending is forgotten: the
//       caller opens a new sink.
//   track_join_progress(player, written)
//       The drain has just handed `written` frames to the device. Once the first
//       frame of a joined track is among them, the track becomes the one shown:
//       position 0, the current entry's duration, player->track_shown (start-up
//       sets it to player_title_current: the window title), then player->redraw.
//       Until then the pump leaves the position where the track before ended.
#pragma once
#include <cstdint>

struct Player;

bool track_join_begin(Player* player);
void track_join_progress(Player* player, uint32_t written);
