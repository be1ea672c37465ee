#include "app/load_track.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/options.h"
#include "app/player.h"
#include "app/playlist.h"
#include "app/track_join.h"
#include "decoders/metadata.h"
#include "decoders/track.h"
#include "fenra/fenra.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/image_job.h"
#include "imaging/resize.h"
#include "input/input.h"
#include "sontera/sontera.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"

uint32_t load_track_buffer_frames(uint32_t rate) {
    if (rate < 44100) return 2048;
    return rate / 44100 * 2048;
}

ArtPlacement album_art_cover_geometry(int32_t aw, int32_t ah, int32_t w, int32_t h) {
    // 64-bit products: a large cover on a large element must not wrap.
    int64_t W = w, H = h, AW = aw, AH = ah;
    if (W * AH < H * AW) {
        int64_t sw = H * AW / AH;
        return {static_cast<int32_t>((W - sw) / 2), 0, static_cast<int32_t>(sw), h};
    }
    int64_t sh = W * AH / AW;
    return {0, static_cast<int32_t>((H - sh) / 2), w, static_cast<int32_t>(sh)};
}

Image* album_art_fit(const Image* art, int32_t w, int32_t h, bool center) {
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    if (!center) return image_resize(art, w, h);
    ArtPlacement p = album_art_cover_geometry(art->width, art->height, w, h);
    Image* scaled = image_resize(art, p.w, p.h);
    Image* out = image_new(w, h, IMAGE_PIXELS);
    Rect dst = {p.x, p.y, scaled->width, scaled->height};
    image_copy(scaled, nullptr, out, &dst);
    image_free(scaled);
    return out;
}

ImageWanted album_art_wanted() {
    int64_t w = 0, h = 0;
    for (const UiElement& e : ui_elements) {
        if (e.type == UI_END) break;
        if ((e.type != UI_ALBUMART && e.type != UI_IMAGE) || !(e.flags & UI_FLAG_ALBUMART))
            continue;
        w = std::max<int64_t>(w, e.rect.w);
        h = std::max<int64_t>(h, e.rect.h);
    }
    // Twice the size: the resampler then still reduces, drawing each pixel it makes from
    // two or more source pixels, so the cheaper decode does not show.
    auto twice = [](int64_t v) { return int32_t(std::min<int64_t>(2 * v, INT32_MAX)); };
    return {twice(w), twice(h)};
}

static void place_album_art(const Image* found) {
    Image* placeholder = found ? nullptr : image_new(10, 10, IMAGE_PIXELS);
    const Image* art = found ? found : placeholder;
    for (UiElement& e : ui_elements) {
        if (e.type == UI_END) break;
        if ((e.type != UI_ALBUMART && e.type != UI_IMAGE) || !(e.flags & UI_FLAG_ALBUMART))
            continue;
        image_free(static_cast<Image*>(e.data));
        e.data = album_art_fit(art, e.rect.w, e.rect.h, (e.flags & UI_FLAG_CENTER) != 0);
    }
    image_free(placeholder);
}

void player_flush_output(Player* player) {
    AudioOutput* output = player->output;
    if (!output || !output->sink) return;
    SonteraSink* sink = output->sink;
    // Give up after twice the ring's playing time (plus slack) if the device stalls.
    uint64_t budget_us =
        2ull * 1000000 * sink->capacity / (sink->rate ? sink->rate : 44100) + 200000;
    uint64_t waited_us = 0;
    while (sink->used > 0 && waited_us < budget_us) {
        uint32_t before = sink->used;
        sontera_remove_data_from_outbuf(sink);
        if (sink->used == before) {
            usleep(2000);
            waited_us += 2000;
        }
    }
}

static void set_title(const PlaylistEntry* entry) {
    if (input_state.window) {
        char* title = format_alloc("[%s - %s] - qulmo", entry->artist, entry->title);
        if (title) fenra_set_title(input_state.window, title);
        free(title);
    }
}

void player_title_current(Player* player) {
    if (player->current && player->current->kind == LIST_KIND_ENTRY)
        set_title(static_cast<const PlaylistEntry*>(player->current->payload));
}

static void reopen_output(Player* player, const Track* track);

static void tell_art(Player* player, const AlbumArt* art) {
    const Player::TrackLoadHook& hook = player->track_loaded;
    if (hook.fn) hook.fn(hook.user, art->image, art->cover_path);
}

bool player_load_track(Player* player, PlaylistEntry* entry) {
    log_text(LOG_INFO, "loading file %s\n", entry->path);
    const char* why = nullptr;
    Track* track = track_try_open(entry->path, &why);
    if (!track) {
        log_text(LOG_WARNING, "WARNING: cannot play, skipped: %s (%s)\n", entry->path, why);
        display_strings_fill_unplayable(entry);
        return false;
    }
    // Names shown for a file that failed before give way to its tags.
    if (!entry->loaded || entry->unplayable) display_strings_fill(entry, track);
    player_art_cancel(player);
    AlbumArt art = album_art_start(entry->path, track, album_art_wanted());
    place_album_art(art.image);

    track_close(player->track);
    player->track = track;
    player->track_gain =
        replaygain_factor(&track->metadata->gain, player->replaygain_mode, player->preamp_db);
    // A joined track becomes the one shown when its first frame reaches the device.
    const bool joined = track_join_begin(player);
    if (!joined) {
        player->position_ms = 0;
        player->last_tick_ms = 0;
        player->duration_ms = static_cast<uint32_t>(entry->duration_ms);
    }
    ui_render_static(player);
    if (!joined) {
        set_title(entry);
        reopen_output(player, track);
    }

    if (art.job) {
        player->art_pending = dru_alloc_array<AlbumArt>(1);
        *player->art_pending = art;
        return true;
    }
    tell_art(player, &art);
    album_art_drop(&art);
    return true;
}

void player_art_cancel(Player* player) {
    if (!player->art_pending) return;
    album_art_drop(player->art_pending);
    dru_free(player->art_pending);
    player->art_pending = nullptr;
}

bool player_art_step(Player* player) {
    AlbumArt* art = player->art_pending;
    if (!art) return false;
    if (image_job_step(art->job)) return true;
    // A cover that failed leaves the placeholder; its warning has been printed.
    const bool failed = image_job_failed(art->job);
    album_art_finish(art);
    if (!failed) {
        place_album_art(art->image);
        ui_render_static(player);
    }
    tell_art(player, art);
    player_art_cancel(player);
    if (player->redraw) player->redraw(player);
    return false;
}

// A new sink at the track's rate and channel count, after the old one has played out.
static void reopen_output(Player* player, const Track* track) {
    player_flush_output(player);
    SonteraConversion kept = {};  // the next output reuses the grown buffers
    if (player->output) {
        kept = player->output->conversion;
        player->output->conversion = {};
    }
    sontera_close(player->output);
    player->output = nullptr;
    uint32_t rate = track->format->rate, channels = track->format->channels;
    uint32_t buffer_frames = load_track_buffer_frames(rate);
    SonteraSink* sink = sontera_sink_open(rate, channels, buffer_frames);
    if (!sink) fatal_error({LOG_FATAL, "create audio sink failed", "init failed"});
    auto* output = static_cast<AudioOutput*>(dru_alloc_memory(1, sizeof(AudioOutput)));
    *output = {.format = SONTERA_S16,
               .rate = sink->rate,
               .channels = channels,
               .sink = sink,
               .conversion = kept};
    player->output = output;
    log_text(LOG_INFO, "required %d Hz %d ch, got %d Hz %d ch, buf %d samples\n",
             static_cast<int>(rate), static_cast<int>(channels), static_cast<int>(sink->rate),
             static_cast<int>(sink->channels), static_cast<int>(buffer_frames));
    if (sink->rate != rate)
        log_text(LOG_WARNING,
                 "WARNING: different sample rate (%d -> %d), broken resampler will be used!\n",
                 static_cast<int>(rate), static_cast<int>(sink->rate));
}
