// The two MPRIS2 interfaces: each method and property write runs the command the
// matching key or region runs.
#include <sys/stat.h>
#include <systemd/sd-bus.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "app/commands.h"
#include "app/mpris_internal.h"
#include "app/options.h"
#include "app/player.h"
#include "app/playlist.h"
#include "decoders/track.h"
#include "formats/formats.h"
#include "formats/media_paths.h"
#include "foundation/file_uri.h"
#include "sontera/sontera.h"

namespace {

Mpris* of(void* user) { return static_cast<Mpris*>(user); }

// A command runs after its reply is queued: some end the process (the last Next in
// normal mode, Quit), and the caller should still hear back.
Player* command(sd_bus_message* call, void* user) {
    of(user)->command_ran = true;
    sd_bus_reply_method_return(call, "");
    return of(user)->player;
}

int method_raise(sd_bus_message* call, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(call, "");
}

int method_quit(sd_bus_message* call, void* user, sd_bus_error*) {
    Player* p = command(call, user);
    sd_bus_flush(of(user)->bus);
    cmd_quit(p);
}

int method_next(sd_bus_message* call, void* user, sd_bus_error*) {
    playlist_next(command(call, user));
    return 1;
}

int method_previous(sd_bus_message* call, void* user, sd_bus_error*) {
    playlist_previous(command(call, user));
    return 1;
}

int method_play(sd_bus_message* call, void* user, sd_bus_error*) {
    Player* p = command(call, user);
    if (!p->playing) cmd_toggle_pause(p);
    return 1;
}

int method_pause(sd_bus_message* call, void* user, sd_bus_error*) {
    Player* p = command(call, user);
    if (p->playing) cmd_toggle_pause(p);
    return 1;
}

int method_play_pause(sd_bus_message* call, void* user, sd_bus_error*) {
    cmd_toggle_pause(command(call, user));
    return 1;
}

int method_stop(sd_bus_message* call, void* user, sd_bus_error*) {
    Player* p = command(call, user);
    if (p->playing) cmd_toggle_pause(p);
    cmd_restart(p);
    return 1;
}

// Microseconds to milliseconds, held within a range the seek arithmetic takes.
int64_t to_ms(int64_t us) {
    int64_t ms = us / 1000;
    if (ms > INT32_MAX) return INT32_MAX;
    if (ms < -INT32_MAX) return -INT32_MAX;
    return ms;
}

int method_seek(sd_bus_message* call, void* user, sd_bus_error*) {
    int64_t offset = 0;
    int r = sd_bus_message_read(call, "x", &offset);
    if (r < 0) return r;
    cmd_seek_by_ms(command(call, user), to_ms(offset));
    return 1;
}

int method_set_position(sd_bus_message* call, void* user, sd_bus_error*) {
    const char* track_id = nullptr;
    int64_t position = 0;
    int r = sd_bus_message_read(call, "ox", &track_id, &position);
    if (r < 0) return r;
    const Player* p = of(user)->player;
    char current[64];
    mpris_current_track_id(p, current, sizeof current);
    if (strcmp(track_id, current) != 0 || position < 0 || position > mpris_length_us(p))
        return sd_bus_reply_method_return(call, "");
    cmd_seek_to_ms(command(call, user), to_ms(position));
    return 1;
}

// A folder or a playlist file: what it stands for replaces the playlist.
int open_list(Mpris* m, const char* path, sd_bus_error* error) {
    PathList paths{};
    m->command_ran = true;
    bool opened = media_path_expand(&paths, path) && playlist_replace(m->player, &paths);
    path_list_free(&paths);
    if (!opened) return sd_bus_error_set(error, SD_BUS_ERROR_FAILED, "nothing in it can be played");
    return 1;
}

// An audio file plays its folder from that file, as on the command line. A file asked
// for by name that cannot be played is refused rather than passed over.
int open_file(Mpris* m, const char* path, sd_bus_error* error) {
    const char* why = nullptr;
    Track* probe = track_try_open(path, &why);
    if (!probe) return sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED, why);
    track_close(probe);
    m->command_ran = true;
    if (!playlist_open_file(m->player, path))
        return sd_bus_error_set(error, SD_BUS_ERROR_FAILED, "not found in its directory");
    return 1;
}

int method_open_uri(sd_bus_message* call, void* user, sd_bus_error* error) {
    const char* uri = nullptr;
    int r = sd_bus_message_read(call, "s", &uri);
    if (r < 0) return r;
    char path[4096];
    if (!file_uri_to_path(uri, path, sizeof path))
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "not a local file URI");
    struct stat st {};
    if (stat(path, &st) != 0)
        return sd_bus_error_set(error, SD_BUS_ERROR_FILE_NOT_FOUND, "no such file");
    const FileFormat* format = S_ISREG(st.st_mode) ? file_format_for_name(path) : nullptr;
    if (!S_ISDIR(st.st_mode) && !format)
        return sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED, "not a type this player opens");
    r = format && format->kind == FORMAT_AUDIO ? open_file(of(user), path, error)
                                               : open_list(of(user), path, error);
    if (r < 0) return r;
    // What was opened is meant to be heard.
    Player* p = of(user)->player;
    if (!p->playing) cmd_toggle_pause(p);
    return sd_bus_reply_method_return(call, "");
}

// Properties. Getters append one value of the property's type.
#define GETTER(name)                                                                            \
    int name(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* user, \
             sd_bus_error*)

GETTER(get_true) {
    (void)user;
    return sd_bus_message_append(reply, "b", 1);
}
GETTER(get_false) {
    (void)user;
    return sd_bus_message_append(reply, "b", 0);
}
GETTER(get_name) {
    (void)user;
    return sd_bus_message_append(reply, "s", "qulmo");
}
GETTER(get_schemes) {
    (void)user;
    return sd_bus_message_append(reply, "as", 1, "file");
}
GETTER(get_mime_types) {
    (void)user;
    // The format table's list, which the desktop entry announces too.
    const char* types[FORMAT_NAMES_MAX * FILE_FORMAT_COUNT + 1];
    media_types_all(types, sizeof types / sizeof types[0]);
    return sd_bus_message_append_strv(reply, const_cast<char**>(types));
}
GETTER(get_status) {
    return sd_bus_message_append(reply, "s", of(user)->player->playing ? "Playing" : "Paused");
}
GETTER(get_loop_status) {
    return sd_bus_message_append(reply, "s", mpris_loop_status(of(user)->player->play_mode));
}
GETTER(get_shuffle) {
    return sd_bus_message_append(reply, "b", of(user)->player->play_mode == PLAY_SHUFFLE);
}
GETTER(get_rate) {
    (void)user;
    return sd_bus_message_append(reply, "d", 1.0);
}
GETTER(get_volume) {
    int32_t step = of(user)->player->volume;
    if (step < 0 || step >= static_cast<int32_t>(SONTERA_VOLUME_STEPS)) step = 0;
    return sd_bus_message_append(reply, "d", static_cast<double>(volume_gain_table[step]));
}
GETTER(get_position) {
    return sd_bus_message_append(reply, "x", mpris_position_us(of(user)->player));
}
GETTER(get_metadata) { return mpris_append_metadata(reply, of(user)); }

#define SETTER(name)                                                                            \
    int name(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* user, \
             sd_bus_error* error)

SETTER(set_loop_status) {
    const char* status = nullptr;
    int r = sd_bus_message_read(value, "s", &status);
    if (r < 0) return r;
    void (*mode)(Player*) = strcmp(status, "None") == 0       ? play_mode_normal
                            : strcmp(status, "Track") == 0    ? play_mode_single
                            : strcmp(status, "Playlist") == 0 ? play_mode_repeat
                                                              : nullptr;
    if (!mode) return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "None, Track or Playlist");
    of(user)->command_ran = true;
    mode(of(user)->player);
    return 1;
}

SETTER(set_shuffle) {
    (void)error;
    int on = 0;
    int r = sd_bus_message_read(value, "b", &on);
    if (r < 0) return r;
    Player* p = of(user)->player;
    of(user)->command_ran = true;
    if (on) {
        play_mode_shuffle(p);
    } else if (p->play_mode == PLAY_SHUFFLE) {
        play_mode_normal(p);
    }
    return 1;
}

SETTER(set_volume) {
    double gain = 0;
    int r = sd_bus_message_read(value, "d", &gain);
    if (r < 0) return r;
    if (std::isnan(gain)) return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "not a number");
    of(user)->command_ran = true;
    cmd_set_volume(of(user)->player, mpris_volume_step(gain));
    return 1;
}

// Only the normal rate is offered; writes of it are accepted and change nothing.
SETTER(set_rate) {
    (void)user;
    double rate = 0;
    int r = sd_bus_message_read(value, "d", &rate);
    if (r < 0) return r;
    if (rate != 1.0) return sd_bus_error_set(error, SD_BUS_ERROR_NOT_SUPPORTED, "rate is 1.0");
    return 1;
}

constexpr uint64_t CHANGES = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;
constexpr uint64_t FIXED = SD_BUS_VTABLE_PROPERTY_CONST;

}  // namespace

const sd_bus_vtable mpris_root_vtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Raise", "", "", method_raise, 0),
    SD_BUS_METHOD("Quit", "", "", method_quit, 0),
    SD_BUS_PROPERTY("CanQuit", "b", get_true, 0, FIXED),
    SD_BUS_PROPERTY("CanRaise", "b", get_false, 0, FIXED),
    SD_BUS_PROPERTY("HasTrackList", "b", get_false, 0, FIXED),
    SD_BUS_PROPERTY("Identity", "s", get_name, 0, FIXED),
    SD_BUS_PROPERTY("DesktopEntry", "s", get_name, 0, FIXED),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", get_schemes, 0, FIXED),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", get_mime_types, 0, FIXED),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable mpris_player_vtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Next", "", "", method_next, 0),
    SD_BUS_METHOD("Previous", "", "", method_previous, 0),
    SD_BUS_METHOD("Pause", "", "", method_pause, 0),
    SD_BUS_METHOD("PlayPause", "", "", method_play_pause, 0),
    SD_BUS_METHOD("Stop", "", "", method_stop, 0),
    SD_BUS_METHOD("Play", "", "", method_play, 0),
    SD_BUS_METHOD_WITH_NAMES("Seek", "x", SD_BUS_PARAM(Offset), "", , method_seek, 0),
    SD_BUS_METHOD_WITH_NAMES("SetPosition", "ox", SD_BUS_PARAM(TrackId) SD_BUS_PARAM(Position), "",
                             , method_set_position, 0),
    SD_BUS_METHOD_WITH_NAMES("OpenUri", "s", SD_BUS_PARAM(Uri), "", , method_open_uri, 0),
    SD_BUS_SIGNAL_WITH_NAMES("Seeked", "x", SD_BUS_PARAM(Position), 0),
    SD_BUS_PROPERTY("PlaybackStatus", "s", get_status, 0, CHANGES),
    SD_BUS_WRITABLE_PROPERTY("LoopStatus", "s", get_loop_status, set_loop_status, 0, CHANGES),
    SD_BUS_WRITABLE_PROPERTY("Rate", "d", get_rate, set_rate, 0, CHANGES),
    SD_BUS_WRITABLE_PROPERTY("Shuffle", "b", get_shuffle, set_shuffle, 0, CHANGES),
    SD_BUS_PROPERTY("Metadata", "a{sv}", get_metadata, 0, CHANGES),
    SD_BUS_WRITABLE_PROPERTY("Volume", "d", get_volume, set_volume, 0, CHANGES),
    SD_BUS_PROPERTY("Position", "x", get_position, 0, 0),  // clients poll it
    SD_BUS_PROPERTY("MinimumRate", "d", get_rate, 0, FIXED),
    SD_BUS_PROPERTY("MaximumRate", "d", get_rate, 0, FIXED),
    SD_BUS_PROPERTY("CanGoNext", "b", get_true, 0, CHANGES),
    SD_BUS_PROPERTY("CanGoPrevious", "b", get_true, 0, CHANGES),
    SD_BUS_PROPERTY("CanPlay", "b", get_true, 0, CHANGES),
    SD_BUS_PROPERTY("CanPause", "b", get_true, 0, CHANGES),
    SD_BUS_PROPERTY("CanSeek", "b", get_true, 0, CHANGES),
    SD_BUS_PROPERTY("CanControl", "b", get_true, 0, FIXED),
    SD_BUS_VTABLE_END,
};
