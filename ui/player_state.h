// Player: the application state record. main owns one for the whole run and passes
// its address as the user data of every command, hook, task and region callback.
// All fields start zeroed; each subsystem owns and documents its own fields.
//
// The record is defined here, at the renderer's layer, because the renderer is the
// lowest layer that reads it (it draws from the player's images, times and spectrum);
// the application sees it through app/player.h. Only pointers to lower and higher
// records appear in it, so defining it needs nothing from any layer.
#pragma once
#include <cstdint>

struct AudioOutput;
struct Track;
struct Image;
struct Font;
struct ListNode;

struct Player {
    AudioOutput* output;  // current audio sink
    Track* track;         // current track
    Image* canvas;        // window-sized image that each redraw fills
    Image* blur_cache;    // scratch image of the blur elements, dropped on resize
    Image* blur_source;   // the pixels the rounded blur in blur_cache was made from
    int32_t blur_box[5];  // x, y, w, h (clipped) and radius of that blur; w 0: none
    Image* backdrop;      // window-sized image holding the static elements
    Font* font;
    int32_t pointer_x, pointer_y;
    ListNode* playlist;  // List sentinel
    ListNode* current;   // current playlist entry's node

    uint32_t position_ms, duration_ms, last_tick_ms;

    // Spectrum analysis buffers; allocated at start-up, reused while playing.
    float* cos_table;         // 16384 entries
    float* sample_history;    // last fft_size samples of channel 0
    float* analysis_scratch;  // channel 0 of the current chunk
    float* fft_in_re;
    float* fft_in_im;
    float* fft_out_re;
    float* fft_out_im;
    float* spectrum;  // smoothed power per bin
    int32_t fft_size;
    int32_t fft_bin_scale;

    // Audio conversion buffers; grow on demand, never shrink.
    float* resample_buf;
    uint64_t resample_capacity;  // bytes
    int16_t* convert_buf;
    uint64_t convert_capacity;  // bytes

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

    // Calls the audio pump makes into the renderer and the playlist; start-up sets
    // them, so the audio pipeline builds and tests without either.
    void (*redraw)(Player*);
    void (*next_track)(Player*);

    // Told at the end of every track load, with the album art found (null when none)
    // and the cover file it came from (null when it came from inside the track); both
    // live only during the call. Set by start-up when the desktop media controls are on.
    struct TrackLoadHook {
        void (*fn)(void* user, const Image* art, const char* cover_path);
        void* user;
    } track_loaded;
    // Bumped by every jump of the playing position (seek, restart, single-mode
    // repeat), so that observers can tell such a jump from playing on.
    uint32_t seek_serial;
};

enum : int32_t { PLAY_NORMAL = 0, PLAY_REPEAT = 1, PLAY_SINGLE = 2, PLAY_SHUFFLE = 3 };
