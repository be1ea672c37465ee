#include "app/commands.h"

#include <cstdint>
#include <cstdio>

#include "analysis/analysis.h"
#include "app/load_track.h"
#include "app/player.h"
#include "app/playlist.h"
#include "decoders/track.h"
#include "fenra/fenra.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/text.h"
#include "input/input.h"
#include "sontera/sontera.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"

static void redraw(Player* player) {
    if (player->redraw) player->redraw(player);
}

// A seek moves the decoder; the rate converter must not join the next chunk to the
// last frame it saw from elsewhere in the track. A seek that moved announces itself.
static void after_seek(Player* player, int64_t result) {
    if (player->output) sontera_resampler_reset(player->output);
    if (result >= 0) player->seek_serial++;
}

void cmd_seek_by_ms(Player* player, int64_t delta_ms) {
    if (!player->track) return;
    after_seek(player, track_seek_relative_ms(player->track, delta_ms));
}

void cmd_seek_to_ms(Player* player, int64_t ms) {
    if (!player->track) return;
    after_seek(player, track_seek_ms(player->track, ms));
}

void cmd_toggle_pause(Player* player) {
    player->playing ^= 1;
    redraw(player);
}

void cmd_seek_back(Player* player) { cmd_seek_by_ms(player, -10000); }
void cmd_seek_forward(Player* player) { cmd_seek_by_ms(player, 10000); }
void cmd_restart(Player* player) { cmd_seek_to_ms(player, 0); }

int32_t seek_click_target_ms(uint64_t total_frames, uint32_t rate, int32_t pointer_x, int32_t x,
                             int32_t width) {
    // A zero-sized region or an unknown rate has no position to offer.
    if (width <= 0 || rate == 0) return 0;
    // Lengths past the 32-bit range of milliseconds are held at its top rather than
    // converted out of range.
    double total = static_cast<double>(total_frames) * 1000.0 / rate;
    uint32_t total_ms = total >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(total);
    double ms = static_cast<double>(total_ms) * (static_cast<double>(pointer_x) - x) / width;
    if (ms >= 2147483647.0) return 2147483647;
    if (ms <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(ms);
}

void cmd_seek_click(Player* player) {
    const Rect* r = ui_find_element(UI_REGIONSEEK);
    if (!r || !player->track) return;
    const Track* t = player->track;
    int32_t ms = seek_click_target_ms(static_cast<uint64_t>(t->total_frames), t->format->rate,
                                      input_state.pointer_x, r->x, r->w);
    cmd_seek_to_ms(player, ms);
}

void cmd_previous_or_restart(Player* player) {
    if (player->position_ms <= 5000) {
        playlist_previous(player);
    } else {
        cmd_restart(player);
    }
}

void cmd_set_volume(Player* player, int32_t volume) {
    if (volume < 0) volume = 0;
    if (volume > 20) volume = 20;
    player->volume = volume;
    redraw(player);
    log_text(LOG_INFO, "volume set to %d (%g)\n", volume,
             static_cast<double>(volume_gain_table[volume]));
}

void cmd_volume_down(Player* player) { cmd_set_volume(player, player->volume - 1); }
void cmd_volume_up(Player* player) { cmd_set_volume(player, player->volume + 1); }

void cmd_track_pointer(Player* player) {
    player->pointer_x = input_state.pointer_x;
    player->pointer_y = input_state.pointer_y;
}

void cmd_nothing(Player*) {}

void on_resize(int32_t width, int32_t height, void* player) {
    ui_on_resize(static_cast<Player*>(player), width, height);
}

void cmd_quit(Player* player) {
    font_free(player->font);
    player->font = nullptr;
    track_close(player->track);
    player->track = nullptr;
    image_free(player->canvas);
    blur_cache_free(&player->blur);
    image_free(player->backdrop);
    player->canvas = player->backdrop = nullptr;

    analysis_free(&player->analysis);

    player_flush_output(player);
    sontera_close(player->output);  // drains the device
    player->output = nullptr;
    list_destroy(player->playlist, playlist_entry_destroy);
    player->playlist = player->current = nullptr;
    ui_free_elements();
    if (input_state.window) fenra_close(input_state.window);
    input_state.window = nullptr;
    app_exit(0);
}
