// The selection reader: the text of each new selection offer is fetched into
// clipboard_text; drags are refused by destroying their offers at once.
#include <unistd.h>
#include <wayland-client.h>

#include <csignal>

#include "fenra/wayland/backend.h"
#include "fenra/wayland/selection_read.h"

namespace {

void device_data_offer(void*, wl_data_device*, wl_data_offer*) {}

void device_enter(void*, wl_data_device*, uint32_t, wl_surface*, wl_fixed_t, wl_fixed_t,
                  wl_data_offer* offer) {
    if (offer) wl_data_offer_destroy(offer);
}
void device_leave(void*, wl_data_device*) {}
void device_motion(void*, wl_data_device*, uint32_t, wl_fixed_t, wl_fixed_t) {}
void device_drop(void*, wl_data_device*) {}

void device_selection(void* data, wl_data_device*, wl_data_offer* offer) {
    if (!offer) return;
    auto* b = static_cast<WindowBackend*>(data);
    int fds[2];
    if (pipe(fds) == 0) {
        wl_data_offer_receive(offer, "text/plain;charset=utf-8", fds[1]);
        wl_display_flush(b->display);
        close(fds[1]);
        // Blocks for at most the wait of one select; the old text stays on failure.
        selection_read_text(fds[0], &b->clipboard_text);
    }
    wl_data_offer_destroy(offer);
}

const wl_data_device_listener device_listener = {
    .data_offer = device_data_offer,
    .enter = device_enter,
    .leave = device_leave,
    .motion = device_motion,
    .drop = device_drop,
    .selection = device_selection,
};

}  // namespace

void wayland_selection_start(WindowBackend* b) {
    // A source that writes into a pipe we closed early must not end us.
    signal(SIGPIPE, SIG_IGN);
    b->data_device = wl_data_device_manager_get_data_device(b->data_device_manager, b->seats[0]);
    wl_data_device_add_listener(b->data_device, &device_listener, b);
}

const char* wayland_selection_text(const Window* window) {
    return window && window->backend ? window->backend->clipboard_text : nullptr;
}
