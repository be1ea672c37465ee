// Opens the player-sized window with a test pattern and runs the main loop, logging
// what reaches the input layer on stderr. Q quits (status 0).
//
// Pattern, 300 x 300: top-left quarter red, top-right green, bottom-left blue,
// bottom-right white, with a 10 x 10 grey (0x80) square at 145..154.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/main_loop.h"
#include "fenra/fenra.h"
#include "foundation/log.h"
#include "input/input.h"
#include "input/task.h"

namespace {

Window* window;

void put(Image* img, int x, int y, uint32_t argb) {
    uint8_t* p = img->pixels + y * img->stride + x * 4;
    p[0] = argb & 0xFF;  // little-endian 0xAARRGGBB
    p[1] = (argb >> 8) & 0xFF;
    p[2] = (argb >> 16) & 0xFF;
    p[3] = argb >> 24;
}

void draw_pattern(Image* img) {
    for (int y = 0; y < img->height; y++) {
        for (int x = 0; x < img->width; x++) {
            bool right = x >= img->width / 2, bottom = y >= img->height / 2;
            uint32_t c =
                !bottom ? (right ? 0xFF00FF00u : 0xFFFF0000u) : (right ? 0xFFFFFFFFu : 0xFF0000FFu);
            if (x >= 145 && x < 155 && y >= 145 && y < 155) c = 0xFF808080u;
            put(img, x, y, c);
        }
    }
}

void quit(void*) {
    fprintf(stderr, "quit\n");
    fenra_close(window);
    window = nullptr;
    app_exit(0);
}

void any_key(void* arg) {
    const KeyEvent* e = static_cast<const KeyEvent*>(arg);
    fprintf(stderr, "key 0x%x mods %d\n", static_cast<unsigned>(e->key), e->modifiers);
}

void region(void* user, int32_t event) {
    fprintf(stderr, "region %s event %d at %d,%d\n", static_cast<const char*>(user), event,
            input_state.pointer_x, input_state.pointer_y);
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t flags = FENRA_AUTO_POSITION;
    if (argc > 1) flags = static_cast<uint32_t>(strtoul(argv[1], nullptr, 0));
    window = fenra_open(20, 30, 300, 300, 1.0f, flags);
    if (!window) {
        fprintf(stderr, "window init failed\n");
        return 1;
    }
    window->callbacks = input_callbacks();
    input_start(window);
    draw_pattern(input_state.framebuffer);
    // Rectangles reaching past the framebuffer must be clipped, not read.
    fenra_present(window, input_state.framebuffer, 100, 100, 100000, 100000);
    fenra_present(window, input_state.framebuffer, -50, -60, 100, 100);
    input_request_present();

    input_bind_key(KEY_ANY, any_key, nullptr);
    input_bind_key('Q', quit, nullptr);
    input_set_text_hook(
        [](const char*, void*, uint32_t cp) { fprintf(stderr, "text U+%04X\n", cp); }, nullptr);
    input_set_drop_hook([](const char* path, void*) { fprintf(stderr, "drop %s\n", path); },
                        nullptr);
    input_set_exit_hook([](int32_t status, void*) { fprintf(stderr, "exit %d\n", status); },
                        nullptr);
    static const Rect centre{145, 145, 10, 10};
    input_add_region(1, BUTTON_ANY, REGION_PRESS, &input_state.everywhere, region,
                     const_cast<char*>("anywhere"));
    input_add_region(2, BUTTON_LEFT, REGION_PRESS, &centre, region, const_cast<char*>("centre"));
    fprintf(stderr, "ready\n");
    main_loop(nullptr);
    fprintf(stderr, "loop ended\n");
    return 0;
}
