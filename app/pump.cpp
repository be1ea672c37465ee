#include "app/pump.h"

#include "app/output_write.h"
#include "app/track_join.h"
#include "decoders/track.h"
#include "foundation/clock.h"
#include "input/task.h"
#include "sontera/sontera.h"
#include "ui/player_state.h"

namespace {

constexpr uint32_t PUMP_ROOM_MS = 40;  // refill once this much ring time is free
constexpr uint32_t PUMP_DECODE_BUDGET_MS =
    15;  // track time decoded per run at most (plus one chunk)
constexpr uint32_t PUMP_SLOW_TICK_MS = 500;

uint32_t frames_to_ms(int64_t frames, uint32_t rate) {
    return static_cast<uint32_t>(static_cast<long>(static_cast<double>(frames) * 1000.0 / rate));
}

// Decodes chunks into the sink; returns true when the track has ended.
bool decode(Player* player, Track* track, SonteraSink* sink, uint32_t start_ms) {
    // A seek (or restart) since the last run moved the decoder: whatever the rate
    // converter carried belongs to another place in the track.
    if (sink->next_track_frame != track->played_frames) sontera_resampler_clear(&sink->resampler);
    track->output = [](void* user, float* samples, uint32_t bytes) {
        sontera_add_data_to_outbuf(static_cast<Player*>(user), samples, bytes);
    };
    track->output_user_data = player;
    const uint32_t rate = track->format->rate;
    bool ended = false;
    for (;;) {
        if (track_play_chunk(track) == 0) {
            ended = true;
            break;
        }
        if (frames_to_ms(track->played_frames, rate) > start_ms + PUMP_DECODE_BUDGET_MS) break;
    }
    sink->next_track_frame = track->played_frames;
    return ended;
}

void redraw_tick(Player* player) {
    uint64_t tick = clock_now_us();
    if (player->redraw_tick_us != 0) {
        double interval = static_cast<double>(tick - player->redraw_tick_us);
        player->frame_interval_us = player->frame_interval_us == 0.0
                                        ? interval
                                        : 0.9 * player->frame_interval_us + 0.1 * interval;
    }
    player->redraw_tick_us = tick;
    if (player->redraw) {
        player->redraw(player);
        player->gfx_us = static_cast<uint32_t>(clock_now_us() - tick);
    }
}

}  // namespace

void audio_pump(Player* player) {
    Track* track = player->track;
    AudioOutput* output = player->output;
    if (!track || !track->format || track->format->rate == 0 || !output || !output->sink ||
        output->rate == 0) {
        task_post(audio_pump_task, player);
        return;
    }
    SonteraSink* sink = output->sink;
    const uint32_t waiting = sink->used;
    sontera_remove_data_from_outbuf(sink);
    track_join_progress(player, waiting - sink->used);

    const uint32_t rate = track->format->rate;
    const uint32_t start_ms = frames_to_ms(track->played_frames, rate);
    bool ended = false;
    const uint32_t free_frames = sink->capacity - sink->used;
    const uint32_t room_ms =
        static_cast<uint32_t>(static_cast<long>(free_frames * 1000.0 / output->rate));
    if (room_ms > PUMP_ROOM_MS && player->playing) {
        uint64_t began = clock_now_us();
        ended = decode(player, track, sink, start_ms);
        player->dsp_us = static_cast<uint32_t>(clock_now_us() - began);
    }

    // A joined track is not yet heard: the position stays where the one before ended.
    if (!player->join_pending) {
        player->position_ms = frames_to_ms(track->played_frames, rate);
        uint32_t interval = PUMP_SLOW_TICK_MS;
        if (player->analysis_enabled) {
            double ft = player->frametime_ms;
            interval = ft >= 1.0
                           ? (ft < 1e9 ? static_cast<uint32_t>(static_cast<int>(ft)) : 1000000000u)
                           : 1;
        }
        if (player->position_ms / interval != player->last_tick_ms / interval) redraw_tick(player);
        player->last_tick_ms = player->position_ms;
    }

    if (ended) {
        if (player->play_mode == PLAY_SINGLE) {
            // The next run sees the moved position and clears the rate converter.
            if (track_seek_ms(track, 0) >= 0) player->seek_serial++;
        } else if (player->next_track) {
            player->track_ended = 1;
            player->next_track(player);
            player->track_ended = 0;
        }
    }
    task_post(audio_pump_task, player);
}

void audio_pump_task(void* user) { audio_pump(static_cast<Player*>(user)); }
