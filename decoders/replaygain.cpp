// ReplayGain tags into numbers, and numbers into the factor the write half applies.
#include "decoders/replaygain.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t NUMBER_MAX = 32;  // longer texts are no gain anyone wrote

bool is_space(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

struct Number {
    bool allow_fraction;
    bool allow_unit;  // "dB" may follow
};

// The whole text as "[+-]digits[.digits]" (',' also starts the fraction), spaces
// around, "dB" after when allowed. Only such a text reaches strtod, so "nan",
// "inf", "1e309" and hex never become numbers; false when the text is anything else.
bool read_number(const char* text, size_t length, Number kind, double* out) {
    char copy[NUMBER_MAX + 1];
    size_t used = 0, digits = 0, i = 0;
    auto put = [&](char c) {
        if (used < NUMBER_MAX) copy[used] = c;
        used++;
    };
    while (i < length && is_space(text[i])) i++;
    if (i < length && (text[i] == '+' || text[i] == '-')) put(text[i++]);
    for (; i < length && is_digit(text[i]); i++, digits++) put(text[i]);
    if (kind.allow_fraction && i < length && (text[i] == '.' || text[i] == ',')) {
        put('.');
        for (i++; i < length && is_digit(text[i]); i++, digits++) put(text[i]);
    }
    while (i < length && is_space(text[i])) i++;
    if (kind.allow_unit && length - i >= 2 && strncasecmp(text + i, "dB", 2) == 0) {
        i += 2;
        while (i < length && is_space(text[i])) i++;
    }
    if (digits == 0 || i != length || used > NUMBER_MAX) return false;
    copy[used] = '\0';
    *out = strtod(copy, nullptr);
    return std::isfinite(*out);
}

struct FieldName {
    const char* name;
    ReplayGainField field;
};

constexpr FieldName field_names[] = {
    {"REPLAYGAIN_TRACK_GAIN", RG_TRACK_GAIN}, {"REPLAYGAIN_ALBUM_GAIN", RG_ALBUM_GAIN},
    {"REPLAYGAIN_TRACK_PEAK", RG_TRACK_PEAK}, {"REPLAYGAIN_ALBUM_PEAK", RG_ALBUM_PEAK},
    {"R128_TRACK_GAIN", RG_R128_TRACK},       {"R128_ALBUM_GAIN", RG_R128_ALBUM},
};

bool read_field(ReplayGainField field, const char* value, size_t length, double* out) {
    switch (field) {
    case RG_TRACK_PEAK:
    case RG_ALBUM_PEAK:
        return read_number(value, length, {.allow_fraction = true, .allow_unit = false}, out) &&
               *out > 0.0 && *out <= REPLAYGAIN_MAX_PEAK;
    case RG_R128_TRACK:
    case RG_R128_ALBUM:
        // Q7.8 fixed point, as in the Opus header's output gain.
        if (!read_number(value, length, {.allow_fraction = false, .allow_unit = false}, out) ||
            *out < -32768.0 || *out > 32767.0)
            return false;
        *out /= 256.0;
        return true;
    default:
        return read_number(value, length, {.allow_fraction = true, .allow_unit = true}, out) &&
               std::fabs(*out) <= REPLAYGAIN_MAX_DB;
    }
}

bool has(const ReplayGainTags* tags, ReplayGainField field) {
    return (tags->present >> field) & 1u;
}

}  // namespace

bool replaygain_tag_apply(ReplayGainTags* tags, const char* name, size_t name_length,
                          const char* value, size_t value_length) {
    for (const FieldName& f : field_names) {
        if (std::strlen(f.name) != name_length || strncasecmp(name, f.name, name_length) != 0)
            continue;
        double v = 0;
        if (!has(tags, f.field) && read_field(f.field, value, value_length, &v)) {
            tags->value[f.field] = v;
            tags->present |= 1u << f.field;
        }
        return true;
    }
    return false;
}

float replaygain_factor(const ReplayGainTags* tags, int32_t mode, double preamp_db) {
    if (mode != REPLAYGAIN_TRACK && mode != REPLAYGAIN_ALBUM) return 1.0f;
    struct Kind {
        ReplayGainField r128, gain, peak;
    };
    constexpr Kind track = {RG_R128_TRACK, RG_TRACK_GAIN, RG_TRACK_PEAK};
    constexpr Kind album = {RG_R128_ALBUM, RG_ALBUM_GAIN, RG_ALBUM_PEAK};
    const Kind order[2] = {mode == REPLAYGAIN_ALBUM ? album : track,
                           mode == REPLAYGAIN_ALBUM ? track : album};
    for (const Kind& k : order) {
        double db;
        if (has(tags, k.r128))
            db = tags->value[k.r128] + 5.0;
        else if (has(tags, k.gain))
            db = tags->value[k.gain];
        else
            continue;
        double gain = std::pow(10.0, (db + preamp_db) / 20.0);
        if (has(tags, k.peak) && gain * tags->value[k.peak] > 1.0) gain = 1.0 / tags->value[k.peak];
        return static_cast<float>(gain);
    }
    return 1.0f;
}
