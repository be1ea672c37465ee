#include "app/mpris.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/mpris_internal.h"
#include "app/player.h"
#include "foundation/clock.h"
#include "foundation/log.h"
#include "foundation/memory.h"

namespace {

void warn(const char* what, int error) {
    char detail[160];
    snprintf(detail, sizeof detail, "%s (%s)", what, strerror(error < 0 ? -error : error));
    log_write({LOG_WARNING, "desktop media controls off", detail});
}

void remember_state(Mpris* m) {
    const Player* p = m->player;
    m->playing = p->playing;
    m->play_mode = p->play_mode;
    m->volume = p->volume;
    m->seek_serial = p->seek_serial;
    m->track_changed = false;
}

int watch(void* user, bool* want_write) {
    auto* m = static_cast<Mpris*>(user);
    if (!m->bus) return -1;
    int events = sd_bus_get_events(m->bus);
    *want_write = events > 0 && (events & POLLOUT) != 0;
    return sd_bus_get_fd(m->bus);
}

// Output waiting, a message already read, or a timeout that has come.
bool bus_has_work(sd_bus* bus) {
    int events = sd_bus_get_events(bus);
    if (events < 0 || (events & POLLOUT)) return true;
    uint64_t due = UINT64_MAX;
    if (sd_bus_get_timeout(bus, &due) <= 0 || due == UINT64_MAX) return false;
    if (due == 0) return true;
    return clock_now_us() >= due;
}

void drop_bus(Mpris* m, int error) {
    warn("lost the session bus", error);
    mpris_forget_art(m);
    for (sd_bus_slot*& slot : m->slots) slot = sd_bus_slot_unref(slot);
    m->bus = sd_bus_close_unref(m->bus);
}

// The signals for whatever changed since the previous pass.
void announce(Mpris* m) {
    const Player* p = m->player;
    char* names[6];
    int n = 0;
    if (m->track_changed) names[n++] = const_cast<char*>("Metadata");
    if (p->playing != m->playing) names[n++] = const_cast<char*>("PlaybackStatus");
    if (p->play_mode != m->play_mode) {
        if (strcmp(mpris_loop_status(p->play_mode), mpris_loop_status(m->play_mode)) != 0)
            names[n++] = const_cast<char*>("LoopStatus");
        if ((p->play_mode == PLAY_SHUFFLE) != (m->play_mode == PLAY_SHUFFLE))
            names[n++] = const_cast<char*>("Shuffle");
    }
    if (p->volume != m->volume) names[n++] = const_cast<char*>("Volume");
    names[n] = nullptr;
    if (n > 0) sd_bus_emit_properties_changed_strv(m->bus, MPRIS_PATH, MPRIS_PLAYER, names);
    if (p->seek_serial != m->seek_serial)
        sd_bus_emit_signal(m->bus, MPRIS_PATH, MPRIS_PLAYER, "Seeked", "x", mpris_position_us(p));
    remember_state(m);
}

bool run(void* user, bool ready) {
    auto* m = static_cast<Mpris*>(user);
    if (!m->bus) return false;
    bool did = false;
    if (ready || m->more || bus_has_work(m->bus)) {
        m->more = false;
        m->command_ran = false;
        for (int i = 0;; i++) {
            // One command per pass: a flood of them cannot keep the sound waiting.
            if (i == MPRIS_PASS_MESSAGES || m->command_ran) {
                m->more = true;
                break;
            }
            int r = sd_bus_process(m->bus, nullptr);
            if (r < 0) {
                drop_bus(m, r);
                return true;
            }
            if (r == 0) break;
            did = true;
        }
    }
    announce(m);
    return did || m->more;
}

}  // namespace

Mpris* mpris_open(Player* player) {
    sd_bus* bus = nullptr;
    int r = sd_bus_open_user(&bus);
    if (r < 0) {
        warn("no session bus", r);
        return nullptr;
    }
    auto* m = static_cast<Mpris*>(dru_alloc_memory(1, sizeof(Mpris)));
    m->bus = bus;
    m->player = player;
    // A bus that does not answer must not hold up the start for long.
    sd_bus_set_method_call_timeout(bus, 3000000);
    r = sd_bus_add_object_vtable(bus, &m->slots[0], MPRIS_PATH, MPRIS_ROOT, mpris_root_vtable, m);
    if (r >= 0)
        r = sd_bus_add_object_vtable(bus, &m->slots[1], MPRIS_PATH, MPRIS_PLAYER,
                                     mpris_player_vtable, m);
    if (r >= 0) {
        r = sd_bus_request_name(bus, "org.mpris.MediaPlayer2.qulmo", 0);
        if (r == -EEXIST) {
            char name[80];
            snprintf(name, sizeof name, "org.mpris.MediaPlayer2.qulmo.instance%ld",
                     static_cast<long>(getpid()));
            r = sd_bus_request_name(bus, name, 0);
        }
    }
    if (r < 0) {
        warn("cannot publish the player on the session bus", r);
        mpris_close(m);
        return nullptr;
    }
    remember_state(m);
    player->track_loaded = {.fn = mpris_track_loaded, .user = m};
    return m;
}

LoopSource mpris_loop_source(Mpris* mpris) { return {.watch = watch, .run = run, .user = mpris}; }

void mpris_close(Mpris* m) {
    if (!m) return;
    if (m->player && m->player->track_loaded.user == m) m->player->track_loaded = {};
    mpris_forget_art(m);
    dru_free(m->url);
    for (sd_bus_slot*& slot : m->slots) slot = sd_bus_slot_unref(slot);
    sd_bus_close_unref(m->bus);
    dru_free(m);
}

void mpris_exit_hook(int32_t, void* mpris) { mpris_close(static_cast<Mpris*>(mpris)); }
