// Seats: keyboards with their key map, modifiers and repeat, pointers with
// motion, buttons, wheel steps and the cursor image.
#include <unistd.h>
#include <wayland-client.h>
#include <wayland-cursor.h>

#include "fenra/fenra.h"
#include "fenra/wayland/backend.h"
#include "fenra/wayland/keys.h"
#include "fenra/wayland/logic.h"

// ---- key and pointer delivery -------------------------------------------------

void wayland_send_key(WindowBackend* b, uint32_t key, bool pressed) {
    if (key > 255) return;
    Window* w = b->window;
    if (w->callbacks.on_key.fn) {
        w->callbacks.on_key.fn(w, w->callbacks.on_key.user, w->key_map[key],
                               w->modifiers | (pressed ? MOD_PRESSED : 0u));
    }
    if (!pressed) return;
    uint32_t codepoint = wayland_key_text(key, w->modifiers, b->locked_mods);
    if (codepoint && w->callbacks.on_text.fn) {
        w->callbacks.on_text.fn(w, w->callbacks.on_text.user, codepoint);
    }
}

void wayland_send_button(WindowBackend* b, int32_t kind, uint32_t flags) {
    Window* w = b->window;
    if (w->callbacks.on_button.fn)
        w->callbacks.on_button.fn(w, w->callbacks.on_button.user, kind, flags);
}

namespace {

void pointer_moved(WindowBackend* b, wl_fixed_t sx, wl_fixed_t sy) {
    Window* w = b->window;
    w->pointer_x = wayland_surface_to_pixels(wl_fixed_to_double(sx), b->scale);
    w->pointer_y = wayland_surface_to_pixels(wl_fixed_to_double(sy), b->scale);
    if (w->callbacks.on_motion.fn) {
        w->callbacks.on_motion.fn(w, w->callbacks.on_motion.user, w->pointer_x, w->pointer_y);
    }
}

// ---- keyboard -----------------------------------------------------------------

void keyboard_keymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void keyboard_enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void keyboard_leave(void* data, wl_keyboard*, uint32_t, wl_surface*) {
    key_repeat_stop(&static_cast<WindowBackend*>(data)->repeat);
}
void keyboard_key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    auto* b = static_cast<WindowBackend*>(data);
    bool pressed = state == WL_KEYBOARD_KEY_STATE_PRESSED;
    if (pressed) {
        key_repeat_press(&b->repeat, key, wayland_now_ms());
    } else {
        key_repeat_stop(&b->repeat);
    }
    wayland_send_key(b, key, pressed);
}
void keyboard_modifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t,
                        uint32_t locked, uint32_t) {
    auto* b = static_cast<WindowBackend*>(data);
    b->locked_mods = locked;
    b->window->modifiers = wayland_modifier_flags(depressed);
}
void keyboard_repeat_info(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener keyboard_listener = {
    .keymap = keyboard_keymap,
    .enter = keyboard_enter,
    .leave = keyboard_leave,
    .key = keyboard_key,
    .modifiers = keyboard_modifiers,
    .repeat_info = keyboard_repeat_info,
};

// ---- pointer ------------------------------------------------------------------

void pointer_enter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface*, wl_fixed_t sx,
                   wl_fixed_t sy) {
    auto* b = static_cast<WindowBackend*>(data);
    pointer_moved(b, sx, sy);
    if (!b->cursor || b->cursor->image_count == 0) return;
    wl_cursor_image* image = b->cursor->images[0];
    int32_t s = b->cursor_scale > 0 ? b->cursor_scale : 1;
    wl_pointer_set_cursor(pointer, serial, b->cursor_surface,
                          static_cast<int32_t>(image->hotspot_x) / s,
                          static_cast<int32_t>(image->hotspot_y) / s);
    wl_surface_attach(b->cursor_surface, wl_cursor_image_get_buffer(image), 0, 0);
    wl_surface_damage(b->cursor_surface, 0, 0, static_cast<int32_t>(image->width) / s,
                      static_cast<int32_t>(image->height) / s);
    wl_surface_commit(b->cursor_surface);
}
void pointer_leave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void pointer_motion(void* data, wl_pointer*, uint32_t, wl_fixed_t sx, wl_fixed_t sy) {
    pointer_moved(static_cast<WindowBackend*>(data), sx, sy);
}
void pointer_button(void* data, wl_pointer* pointer, uint32_t serial, uint32_t, uint32_t button,
                    uint32_t state) {
    auto* b = static_cast<WindowBackend*>(data);
    b->pointer_serial = serial;
    b->seat = nullptr;
    for (uint32_t i = 0; i < b->seat_count; i++) {
        if (b->pointers[i] == pointer) b->seat = b->seats[i];
    }
    if (button == 0) return;
    int32_t kind = FENRA_BUTTON_OTHER;
    if (button == 272) kind = FENRA_BUTTON_LEFT;
    if (button == 273) kind = FENRA_BUTTON_RIGHT;
    if (button == 274) kind = FENRA_BUTTON_MIDDLE;
    uint32_t flags = b->window->modifiers;
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) flags |= MOD_PRESSED;
    wayland_send_button(b, kind, flags);
}
void pointer_axis(void* data, wl_pointer*, uint32_t, uint32_t axis, wl_fixed_t value) {
    auto* b = static_cast<WindowBackend*>(data);
    if (axis != WL_POINTER_AXIS_VERTICAL_SCROLL) return;
    int32_t kind = wayland_wheel_step(&b->wheel_accum, wl_fixed_to_double(value));
    if (kind) wayland_send_button(b, kind, b->window->modifiers | MOD_PRESSED);
}
void pointer_frame(void*, wl_pointer*) {}
void pointer_axis_source(void*, wl_pointer*, uint32_t) {}
void pointer_axis_stop(void*, wl_pointer*, uint32_t, uint32_t) {}
void pointer_axis_discrete(void*, wl_pointer*, uint32_t, int32_t) {}
void pointer_axis_value120(void*, wl_pointer*, uint32_t, int32_t) {}

const wl_pointer_listener pointer_listener = {
    .enter = pointer_enter,
    .leave = pointer_leave,
    .motion = pointer_motion,
    .button = pointer_button,
    .axis = pointer_axis,
    .frame = pointer_frame,
    .axis_source = pointer_axis_source,
    .axis_stop = pointer_axis_stop,
    .axis_discrete = pointer_axis_discrete,
    .axis_value120 = pointer_axis_value120,
};

// ---- seats --------------------------------------------------------------------

void seat_capabilities(void* data, wl_seat* seat, uint32_t caps) {
    auto* b = static_cast<WindowBackend*>(data);
    uint32_t i = 0;
    while (i < b->seat_count && b->seats[i] != seat) i++;
    if (i == b->seat_count) return;
    bool has_keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    bool has_pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (has_keyboard && !b->keyboards[i]) {
        b->keyboards[i] = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(b->keyboards[i], &keyboard_listener, b);
    } else if (!has_keyboard && b->keyboards[i]) {
        wl_keyboard_destroy(b->keyboards[i]);
        b->keyboards[i] = nullptr;
    }
    if (has_pointer && !b->pointers[i]) {
        b->pointers[i] = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(b->pointers[i], &pointer_listener, b);
    } else if (!has_pointer && b->pointers[i]) {
        wl_pointer_destroy(b->pointers[i]);
        b->pointers[i] = nullptr;
    }
}
void seat_name(void*, wl_seat*, const char*) {}

}  // namespace

const wl_seat_listener wayland_seat_listener = {.capabilities = seat_capabilities,
                                                .name = seat_name};
