// The ALSA side of sontera: opening the device, the non-blocking drain and closing.
#include <alsa/asoundlib.h>

#include <cstdio>

#include "foundation/log.h"
#include "foundation/memory.h"
#include "sontera/sontera.h"

namespace {

struct SinkFormat {
    uint32_t code;
    snd_pcm_format_t alsa;
    uint32_t bytes_per_sample;
};

constexpr SinkFormat sink_formats[] = {
    {1, SND_PCM_FORMAT_S16_LE, 2},
    {2, SND_PCM_FORMAT_FLOAT_LE, 4},
    {0, SND_PCM_FORMAT_UNKNOWN, 0},
};

const SinkFormat* find_format(uint32_t code) {
    for (const SinkFormat* f = sink_formats; f->code != 0; f++)
        if (f->code == code) return f;
    return nullptr;
}

// Period of `frames` and the fewest periods allowed (at least two): left to
// itself ALSA would pick a buffer of many seconds, and every frame in it is
// latency between a seek or volume change and what is heard.
bool sontera_set_buffer_size(snd_pcm_t* pcm, snd_pcm_hw_params_t* params, uint32_t frames) {
    snd_pcm_uframes_t period = frames;
    if (snd_pcm_hw_params_set_period_size_near(pcm, params, &period, nullptr) < 0) return false;
    unsigned int periods = 2;
    if (snd_pcm_hw_params_set_periods_min(pcm, params, &periods, nullptr) < 0) return false;
    if (snd_pcm_hw_params_set_periods_first(pcm, params, &periods, nullptr) < 0) return false;
    return true;
}

// Playback starts once the device holds its whole buffer. Left to start on the first
// frame, it starts on the first chunk alone, and a sound server that plays at once
// (PipeWire) runs dry if the next chunk comes a little late, as it easily does while
// the window first appears. A drain starts a device that never filled up.
bool sontera_set_start_threshold(snd_pcm_t* pcm, snd_pcm_uframes_t frames) {
    auto* sw = static_cast<snd_pcm_sw_params_t*>(dru_alloc_memory(1, snd_pcm_sw_params_sizeof()));
    bool ok = snd_pcm_sw_params_current(pcm, sw) >= 0 &&
              snd_pcm_sw_params_set_start_threshold(pcm, sw, frames) >= 0 &&
              snd_pcm_sw_params(pcm, sw) >= 0;
    dru_free(sw);
    return ok;
}

snd_pcm_t* fail(snd_pcm_t* pcm, snd_pcm_hw_params_t* params, bool quiet, const char* message) {
    if (!quiet) log_text(LOG_WARNING, "%s\n", message);
    if (pcm) snd_pcm_close(pcm);
    dru_free(params);
    return nullptr;
}

snd_pcm_t* device_open(uint32_t rate, uint32_t channels, uint32_t buffer_frames, bool quiet,
                       SonteraDeviceLayout* out) {
    const SinkFormat* format = find_format(1);
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return fail(nullptr, nullptr, quiet, "snd_pcm_open() failed");
    auto* params =
        static_cast<snd_pcm_hw_params_t*>(dru_alloc_memory(1, snd_pcm_hw_params_sizeof()));
    snd_pcm_hw_params_any(pcm, params);
    snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (snd_pcm_hw_params_set_format(pcm, params, format->alsa) != 0)
        return fail(pcm, params, quiet, "snd_pcm_hw_params_set_format() failed");
    unsigned int accepted_rate = rate;
    int dir = 0;
    if (snd_pcm_hw_params_set_rate_near(pcm, params, &accepted_rate, &dir) < 0)
        return fail(pcm, params, quiet, "snd_pcm_hw_params_set_rate_near() failed");
    if (snd_pcm_hw_params_set_channels(pcm, params, channels) < 0)
        return fail(pcm, params, quiet, "snd_pcm_hw_params_set_channels() failed");
    if (!sontera_set_buffer_size(pcm, params, buffer_frames) && !quiet)
        log_text(LOG_WARNING, "sontera_set_buffer_size() failed\n");
    if (snd_pcm_hw_params(pcm, params) < 0)
        return fail(pcm, params, quiet, "snd_pcm_hw_params() failed");

    snd_pcm_uframes_t period = 0, buffer = 0;
    snd_pcm_hw_params_get_period_size(params, &period, nullptr);
    snd_pcm_hw_params_get_buffer_size(params, &buffer);
    dru_free(params);
    if (!sontera_set_start_threshold(pcm, buffer) && !quiet)
        log_text(LOG_WARNING, "sontera_set_start_threshold() failed\n");
    *out = {accepted_rate, static_cast<uint32_t>(period), static_cast<uint32_t>(buffer)};
    return pcm;
}

}  // namespace

snd_pcm_t* sontera_device_open(uint32_t rate, uint32_t channels, uint32_t buffer_frames, bool quiet,
                               SonteraDeviceLayout* out) {
    return device_open(rate, channels, buffer_frames, quiet, out);
}

SonteraSink* sontera_sink_open(uint32_t rate, uint32_t channels, uint32_t buffer_frames) {
    const uint32_t format_code = 1;
    const SinkFormat* format = find_format(format_code);
    if (!format) {
        log_text(LOG_WARNING, "format not supported\n");
        return nullptr;
    }
    // Zero is no ring at all, so it is refused with the other non-powers of two.
    if (buffer_frames == 0 || (buffer_frames & (buffer_frames - 1)) != 0) {
        log_text(LOG_WARNING, "buf_frames must be power of 2\n");
        return nullptr;
    }
    SonteraDeviceLayout layout{};
    snd_pcm_t* pcm = sontera_device_open(rate, channels, buffer_frames, false, &layout);
    if (!pcm) return nullptr;

    auto* sink = dru_alloc_array<SonteraSink>(1);
    sink->pcm = pcm;
    sink->format = format_code;
    sink->rate = layout.rate;
    sink->requested_rate = rate;
    sink->channels = channels;
    sink->capacity = buffer_frames;
    sink->frame_bytes = channels * format->bytes_per_sample;
    sink->used = 0;
    sink->read = 0;
    sink->device_period_frames = layout.period_frames;
    sink->device_buffer_frames = layout.buffer_frames;
    sink->next_track_frame = -1;
    sink->room_known = UINT32_MAX;
    sink->ring = static_cast<uint8_t*>(dru_alloc_memory(buffer_frames, sink->frame_bytes));
    return sink;
}

bool sontera_skip_avail(const SonteraSink* sink, uint64_t now_us) {
    if (sink->used == 0) return true;
    if (sink->room_known == UINT32_MAX || now_us < sink->room_known_us) return false;
    // At most what the device can have played since: rounded up, plus an eighth for
    // a device that consumes in bursts or a clock that runs slow.
    uint64_t elapsed = now_us - sink->room_known_us;
    uint64_t played = (elapsed * sink->rate * 9 / 8 + 999999) / 1000000;
    return sink->room_known + played < sink->used;
}

void sontera_remove_data_from_outbuf(SonteraSink* sink) {
    if (sink->lost) {
        sontera_recover(sink, sontera_now_us());
        if (sink->lost) return;
        sink->room_known = UINT32_MAX;  // a new device: its room is not known yet
    }
    // Asking costs a lock and several system calls through a sound server; while the
    // device cannot take all that waits, it still holds more than the ring does.
    const uint64_t now = sontera_now_us();
    if (sontera_skip_avail(sink, now)) return;
    snd_pcm_sframes_t avail = snd_pcm_avail(sink->pcm);
    if (avail < 0) {
        sink->room_known = UINT32_MAX;
        sontera_write_failed(sink, avail, now);
        return;
    }
    uint32_t contiguous = sontera_ring_contiguous(sink);
    uint32_t n =
        static_cast<uint64_t>(avail) < contiguous ? static_cast<uint32_t>(avail) : contiguous;
    sink->room_known =
        static_cast<uint64_t>(avail) < UINT32_MAX ? static_cast<uint32_t>(avail) : UINT32_MAX - 1;
    sink->room_known_us = now;
    if (n == 0) return;
    snd_pcm_sframes_t written = snd_pcm_writei(
        sink->pcm, sink->ring + static_cast<size_t>(sink->read) * sink->frame_bytes, n);
    if (written < 0) {
        // Underrun or a suspended device: make it usable again, keep the frames.
        sink->room_known = UINT32_MAX;
        sontera_write_failed(sink, written, now);
        return;
    }
    // The clock only matters while an outage waits to be declared over.
    if (written > 0) sontera_write_succeeded(sink, sink->in_outage ? now : 0);
    if (sink->room_known != UINT32_MAX) sink->room_known -= static_cast<uint32_t>(written);
    sontera_ring_consume(sink, static_cast<uint32_t>(written));
}

void sontera_resampler_reset(AudioOutput* output) {
    if (output && output->sink) sontera_resampler_clear(&output->sink->resampler);
}

void sontera_close(AudioOutput* output) {
    if (!output) return;
    SonteraSink* sink = output->sink;
    if (sink) {
        sontera_outage_end(sink);
        if (sink->pcm) {
            snd_pcm_drain(sink->pcm);
            snd_pcm_close(sink->pcm);
        }
        snd_config_update_free_global();
        dru_free(sink->ring);
        sontera_resampler_free(&sink->resampler);
        dru_free(sink);
    }
    sontera_conversion_free(&output->conversion);
    dru_free(output);
}
