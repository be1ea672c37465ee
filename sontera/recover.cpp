// Keeping the sound going when the device fails for longer than an underrun: the
// sound server restarted, the device unplugged or suspended for good. The frames
// stay in the ring, so once a reopen works playback goes on where it stopped.
//
// An outage is announced once, when it starts, and its end once, when a reopened
// device has taken frames for SONTERA_BACK_AFTER_US without failing: a device that
// opens but fails again at once (a file device on a full disk) is the same outage,
// not a stream of lost and back lines. During the outage alsa-lib's own error
// lines, which come with every failed open or write, are not shown either.
#include <alsa/asoundlib.h>

#include <cerrno>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "sontera/sontera.h"

namespace {

// Errors after which the handle is of no further use.
bool device_gone(long error) {
    return error == -ENODEV || error == -EBADFD || error == -EIO || error == -ENOTTY;
}

void silent_alsa_error(const char*, int, const char*, int, const char*, ...) {}

void mark_lost(SonteraSink* sink, uint64_t now_us) {
    // No drain: a device that fails does not play out what it holds, and a drain
    // could wait for it.
    snd_pcm_close(sink->pcm);
    sink->pcm = nullptr;
    sink->lost = 1;
    sink->failing_since_us = 0;
    sink->next_reopen_us = now_us + SONTERA_REOPEN_EVERY_US;
    if (sink->in_outage) return;
    sink->in_outage = 1;
    log_write({LOG_WARNING, "audio device lost", "trying to reopen it once a second"});
    snd_lib_error_set_handler(silent_alsa_error);
}

}  // namespace

uint64_t sontera_now_us() {
    // Never 0, which stands for "no failure yet".
    return clock_now_us() + 1;
}

void sontera_write_succeeded(SonteraSink* sink, uint64_t now_us) {
    sink->failing_since_us = 0;
    if (!sink->in_outage || now_us - sink->reopened_us < SONTERA_BACK_AFTER_US) return;
    sontera_outage_end(sink);
    log_write({LOG_WARNING, "audio device back", "playing on"});
}

void sontera_outage_end(SonteraSink* sink) {
    if (!sink->in_outage) return;
    sink->in_outage = 0;
    snd_lib_error_set_handler(nullptr);
}

void sontera_write_failed(SonteraSink* sink, long error, uint64_t now_us) {
    if (sink->lost || !sink->pcm) return;
    if (sink->failing_since_us == 0) sink->failing_since_us = now_us;
    bool gone = device_gone(error);
    if (!gone && error == -ESTRPIPE) {
        // Suspended: resume, or start over when the device cannot resume; -EAGAIN
        // means the resume is still under way.
        int r = snd_pcm_resume(sink->pcm);
        if (r < 0 && r != -EAGAIN) r = snd_pcm_prepare(sink->pcm);
        gone = r < 0 && r != -EAGAIN;
    } else if (!gone && error != -EAGAIN) {
        // An underrun (-EPIPE) and anything else: prepare and write again next time.
        gone = device_gone(snd_pcm_prepare(sink->pcm));
    }
    if (gone || now_us - sink->failing_since_us > SONTERA_LOST_AFTER_US) mark_lost(sink, now_us);
}

void sontera_recover(SonteraSink* sink, uint64_t now_us) {
    if (!sink->lost || now_us < sink->next_reopen_us) return;
    sink->next_reopen_us = now_us + SONTERA_REOPEN_EVERY_US;
    SonteraDeviceLayout layout{};
    snd_pcm_t* pcm =
        sontera_device_open(sink->requested_rate, sink->channels, sink->capacity, true, &layout);
    if (!pcm) return;
    // The ring holds frames at the old rate: a device that now insists on another
    // one would play them at the wrong speed, so it counts as still lost.
    if (layout.rate != sink->rate) {
        snd_pcm_close(pcm);
        return;
    }
    sink->pcm = pcm;
    sink->device_period_frames = layout.period_frames;
    sink->device_buffer_frames = layout.buffer_frames;
    sink->lost = 0;
    sink->failing_since_us = 0;
    sink->reopened_us = now_us;
}
