#include "app/options.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/player.h"
#include "decoders/replaygain.h"
#include "foundation/log.h"

static constexpr const char* kOptionNames[OPTION_COUNT] = {
    "port",      "playlist", "scale",    "font",    "ui",         "volume",
    "frametime", "speed",    "playmode", "gapless", "replaygain", "preamp"};

void options_table_init(OptionTable table) {
    for (int i = 0; i < OPTION_COUNT; i++) {
        table[2 * i] = kOptionNames[i];
        table[2 * i + 1] = nullptr;
    }
    table[2 * OPTION_COUNT] = nullptr;
    table[2 * OPTION_COUNT + 1] = nullptr;
}

int option_find(const char* name, const OptionTable table) {
    for (int i = 0; table[i]; i += 2) {
        if (strcmp(table[i], name) == 0) return i;
    }
    return -1;
}

const char* option_get(const char* name, const OptionTable table, const char* def) {
    int i = option_find(name, table);
    if (i >= 0 && table[i + 1]) return table[i + 1];
    return def;
}

bool has_extension(const char* file_name, const char* extension) {
    size_t n = strlen(file_name), e = strlen(extension);
    if (n < e + 1) return false;
    if (file_name[n - e - 1] != '.') return false;
    for (size_t i = 0; i < e; i++) {
        if (tolower(static_cast<unsigned char>(file_name[n - e + i])) !=
            tolower(static_cast<unsigned char>(extension[i])))
            return false;
    }
    return true;
}

char* format_alloc(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    int len = vsnprintf(nullptr, 0, format, ap);
    va_end(ap);
    if (len < 0 || len == 0x7FFFFFFF) return nullptr;
    char* out = static_cast<char*>(malloc(static_cast<size_t>(len) + 1));
    if (!out) return nullptr;
    va_start(ap, format);
    vsnprintf(out, static_cast<size_t>(len) + 1, format, ap);
    va_end(ap);
    return out;
}

bool path_is_absolute(const char* path) { return path[0] == '/' || (path[0] && path[1] == ':'); }

char* path_resolve(const char* path, const char* config_dir) {
    if (path_is_absolute(path)) return format_alloc("%s", path);
    return format_alloc("%s/%s", config_dir, path);
}

int options_parse(int argc, char** argv, OptionTable table) {
    if (argc < 2 || argv[1][0] != '-') return 1;
    int i = 1;
    while (i < argc && argv[i][0] == '-') {
        if (strcmp(argv[i], "--") == 0) return i + 1;
        int slot = option_find(argv[i] + 1, table);
        if (slot < 0) {
            fail_text("unknown option '%s'", argv[i]);
        }
        if (i == argc - 1) {
            fail_text("option '%s' missing param", argv[i]);
        }
        table[slot + 1] = argv[i + 1];
        i += 2;
    }
    return i;
}

int32_t play_mode_from_name(const char* name) {
    static constexpr const char* kModes[] = {"normal", "repeat", "single", "shuffle"};
    for (int32_t m = 0; m < 4; m++) {
        if (strcmp(name, kModes[m]) == 0) return m;
    }
    return PLAY_NORMAL;
}

int32_t replaygain_mode_from_name(const char* name) {
    if (strcmp(name, "track") == 0) return REPLAYGAIN_TRACK;
    if (strcmp(name, "album") == 0) return REPLAYGAIN_ALBUM;
    return REPLAYGAIN_OFF;
}

void shuffle_seed(uint64_t state[4], uint64_t seed) {
    constexpr uint64_t kMul = 0x369DEA0F31A53F85ull;
    uint64_t s = seed * kMul + 1;
    for (int i = 0; i < 4; i++) {
        state[i] = s;
        s = s * kMul + 1;
    }
}

bool options_apply(const OptionTable table, Player* player) {
    const char* scale = option_get("scale", table, nullptr);
    if (scale) {
        double v = strtod(scale, nullptr);
        player->scale = (v >= 1.0) ? (v > 4.0 ? 4.0 : v) : 1.0;  // NaN falls to 1 too
    }
    player->play_mode = play_mode_from_name(option_get("playmode", table, "normal"));
    long volume = strtol(option_get("volume", table, "20"), nullptr, 0);
    player->volume = static_cast<int32_t>(volume < 0 ? 0 : (volume > 20 ? 20 : volume));
    double frametime = strtod(option_get("frametime", table, "50"), nullptr);
    // A NaN would pass a plain "not above 1" test unnoticed and stall the redraw rhythm.
    player->frametime_ms = (frametime > 1.0) ? frametime : 1.0;
    double speed = strtod(option_get("speed", table, "1"), nullptr);
    player->speed = (speed >= 0.1) ? (speed > 8.0 ? 8.0 : speed) : 0.1;
    player->gapless = strtol(option_get("gapless", table, "0"), nullptr, 0) != 0 ? 1 : 0;
    player->replaygain_mode = replaygain_mode_from_name(option_get("replaygain", table, "off"));
    double preamp = strtod(option_get("preamp", table, "0"), nullptr);
    player->preamp_db = std::isnan(preamp) ? 0.0 : std::clamp(preamp, -15.0, 15.0);
    shuffle_seed(player->shuffle_state,
                 static_cast<uint64_t>(time(nullptr)) ^ static_cast<uint64_t>(clock()));
    return scale != nullptr;
}
