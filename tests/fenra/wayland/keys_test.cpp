#include "fenra/wayland/keys.h"

#include <gtest/gtest.h>

#include <set>

#include "fenra/fenra.h"

namespace {

TEST(WaylandKeyTable, RowsAreUniqueAndFitTheMap) {
    std::set<int> codes;
    for (const WaylandKeyRow& row : wayland_key_table) {
        EXPECT_GE(row.linux_code, 0);
        EXPECT_LT(row.linux_code, 256);
        EXPECT_TRUE(codes.insert(row.linux_code).second)
            << "duplicate Linux code " << row.linux_code;
        // Printable keys carry the code of their unshifted label, letters in upper case.
        if (row.key < 0x100) {
            int label = row.unshifted;
            if (label >= 'a' && label <= 'z') label -= 'a' - 'A';
            EXPECT_EQ(row.key, label) << "Linux code " << row.linux_code;
        }
    }
    EXPECT_EQ(codes.size(), 117u);
}

TEST(WaylandKeyTable, KeyMapTranslatesLinuxCodes) {
    int16_t map[256];
    wayland_build_key_map(map);
    struct Case {
        int code;
        int key;
    };
    const Case cases[] = {
        {1, KEY_ESCAPE},
        {15, KEY_TAB},
        {14, KEY_BACKSPACE},
        {28, KEY_ENTER},
        {42, KEY_LEFT_SHIFT},
        {54, KEY_RIGHT_SHIFT},
        {29, KEY_LEFT_CONTROL},
        {97, KEY_RIGHT_CONTROL},
        {56, KEY_LEFT_ALT},
        {100, KEY_RIGHT_ALT},
        {125, KEY_LEFT_SUPER},
        {126, KEY_RIGHT_SUPER},
        {139, KEY_MENU},
        {69, KEY_NUM_LOCK},
        {58, KEY_CAPS_LOCK},
        {210, KEY_PRINT},
        {70, KEY_SCROLL_LOCK},
        {119, KEY_PAUSE},
        {111, KEY_DELETE},
        {102, KEY_HOME},
        {107, KEY_END},
        {104, KEY_PAGE_UP},
        {109, KEY_PAGE_DOWN},
        {110, KEY_INSERT},
        {105, KEY_LEFT},
        {106, KEY_RIGHT},
        {108, KEY_DOWN},
        {103, KEY_UP},
        {59, KEY_F1},
        {68, KEY_F1 + 9},
        {87, KEY_F1 + 10},
        {88, KEY_F1 + 11},
        {183, KEY_F1 + 12},
        {194, KEY_F1 + 23},
        {98, KEY_KP_DIVIDE},
        {55, KEY_KP_MULTIPLY},
        {74, KEY_KP_SUBTRACT},
        {78, KEY_KP_ADD},
        {83, KEY_KP_DECIMAL},
        {117, KEY_KP_EQUAL},
        {96, KEY_KP_ENTER},
        {82, KEY_KP_0},
        {79, KEY_KP_0 + 1},
        {81, KEY_KP_0 + 3},
        {75, KEY_KP_0 + 4},
        {77, KEY_KP_0 + 6},
        {71, KEY_KP_0 + 7},
        {73, KEY_KP_9},
        {16, 'Q'},
        {25, 'P'},
        {30, 'A'},
        {38, 'L'},
        {44, 'Z'},
        {50, 'M'},
        {2, '1'},
        {10, '9'},
        {11, '0'},
        {57, ' '},
        {12, '-'},
        {13, '='},
        {26, '['},
        {27, ']'},
        {43, '\\'},
        {39, ';'},
        {40, '\''},
        {41, '`'},
        {51, ','},
        {52, '.'},
        {53, '/'},
        // Codes without a row.
        {0, KEY_NONE},
        {84, KEY_NONE},
        {86, KEY_NONE},
        {195, KEY_NONE},
        {255, KEY_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(map[c.code], c.key) << "Linux code " << c.code;
    int mapped = 0;
    for (int16_t key : map) mapped += key != KEY_NONE;
    EXPECT_EQ(mapped, 117);
}

TEST(WaylandKeyTable, ModifierFlagsFromDepressedMask) {
    struct Case {
        uint32_t depressed;
        uint32_t flags;
    };
    const Case cases[] = {
        {0, 0},
        {1u << 0, MOD_SHIFT},
        {1u << 1, MOD_CAPS},
        {1u << 2, MOD_CTRL},
        {1u << 3, MOD_ALT},
        {1u << 4, MOD_NUM},
        {1u << 5, 0},  // Mod3 has no flag
        {1u << 6, MOD_SUPER},
        {1u << 7, 0},  // nor has Mod5 (AltGr)
        {0x5F, MOD_SHIFT | MOD_CAPS | MOD_CTRL | MOD_ALT | MOD_NUM | MOD_SUPER},
        {0xFFFFFF80u, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wayland_modifier_flags(c.depressed), c.flags) << c.depressed;
}

TEST(WaylandKeyTable, TextOfAPressFollowsShiftCapsLockAndModifiers) {
    constexpr uint32_t CAPS_LOCKED = 2;
    struct Case {
        uint32_t code;
        uint32_t modifiers;
        uint32_t locked;
        uint32_t text;
    };
    const Case cases[] = {
        {30, 0, 0, 'a'},
        {30, MOD_SHIFT, 0, 'A'},
        {30, 0, CAPS_LOCKED, 'A'},
        {30, MOD_SHIFT, CAPS_LOCKED, 'a'},
        {2, 0, 0, '1'},
        {2, MOD_SHIFT, 0, '!'},
        {2, 0, CAPS_LOCKED, '!'},  // Caps Lock shifts digits too
        {2, MOD_SHIFT, CAPS_LOCKED, '1'},
        {7, MOD_SHIFT, 0, '^'},
        {11, MOD_SHIFT, 0, ')'},
        {40, MOD_SHIFT, 0, '"'},
        {43, MOD_SHIFT, 0, '|'},
        {53, MOD_SHIFT, 0, '?'},
        {41, MOD_SHIFT, 0, '~'},
        {57, MOD_SHIFT, 0, ' '},  // no shifted character: the unshifted one
        {79, MOD_SHIFT, 0, '1'},  // keypad digits are never shifted
        {55, 0, 0, '*'},
        {96, 0, 0, 0},  // keypad Enter has no character
        {1, 0, 0, 0},   // Escape
        {28, 0, 0, 0},  // Enter
        {30, MOD_CTRL, 0, 0},
        {30, MOD_ALT, 0, 0},
        {30, MOD_SUPER, 0, 0},
        {2, MOD_SHIFT | MOD_CTRL, 0, 0},
        {30, MOD_NUM, 0, 'a'},   // Num Lock and a held Caps Lock key do not block text
        {30, MOD_CAPS, 0, 'a'},  // only the locked state shifts
        {30, 0, 1, 'a'},         // another locked modifier does not shift
        {84, 0, 0, 0},           // no row
        {300, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wayland_key_text(c.code, c.modifiers, c.locked), c.text)
            << "code " << c.code << " modifiers " << c.modifiers << " locked " << c.locked;
    }
}

}  // namespace
