// sontera: the player's audio output. One ALSA playback device ("default", opened
// non-blocking) with a ring buffer of device-format frames in front of it.
//
//   sontera_sink_open(rate, channels, buffer_frames) -> SonteraSink* or null
//       Opens the device for signed 16-bit interleaved frames at about `rate`
//       (sink->rate holds what the device accepted). buffer_frames must be a power
//       of two; it is both the ring capacity and the device period size (the device
//       buffer is asked for two periods). The device starts playing once its buffer
//       is full (after an underrun too); closing drains, which starts a device that
//       never filled. Every failure prints one line on stderr.
//   sontera_close(output)
//       Drains and closes the device, releases ALSA's cached configuration and frees
//       the ring, the sink, the conversion's work buffers and the AudioOutput
//       (allocated with dru_alloc_memory). Null is accepted.
//   sontera_write_float(output, samples, floats, rate, channels)
//       One chunk of `floats` interleaved samples in -1..1 at `rate` with `channels`
//       channels into the ring: sample-rate conversion when rate differs from
//       output->rate, 16-bit conversion, append (excess frames are dropped with a
//       message). The conversion's buffers in output->conversion grow to the largest
//       chunk seen and are reused. Nothing is written for a device format other than
//       16-bit or for zero channels.
//   sontera_conversion_free(work)   frees the buffers; the record is then empty.
//   sontera_remove_data_from_outbuf(sink)
//       The drain half: writes as many waiting frames as the device takes now, up to
//       the end of the ring. Never waits. A failed write re-prepares the device and
//       keeps the frames for the next call. When writing keeps failing for more than
//       SONTERA_LOST_AFTER_US, or an error says the device is gone, the device is
//       closed ("lost": pcm null) and reopened with the sink's rate, channels and
//       buffer, at most once per SONTERA_REOPEN_EVERY_US; the ring keeps its frames
//       throughout. One warning line when the outage begins, one when a reopened
//       device has taken frames for SONTERA_BACK_AFTER_US; nothing per retry, and
//       alsa-lib's own error lines are held back in between.
//       The device is not asked for its room while it cannot yet take everything
//       that waits (sontera_skip_avail), so the frames go out in fewer, larger pieces.
//   sontera_skip_avail(sink, now_us) -> true when asking can wait: nothing waits, or
//       the room known from the last query plus the most the device can have played
//       since (the elapsed time at the rate, with an eighth to spare) is still
//       smaller than what waits. The device then still holds more than the ring.
//   sontera_resampler_reset(output)
//       Forgets the rate converter's carried position and frame. Call it whenever
//       the decoder position jumps (seek, restart) so the next chunk is not joined
//       to audio from elsewhere in the track. Opening a sink starts it fresh.
//
// Building blocks (used by the halves above; public so they can be checked alone):
//   sontera_device_open(rate, channels, buffer_frames, quiet, out) -> pcm or null
//       Opens and sets up "default" as sontera_sink_open describes; `out` receives
//       the accepted rate and the period layout. quiet: no line on failure.
//   sontera_write_failed(sink, error, now_us)  one failed avail or write: re-prepares
//       (resumes a suspended device) and marks the device lost when the failures
//       have lasted too long or the error says it is gone.
//   sontera_write_succeeded(sink, now_us)  the device took frames: the failures are
//       over, and so is the outage once the reopened device has lasted. now_us is
//       read only while sink->in_outage is set.
//   sontera_recover(sink, now_us)  while lost: reopens when the time has come.
//   sontera_outage_end(sink)       ends an outage without its line (closing).
//   sontera_now_us()               monotonic clock in microseconds.
//   sontera_ring_append(sink, frames_data, frames)  copies into the ring, returns the
//       frames kept; prints the drop message once when the ring cannot take them all.
//   sontera_ring_contiguous(sink)   waiting frames from `read` up to the ring's end.
//   sontera_ring_consume(sink, n)   marks n frames as written.
//   sontera_float_to_s16(in, count, out)  clamps to +-32767, truncates toward zero.
//   sontera_resample(rs, in, in_frames, channels, rate_in, rate_out, out) -> frames
//       linear interpolation that continues seamlessly across calls.
//   sontera_resample_max_frames(in_frames, rate_in, rate_out) -> room `out` needs.
//
// Everything is single-threaded; call both halves from the same thread.
#pragma once
#include <cstdint>

typedef struct _snd_pcm snd_pcm_t;

// Sample-rate converter state that carries over from one chunk to the next.
// Positions are kept as an integer phase in units of 1/rate_out input frames, so
// the read position never drifts however long the track plays.
struct SonteraResampler {
    int64_t phase;  // next output position relative to the chunk's first frame;
                    // negative: between the previous chunk's last frame and it
    float* last;    // the previous chunk's last frame (last_channels floats)
    uint32_t last_channels;
    uint32_t rate_in, rate_out;
    uint8_t primed;  // `last` holds a frame
};

struct SonteraSink {
    snd_pcm_t* pcm;
    uint8_t* ring;    // capacity * frame_bytes bytes
    uint32_t format;  // SampleFormat code the sink was opened with (1)
    uint32_t rate;    // rate the device accepted
    uint32_t channels;
    uint32_t capacity;  // ring size in frames, a power of two
    uint32_t frame_bytes;
    uint32_t used;                  // frames waiting to be written
    uint32_t read;                  // ring index of the oldest waiting frame
    uint32_t device_period_frames;  // layout the device settled on
    uint32_t device_buffer_frames;
    SonteraResampler resampler;
    int64_t next_track_frame;   // track frame the writer expects next; -1 unknown. The
                                // caller that decodes compares it with the track position
                                // to notice seeks and restart the rate converter.
    uint32_t requested_rate;    // the track's rate, asked for again on a reopen
    uint8_t lost;               // the device failed and is closed until a reopen works
    uint8_t in_outage;          // announced lost and not yet announced back
    uint64_t reopened_us;       // time of the latest successful reopen
    uint64_t failing_since_us;  // first failure of the current run of them; 0 none
    uint64_t next_reopen_us;    // earliest time of the next reopen while lost
    uint32_t room_known;        // device room left after the last query and write;
                                // UINT32_MAX: unknown, ask the device next time
    uint64_t room_known_us;     // time of that query
};

// What the device settled on when it was opened.
struct SonteraDeviceLayout {
    uint32_t rate;
    uint32_t period_frames;
    uint32_t buffer_frames;
};

constexpr uint64_t SONTERA_LOST_AFTER_US = 500000;
constexpr uint64_t SONTERA_REOPEN_EVERY_US = 1000000;
constexpr uint64_t SONTERA_BACK_AFTER_US = 1000000;

// The work buffers of the conversion into the device's format.
struct SonteraConversion {
    float* resample_buf;
    uint64_t resample_capacity;  // bytes
    int16_t* convert_buf;
    uint64_t convert_capacity;  // bytes
};

constexpr uint32_t SONTERA_S16 = 1;  // the sink's sample format code: signed 16-bit

// Replaced when a track needs another sink; the owner hands the conversion's buffers
// on to the next one. The three numbers form the sink's {rate, format,
// channels} for frame-size arithmetic; format is always SONTERA_S16.
struct AudioOutput {
    uint32_t format;
    uint32_t rate;
    uint32_t channels;
    SonteraSink* sink;
    SonteraConversion conversion = {};
};

constexpr uint32_t SONTERA_VOLUME_STEPS = 21;
extern const float volume_gain_table[SONTERA_VOLUME_STEPS];

[[nodiscard]] SonteraSink* sontera_sink_open(uint32_t rate, uint32_t channels,
                                             uint32_t buffer_frames);
void sontera_close(AudioOutput* output);
void sontera_write_float(AudioOutput* output, const float* samples, uint64_t floats, uint32_t rate,
                         uint32_t channels);
void sontera_conversion_free(SonteraConversion* work);
void sontera_remove_data_from_outbuf(SonteraSink* sink);
[[nodiscard]] bool sontera_skip_avail(const SonteraSink* sink, uint64_t now_us);
void sontera_resampler_reset(AudioOutput* output);

snd_pcm_t* sontera_device_open(uint32_t rate, uint32_t channels, uint32_t buffer_frames, bool quiet,
                               SonteraDeviceLayout* out);
void sontera_write_failed(SonteraSink* sink, long error, uint64_t now_us);
void sontera_write_succeeded(SonteraSink* sink, uint64_t now_us);
void sontera_recover(SonteraSink* sink, uint64_t now_us);
void sontera_outage_end(SonteraSink* sink);
[[nodiscard]] uint64_t sontera_now_us();
uint32_t sontera_ring_append(SonteraSink* sink, const uint8_t* frames_data, uint64_t frames);
[[nodiscard]] uint32_t sontera_ring_contiguous(const SonteraSink* sink);
void sontera_ring_consume(SonteraSink* sink, uint32_t frames);
uint64_t sontera_float_to_s16(const float* in, uint64_t count, int16_t* out);
uint64_t sontera_resample(SonteraResampler* rs, const float* in, uint32_t in_frames,
                          uint32_t channels, uint32_t rate_in, uint32_t rate_out, float* out);
[[nodiscard]] uint64_t sontera_resample_max_frames(uint64_t in_frames, uint32_t rate_in,
                                                   uint32_t rate_out);
void sontera_resampler_clear(SonteraResampler* rs);
void sontera_resampler_free(SonteraResampler* rs);
