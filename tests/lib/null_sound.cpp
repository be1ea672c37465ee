#include "null_sound.h"

#include "foundation/memory.h"

NullSound null_sound;

void null_sound_reset() { null_sound = NullSound{}; }

namespace {
void traced(const char* call) {
    if (null_sound.trace) null_sound.trace(call);
}
}  // namespace

SonteraSink* sontera_sink_open(uint32_t rate, uint32_t channels, uint32_t buffer_frames) {
    traced("sontera_sink_open");
    if (null_sound.refuse || buffer_frames == 0 || (buffer_frames & (buffer_frames - 1)) != 0)
        return nullptr;
    auto* sink = dru_alloc_array<SonteraSink>(1);
    sink->format = 1;
    sink->rate = null_sound.rate ? null_sound.rate : rate;
    sink->channels = channels;
    sink->capacity = buffer_frames;
    sink->frame_bytes = channels * 2;
    sink->device_period_frames = buffer_frames;
    sink->device_buffer_frames = 2 * buffer_frames;
    sink->next_track_frame = -1;
    sink->ring = static_cast<uint8_t*>(dru_alloc_memory(buffer_frames, sink->frame_bytes));
    return sink;
}

void sontera_remove_data_from_outbuf(SonteraSink* sink) {
    traced("sontera_remove_data_from_outbuf");
    null_sound.played += sink->used;
    sink->read = (sink->read + sink->used) & (sink->capacity - 1);
    sink->used = 0;
}

void sontera_resampler_reset(AudioOutput* output) {
    traced("sontera_resampler_reset");
    if (!output || !output->sink) return;
    output->sink->resampler.phase = 0;
    output->sink->resampler.primed = 0;
}

void sontera_close(AudioOutput* output) {
    traced("sontera_close");
    if (!output) return;
    if (SonteraSink* sink = output->sink) {
        dru_free(sink->ring);
        dru_free(sink->resampler.last);
        dru_free(sink);
    }
    dru_free(output->conversion.resample_buf);
    dru_free(output->conversion.convert_buf);
    dru_free(output);
}
