// X11 keysyms to fenra key codes and text.
//
//   x11_keysym_key(sym)              row of the main keysym table, or -1.
//   x11_keypad_key(sym)              keypad digits and separators by their Num Lock
//                                    meaning, or -1.
//   x11_keypad_char(sym)             character of a keypad keysym, or 0.
//   x11_key_map_fill(key_map, syms, min, max, per_keycode)
//                                    fills the 256-entry map from a keyboard mapping
//                                    (per_keycode keysyms for each keycode min..max):
//                                    the second keysym in the keypad table first, then
//                                    the first keysym in the main table; -1 otherwise.
//   x11_text_codepoint(sym)          code point a KeyPress types, or 0 for none.
#pragma once
#include <cstdint>

using X11KeySym = unsigned long;  // same as Xlib's KeySym

[[nodiscard]] int16_t x11_keysym_key(X11KeySym sym);
[[nodiscard]] int16_t x11_keypad_key(X11KeySym sym);
[[nodiscard]] uint32_t x11_keypad_char(X11KeySym sym);
void x11_key_map_fill(int16_t key_map[256], const X11KeySym* syms, int min_keycode, int max_keycode,
                      int per_keycode);
[[nodiscard]] uint32_t x11_text_codepoint(X11KeySym sym);
