// The Wayland backend's own part of the Window record, shared by the files of
// this backend only (window, selection, display scale).
#pragma once
#include <cstdint>

#include "fenra/fenra.h"
#include "fenra/wayland/logic.h"

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_output;
struct wl_seat;
struct wl_keyboard;
struct wl_pointer;
struct wl_surface;
struct wl_cursor;
struct wl_cursor_theme;
struct wl_shm_pool;
struct wl_buffer;
struct wl_data_device_manager;
struct wl_data_device;
struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;
struct zxdg_decoration_manager_v1;
struct zxdg_toplevel_decoration_v1;
struct wp_viewporter;
struct wp_viewport;

constexpr uint32_t WAYLAND_MAX_OUTPUTS = 8;

struct ShmBuffer {
    wl_shm_pool* pool;
    wl_buffer* buffer;
    int32_t fd;     // -1 when none
    uint8_t* data;  // the mapping, shm_size bytes
    uint8_t busy;   // attached and not yet released
    PixelRect stale;
};
constexpr uint32_t WAYLAND_MAX_SEATS = 8;

struct WindowBackend {
    Window* window;  // the common record that owns this one
    wl_display* display;
    wl_registry* registry;
    wl_compositor* compositor;
    xdg_wm_base* wm_base;
    wl_shm* shm;

    wl_output* outputs[WAYLAND_MAX_OUTPUTS];
    uint32_t output_names[WAYLAND_MAX_OUTPUTS];
    uint32_t output_count;

    wl_seat* seats[WAYLAND_MAX_SEATS];
    uint32_t seat_names[WAYLAND_MAX_SEATS];
    uint32_t seat_count;
    wl_keyboard* keyboards[WAYLAND_MAX_SEATS];
    wl_pointer* pointers[WAYLAND_MAX_SEATS];
    wl_seat* seat;  // seat of the last button event, for moves

    wl_surface* surface;
    xdg_surface* xdg_surface_;
    xdg_toplevel* toplevel;
    uint8_t configured;

    wl_cursor* cursor;
    wl_cursor_theme* cursor_theme;
    wl_surface* cursor_surface;
    int32_t cursor_scale;

    double wheel_accum;

    // buffers[0] is the framebuffer buffer. A compositor may keep the buffer
    // attached last until another one is attached (weston's pixman renderer
    // does), so a spare is made when the first is not released in time; each
    // remembers the area presented into the other one since it was last written.
    ShmBuffer buffers[2];
    uint64_t shm_size;  // bytes of one buffer
    uint32_t buffer_format;

    wl_data_device_manager* data_device_manager;
    wl_data_device* data_device;
    char* clipboard_text;

    zxdg_decoration_manager_v1* decoration_manager;
    zxdg_toplevel_decoration_v1* decoration;
    wp_viewporter* viewporter;
    wp_viewport* viewport;

    double scale;
    uint32_t width, height;
    uint32_t logical_width, logical_height;
    uint32_t x, y;
    uint32_t pointer_serial;
    uint32_t locked_mods;
    KeyRepeat repeat;
    uint8_t borderless;
    uint8_t server_decorations;
};

struct wl_seat_listener;

// Callback delivery shared by key events, key repeat and moves.
void wayland_send_key(WindowBackend* b, uint32_t linux_code, bool pressed);
void wayland_send_button(WindowBackend* b, int32_t kind, uint32_t flags);
extern const wl_seat_listener wayland_seat_listener;

// The open window, if any (the library serves one window per process).
extern Window* wayland_open_window;

// Part of opening: the data device for the first seat and its listener.
void wayland_selection_start(WindowBackend* b);

// The text of the last selection read, or null; for the backend's own tests.
const char* wayland_selection_text(const Window* window);
