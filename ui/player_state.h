// Player: the application state record. main owns one for the whole run and passes
// its address as the user data of every command, hook, task and region callback.
// All fields start zeroed; each subsystem owns and documents its own fields.
//
// The record is defined here, at the renderer's layer, because the renderer is the
// lowest layer that reads it (it draws from the player's images, times and spectrum);
// the application sees it through app/player.h. It holds the records of the libraries
// below the renderer that it draws from (the analysis, the blur cache) and pointers
// to the rest; each of those records is defined and documented by its own library.
#pragma once
#include <cstdint>

#include "analysis/analysis.h"
#include "imaging/blur.h"

struct AudioOutput;
struct Track;
struct Image;
struct Font;
struct ListNode;
struct AlbumArt;

struct Player {
    AudioOutput* output;  // current audio sink
    Track* track;         // current track
    Image* canvas;        // window-sized image that each redraw fills
    BlurCache blur;       // the rounded blurs' scratch, dropped on resize
    Image* backdrop;      // window-sized image holding the static elements
    Font* font;
    int32_t pointer_x, pointer_y;
    ListNode* playlist;  // List sentinel
    ListNode* current;   // current playlist entry's node

    uint32_t position_ms, duration_ms, last_tick_ms;

    Analysis analysis;  // allocated at start-up, reused while playing

    int32_t play_mode;  // 0 normal, 1 repeat, 2 single, 3 shuffle
    int32_t analysis_enabled;
    double scale;
    double frametime_ms;
    int32_t volume;  // step 0..20
    double speed;
    uint8_t playing;

    // Timing figures shown by the statsdebug text.
    uint32_t gfx_us;
    uint32_t dsp_us;
    double frame_interval_us;
    uint64_t redraw_tick_us;  // monotonic clock at the previous redraw tick (audio pump)

    uint64_t shuffle_state[4];

    // What the listener asked for on the command line: tracks of one format joined
    // in one sink (gapless), the ReplayGain mode (decoders/replaygain.h) and preamp.
    uint8_t gapless;
    int32_t replaygain_mode;
    double preamp_db;
    // The current track's ReplayGain factor, multiplied into the volume step; 0 stands
    // for none (unity), so a zeroed record plays untouched.
    float track_gain;
    // The pump sets it while it moves on at the end of a track: only then may the
    // next track join the sink (app/track_join.h).
    uint8_t track_ended;
    // A joined track whose first frame is not yet with the device: the frames of the
    // track before it still waiting in the ring.
    uint8_t join_pending;
    uint32_t join_frames_before;

    // Calls the audio pump makes into the renderer and the playlist; start-up sets
    // them, so the audio pipeline builds and tests without either.
    void (*redraw)(Player*);
    void (*next_track)(Player*);
    // A track that joined the open sink has become the one heard: the window title
    // follows the current entry (app/track_join.h).
    void (*track_shown)(Player*);

    // Told at the end of every track load, with the album art found (null when none)
    // and the cover file it came from (null when it came from inside the track); both
    // live only during the call. A cover decoded in slices is told when it is done (and
    // not at all when another track replaces it first). Set by start-up when the desktop media controls are on.
    struct TrackLoadHook {
        void (*fn)(void* user, const Image* art, const char* cover_path);
        void* user;
    } track_loaded;
    // The current track's cover while it is decoded a slice at a time (app/load_track.h),
    // and the call that does one slice: the main loop makes it once per pass. Start-up
    // sets it, so the loop builds and tests without the track loading.
    AlbumArt* art_pending;
    bool (*art_step)(Player*);
    // Bumped by every jump of the playing position (seek, restart, single-mode
    // repeat), so that observers can tell such a jump from playing on.
    uint32_t seek_serial;
};

enum : int32_t { PLAY_NORMAL = 0, PLAY_REPEAT = 1, PLAY_SINGLE = 2, PLAY_SHUFFLE = 3 };
