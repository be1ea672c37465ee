#include "look_render.h"

#include <span>

#include "app/player.h"
#include "imaging/image.h"
#include "ui/ui_description.h"
#include "ui/ui_render.h"
#include "ui_render_test_scenes.h"

void look_render(Player* p, UiScene* scene, const std::string& text, double scale) {
    ui_parse_bytes(std::span<const char>(text.data(), text.size()), scale, "/nonexistent");
    bool animated = ui_find_element(UI_FFT) != nullptr;
    for (const UiElement& e : ui_elements) {
        if (e.type == UI_END) break;
        if (e.flags & UI_FLAG_SCROLL) animated = true;
    }
    ui_scene_setup(p, scene, animated ? 1 : 0);
    p->scale = scale;
    Image* cover = ui_scene_cover();
    ui_scene_place_art(cover);
    image_free(cover);
    ui_render_static(p);
    ui_redraw(p);
}
