#include "app/startup.h"

#include "app/player.h"
#include "foundation/files.h"
#include "foundation/memory.h"

int player_start(Player* player, const OptionTable options, bool scale_given, const char* file) {
    (void)options;
    (void)file;
    if (!scale_given) player->scale = 1.0;
    char* config_dir = config_dir_get();
    dru_free(config_dir);
    return 0;
}
