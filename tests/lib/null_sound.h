// A sound output without a device for unit tests: the device half of sontera
// (sontera_sink_open, sontera_remove_data_from_outbuf, sontera_resampler_reset,
// sontera_close) defined over the record null_sound, so the code above it runs
// unchanged while no ALSA device is opened. Link the null_sound object library:
// object files always come before archives, so these definitions take the place
// of the real device half whatever the order of the other libraries.
//
//   sontera_sink_open     a sink with a ring of buffer_frames frames of 16-bit
//                         samples and no device; the device "accepts" null_sound.rate
//                         when set, else the rate asked for. Null when refuse is set
//                         or buffer_frames is not a power of two.
//   sontera_remove_data_from_outbuf   takes every waiting frame; counted in played.
//   sontera_resampler_reset, sontera_close   as the real ones (close frees the
//                         conversion's buffers too); null is accepted.
//   trace                 when set, gets the function's name on every call above.
//   null_sound_reset()    back to the state below.
#pragma once
#include <cstdint>

#include "sontera/sontera.h"

struct NullSound {
    uint32_t rate = 0;
    bool refuse = false;
    uint64_t played = 0;
    void (*trace)(const char* call) = nullptr;
};

extern NullSound null_sound;

void null_sound_reset();
