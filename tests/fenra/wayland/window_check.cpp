// A small client for the integration tests: opens a 300 x 300 window through
// fenra, fills a test pattern, presents it, sets a title and keeps the window up
// for a while with the same dispatch / repeat / present passes as the player.
//
// Usage: wayland_window_check [title] [milliseconds] [events]
// Lines on stdout: "dpi N" (probe before opening), "opened W H", "shm PATH" for the
// shared-memory file, "dpi N" (open window), "presented", "selection TEXT" when a
// selection was read, "done". Exit status 1 and "open failed" when fenra_open
// returns null. With "events", every callback is printed ("key K F", "text C",
// "button K F", "motion X Y", with K and F in hexadecimal), and a left-button press
// starts a move.
#include <dirent.h>
#include <sys/select.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fenra/fenra.h"
#include "fenra/wayland/backend.h"
#include "fenra/wayland/logic.h"
#include "foundation/memory.h"
#include "input/input.h"  // Image

namespace {

// Quadrants: red, green / blue, white, and a 20 x 20 yellow mark at (140, 140).
uint32_t pattern_pixel(int32_t x, int32_t y) {
    if (x >= 140 && x < 160 && y >= 140 && y < 160) return 0xFFFFFF00u;
    if (y < 150) return x < 150 ? 0xFFFF0000u : 0xFF00FF00u;
    return x < 150 ? 0xFF0000FFu : 0xFFFFFFFFu;
}

void print_shm_files() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        char link[300];
        char target[512];
        snprintf(link, sizeof link, "/proc/self/fd/%s", entry->d_name);
        ssize_t n = readlink(link, target, sizeof target - 1);
        if (n <= 0) continue;
        target[n] = 0;
        if (strstr(target, "/fenra-")) printf("shm %s\n", target);
    }
    closedir(dir);
}

int keys_seen = 0;
void count_key(Window*, void*, int32_t, uint32_t) { keys_seen++; }
void note_close(Window*, void*) { printf("close requested\n"); }

void print_key(Window*, void*, int32_t key, uint32_t flags) {
    keys_seen++;
    printf("key %x %x\n", static_cast<unsigned>(key) & 0xFFFFu, flags);
}
void print_text(Window*, void*, uint32_t codepoint) { printf("text %x\n", codepoint); }
void print_button(Window* window, void*, int32_t kind, uint32_t flags) {
    printf("button %x %x\n", static_cast<unsigned>(kind), flags);
    if (kind == FENRA_BUTTON_LEFT && (flags & MOD_PRESSED)) fenra_begin_move(window);
}
void print_motion(Window*, void*, int32_t x, int32_t y) { printf("motion %d %d\n", x, y); }

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const char* title = argc > 1 ? argv[1] : "[Artist - Title] - qulmo";
    uint32_t run_ms = argc > 2 ? static_cast<uint32_t>(strtoul(argv[2], nullptr, 10)) : 1000;

    printf("dpi %g\n", static_cast<double>(fenra_display_dpi()));
    Window* window = fenra_open(0, 0, 300, 300, 1.0f, FENRA_AUTO_POSITION);
    if (!window) {
        printf("open failed\n");
        return 1;
    }
    window->callbacks.on_key.fn = count_key;
    window->callbacks.on_close.fn = note_close;
    if (argc > 3 && strcmp(argv[3], "events") == 0) {
        window->callbacks.on_key.fn = print_key;
        window->callbacks.on_text.fn = print_text;
        window->callbacks.on_button.fn = print_button;
        window->callbacks.on_motion.fn = print_motion;
    }
    printf("opened %d %d\n", window->width, window->height);
    print_shm_files();
    printf("dpi %g\n", static_cast<double>(fenra_display_dpi()));

    Image image{};
    image.width = 300;
    image.height = 300;
    image.stride = 300 * 4;
    image.pixels =
        static_cast<uint8_t*>(dru_alloc_memory(static_cast<size_t>(image.stride) * 300 + 32, 1));
    for (int32_t y = 0; y < 300; y++) {
        auto* row = reinterpret_cast<uint32_t*>(image.pixels + y * image.stride);
        for (int32_t x = 0; x < 300; x++) row[x] = pattern_pixel(x, y);
    }
    fenra_present(window, &image, 0, 0, 300, 300);
    fenra_set_title(window, title);
    if (fenra_dispatch(window) < 0) {
        printf("dispatch failed\n");
        return 1;
    }
    printf("presented\n");

    // Passes as in the player: dispatch, key repeat, a present of a small damaged
    // rectangle now and then, and a short sleep when nothing happened.
    uint32_t start = wayland_now_ms();
    int passes = 0;
    while (!window->closed && wayland_now_ms() - start < run_ms) {
        int n = fenra_dispatch(window);
        if (n < 0) {
            printf("dispatch failed\n");
            return 1;
        }
        bool busy = n > 0;
        if (fenra_repeat_keys(window)) busy = true;
        if (++passes % 20 == 0) fenra_present(window, &image, 10, 10, 20, 20);
        if (!busy) {
            timeval tv{0, 5000};
            select(0, nullptr, nullptr, nullptr, &tv);
        }
    }
    printf("passes %d keys %d\n", passes, keys_seen);
    if (const char* selection = wayland_selection_text(window)) printf("selection %s\n", selection);
    fenra_close(window);
    dru_free(image.pixels);
    printf("done\n");
    return 0;
}
