// Wayland keyboard tables: Linux input codes to fenra key codes and characters.
//
//   WaylandKeyRow          {Linux input code, key code, unshifted char, shifted char}; 0 = none.
//   wayland_key_table      the rows, searched first to last.
//   wayland_key_row(code)  the first row of a Linux input code, or null.
//   wayland_build_key_map(map)  map[code] = key code of code's row, -1 when there is none.
//   wayland_modifier_flags(depressed)  MOD_* flags from wl_keyboard.modifiers' depressed
//                          mask (fixed indices of the standard keymap; the keymap is not parsed).
//   wayland_key_text(code, modifiers, locked)  code point that a press produces, 0 for none:
//                          nothing while Ctrl, Alt or Super is held; the shifted character
//                          when Shift differs from the locked Caps Lock (bit 1 of locked)
//                          and the row has one, else the unshifted one.
#pragma once
#include <cstdint>

struct WaylandKeyRow {
    int16_t linux_code;
    int16_t key;
    int16_t unshifted;
    int16_t shifted;
};

constexpr int WAYLAND_KEY_ROWS = 117;
extern const WaylandKeyRow wayland_key_table[WAYLAND_KEY_ROWS];

[[nodiscard]] const WaylandKeyRow* wayland_key_row(uint32_t linux_code);
void wayland_build_key_map(int16_t key_map[256]);
[[nodiscard]] uint32_t wayland_modifier_flags(uint32_t mods_depressed);
[[nodiscard]] uint32_t wayland_key_text(uint32_t linux_code, uint32_t modifiers,
                                        uint32_t locked_mods);
