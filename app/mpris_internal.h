// Shared by the desktop media controls' files (app/mpris*.cpp); see app/mpris.h.
//
//   Mpris                       the connection and what the bus was last told.
//   mpris_root_vtable, mpris_player_vtable
//                               the two interfaces; their user data is the Mpris.
//   mpris_track_loaded(m, art, cover)   the player's track-load hook: url and art URL of
//                               the new track, the cover PNG written under
//                               $XDG_RUNTIME_DIR/qulmo/ when the art came from inside
//                               the track (the previous one removed); marks the
//                               metadata changed.
//   mpris_forget_art(m)         removes the written cover file, clears the art URL.
//   mpris_append_metadata(msg, m)  the Metadata a{sv} of the current track.
//   mpris_position_us(player)   microseconds played of the current track (0 without).
//   mpris_length_us(player)     the current track's length in microseconds (0 without).
//   mpris_track_id(id, out, cap)    "/org/qulmo/track/<id>" of a playlist entry id.
//   mpris_current_track_id(player, out, cap)  that of the current entry, or
//                               "/org/mpris/MediaPlayer2/TrackList/NoTrack".
//   mpris_volume_step(gain)     the volume step whose gain is nearest to gain (0..20;
//                               below 0 and NaN give 0, above 1 gives 20).
//   mpris_loop_status(mode)     "None" (normal), "Track" (single), "Playlist" (repeat,
//                               and shuffle, which starts over when it runs out).
#pragma once
#include <cstddef>
#include <cstdint>

struct sd_bus;
struct sd_bus_slot;
struct sd_bus_message;
struct sd_bus_vtable;
struct Player;
struct Image;

struct Mpris {
    sd_bus* bus;
    sd_bus_slot* slots[2];
    Player* player;
    bool more;         // the last pass stopped at its budget
    bool command_ran;  // a method or property write ran a command in this pass
    // What the bus was last told.
    uint8_t playing;
    int32_t play_mode;
    int32_t volume;
    uint32_t seek_serial;
    bool track_changed;
    // Of the current track.
    char* url;
    char* art_url;
    char* art_file;  // the cover PNG written for it, or null
    uint32_t art_serial;
};

extern const sd_bus_vtable mpris_root_vtable[];
extern const sd_bus_vtable mpris_player_vtable[];

void mpris_track_loaded(void* mpris, const Image* art, const char* cover_path);
void mpris_forget_art(Mpris* mpris);
int mpris_append_metadata(sd_bus_message* message, const Mpris* mpris);
[[nodiscard]] int64_t mpris_position_us(const Player* player);
[[nodiscard]] int64_t mpris_length_us(const Player* player);
void mpris_track_id(uint32_t id, char* out, size_t cap);
void mpris_current_track_id(const Player* player, char* out, size_t cap);
[[nodiscard]] int32_t mpris_volume_step(double gain);
[[nodiscard]] const char* mpris_loop_status(int32_t play_mode);

inline constexpr const char* MPRIS_PATH = "/org/mpris/MediaPlayer2";
inline constexpr const char* MPRIS_ROOT = "org.mpris.MediaPlayer2";
inline constexpr const char* MPRIS_PLAYER = "org.mpris.MediaPlayer2.Player";
