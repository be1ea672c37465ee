// Program entry of both qulmo programs; the backend linked in decides the rest.
#include "app/options.h"
#include "app/player.h"
#include "app/startup.h"
#include "foundation/memory.h"

#ifdef QULMO_WAYLAND
constexpr bool kScaleFromDisplay = true;
#else
constexpr bool kScaleFromDisplay = false;
#endif

int main(int argc, char** argv) {
    dru_memory_setup();
    OptionTable options;
    options_table_init(options);
    int positional = options_parse(argc, argv, options);
    static Player player;  // lives for the whole run; zeroed
    bool scale_given = options_apply(options, &player);
    const char* file = positional < argc ? argv[positional] : nullptr;
    return player_start(&player, options, scale_given, file, kScaleFromDisplay);
}
