// The write half: one decoded chunk on its way from the track to the ring.
#include "analysis/analysis.h"
#include "decoders/track.h"
#include "foundation/memory.h"
#include "sontera/sontera.h"
#include "ui/player_state.h"

namespace {

// Work buffers of the Player grow to the largest chunk seen and are then reused,
// so steady playback allocates nothing.
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

void sontera_add_data_to_outbuf(Player* player, float* samples, uint32_t byte_count) {
    AudioOutput* output = player->output;
    if (!output || !output->sink || !player->track || !player->track->format) return;
    SonteraSink* sink = output->sink;
    const AudioFormat track = *player->track->format;
    const uint64_t floats = byte_count / 4;

    if (player->analysis_enabled)
        analysis_tap(player, samples, static_cast<uint32_t>(floats), track.channels);

    int32_t step = player->volume;
    if (step < 0) step = 0;
    if (step >= static_cast<int32_t>(SONTERA_VOLUME_STEPS)) step = SONTERA_VOLUME_STEPS - 1;
    const float gain = volume_gain_table[step];
    for (uint64_t i = 0; i < floats; i++) samples[i] *= gain;

    const float* data = samples;
    uint64_t bytes = byte_count;
    // The most bytes this chunk may become: converted chunks vary by a frame, and
    // the 16-bit buffer is sized for the largest so it does not regrow each time.
    uint64_t most_bytes = bytes;
    if (track.rate != output->rate && track.channels != 0) {
        const uint64_t frame_floats = track.channels;
        const uint32_t in_frames = static_cast<uint32_t>(floats / frame_floats);
        const uint64_t room =
            sontera_resample_max_frames(in_frames, track.rate, output->rate) * 4 * frame_floats;
        float* out = ensure_capacity(player->resample_buf, player->resample_capacity, room);
        uint64_t out_frames = sontera_resample(&sink->resampler, samples, in_frames, track.channels,
                                               track.rate, output->rate, out);
        data = out;
        bytes = out_frames * 4 * frame_floats;
        most_bytes = room;
    }

    const AudioFormat device = {output->rate, output->format, output->channels};
    if (track.format != device.format) {
        const uint64_t track_bpf = bytes_per_frame(track);
        if (track.format != SAMPLE_F32 || device.format != SAMPLE_S16 || track_bpf == 0) {
            bytes = 0;
        } else {
            const uint64_t m = bytes * bytes_per_frame(device) / track_bpf;
            const uint64_t most = most_bytes * bytes_per_frame(device) / track_bpf;
            int16_t* out =
                ensure_capacity(player->convert_buf, player->convert_capacity, most > m ? most : m);
            uint64_t count = m / 2 < bytes / 4 ? m / 2 : bytes / 4;
            sontera_float_to_s16(data, count, out);
            data = reinterpret_cast<const float*>(out);
            bytes = count * 2;
        }
    }

    if (sink->frame_bytes == 0) return;
    sontera_ring_append(sink, reinterpret_cast<const uint8_t*>(data), bytes / sink->frame_bytes);
}
