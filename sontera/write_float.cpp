// Float chunks on their way into the ring: rate conversion, 16-bit samples.
#include "foundation/memory.h"
#include "sontera/sontera.h"

namespace {

// The work buffers grow to the largest chunk seen and are then reused, so steady
// playback allocates nothing.
template <typename T>
T* ensure_capacity(T*& buffer, uint64_t& capacity, uint64_t bytes) {
    if (capacity < bytes) {
        dru_free(buffer);
        buffer = static_cast<T*>(dru_alloc_memory(1, bytes));
        capacity = bytes;
    }
    return buffer;
}

}  // namespace

void sontera_write_float(AudioOutput* output, const float* samples, uint64_t floats, uint32_t rate,
                         uint32_t channels) {
    SonteraSink* sink = output->sink;
    SonteraConversion& work = output->conversion;
    const float* data = samples;
    uint64_t bytes = floats * 4;
    // The most bytes this chunk may become: converted chunks vary by a frame, and
    // the 16-bit buffer is sized for the largest so it does not regrow each time.
    uint64_t most_bytes = bytes;
    if (rate != output->rate && channels != 0) {
        const uint64_t frame_floats = channels;
        const uint32_t in_frames = static_cast<uint32_t>(floats / frame_floats);
        const uint64_t room =
            sontera_resample_max_frames(in_frames, rate, output->rate) * 4 * frame_floats;
        float* out = ensure_capacity(work.resample_buf, work.resample_capacity, room);
        uint64_t out_frames = sontera_resample(&sink->resampler, samples, in_frames, channels, rate,
                                               output->rate, out);
        data = out;
        bytes = out_frames * 4 * frame_floats;
        most_bytes = room;
    }

    const uint64_t float_frame_bytes = 4ull * channels;
    if (output->format != SONTERA_S16 || float_frame_bytes == 0) {
        bytes = 0;
    } else {
        const uint64_t device_frame_bytes = 2ull * output->channels;
        const uint64_t m = bytes * device_frame_bytes / float_frame_bytes;
        const uint64_t most = most_bytes * device_frame_bytes / float_frame_bytes;
        int16_t* out =
            ensure_capacity(work.convert_buf, work.convert_capacity, most > m ? most : m);
        uint64_t count = m / 2 < bytes / 4 ? m / 2 : bytes / 4;
        sontera_float_to_s16(data, count, out);
        data = reinterpret_cast<const float*>(out);
        bytes = count * 2;
    }

    if (sink->frame_bytes == 0) return;
    sontera_ring_append(sink, reinterpret_cast<const uint8_t*>(data), bytes / sink->frame_bytes);
}

void sontera_conversion_free(SonteraConversion* work) {
    dru_free(work->resample_buf);
    dru_free(work->convert_buf);
    *work = {};
}
