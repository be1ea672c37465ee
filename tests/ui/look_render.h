// Renders a look as the gallery and the golden tests show it: the scene of
// ui_render_test_scenes.h with the generated cover, playing, at the given scale, the
// analysis level start-up would choose.
//
//   look_render(player, scene, text, scale)  parses text, sets the scene up and draws
//                                            it into player->canvas (freed with
//                                            ui_scene_free; the font stays the caller's).
#pragma once
#include <string>

struct Player;
struct UiScene;

void look_render(Player* player, UiScene* scene, const std::string& text, double scale);
