#include "app/startup.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "analysis/analysis.h"
#include "app/commands.h"
#include "app/load_track.h"
#include "app/look_path.h"
#include "app/main_loop.h"
#include "app/mpris.h"
#include "app/player.h"
#include "app/playlist.h"
#include "app/pump.h"
#include "fenra/fenra.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/text.h"
#include "input/input.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"

double startup_default_scale(float dpi) {
    // The compositor announces the output scale: a huge one must not overflow the
    // truncation to int, so it is held at the int range.
    if (!(dpi == dpi)) return 0;
    if (dpi >= 2147483647.0f) return INT32_MAX / 96.0;
    if (dpi <= -2147483648.0f) return INT32_MIN / 96.0;
    return static_cast<int>(dpi) / 96.0;
}

uint32_t startup_window_flags(uint32_t ui_flags) {
    uint32_t flags = 0;
    if (ui_flags & UI_FLAG_BORDERLESS) flags |= FENRA_BORDERLESS | FENRA_TRANSPARENT;
    if (!(ui_flags & UI_FLAG_SQUIRCLE)) flags |= FENRA_AUTO_POSITION;
    return flags;
}

[[noreturn]] static void startup_error(const char* message) { fail_text("%s", message); }

static char* must(char* text) {
    if (!text) fatal_error({LOG_FATAL, "allocate memory failed", "at format_alloc()"});
    return text;
}

// Commands take the Player; bindings and regions hand it over as their user data.
template <void (*Command)(Player*)>
static void as_key(void* user) {
    Command(static_cast<Player*>(user));
}
template <void (*Command)(Player*)>
static void as_region(void* user, int32_t) {
    Command(static_cast<Player*>(user));
}

static void begin_window_move(void*, int32_t) {
    if (input_state.window) fenra_begin_move(input_state.window);
}
static void region_nothing(void*, int32_t) {}

static void redraw_player(Player* player) { ui_redraw(player); }

void startup_register_controls(Player* player) {
    input_bind_key('Q', as_key<cmd_quit>, player);
    input_bind_key('N', as_key<play_mode_normal>, player);
    input_bind_key('S', as_key<play_mode_single>, player);
    input_bind_key('R', as_key<play_mode_repeat>, player);
    input_bind_key('F', as_key<play_mode_shuffle>, player);
    input_bind_key(KEY_SPACE, as_key<cmd_toggle_pause>, player);
    input_bind_key(KEY_LEFT, as_key<cmd_seek_back>, player);
    input_bind_key(KEY_RIGHT, as_key<cmd_seek_forward>, player);
    input_bind_key(KEY_UP, as_key<playlist_previous>, player);
    input_bind_key(KEY_DOWN, as_key<playlist_next>, player);
    input_bind_key(KEY_HOME, as_key<cmd_restart>, player);
    input_bind_key('9', as_key<cmd_volume_down>, player);
    input_bind_key('0', as_key<cmd_volume_up>, player);
    input_set_resize_hook(on_resize, player);

    const Rect* all = &input_state.everywhere;
    input_add_region(10, BUTTON_RIGHT, REGION_PRESS, all, as_region<cmd_toggle_pause>, player);
    input_add_region(10, BUTTON_WHEEL_UP, REGION_PRESS, all, as_region<cmd_volume_up>, player);
    input_add_region(10, BUTTON_WHEEL_DOWN, REGION_PRESS, all, as_region<cmd_volume_down>, player);
    input_add_region(10, BUTTON_ANY, REGION_MOTION, all, as_region<cmd_track_pointer>, player);
    input_add_region(10, BUTTON_LEFT, REGION_PRESS, all, begin_window_move, player);
    input_add_region(10, BUTTON_LEFT, REGION_DRAG, all, region_nothing, player);
    input_add_region(10, BUTTON_LEFT, REGION_RELEASE, all, region_nothing, player);

    if (const Rect* seek = ui_find_element(UI_REGIONSEEK)) {
        input_add_region(20, BUTTON_WHEEL_UP, REGION_PRESS, seek, as_region<cmd_seek_forward>,
                         player);
        input_add_region(20, BUTTON_WHEEL_DOWN, REGION_PRESS, seek, as_region<cmd_seek_back>,
                         player);
        input_add_region(20, BUTTON_LEFT, REGION_PRESS, seek, as_region<cmd_seek_click>, player);
    }
    struct Button {
        int32_t type;
        RegionCallback callback;
    };
    static constexpr Button buttons[] = {
        {UI_REGIONPLAY, as_region<cmd_toggle_pause>},
        {UI_REGIONPREV, as_region<cmd_previous_or_restart>},
        {UI_REGIONNEXT, as_region<playlist_next>},
        {UI_REGIONQUIT, as_region<cmd_quit>},
    };
    for (const Button& b : buttons) {
        if (const Rect* r = ui_find_element(b.type))
            input_add_region(20, BUTTON_LEFT, REGION_PRESS, r, b.callback, player);
    }
}

static void load_ui_description(const OptionTable options, const char* config_dir, double scale) {
    const char* named = option_get("ui", options, nullptr);
    char* ui_path = must(path_resolve(named ? named : "ui.txt", config_dir));
    // A look named on the command line that the configuration folder lacks may be one
    // that ships with the program.
    if (named && !file_exists(ui_path)) {
        if (char* shipped = look_find_shipped(named, nullptr)) {
            free(ui_path);
            ui_path = shipped;
        } else {
            log_write({LOG_WARNING, "no such look, using the compiled-in one", named});
        }
    }
    if (file_exists(ui_path)) {
        uint64_t size = 0;
        unsigned char* text = read_whole_file(ui_path, &size);
        ui_parse_bytes(std::span<const char>(reinterpret_cast<const char*>(text), size), scale,
                       config_dir, ui_path);
        dru_free(text);
    } else {
        ui_parse_bytes(
            std::span<const char>(ui_default_description, strlen(ui_default_description)), scale,
            config_dir);
    }
    free(ui_path);
}

static char* choose_font_path(const OptionTable options, const char* config_dir) {
    if (const UiElement* font = ui_find_element_record(UI_FONT)) {
        if (const char* path = ui_element_path(*font)) return must(format_alloc("%s", path));
    }
    return must(path_resolve(option_get("font", options, "font.ttf"), config_dir));
}

static bool any_element_scrolls() {
    for (const UiElement& e : ui_elements) {
        if (e.type == UI_END) break;
        if (e.flags & UI_FLAG_SCROLL) return true;
    }
    return false;
}

int player_start(Player* player, const OptionTable options, bool scale_given, const char* file,
                 bool scale_from_display) {
    if (!scale_given)
        player->scale = scale_from_display ? startup_default_scale(fenra_display_dpi()) : 1.0;

    char* config_dir = config_dir_get();
    load_ui_description(options, config_dir, player->scale);

    char* font_path = choose_font_path(options, config_dir);
    log_text(LOG_INFO, "playlist: %s, scale: %g, font: %s, ui: %s\n",
             option_get("playlist", options, "playlist.txt"), player->scale, font_path,
             option_get("ui", options, "ui.txt"));
    player->font = font_load(font_path);
    free(font_path);

    if (const UiElement* ft = ui_find_element_record(UI_FRAMETIME))
        player->frametime_ms = ft->rect.x >= 1 ? ft->rect.x : 1;

    if (file) {
        playlist_from_file_arg(player, file);
    } else {
        playlist_from_list_file(player, option_get("playlist", options, "playlist.txt"),
                                config_dir);
    }
    dru_free(config_dir);
    if (player->play_mode == PLAY_SHUFFLE)
        playlist_shuffle(player->playlist, player->shuffle_state);
    if (list_count(player->playlist) == 0) startup_error("there is no file to play");

    player->analysis_enabled = ui_find_element(UI_FFT) ? 1 : 0;
    analysis_init(&player->analysis);
    if (any_element_scrolls()) player->analysis_enabled = 1;

    const UiElement* win = ui_find_element_record(UI_WINDOW);
    if (!win) startup_error("no window ui elem");
    log_text(LOG_INFO, "window size %dx%d\n", win->rect.w, win->rect.h);
    uint32_t flags = startup_window_flags(win->flags);
    if (win->rect.w <= 0 || win->rect.h <= 0)
        fatal_error({LOG_FATAL, "window init failed", "error"});
    Window* window = fenra_open(win->rect.x, win->rect.y, win->rect.w, win->rect.h, 1.0f, flags);
    if (!window) fatal_error({LOG_FATAL, "window init failed", "error"});
    window->callbacks = input_callbacks();
    input_start(window);

    player->canvas = image_new(window->width, window->height, IMAGE_PIXELS);
    player->backdrop = image_new(window->width, window->height, IMAGE_PIXELS);

    // Before the first load, so that the desktop hears of the first track too.
    Mpris* mpris = mpris_open(player);
    if (mpris) input_set_exit_hook(mpris_exit_hook, mpris);

    player->redraw = redraw_player;
    player->next_track = playlist_next;
    player->track_shown = player_title_current;
    player->art_step = player_art_step;
    playlist_start(player);
    audio_pump(player);
    player->playing = 1;
    ui_redraw(player);

    startup_register_controls(player);
    LoopSource bus = mpris_loop_source(mpris);
    main_loop(player, mpris ? &bus : nullptr);
    mpris_close(mpris);
    return 0;
}
