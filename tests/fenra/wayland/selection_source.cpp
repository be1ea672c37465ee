// A second Wayland client for the integration tests: offers the text of its
// argument as the selection ("text/plain;charset=utf-8") on the first seat and
// serves it to whoever asks, for the given number of milliseconds.
//
// Usage: wayland_selection_source TEXT [milliseconds]
// Prints "offered" once the selection is set and "sent" for each transfer.
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

struct Source {
    wl_seat* seat = nullptr;
    wl_data_device_manager* manager = nullptr;
    const char* text = "";
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    auto* s = static_cast<Source*>(data);
    if (strcmp(interface, wl_seat_interface.name) == 0 && !s->seat) {
        s->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (strcmp(interface, wl_data_device_manager_interface.name) == 0 && !s->manager) {
        s->manager = static_cast<wl_data_device_manager*>(
            wl_registry_bind(registry, name, &wl_data_device_manager_interface, 1));
    }
}
void global_remove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener registry_listener = {.global = global, .global_remove = global_remove};

void source_target(void*, wl_data_source*, const char*) {}
void source_send(void* data, wl_data_source*, const char*, int32_t fd) {
    auto* s = static_cast<Source*>(data);
    size_t length = strlen(s->text);
    size_t done = 0;
    while (done < length) {
        ssize_t n = write(fd, s->text + done, length - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
    printf("sent\n");
}
void source_cancelled(void*, wl_data_source*) {}
void source_dnd_drop_performed(void*, wl_data_source*) {}
void source_dnd_finished(void*, wl_data_source*) {}
void source_action(void*, wl_data_source*, uint32_t) {}
const wl_data_source_listener source_listener = {
    .target = source_target,
    .send = source_send,
    .cancelled = source_cancelled,
    .dnd_drop_performed = source_dnd_drop_performed,
    .dnd_finished = source_dnd_finished,
    .action = source_action,
};

uint32_t now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    signal(SIGPIPE, SIG_IGN);
    if (argc < 2) return 2;
    Source s;
    s.text = argv[1];
    uint32_t run_ms = argc > 2 ? static_cast<uint32_t>(strtoul(argv[2], nullptr, 10)) : 2000;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, &s);
    wl_display_roundtrip(display);
    if (!s.seat || !s.manager) {
        printf("no seat or data device manager\n");
        return 1;
    }
    wl_data_device* device = wl_data_device_manager_get_data_device(s.manager, s.seat);
    wl_data_source* source = wl_data_device_manager_create_data_source(s.manager);
    wl_data_source_add_listener(source, &source_listener, &s);
    wl_data_source_offer(source, "text/plain;charset=utf-8");
    wl_data_device_set_selection(device, source, 0);
    wl_display_roundtrip(display);
    printf("offered\n");
    uint32_t start = now_ms();
    while (now_ms() - start < run_ms) {
        wl_display_flush(display);
        pollfd p{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&p, 1, 20) > 0 && wl_display_dispatch(display) < 0) break;
    }
    wl_display_disconnect(display);
    return 0;
}
