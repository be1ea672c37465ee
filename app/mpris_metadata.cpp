// What the desktop media controls show of the current track: its Metadata, position,
// id, and the cover written for the desktop when the art came from inside the file.
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/file_uri.h"
#include "app/mpris_internal.h"
#include "app/options.h"
#include "app/player.h"
#include "app/playlist.h"
#include "decoders/track.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/image.h"
#include "imaging/resize.h"
#include "input/list.h"
#include "sontera/sontera.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

// Desktop widgets show the cover small; a larger one would only cost encoding time.
constexpr int32_t ART_MAX_SIDE = 512;

const PlaylistEntry* current_entry(const Player* p) {
    const ListNode* node = p->current;
    if (!node || node->kind != LIST_KIND_ENTRY || !p->track) return nullptr;
    return static_cast<const PlaylistEntry*>(node->payload);
}

// The file URI of path, made absolute against the working directory without
// resolving links.
char* uri_of_path(const char* path) {
    if (path[0] == '/') return file_uri_from_path(path);
    while (path[0] == '.' && path[1] == '/') path += 2;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return nullptr;
    size_t n = strlen(cwd) + strlen(path) + 2;
    auto* full = static_cast<char*>(dru_alloc_memory(n, 1));
    snprintf(full, n, "%s/%s", strcmp(cwd, "/") == 0 ? "" : cwd, path);
    char* uri = file_uri_from_path(full);
    dru_free(full);
    return uri;
}

// The art as a PNG of at most ART_MAX_SIDE a side; the file name, or null.
char* write_art(const Image* art, uint32_t serial) {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/') return nullptr;
    char dir[4096];
    snprintf(dir, sizeof dir, "%s/qulmo", runtime);
    mkdir(dir, 0700);
    char* file = format_alloc("%s/art-%ld-%u.png", dir, static_cast<long>(getpid()), serial);
    if (!file) return nullptr;
    Image* scaled = nullptr;
    int32_t w = art->width, h = art->height;
    if (w > ART_MAX_SIDE || h > ART_MAX_SIDE) {
        if (w >= h) {
            h = static_cast<int32_t>(static_cast<int64_t>(h) * ART_MAX_SIDE / w);
            w = ART_MAX_SIDE;
        } else {
            w = static_cast<int32_t>(static_cast<int64_t>(w) * ART_MAX_SIDE / h);
            h = ART_MAX_SIDE;
        }
        scaled = image_resize(art, w, h);
    }
    const Image* out = scaled ? scaled : art;
    int ok = stbi_write_png(file, out->width, out->height, 4, out->pixels, out->stride);
    image_free(scaled);
    if (!ok) {
        log_write({LOG_WARNING, "cannot write the cover for the desktop", file});
        unlink(file);
        free(file);
        return nullptr;
    }
    return file;
}

int append_entry(sd_bus_message* m, const char* key, char type, const void* value) {
    const char contents[2] = {type, '\0'};
    int r = sd_bus_message_open_container(m, 'e', "sv");
    if (r >= 0) r = sd_bus_message_append(m, "s", key);
    if (r >= 0) r = sd_bus_message_open_container(m, 'v', contents);
    if (r >= 0) r = sd_bus_message_append_basic(m, type, value);
    if (r >= 0) r = sd_bus_message_close_container(m);
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

int append_text(sd_bus_message* m, const char* key, const char* text) {
    return text ? append_entry(m, key, 's', text) : 0;
}

int append_list(sd_bus_message* m, const char* key, const char* text) {
    if (!text) return 0;
    int r = sd_bus_message_open_container(m, 'e', "sv");
    if (r >= 0) r = sd_bus_message_append(m, "s", key);
    if (r >= 0) r = sd_bus_message_open_container(m, 'v', "as");
    if (r >= 0) r = sd_bus_message_append(m, "as", 1, text);
    if (r >= 0) r = sd_bus_message_close_container(m);
    if (r >= 0) r = sd_bus_message_close_container(m);
    return r;
}

}  // namespace

int64_t mpris_position_us(const Player* p) {
    const Track* t = p->track;
    if (!t || !t->format || t->format->rate == 0) return 0;
    return static_cast<int64_t>(static_cast<double>(t->played_frames) * 1e6 / t->format->rate);
}

int64_t mpris_length_us(const Player* p) {
    const Track* t = p->track;
    if (!t || !t->format || t->format->rate == 0) return 0;
    return static_cast<int64_t>(static_cast<double>(t->total_frames) * 1e6 / t->format->rate);
}

void mpris_track_id(uint32_t id, char* out, size_t cap) {
    snprintf(out, cap, "/org/qulmo/track/%u", id);
}

void mpris_current_track_id(const Player* p, char* out, size_t cap) {
    if (const PlaylistEntry* e = current_entry(p)) {
        mpris_track_id(e->id, out, cap);
    } else {
        snprintf(out, cap, "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    }
}

int32_t mpris_volume_step(double gain) {
    if (!(gain > 0)) return 0;
    int32_t best = 0;
    for (int32_t k = 1; k < static_cast<int32_t>(SONTERA_VOLUME_STEPS); k++) {
        if (std::fabs(gain - volume_gain_table[k]) < std::fabs(gain - volume_gain_table[best]))
            best = k;
    }
    return best;
}

const char* mpris_loop_status(int32_t play_mode) {
    switch (play_mode) {
    case PLAY_SINGLE: return "Track";
    case PLAY_REPEAT:
    case PLAY_SHUFFLE: return "Playlist";
    default: return "None";
    }
}

void mpris_forget_art(Mpris* m) {
    if (m->art_file) unlink(m->art_file);
    free(m->art_file);
    dru_free(m->art_url);
    m->art_file = nullptr;
    m->art_url = nullptr;
}

void mpris_track_loaded(void* user, const Image* art, const char* cover_path) {
    auto* m = static_cast<Mpris*>(user);
    if (!m->bus) return;  // gone: nobody to show the cover to
    m->track_changed = true;
    mpris_forget_art(m);
    dru_free(m->url);
    m->url = nullptr;
    if (const PlaylistEntry* e = current_entry(m->player)) m->url = uri_of_path(e->path);
    if (cover_path) {
        m->art_url = uri_of_path(cover_path);
    } else if (art && art->pixels) {
        m->art_file = write_art(art, ++m->art_serial);
        if (m->art_file) m->art_url = file_uri_from_path(m->art_file);
    }
}

int mpris_append_metadata(sd_bus_message* msg, const Mpris* m) {
    const Player* p = m->player;
    int r = sd_bus_message_open_container(msg, 'a', "{sv}");
    if (r < 0) return r;
    char id[64];
    mpris_current_track_id(p, id, sizeof id);
    r = append_entry(msg, "mpris:trackid", 'o', id);
    if (const PlaylistEntry* e = current_entry(p)) {
        const Track* t = p->track;
        int64_t length = mpris_length_us(p);
        if (r >= 0) r = append_entry(msg, "mpris:length", 'x', &length);
        if (r >= 0) r = append_text(msg, "xesam:title", track_get_tag(t, "title"));
        if (r >= 0) r = append_list(msg, "xesam:artist", track_get_tag(t, "artist"));
        if (r >= 0) r = append_text(msg, "xesam:album", track_get_tag(t, "album"));
        if (r >= 0) r = append_list(msg, "xesam:albumArtist", track_get_tag(t, "album_artist"));
        if (r >= 0 && track_get_tag(t, "track")) {
            int32_t number = e->track_number;
            r = append_entry(msg, "xesam:trackNumber", 'i', &number);
        }
        if (r >= 0) r = append_text(msg, "xesam:url", m->url);
        if (r >= 0) r = append_text(msg, "mpris:artUrl", m->art_url);
    }
    if (r >= 0) r = sd_bus_message_close_container(msg);
    return r;
}
