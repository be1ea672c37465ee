// Fixed scenes for renders that are compared with reviewed images and timed: a
// three-entry playlist (the middle one current), synthetic album art, spectrum and
// samples, and a description that uses every element type and flag.
#pragma once
#include <cstdint>

struct Player;
struct PlaylistEntry;
struct Image;

extern const char ui_all_elements_description[];

struct UiScene {
    PlaylistEntry* entries[3];
};

// Expects ui_elements parsed; fills the Player (canvas and backdrop of the window
// element's size, font untouched) and the album art of every album-art element.
void ui_scene_setup(Player* player, UiScene* scene, int32_t level);
void ui_scene_free(Player* player, UiScene* scene);
// Puts `art` (not taken) into every album-art element, covering or stretched as the
// element asks.
void ui_scene_place_art(const Image* art);
// A 480 x 480 generated album cover for the renders of the shipped looks.
Image* ui_scene_cover();
