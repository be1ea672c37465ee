// Volume steps of about -2 dB; every third step halves the gain exactly, so the
// table is built from three base gains and powers of two.
#include "sontera/sontera.h"

namespace {

constexpr float gain_base[3] = {1.0f, 0.7937f, 0.7937f * 0.7937f};

constexpr float gain_for_step(uint32_t step) {
    if (step == 0) return 0.0f;
    uint32_t below = SONTERA_VOLUME_STEPS - 1 - step;
    float gain = gain_base[below % 3];
    for (uint32_t q = below / 3; q > 0; q--) gain *= 0.5f;
    return gain;
}

constexpr auto build_table() {
    struct Table {
        float v[SONTERA_VOLUME_STEPS];
    } table{};
    for (uint32_t k = 0; k < SONTERA_VOLUME_STEPS; k++) table.v[k] = gain_for_step(k);
    return table;
}

constexpr auto gains = build_table();

}  // namespace

const float volume_gain_table[SONTERA_VOLUME_STEPS] = {
    gains.v[0],  gains.v[1],  gains.v[2],  gains.v[3],  gains.v[4],  gains.v[5],  gains.v[6],
    gains.v[7],  gains.v[8],  gains.v[9],  gains.v[10], gains.v[11], gains.v[12], gains.v[13],
    gains.v[14], gains.v[15], gains.v[16], gains.v[17], gains.v[18], gains.v[19], gains.v[20],
};
