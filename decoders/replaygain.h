// ReplayGain: the loudness a track's tags report, and the factor that brings the
// track to the common reference level.
//
//   replaygain_tag_apply(tags, name, name_length, value, value_length) -> bool
//       One tag as a name and its text value. Names, compared without regard to
//       case: REPLAYGAIN_TRACK_GAIN, REPLAYGAIN_ALBUM_GAIN ("-6.54 dB": a decimal
//       number with '.' or ',', an optional "dB", spaces around), their _PEAK
//       companions (a positive decimal number, 1.0 = full scale) and R128_TRACK_GAIN,
//       R128_ALBUM_GAIN (a whole number in 1/256 dB relative to -23 LUFS). A value
//       that does not read whole, or lies outside REPLAYGAIN_MAX_DB (peaks: above 0
//       and at most REPLAYGAIN_MAX_PEAK; R128: the 16-bit range), is ignored without
//       a word; the first readable value of each field stays. True when the name was
//       one of these, read or not.
//   replaygain_factor(tags, mode, preamp_db) -> linear gain
//       REPLAYGAIN_OFF: exactly 1. Track mode takes the track gain, else the album
//       gain; album mode the other way round. An R128 gain (+5 dB: the ReplayGain
//       reference lies 5 dB above -23 LUFS) comes before a ReplayGain one of the same
//       kind. preamp_db is added, then the peak of the same kind, when known, holds
//       gain x peak at 1 at most. Without any gain the factor is exactly 1.
#pragma once
#include <cstddef>
#include <cstdint>

enum ReplayGainField : uint32_t {
    RG_TRACK_GAIN,
    RG_ALBUM_GAIN,
    RG_TRACK_PEAK,
    RG_ALBUM_PEAK,
    RG_R128_TRACK,  // dB relative to -23 LUFS
    RG_R128_ALBUM,
    RG_FIELD_COUNT
};

// The values in dB (peaks linear); bit f of `present` tells field f was read.
struct ReplayGainTags {
    double value[RG_FIELD_COUNT];
    uint32_t present;
};

enum : int32_t { REPLAYGAIN_OFF = 0, REPLAYGAIN_TRACK = 1, REPLAYGAIN_ALBUM = 2 };

constexpr double REPLAYGAIN_MAX_DB = 60.0;
constexpr double REPLAYGAIN_MAX_PEAK = 100.0;

bool replaygain_tag_apply(ReplayGainTags* tags, const char* name, size_t name_length,
                          const char* value, size_t value_length);
[[nodiscard]] float replaygain_factor(const ReplayGainTags* tags, int32_t mode, double preamp_db);
