// The Wayland window: registry, outputs, shared-memory framebuffer and xdg
// toplevel. Seats live in seat.cpp; pure arithmetic in logic.cpp and keys.cpp.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-cursor.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fenra/fenra.h"
#include "fenra/wayland/backend.h"
#include "fenra/wayland/keys.h"
#include "fenra/wayland/logic.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/image.h"
#include "viewporter-client-protocol.h"
#include "xdg-decoration-client-protocol.h"
#include "xdg-shell-client-protocol.h"

Window* wayland_open_window = nullptr;

namespace {

void warn(const char* text) { log_text(LOG_WARNING, "%s\n", text); }

// ---- outputs ------------------------------------------------------------------

// The window's size in surface units, declared fixed: its least and greatest sizes
// both equal it, so that a tiling compositor floats it at that size and others offer
// no resize. Again whenever the scale changes; nothing before the window has a size.
void declare_size(WindowBackend* b) {
    if (b->width == 0 || b->height == 0) return;
    b->logical_width = static_cast<uint32_t>(std::round(b->width / b->scale));
    b->logical_height = static_cast<uint32_t>(std::round(b->height / b->scale));
    if (!b->toplevel) return;
    auto w = static_cast<int32_t>(b->logical_width), h = static_cast<int32_t>(b->logical_height);
    xdg_toplevel_set_min_size(b->toplevel, w, h);
    xdg_toplevel_set_max_size(b->toplevel, w, h);
}

void output_geometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                     const char*, int32_t) {}
void output_mode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void output_done(void*, wl_output*) {}
void output_scale(void* data, wl_output*, int32_t factor) {
    auto* b = static_cast<WindowBackend*>(data);
    if (factor > b->scale) {
        b->scale = factor;
        declare_size(b);
    }
}
void output_name(void*, wl_output*, const char*) {}
void output_description(void*, wl_output*, const char*) {}
const wl_output_listener output_listener = {
    .geometry = output_geometry,
    .mode = output_mode,
    .done = output_done,
    .scale = output_scale,
    .name = output_name,
    .description = output_description,
};

// ---- shell --------------------------------------------------------------------

void wm_base_ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener wm_base_listener = {.ping = wm_base_ping};

void xdg_surface_configure(void* data, xdg_surface* surface, uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    static_cast<WindowBackend*>(data)->configured = 1;
}
const xdg_surface_listener xdg_surface_listener_ = {.configure = xdg_surface_configure};

int acquire_buffer(WindowBackend* b, bool bounded);

void toplevel_configure(void* data, xdg_toplevel*, int32_t, int32_t, wl_array*) {
    // The window keeps the size it was opened with, whatever is suggested; only
    // give the compositor a moment to hand a buffer back.
    (void)acquire_buffer(static_cast<WindowBackend*>(data), true);
}
void toplevel_close(void* data, xdg_toplevel*) {
    auto* b = static_cast<WindowBackend*>(data);
    Window* w = b->window;
    w->closed = 1;
    if (w->callbacks.on_close.fn) w->callbacks.on_close.fn(w, w->callbacks.on_close.user);
}
void toplevel_configure_bounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void toplevel_wm_capabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener toplevel_listener = {
    .configure = toplevel_configure,
    .close = toplevel_close,
    .configure_bounds = toplevel_configure_bounds,
    .wm_capabilities = toplevel_wm_capabilities,
};

void decoration_configure(void* data, zxdg_toplevel_decoration_v1*, uint32_t mode) {
    auto* b = static_cast<WindowBackend*>(data);
    b->server_decorations = mode == ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE;
    if (!b->borderless && !b->server_decorations) {
        warn("WARNING: requested decoration but set as borderless");
    }
}
const zxdg_toplevel_decoration_v1_listener decoration_listener = {.configure =
                                                                      decoration_configure};

void buffer_release(void* data, wl_buffer* buffer) {
    auto* b = static_cast<WindowBackend*>(data);
    for (ShmBuffer& shm : b->buffers) {
        if (shm.buffer == buffer) shm.busy = 0;
    }
}
const wl_buffer_listener buffer_listener = {.release = buffer_release};

// ---- registry -----------------------------------------------------------------

void registry_global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    auto* b = static_cast<WindowBackend*>(data);
    if (strcmp(interface, wl_compositor_interface.name) == 0) {
        if (b->compositor) return;
        b->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, version >= 3 ? 3 : 1));
    } else if (strcmp(interface, xdg_wm_base_interface.name) == 0) {
        if (b->wm_base) return;
        b->wm_base =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(b->wm_base, &wm_base_listener, b);
    } else if (strcmp(interface, wl_shm_interface.name) == 0) {
        if (b->shm) return;
        b->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (strcmp(interface, wl_seat_interface.name) == 0) {
        auto* seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        if (b->seat_count >= WAYLAND_MAX_SEATS) {
            wl_seat_destroy(seat);
            warn("WARNING: number of seats too large!");
            return;
        }
        b->seats[b->seat_count] = seat;
        b->seat_names[b->seat_count] = name;
        b->seat_count++;
        wl_seat_add_listener(seat, &wayland_seat_listener, b);
    } else if (strcmp(interface, wl_output_interface.name) == 0) {
        auto* output = static_cast<wl_output*>(
            wl_registry_bind(registry, name, &wl_output_interface, version >= 2 ? 2 : 1));
        if (b->output_count >= WAYLAND_MAX_OUTPUTS) {
            wl_output_destroy(output);
            warn("WARNING: number of output too large!");
            return;
        }
        b->outputs[b->output_count] = output;
        b->output_names[b->output_count] = name;
        b->output_count++;
        wl_output_add_listener(output, &output_listener, b);
    } else if (strcmp(interface, wl_data_device_manager_interface.name) == 0) {
        if (b->data_device_manager) return;
        b->data_device_manager = static_cast<wl_data_device_manager*>(
            wl_registry_bind(registry, name, &wl_data_device_manager_interface, 1));
    } else if (strcmp(interface, zxdg_decoration_manager_v1_interface.name) == 0) {
        if (b->decoration_manager) return;
        b->decoration_manager = static_cast<zxdg_decoration_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_decoration_manager_v1_interface, 1));
    } else if (strcmp(interface, wp_viewporter_interface.name) == 0) {
        if (b->viewporter) return;
        b->viewporter = static_cast<wp_viewporter*>(
            wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
    }
}

void registry_global_remove(void* data, wl_registry*, uint32_t name) {
    auto* b = static_cast<WindowBackend*>(data);
    for (uint32_t i = 0; i < b->output_count; i++) {
        if (b->output_names[i] != name) continue;
        wl_output_destroy(b->outputs[i]);
        uint32_t last = --b->output_count;
        b->outputs[i] = b->outputs[last];
        b->output_names[i] = b->output_names[last];
        b->outputs[last] = nullptr;
        return;
    }
    for (uint32_t i = 0; i < b->seat_count; i++) {
        if (b->seat_names[i] != name) continue;
        if (b->keyboards[i]) wl_keyboard_destroy(b->keyboards[i]);
        if (b->pointers[i]) wl_pointer_destroy(b->pointers[i]);
        if (b->seat == b->seats[i]) b->seat = nullptr;
        wl_seat_destroy(b->seats[i]);
        uint32_t last = --b->seat_count;
        b->seats[i] = b->seats[last];
        b->seat_names[i] = b->seat_names[last];
        b->keyboards[i] = b->keyboards[last];
        b->pointers[i] = b->pointers[last];
        b->seats[last] = nullptr;
        b->keyboards[last] = nullptr;
        b->pointers[last] = nullptr;
        return;
    }
}

const wl_registry_listener registry_listener = {.global = registry_global,
                                                .global_remove = registry_global_remove};

// ---- buffer pacing ------------------------------------------------------------

int dispatch(WindowBackend* b) {
    wl_display* d = b->display;
    int handled = 0;
    while (wl_display_prepare_read(d) != 0) {
        int n = wl_display_dispatch_pending(d);
        if (n < 0) return -1;
        handled += n;
    }
    wl_display_flush(d);
    if (wl_display_read_events(d) < 0) return -1;
    int n = wl_display_dispatch_pending(d);
    if (n < 0) return -1;
    return handled + n;
}

// A new unlinked shared-memory file of shm_size bytes with its pool and buffer.
bool create_shm_buffer(WindowBackend* b, ShmBuffer* shm) {
    const char* dir = getenv("XDG_RUNTIME_DIR");
    if (!dir) dir = "/tmp";
    size_t length = strlen(dir) + sizeof("/fenra-XXXXXX");
    char* path = static_cast<char*>(dru_alloc_memory(length, 1));
    snprintf(path, length, "%s/fenra-XXXXXX", dir);
    int fd = mkstemp(path);
    if (fd < 0) {
        dru_free(path);
        return false;
    }
    unlink(path);
    dru_free(path);
    int flags = fcntl(fd, F_GETFD);
    if (flags < 0 || fcntl(fd, F_SETFD, flags | FD_CLOEXEC) < 0 ||
        ftruncate(fd, static_cast<off_t>(b->shm_size)) < 0) {
        close(fd);
        return false;
    }
    void* data = mmap(nullptr, b->shm_size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        close(fd);
        return false;
    }
    shm->fd = fd;
    shm->data = static_cast<uint8_t*>(data);
    auto width = static_cast<int32_t>(b->width);
    shm->pool = wl_shm_create_pool(b->shm, fd, static_cast<int32_t>(b->shm_size));
    shm->buffer = wl_shm_pool_create_buffer(shm->pool, 0, width, static_cast<int32_t>(b->height),
                                            width * 4, b->buffer_format);
    wl_buffer_add_listener(shm->buffer, &buffer_listener, b);
    return true;
}

void destroy_shm_buffer(WindowBackend* b, ShmBuffer* shm) {
    if (shm->buffer) wl_buffer_destroy(shm->buffer);
    if (shm->pool) wl_shm_pool_destroy(shm->pool);
    if (shm->data) munmap(shm->data, b->shm_size);
    if (shm->fd >= 0) close(shm->fd);
    *shm = ShmBuffer{};
    shm->fd = -1;
}

constexpr uint32_t RELEASE_WAIT_MS = 20;

// Index of a buffer the compositor has released, or -1 when the connection
// failed. The framebuffer buffer is preferred; when it stays busy for
// RELEASE_WAIT_MS a spare is made, and without one (or when both are busy) it
// waits as long as it takes. A bounded call gives up after RELEASE_WAIT_MS
// instead and then answers 0 whatever its state.
int acquire_buffer(WindowBackend* b, bool bounded) {
    uint32_t start = wayland_now_ms();
    bool try_spare = !bounded;
    for (;;) {
        if (!b->buffers[0].busy) return 0;
        if (b->buffers[1].buffer && !b->buffers[1].busy) return 1;
        bool late = wayland_now_ms() - start >= RELEASE_WAIT_MS;
        if (late && bounded) return 0;
        if (late && try_spare && !b->buffers[1].buffer) {
            try_spare = false;
            if (create_shm_buffer(b, &b->buffers[1])) {
                b->buffers[1].stale = {0, 0, static_cast<int32_t>(b->width),
                                       static_cast<int32_t>(b->height)};
                return 1;
            }
        }
        int n = dispatch(b);
        if (n < 0) return -1;
        if (n == 0) {
            // Sleep on the socket rather than spin until a release arrives.
            pollfd p{wl_display_get_fd(b->display), POLLIN, 0};
            poll(&p, 1, 2);
        }
    }
}

void load_cursor(WindowBackend* b) {
    b->cursor_scale = static_cast<int32_t>(b->scale);
    b->cursor_theme = wl_cursor_theme_load(nullptr, 24 * b->cursor_scale, b->shm);
    if (b->cursor_theme) {
        b->cursor = wl_cursor_theme_get_cursor(b->cursor_theme, "default");
        if (!b->cursor) b->cursor = wl_cursor_theme_get_cursor(b->cursor_theme, "left_ptr");
    }
    if (!b->cursor) warn("WARNING: the cursor theme is broken!");
    b->cursor_surface = wl_compositor_create_surface(b->compositor);
    wl_surface_set_buffer_scale(b->cursor_surface, b->cursor_scale);
}

WindowBackend* backend_of(Window* window) { return window ? window->backend : nullptr; }

}  // namespace

Window* fenra_open(int32_t x, int32_t y, int32_t width, int32_t height, float scale,
                   uint32_t flags) {
    if (width <= 0 || height <= 0) return nullptr;
    auto* window = static_cast<Window*>(dru_alloc_memory(1, sizeof(Window)));
    auto* b = static_cast<WindowBackend*>(dru_alloc_memory(1, sizeof(WindowBackend)));
    window->backend = b;
    b->window = window;
    b->buffers[0].fd = -1;
    b->buffers[1].fd = -1;
    b->scale = scale >= 1.0f ? scale : 1.0;

    b->display = wl_display_connect(nullptr);
    if (!b->display) {
        dru_free(b);
        dru_free(window);
        return nullptr;
    }
    b->registry = wl_display_get_registry(b->display);
    wl_registry_add_listener(b->registry, &registry_listener, b);
    wl_display_roundtrip(b->display);
    if (!b->shm || !b->compositor || !b->wm_base) {
        fenra_close(window);
        return nullptr;
    }
    wl_display_roundtrip(b->display);  // outputs report their scale

    b->borderless = (flags & FENRA_BORDERLESS) != 0;
    if (!(flags & FENRA_AUTO_POSITION)) {
        b->x = static_cast<uint32_t>(x);
        b->y = static_cast<uint32_t>(y);
    }
    b->width = static_cast<uint32_t>(width);
    b->height = static_cast<uint32_t>(height);
    window->width = width;
    window->height = height;
    b->buffer_format =
        (flags & FENRA_TRANSPARENT) ? WL_SHM_FORMAT_ARGB8888 : WL_SHM_FORMAT_XRGB8888;

    b->shm_size = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
    if (!create_shm_buffer(b, &b->buffers[0])) {
        fenra_close(window);
        return nullptr;
    }

    load_cursor(b);

    b->surface = wl_compositor_create_surface(b->compositor);
    b->xdg_surface_ = xdg_wm_base_get_xdg_surface(b->wm_base, b->surface);
    xdg_surface_add_listener(b->xdg_surface_, &xdg_surface_listener_, b);
    b->toplevel = xdg_surface_get_toplevel(b->xdg_surface_);
    xdg_toplevel_add_listener(b->toplevel, &toplevel_listener, b);
    xdg_toplevel_set_title(b->toplevel, "qulmo");
    xdg_toplevel_set_app_id(b->toplevel, "qulmo");
    declare_size(b);
    wl_surface_commit(b->surface);

    if (b->data_device_manager && b->seats[0]) wayland_selection_start(b);
    if (b->viewporter) b->viewport = wp_viewporter_get_viewport(b->viewporter, b->surface);
    if (!b->borderless) {
        if (b->decoration_manager) {
            b->decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(
                b->decoration_manager, b->toplevel);
            zxdg_toplevel_decoration_v1_add_listener(b->decoration, &decoration_listener, b);
            zxdg_toplevel_decoration_v1_set_mode(b->decoration,
                                                 ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
        } else {
            warn(
                "WARNING: window decoration requested, but zxdg_decoration_manager_v1 is "
                "unsupported!");
        }
    }
    wl_display_roundtrip(b->display);  // normally brings the first configure

    wayland_build_key_map(window->key_map);
    wayland_open_window = window;
    return window;
}

int fenra_dispatch(Window* window) {
    WindowBackend* b = backend_of(window);
    if (!b) return -1;
    if (window->display_quiet) {
        // Nothing arrived while the caller slept: handle what is queued, skip the read.
        window->display_quiet = 0;
        int handled = 0;
        while (wl_display_prepare_read(b->display) != 0) {
            int n = wl_display_dispatch_pending(b->display);
            if (n < 0) return -1;
            handled += n;
        }
        wl_display_cancel_read(b->display);
        wl_display_flush(b->display);
        return handled;
    }
    return dispatch(b);
}

int fenra_connection_fd(Window* window) {
    WindowBackend* b = backend_of(window);
    return b && b->display ? wl_display_get_fd(b->display) : -1;
}

bool fenra_repeat_keys(Window* window) {
    WindowBackend* b = backend_of(window);
    if (!b || window->closed) return false;
    uint32_t key = key_repeat_step(&b->repeat, wayland_now_ms());
    if (!key) return false;
    wayland_send_key(b, key, true);
    return true;
}

void fenra_present(Window* window, const Image* image, int32_t x, int32_t y, int32_t w, int32_t h) {
    WindowBackend* b = backend_of(window);
    if (!b || !image || window->closed) return;
    int index = acquire_buffer(b, false);
    if (index < 0 || window->closed) return;
    auto width = static_cast<int32_t>(b->width);
    auto height = static_cast<int32_t>(b->height);
    PresentRect r = wayland_present_clip(x, y, w, h, width, height, image->width, image->height);
    if (!r.commit || !b->configured) return;

    ShmBuffer& shm = b->buffers[index];
    ShmBuffer& other = b->buffers[1 - index];
    PixelRect shown{r.x, r.y, r.w, r.h};
    PixelRect copy = pixel_rect_union(shm.stale, shown);
    shm.stale = {};
    if (other.buffer) other.stale = pixel_rect_union(other.stale, shown);
    PresentRect c = wayland_present_clip(copy.x, copy.y, copy.w, copy.h, width, height,
                                         image->width, image->height);
    wayland_copy_rect(shm.data, width, image->pixels, image->stride, c);

    if (b->viewport) {
        wp_viewport_set_destination(b->viewport, static_cast<int32_t>(b->logical_width),
                                    static_cast<int32_t>(b->logical_height));
    } else {
        wl_surface_set_buffer_scale(b->surface, static_cast<int32_t>(b->scale));
    }
    shm.busy = 1;
    wl_surface_attach(b->surface, shm.buffer, 0, 0);
    wl_surface_damage(b->surface, static_cast<int32_t>(std::round(x / b->scale)),
                      static_cast<int32_t>(std::round(y / b->scale)),
                      static_cast<int32_t>(b->logical_width),
                      static_cast<int32_t>(b->logical_height));
    wl_surface_commit(b->surface);
}

void fenra_set_title(Window* window, const char* text) {
    WindowBackend* b = backend_of(window);
    if (!b || !b->toplevel || !text) return;
    xdg_toplevel_set_title(b->toplevel, text);
}

void fenra_begin_move(Window* window) {
    WindowBackend* b = backend_of(window);
    if (!b) return;
    wayland_send_button(b, FENRA_BUTTON_LEFT, window->modifiers);
    // Without a seat from a button event the compositor would reject the move.
    if (b->seat && b->toplevel) xdg_toplevel_move(b->toplevel, b->seat, b->pointer_serial);
}

void fenra_close(Window* window) {
    WindowBackend* b = backend_of(window);
    if (!window) return;
    window->closed = 1;
    if (wayland_open_window == window) wayland_open_window = nullptr;
    if (!b) {
        dru_free(window);
        return;
    }
    if (b->decoration) zxdg_toplevel_decoration_v1_destroy(b->decoration);
    if (b->viewport) wp_viewport_destroy(b->viewport);
    if (b->toplevel) xdg_toplevel_destroy(b->toplevel);
    if (b->xdg_surface_) xdg_surface_destroy(b->xdg_surface_);
    if (b->surface) wl_surface_destroy(b->surface);
    if (b->cursor_surface) wl_surface_destroy(b->cursor_surface);
    for (ShmBuffer& shm : b->buffers) destroy_shm_buffer(b, &shm);
    if (b->cursor_theme) wl_cursor_theme_destroy(b->cursor_theme);
    if (b->data_device) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->data_device));
    for (uint32_t i = 0; i < b->seat_count; i++) {
        if (b->keyboards[i]) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->keyboards[i]));
        if (b->pointers[i]) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->pointers[i]));
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->seats[i]));
    }
    for (uint32_t i = 0; i < b->output_count; i++) {
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->outputs[i]));
    }
    if (b->decoration_manager) zxdg_decoration_manager_v1_destroy(b->decoration_manager);
    if (b->viewporter) wp_viewporter_destroy(b->viewporter);
    if (b->wm_base) xdg_wm_base_destroy(b->wm_base);
    if (b->shm) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->shm));
    if (b->compositor) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->compositor));
    if (b->data_device_manager)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->data_device_manager));
    if (b->registry) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(b->registry));
    dru_free(b->clipboard_text);
    if (b->display) {
        wl_display_flush(b->display);
        wl_display_disconnect(b->display);
    }
    dru_free(b);
    dru_free(window);
}
