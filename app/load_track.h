// Making a playlist entry the current track.
//
//   player_load_track(player, entry)
//       logs "loading file <path>", opens the track, fills the entry's display strings
//       once, fits the album art into every album-art element, replaces the player's
//       track, renders the static layer, sets the window title "[artist - title] -
//       qulmo", reopens the sound sink at the track's rate and channel count, then tells
//       player->track_loaded (when set) of the art; true. The caller redraws. Sets
//       player->track_gain from the track's ReplayGain tags. A track that joins the open
//       sink (app/track_join.h) keeps the sink, and its position, duration and title
//       wait until its first frame reaches the device.
//       A file that cannot be opened changes nothing of the player: one line "WARNING:
//       cannot play, skipped: <path> (<reason>)", the entry shows its file name
//       (display_strings_fill_unplayable), false.
//       The album art: the kept cover of the same album at once; a large cover file
//       (decoders/metadata.h, album_art_start) is decoded in slices after the load
//       returns: the elements show the placeholder (a transparent image) until
//       player_art_step finishes it, and player->track_loaded is told then. A pending
//       cover of the track before is freed first.
//   player_art_step(player)          one slice of the pending cover; when that finishes
//                                    it: the art fitted into the elements (a failure,
//                                    whose warning the decode printed, leaves the
//                                    placeholder), kept for the next track of the album,
//                                    the static layer rendered, player->track_loaded
//                                    told, player->redraw called. True while some remains.
//   player_art_cancel(player)        frees the pending cover, if any.
//   player_title_current(player)     the window title of player->current's entry.
//   player_flush_output(player)      writes what the sink's ring still holds into the device
//                                    (waiting for room, bounded), so that closing the sink
//                                    loses no audio.
//   load_track_buffer_frames(rate)   sink buffer size for a rate: 2048 below 44100 Hz,
//                                    else (rate / 44100) * 2048.
//   album_art_fit(art, w, h, center) a new w x h image of the art: stretched, or with
//                                    center set scaled to cover and centred (overflow
//                                    cropped).
//   album_art_cover_geometry(aw, ah, w, h) the placement album_art_fit uses when
//                                    centring: scaled size and offset.
//   album_art_wanted()               the smallest art worth decoding: twice the largest
//                                    width and height of the album-art elements of
//                                    ui_elements (saturating); {0, 0} when there are none.
#pragma once
#include <cstdint>

struct Player;
struct PlaylistEntry;
struct Image;
struct ImageWanted;

struct ArtPlacement {
    int32_t x, y, w, h;
};

[[nodiscard]] bool player_load_track(Player* player, PlaylistEntry* entry);
bool player_art_step(Player* player);
void player_art_cancel(Player* player);
void player_flush_output(Player* player);
void player_title_current(Player* player);
[[nodiscard]] uint32_t load_track_buffer_frames(uint32_t rate);
[[nodiscard]] ArtPlacement album_art_cover_geometry(int32_t aw, int32_t ah, int32_t w, int32_t h);
[[nodiscard]] Image* album_art_fit(const Image* art, int32_t w, int32_t h, bool center);
[[nodiscard]] ImageWanted album_art_wanted();
