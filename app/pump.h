// The audio pump: the deferred task that keeps the sound device fed.
//
//   audio_pump(player)
//       One run: drains the ring into the device; when more than 40 ms of ring space
//       is free and player->playing is set, decodes 1024-frame chunks of the track
//       through sontera_add_data_to_outbuf until about 15 ms of track time has been
//       decoded or the track ends; publishes position_ms; calls player->redraw when
//       the position crosses a multiple of 500 ms (of frametime_ms while the
//       analysis is enabled); at the end of the track restarts it in single mode or
//       calls player->next_track with player->track_ended set; and posts itself
//       again with task_post. The frames each drain hands to the device go to
//       track_join_progress; while a joined track waits for its first frame to reach
//       the device, position_ms and the redraw rhythm stand still.
//       Start-up calls it once directly; from then on it runs as a task.
//   audio_pump_task(user)  the same with the Player as untyped task user data.
//
// Statistics for the debug text: dsp_us is the time of the latest decode pass;
// gfx_us the time of the latest redraw; frame_interval_us the smoothed wall-clock
// interval between redraw ticks (0.9 old + 0.1 new).
#pragma once

struct Player;

void audio_pump(Player* player);
void audio_pump_task(void* user);
