// Fixed scenes for renders that are compared with reviewed images and timed: a
// three-entry playlist (the middle one current), synthetic album art, spectrum and
// samples, and a description that uses every element type and flag.
#pragma once
#include <cstdint>

struct Player;
struct PlaylistEntry;

extern const char ui_all_elements_description[];

struct UiScene {
    PlaylistEntry* entries[3];
};

// Expects ui_elements parsed; fills the Player (canvas and backdrop of the window
// element's size, font untouched) and the album art of every album-art element.
void ui_scene_setup(Player* player, UiScene* scene, int32_t level);
void ui_scene_free(Player* player, UiScene* scene);
