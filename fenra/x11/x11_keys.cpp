#include "fenra/x11/x11_keys.h"

#include <X11/keysym.h>

#include <cstddef>

#include "fenra/fenra.h"

namespace {

struct KeyRow {
    X11KeySym sym;
    int16_t key;
};

struct CharRow {
    X11KeySym sym;
    uint32_t ch;
};

constexpr KeyRow keysym_table[] = {
    {XK_Escape, KEY_ESCAPE},
    {XK_Tab, KEY_TAB},
    {XK_Shift_L, KEY_LEFT_SHIFT},
    {XK_Shift_R, KEY_RIGHT_SHIFT},
    {XK_Control_L, KEY_LEFT_CONTROL},
    {XK_Control_R, KEY_RIGHT_CONTROL},
    {XK_Meta_L, KEY_LEFT_ALT},
    {XK_Alt_L, KEY_LEFT_ALT},
    {XK_Mode_switch, KEY_RIGHT_ALT},
    {XK_ISO_Level3_Shift, KEY_RIGHT_ALT},
    {XK_Meta_R, KEY_RIGHT_ALT},
    {XK_Alt_R, KEY_RIGHT_ALT},
    {XK_Super_L, KEY_LEFT_SUPER},
    {XK_Super_R, KEY_RIGHT_SUPER},
    {XK_Menu, KEY_MENU},
    {XK_Num_Lock, KEY_NUM_LOCK},
    {XK_Caps_Lock, KEY_CAPS_LOCK},
    {XK_Print, KEY_PRINT},
    {XK_Scroll_Lock, KEY_SCROLL_LOCK},
    {XK_Pause, KEY_PAUSE},
    {XK_Delete, KEY_DELETE},
    {XK_BackSpace, KEY_BACKSPACE},
    {XK_Return, KEY_ENTER},
    {XK_Home, KEY_HOME},
    {XK_End, KEY_END},
    {XK_Prior, KEY_PAGE_UP},
    {XK_Next, KEY_PAGE_DOWN},
    {XK_Insert, KEY_INSERT},
    {XK_Left, KEY_LEFT},
    {XK_Right, KEY_RIGHT},
    {XK_Down, KEY_DOWN},
    {XK_Up, KEY_UP},
    {XK_F1, KEY_F1 + 0},
    {XK_F2, KEY_F1 + 1},
    {XK_F3, KEY_F1 + 2},
    {XK_F4, KEY_F1 + 3},
    {XK_F5, KEY_F1 + 4},
    {XK_F6, KEY_F1 + 5},
    {XK_F7, KEY_F1 + 6},
    {XK_F8, KEY_F1 + 7},
    {XK_F9, KEY_F1 + 8},
    {XK_F10, KEY_F1 + 9},
    {XK_F11, KEY_F1 + 10},
    {XK_F12, KEY_F1 + 11},
    {XK_F13, KEY_F1 + 12},
    {XK_F14, KEY_F1 + 13},
    {XK_F15, KEY_F1 + 14},
    {XK_F16, KEY_F1 + 15},
    {XK_F17, KEY_F1 + 16},
    {XK_F18, KEY_F1 + 17},
    {XK_F19, KEY_F1 + 18},
    {XK_F20, KEY_F1 + 19},
    {XK_F21, KEY_F1 + 20},
    {XK_F22, KEY_F1 + 21},
    {XK_F23, KEY_F1 + 22},
    {XK_F24, KEY_F1 + 23},
    {XK_F25, KEY_F1 + 24},
    {XK_KP_Divide, KEY_KP_DIVIDE},
    {XK_KP_Multiply, KEY_KP_MULTIPLY},
    {XK_KP_Subtract, KEY_KP_SUBTRACT},
    {XK_KP_Add, KEY_KP_ADD},
    {XK_KP_Insert, KEY_KP_0 + 0},
    {XK_KP_End, KEY_KP_0 + 1},
    {XK_KP_Down, KEY_KP_0 + 2},
    {XK_KP_Next, KEY_KP_0 + 3},
    {XK_KP_Left, KEY_KP_0 + 4},
    {XK_KP_Right, KEY_KP_0 + 6},
    {XK_KP_Home, KEY_KP_0 + 7},
    {XK_KP_Up, KEY_KP_0 + 8},
    {XK_KP_Prior, KEY_KP_0 + 9},
    {XK_KP_Delete, KEY_KP_DECIMAL},
    {XK_KP_Equal, KEY_KP_EQUAL},
    {XK_KP_Enter, KEY_KP_ENTER},
    {XK_a, 'A'},
    {XK_b, 'B'},
    {XK_c, 'C'},
    {XK_d, 'D'},
    {XK_e, 'E'},
    {XK_f, 'F'},
    {XK_g, 'G'},
    {XK_h, 'H'},
    {XK_i, 'I'},
    {XK_j, 'J'},
    {XK_k, 'K'},
    {XK_l, 'L'},
    {XK_m, 'M'},
    {XK_n, 'N'},
    {XK_o, 'O'},
    {XK_p, 'P'},
    {XK_q, 'Q'},
    {XK_r, 'R'},
    {XK_s, 'S'},
    {XK_t, 'T'},
    {XK_u, 'U'},
    {XK_v, 'V'},
    {XK_w, 'W'},
    {XK_x, 'X'},
    {XK_y, 'Y'},
    {XK_z, 'Z'},
    {XK_1, '1'},
    {XK_2, '2'},
    {XK_3, '3'},
    {XK_4, '4'},
    {XK_5, '5'},
    {XK_6, '6'},
    {XK_7, '7'},
    {XK_8, '8'},
    {XK_9, '9'},
    {XK_0, '0'},
    {XK_space, ' '},
    {XK_minus, '-'},
    {XK_equal, '='},
    {XK_bracketleft, '['},
    {XK_bracketright, ']'},
    {XK_backslash, '\\'},
    {XK_semicolon, ';'},
    {XK_apostrophe, '\''},
    {XK_grave, '`'},
    {XK_comma, ','},
    {XK_period, '.'},
    {XK_slash, '/'},
};
static_assert(sizeof keysym_table / sizeof keysym_table[0] == 121);

constexpr KeyRow keypad_table[] = {
    {XK_KP_0, KEY_KP_0 + 0},     {XK_KP_1, KEY_KP_0 + 1},           {XK_KP_2, KEY_KP_0 + 2},
    {XK_KP_3, KEY_KP_0 + 3},     {XK_KP_4, KEY_KP_0 + 4},           {XK_KP_5, KEY_KP_0 + 5},
    {XK_KP_6, KEY_KP_0 + 6},     {XK_KP_7, KEY_KP_0 + 7},           {XK_KP_8, KEY_KP_0 + 8},
    {XK_KP_9, KEY_KP_0 + 9},     {XK_KP_Separator, KEY_KP_DECIMAL}, {XK_KP_Decimal, KEY_KP_DECIMAL},
    {XK_KP_Equal, KEY_KP_EQUAL}, {XK_KP_Enter, KEY_KP_ENTER},
};
static_assert(sizeof keypad_table / sizeof keypad_table[0] == 14);

constexpr CharRow keypad_char_table[] = {
    {XK_KP_0, '0'},     {XK_KP_1, '1'},      {XK_KP_2, '2'},         {XK_KP_3, '3'},
    {XK_KP_4, '4'},     {XK_KP_5, '5'},      {XK_KP_6, '6'},         {XK_KP_7, '7'},
    {XK_KP_8, '8'},     {XK_KP_9, '9'},      {XK_KP_Separator, '.'}, {XK_KP_Decimal, '.'},
    {XK_KP_Equal, '='}, {XK_KP_Divide, '/'}, {XK_KP_Multiply, '*'},  {XK_KP_Subtract, '-'},
    {XK_KP_Add, '+'},
};
static_assert(sizeof keypad_char_table / sizeof keypad_char_table[0] == 17);

template <size_t N>
int16_t lookup(const KeyRow (&table)[N], X11KeySym sym) {
    for (const KeyRow& row : table) {
        if (row.sym == sym) return row.key;
    }
    return -1;
}

}  // namespace

int16_t x11_keysym_key(X11KeySym sym) { return sym == 0 ? -1 : lookup(keysym_table, sym); }

int16_t x11_keypad_key(X11KeySym sym) { return sym == 0 ? -1 : lookup(keypad_table, sym); }

uint32_t x11_keypad_char(X11KeySym sym) {
    for (const CharRow& row : keypad_char_table) {
        if (row.sym == sym) return row.ch;
    }
    return 0;
}

void x11_key_map_fill(int16_t key_map[256], const X11KeySym* syms, int min_keycode, int max_keycode,
                      int per_keycode) {
    for (int i = 0; i < 256; i++) key_map[i] = -1;
    if (!syms || per_keycode < 1) return;
    for (int code = min_keycode; code <= max_keycode; code++) {
        if (code < 0 || code > 255) continue;
        const X11KeySym* row = syms + static_cast<long>(code - min_keycode) * per_keycode;
        int16_t key = per_keycode >= 2 ? x11_keypad_key(row[1]) : -1;
        if (key < 0) key = x11_keysym_key(row[0]);
        key_map[code] = key;
    }
}

uint32_t x11_text_codepoint(X11KeySym sym) {
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF))
        return static_cast<uint32_t>(sym);
    if ((sym & 0xFF000000u) == 0x01000000u) return static_cast<uint32_t>(sym & 0xFFFFFF);
    return x11_keypad_char(sym);
}
