#include "fenra/wayland/keys.h"

#include "fenra/fenra.h"

namespace {

constexpr int16_t F(int n) { return static_cast<int16_t>(KEY_F1 + n - 1); }
constexpr int16_t KP(int d) { return static_cast<int16_t>(KEY_KP_0 + d); }

}  // namespace

const WaylandKeyRow wayland_key_table[WAYLAND_KEY_ROWS] = {
    {1, KEY_ESCAPE, 0, 0},
    {15, KEY_TAB, 0, 0},
    {14, KEY_BACKSPACE, 0, 0},
    {28, KEY_ENTER, 0, 0},

    {42, KEY_LEFT_SHIFT, 0, 0},
    {54, KEY_RIGHT_SHIFT, 0, 0},
    {29, KEY_LEFT_CONTROL, 0, 0},
    {97, KEY_RIGHT_CONTROL, 0, 0},
    {56, KEY_LEFT_ALT, 0, 0},
    {100, KEY_RIGHT_ALT, 0, 0},
    {125, KEY_LEFT_SUPER, 0, 0},
    {126, KEY_RIGHT_SUPER, 0, 0},
    {139, KEY_MENU, 0, 0},

    {69, KEY_NUM_LOCK, 0, 0},
    {58, KEY_CAPS_LOCK, 0, 0},
    {210, KEY_PRINT, 0, 0},
    {70, KEY_SCROLL_LOCK, 0, 0},
    {119, KEY_PAUSE, 0, 0},

    {111, KEY_DELETE, 0, 0},
    {102, KEY_HOME, 0, 0},
    {107, KEY_END, 0, 0},
    {104, KEY_PAGE_UP, 0, 0},
    {109, KEY_PAGE_DOWN, 0, 0},
    {110, KEY_INSERT, 0, 0},

    {105, KEY_LEFT, 0, 0},
    {106, KEY_RIGHT, 0, 0},
    {108, KEY_DOWN, 0, 0},
    {103, KEY_UP, 0, 0},

    {59, F(1), 0, 0},
    {60, F(2), 0, 0},
    {61, F(3), 0, 0},
    {62, F(4), 0, 0},
    {63, F(5), 0, 0},
    {64, F(6), 0, 0},
    {65, F(7), 0, 0},
    {66, F(8), 0, 0},
    {67, F(9), 0, 0},
    {68, F(10), 0, 0},
    {87, F(11), 0, 0},
    {88, F(12), 0, 0},

    {183, F(13), 0, 0},
    {184, F(14), 0, 0},
    {185, F(15), 0, 0},
    {186, F(16), 0, 0},
    {187, F(17), 0, 0},
    {188, F(18), 0, 0},
    {189, F(19), 0, 0},
    {190, F(20), 0, 0},
    {191, F(21), 0, 0},
    {192, F(22), 0, 0},
    {193, F(23), 0, 0},
    {194, F(24), 0, 0},

    {98, KEY_KP_DIVIDE, '/', 0},
    {55, KEY_KP_MULTIPLY, '*', 0},
    {74, KEY_KP_SUBTRACT, '-', 0},
    {78, KEY_KP_ADD, '+', 0},
    {83, KEY_KP_DECIMAL, '.', 0},
    {117, KEY_KP_EQUAL, '=', 0},

    {96, KEY_KP_ENTER, 0, 0},

    {82, KP(0), '0', 0},
    {79, KP(1), '1', 0},
    {80, KP(2), '2', 0},
    {81, KP(3), '3', 0},
    {75, KP(4), '4', 0},
    {76, KP(5), '5', 0},
    {77, KP(6), '6', 0},
    {71, KP(7), '7', 0},
    {72, KP(8), '8', 0},
    {73, KP(9), '9', 0},

    {16, 'Q', 'q', 'Q'},
    {17, 'W', 'w', 'W'},
    {18, 'E', 'e', 'E'},
    {19, 'R', 'r', 'R'},
    {20, 'T', 't', 'T'},
    {21, 'Y', 'y', 'Y'},
    {22, 'U', 'u', 'U'},
    {23, 'I', 'i', 'I'},
    {24, 'O', 'o', 'O'},
    {25, 'P', 'p', 'P'},

    {30, 'A', 'a', 'A'},
    {31, 'S', 's', 'S'},
    {32, 'D', 'd', 'D'},
    {33, 'F', 'f', 'F'},
    {34, 'G', 'g', 'G'},
    {35, 'H', 'h', 'H'},
    {36, 'J', 'j', 'J'},
    {37, 'K', 'k', 'K'},
    {38, 'L', 'l', 'L'},

    {44, 'Z', 'z', 'Z'},
    {45, 'X', 'x', 'X'},
    {46, 'C', 'c', 'C'},
    {47, 'V', 'v', 'V'},
    {48, 'B', 'b', 'B'},
    {49, 'N', 'n', 'N'},
    {50, 'M', 'm', 'M'},

    {2, '1', '1', '!'},
    {3, '2', '2', '@'},
    {4, '3', '3', '#'},
    {5, '4', '4', '$'},
    {6, '5', '5', '%'},
    {7, '6', '6', '^'},
    {8, '7', '7', '&'},
    {9, '8', '8', '*'},
    {10, '9', '9', '('},
    {11, '0', '0', ')'},

    {57, ' ', ' ', 0},

    {12, '-', '-', '_'},
    {13, '=', '=', '+'},
    {26, '[', '[', '{'},
    {27, ']', ']', '}'},
    {43, '\\', '\\', '|'},

    {39, ';', ';', ':'},
    {40, '\'', '\'', '"'},
    {41, '`', '`', '~'},
    {51, ',', ',', '<'},
    {52, '.', '.', '>'},
    {53, '/', '/', '?'},
};

const WaylandKeyRow* wayland_key_row(uint32_t linux_code) {
    for (const WaylandKeyRow& row : wayland_key_table) {
        if (static_cast<uint32_t>(row.linux_code) == linux_code) return &row;
    }
    return nullptr;
}

void wayland_build_key_map(int16_t key_map[256]) {
    for (uint32_t code = 0; code < 256; code++) {
        const WaylandKeyRow* row = wayland_key_row(code);
        key_map[code] = row ? row->key : static_cast<int16_t>(KEY_NONE);
    }
}

uint32_t wayland_modifier_flags(uint32_t depressed) {
    struct Bit {
        uint32_t mask;
        uint32_t flag;
    };
    static constexpr Bit bits[] = {
        {1u << 0, MOD_SHIFT}, {1u << 2, MOD_CTRL}, {1u << 3, MOD_ALT},
        {1u << 6, MOD_SUPER}, {1u << 1, MOD_CAPS}, {1u << 4, MOD_NUM},
    };
    uint32_t flags = 0;
    for (const Bit& bit : bits) {
        if (depressed & bit.mask) flags |= bit.flag;
    }
    return flags;
}

uint32_t wayland_key_text(uint32_t linux_code, uint32_t modifiers, uint32_t locked_mods) {
    if (modifiers & (MOD_CTRL | MOD_ALT | MOD_SUPER)) return 0;
    const WaylandKeyRow* row = wayland_key_row(linux_code);
    if (!row) return 0;
    bool shift = (modifiers & MOD_SHIFT) != 0;
    bool caps = (locked_mods & 2u) != 0;
    // Caps Lock flips Shift for every key that has a shifted character,
    // digits and punctuation included.
    if (shift != caps && row->shifted != 0) return static_cast<uint32_t>(row->shifted);
    return static_cast<uint32_t>(row->unshifted);
}
