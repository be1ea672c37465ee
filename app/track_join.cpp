// The join of two tracks in one sink, and the moment the listener's view follows it.
#include "app/track_join.h"

#include "app/player.h"
#include "app/playlist.h"
#include "decoders/track.h"
#include "sontera/sontera.h"

bool track_join_begin(Player* player) {
    player->join_pending = 0;
    player->join_frames_before = 0;
    const Track* track = player->track;
    AudioOutput* output = player->output;
    if (!player->gapless || !player->track_ended || !track || !output || !output->sink)
        return false;
    SonteraSink* sink = output->sink;
    if (track->format->rate != sink->requested_rate || track->format->channels != sink->channels)
        return false;
    // The pump restarts the rate converter when the track position differs from what
    // the sink expects next; here the new track's first frame is what comes next.
    sink->next_track_frame = track->played_frames;
    player->join_pending = 1;
    player->join_frames_before = sink->used;
    return true;
}

void track_join_progress(Player* player, uint32_t written) {
    if (!player->join_pending) return;
    if (written <= player->join_frames_before) {
        player->join_frames_before -= written;
        return;
    }
    player->join_pending = 0;
    player->join_frames_before = 0;
    player->position_ms = 0;
    player->last_tick_ms = 0;
    if (player->current && player->current->kind == LIST_KIND_ENTRY)
        player->duration_ms = static_cast<uint32_t>(
            static_cast<const PlaylistEntry*>(player->current->payload)->duration_ms);
    if (player->track_shown) player->track_shown(player);
    if (player->redraw) player->redraw(player);
}
