#include "ui_render_test_scenes.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/player.h"
#include "app/playlist.h"
#include "foundation/memory.h"
#include "imaging/image.h"
#include "imaging/resize.h"
#include "input/list.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"

const char ui_all_elements_description[] =
    "color bg 24 28 38 255 0\n"
    "color panel 255 255 255 70 0\n"
    "color sq 255 255 255 255 0\n"
    "roundradius art 12 0 0 0 0\n"
    "roundradius sq 8 0 0 0 0\n"
    "color sq2 40 60 120 150 0\n"
    "roundradius sq2 10 0 0 0 0\n"
    "color fg 240 240 240 255 0\n"
    "color dim 190 200 210 200 0\n"
    "color accent 255 150 40 255 0\n"
    "color wrapfg 255 220 120 255 0\n"
    "color scroll 255 255 255 255 0\n"
    "scrollspeed scroll 40 0 0 0 0\n"
    "color seek 255 90 90 255 0\n"
    "startpos seek 20 190 40 8 0\n"
    "color vol 120 220 120 255 0\n"
    "color bar 90 200 255 220 0\n"
    "roundradius bar 2 0 0 0 0\n"
    "color wave 255 255 0 200 0\n"
    "drawonly single 3 0 0 0 0\n"
    "color single 0 255 0 255 0\n"
    "drawonly normal 1 0 0 0 0\n"
    "color normal 0 255 255 255 0\n"
    "window - 0 0 300 300 0\n"
    "font DejaVuSans.ttf 0 0 0 0 0\n"
    "frametime - 20 0 0 0 0\n"
    "sparkle - 0 0 1 1 0\n"
    "background bg 0 0 0 0 0\n"
    "albumart art 10 10 120 120 128\n"
    "image <albumart> 140 10 150 60 517\n"
    "blur art 10 90 120 40 128\n"
    "blur - 140 10 75 60 32\n"
    "blur sq 215 40 75 30 512\n"
    "rect panel 10 90 120 40 128\n"
    "title fg 15 95 110 30 1\n"
    "rect sq2 140 75 150 55 512\n"
    "border dim 140 75 150 55 0\n"
    "line accent 140 133 150 0 0\n"
    "line accent 10 133 120 4 0\n"
    "album fg 145 96 140 14 1\n"
    "track dim 145 114 30 12 0\n"
    "meta dim 180 114 70 12 0\n"
    "totaltime dim 252 114 36 12 0\n"
    "title wrapfg 10 138 60 24 1\n"
    "offset - 1 0 0 0 0\n"
    "title dim 80 138 210 12 0\n"
    "offset - -1 0 0 0 0\n"
    "title dim 80 152 210 12 0\n"
    "offset - 0 0 0 0 0\n"
    "artist scroll 145 78 140 17 64\n"
    "curtime fg 10 170 50 14 0\n"
    "volume fg 125 170 50 14 1\n"
    "remtime fg 240 170 50 14 0\n"
    "rect seek 20 190 260 8 2\n"
    "regionseek - 20 190 260 8 0\n"
    "rect vol 20 202 260 5 1024\n"
    "fft bar 10 212 280 40 128\n"
    "waveform wave 10 250 280 30 0\n"
    "rect single 290 290 8 8 0\n"
    "rect normal 280 290 8 8 0\n"
    "rect accent 270 290 8 8 8\n"
    "rect accent 260 290 8 8 16\n"
    "statsdebug fg 10 284 200 10 0\n"
    "rectdebug dim 250 284 6 6 0\n"
    "blurdebug - 200 250 40 20 0\n"
    "regionplay - 0 0 10 10 0\n"
    "end - 0 0 0 0 0\n"
    "rect fg 0 0 300 300 0\n";

namespace {

PlaylistEntry* entry(const char* title, const char* artist, const char* album, int32_t number,
                     int32_t duration_ms) {
    auto* e = static_cast<PlaylistEntry*>(dru_alloc_memory(1, sizeof(PlaylistEntry)));
    e->path = strdup("/music/scene.flac");
    e->title = strdup(title);
    e->album = strdup(album);
    e->artist = strdup(artist);
    e->album_artist = strdup(artist);
    e->track = strdup("0");
    e->format_text = strdup("44100Hz/2ch");
    e->track_number = number;
    e->duration_ms = duration_ms;
    e->loaded = 1;
    return e;
}

void free_entry(void* p) {
    auto* e = static_cast<PlaylistEntry*>(p);
    for (char* s :
         {e->path, e->title, e->album, e->artist, e->album_artist, e->track, e->format_text})
        free(s);
    dru_free(e);
}

// A 200 x 120 picture: diagonal colour ramps with a bright disc, so that scaling,
// cropping and blurs all show.
Image* synthetic_art() {
    Image* art = image_new(200, 120, IMAGE_PIXELS);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x) {
            uint8_t* px = art->pixels + y * art->stride + x * 4;
            int dx = x - 130, dy = y - 50;
            bool disc = dx * dx + dy * dy < 30 * 30;
            px[0] = disc ? 250 : static_cast<uint8_t>(x * 255 / 199);
            px[1] = disc ? 230 : static_cast<uint8_t>(((x / 20 + y / 20) % 2) ? 60 : 140);
            px[2] = disc ? 120 : static_cast<uint8_t>(y * 255 / 119);
            px[3] = 255;
        }
    return art;
}

// The art stretched to w x h, or with `cover` scaled to cover the box and centred.
Image* fit(const Image* art, int32_t w, int32_t h, bool cover) {
    if (!cover) return image_resize(art, w, h);
    int32_t aw = art->width, ah = art->height;
    Rect place = w * ah < h * aw ? Rect{(w - h * aw / ah) / 2, 0, h * aw / ah, h}
                                 : Rect{0, (h - w * ah / aw) / 2, w, w * ah / aw};
    Image* scaled = image_resize(art, place.w, place.h);
    Image* out = image_new(w, h, IMAGE_PIXELS);
    image_copy(scaled, nullptr, out, &place);
    image_free(scaled);
    return out;
}

}  // namespace

void ui_scene_setup(Player* p, UiScene* scene, int32_t level) {
    p->scale = 1.0;
    p->playing = 1;
    p->play_mode = PLAY_NORMAL;
    p->volume = 14;
    p->analysis_enabled = level;
    p->position_ms = 83000;
    p->duration_ms = 200000;
    p->gfx_us = 1234;
    p->dsp_us = 567;
    p->frame_interval_us = 16666.7;
    p->analysis.fft_bin_scale = 1;
    p->analysis.fft_size = 4096;

    scene->entries[0] = entry("Overture in Grey", "The Previous Band", "Earlier", 1, 95000);
    scene->entries[1] = entry("Synthetic Morning Light Over the Harbour",
                              "An Artist With A Rather Long Name", "Test Patterns", 7, 200000);
    scene->entries[2] = entry("Coda", "Next Up", "Later", 8, 61000);
    p->playlist = list_create();
    for (PlaylistEntry* e : scene->entries)
        list_append(p->playlist, list_node_create(e, LIST_KIND_ENTRY));
    p->current = p->playlist->next->next;

    p->analysis.spectrum = static_cast<float*>(dru_alloc_memory(4096, sizeof(float)));
    p->analysis.sample_history = static_cast<float*>(dru_alloc_memory(4096, sizeof(float)));
    for (int k = 0; k < 4096; ++k) {
        double shape = 0.15 + 0.75 * std::fabs(std::sin(k / 37.0)) * std::exp(-k / 900.0);
        p->analysis.spectrum[k] = static_cast<float>(std::pow(10.0, 6.0 * shape));
        p->analysis.sample_history[k] = static_cast<float>(
            0.7 * std::sin(k * 2 * M_PI * 5 / 4096) + 0.2 * std::sin(k * 2 * M_PI * 37 / 4096));
    }

    Rect* w = ui_find_element(UI_WINDOW);
    int32_t width = w ? w->w : 300, height = w ? w->h : 300;
    p->canvas = image_new(width, height, IMAGE_PIXELS);
    p->backdrop = image_new(width, height, IMAGE_PIXELS);

    Image* art = synthetic_art();
    ui_scene_place_art(art);
    image_free(art);
}

void ui_scene_place_art(const Image* art) {
    for (UiElement& e : ui_elements) {
        if (e.type == UI_END) break;
        if (!(e.flags & UI_FLAG_ALBUMART)) continue;
        image_free(static_cast<Image*>(e.data));
        e.data = fit(art, e.rect.w, e.rect.h, (e.flags & UI_FLAG_CENTER) != 0);
    }
}

Image* ui_scene_cover() {
    // Dusk over the sea: a sky ramp, a banded sun, dark water with its reflection.
    constexpr int kSize = 480;
    Image* art = image_new(kSize, kSize, IMAGE_PIXELS);
    const double sun_x = 240, sun_y = 250, sun_r = 120;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            uint8_t* px = art->pixels + y * art->stride + x * 4;
            double t = y / double(kSize);
            double r = 40 + 200 * t, g = 30 + 60 * t, b = 90 + 40 * (1 - t);
            double dx = x - sun_x, dy = y - sun_y;
            bool band_gap = y > 260 && (y / 12) % 2 == 0;
            if (y < 330 && dx * dx + dy * dy < sun_r * sun_r && !band_gap) {
                double k = (y - (sun_y - sun_r)) / (2 * sun_r);
                r = 255, g = 210 - 120 * k, b = 90 - 50 * k;
            }
            if (y >= 330) {  // water: darker, with streaks of the sun
                double depth = (y - 330) / 150.0;
                r = 20 + 30 * (1 - depth), g = 20 + 20 * (1 - depth), b = 60 + 30 * (1 - depth);
                double streak = std::fabs(dx) < 140 * (1 - depth) && (y / 6) % 3 == 0;
                if (streak) r = 240, g = 130, b = 70;
            }
            px[0] = static_cast<uint8_t>(r);
            px[1] = static_cast<uint8_t>(g);
            px[2] = static_cast<uint8_t>(b);
            px[3] = 255;
        }
    return art;
}

void ui_scene_free(Player* p, UiScene*) {
    list_destroy(p->playlist, free_entry);
    p->playlist = p->current = nullptr;
    for (Image** img : {&p->canvas, &p->backdrop, &p->blur.scratch, &p->blur.source}) {
        image_free(*img);
        *img = nullptr;
    }
    dru_free(p->analysis.spectrum);
    dru_free(p->analysis.sample_history);
    p->analysis.spectrum = p->analysis.sample_history = nullptr;
    ui_free_elements();
}
