// look_render LOOK.txt SCALE OUT.png: one gallery picture of a look (see look_render.h),
// for scripts/make-gallery.sh and the screenshots of docs/looks.md.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <stb_image_write.h>

#include "app/player.h"
#include "imaging/text.h"
#include "look_render.h"
#include "ui_render_test_scenes.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: look_render LOOK.txt SCALE OUT.png\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        fprintf(stderr, "look_render: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    Player p{};
    UiScene scene{};
    p.font = font_load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    look_render(&p, &scene, text.str(), strtod(argv[2], nullptr));
    const Image* c = p.canvas;
    int ok = stbi_write_png(argv[3], c->width, c->height, 4, c->pixels, c->stride);
    ui_scene_free(&p, &scene);
    font_free(p.font);
    return ok ? 0 : 1;
}
