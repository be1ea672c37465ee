// The write half: one decoded chunk on its way from the track to the ring.
#include "app/output_write.h"

#include "analysis/analysis.h"
#include "decoders/track.h"
#include "sontera/sontera.h"
#include "ui/player_state.h"

void sontera_add_data_to_outbuf(Player* player, float* samples, uint32_t byte_count) {
    AudioOutput* output = player->output;
    if (!output || !output->sink || !player->track || !player->track->format) return;
    const AudioFormat track = *player->track->format;
    const uint64_t floats = byte_count / 4;

    if (player->analysis_enabled)
        analysis_tap(&player->analysis, samples, static_cast<uint32_t>(floats), track.channels);

    int32_t step = player->volume;
    if (step < 0) step = 0;
    if (step >= static_cast<int32_t>(SONTERA_VOLUME_STEPS)) step = SONTERA_VOLUME_STEPS - 1;
    // The track's ReplayGain rides on the volume: still one multiplication a sample.
    float gain = volume_gain_table[step];
    if (player->track_gain > 0.0f) gain *= player->track_gain;
    for (uint64_t i = 0; i < floats; i++) samples[i] *= gain;

    if (track.format != SAMPLE_F32) return;  // decoders hand over floats only
    sontera_write_float(output, samples, floats, track.rate, track.channels);
}
