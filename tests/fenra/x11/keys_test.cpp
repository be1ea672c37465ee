#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "fenra/fenra.h"
#include "fenra/x11/x11_keys.h"

TEST(X11Keys, KeysymTable) {
    const struct {
        X11KeySym sym;
        int16_t key;
    } cases[] = {
        {XK_Escape, KEY_ESCAPE},
        {XK_Tab, KEY_TAB},
        {XK_Return, KEY_ENTER},
        {XK_BackSpace, KEY_BACKSPACE},
        {XK_Shift_R, KEY_RIGHT_SHIFT},
        {XK_Control_L, KEY_LEFT_CONTROL},
        {XK_Meta_L, KEY_LEFT_ALT},
        {XK_Alt_L, KEY_LEFT_ALT},
        {XK_ISO_Level3_Shift, KEY_RIGHT_ALT},
        {XK_Mode_switch, KEY_RIGHT_ALT},
        {XK_Super_R, KEY_RIGHT_SUPER},
        {XK_Menu, KEY_MENU},
        {XK_Prior, KEY_PAGE_UP},
        {XK_Next, KEY_PAGE_DOWN},
        {XK_Left, KEY_LEFT},
        {XK_Right, KEY_RIGHT},
        {XK_Down, KEY_DOWN},
        {XK_Up, KEY_UP},
        {XK_Pause, KEY_PAUSE},
        {XK_Print, KEY_PRINT},
        {XK_F1, 0x122},
        {XK_F12, 0x12D},
        {XK_F25, 0x13A},
        {XK_KP_Insert, 0x140},
        {XK_KP_End, 0x141},
        {XK_KP_Right, 0x146},
        {XK_KP_Prior, 0x149},
        {XK_KP_Delete, KEY_KP_DECIMAL},
        {XK_KP_Enter, KEY_KP_ENTER},
        {XK_KP_Divide, KEY_KP_DIVIDE},
        {XK_KP_Add, KEY_KP_ADD},
        {XK_a, 'A'},
        {XK_q, 'Q'},
        {XK_z, 'Z'},
        {XK_0, '0'},
        {XK_9, '9'},
        {XK_space, ' '},
        {XK_apostrophe, '\''},
        {XK_grave, '`'},
        {XK_backslash, '\\'},
        {XK_slash, '/'},
        // Not in the table: shifted and keypad-digit keysyms, the middle keypad key.
        {XK_A, -1},
        {XK_exclam, -1},
        {XK_KP_5, -1},
        {XK_KP_Begin, -1},
        {XK_F26, -1},
        {0, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(x11_keysym_key(c.sym), c.key) << std::hex << c.sym;
}

TEST(X11Keys, KeypadTables) {
    for (int d = 0; d <= 9; d++) {
        EXPECT_EQ(x11_keypad_key(XK_KP_0 + d), KEY_KP_0 + d);
        EXPECT_EQ(x11_keypad_char(XK_KP_0 + d), static_cast<uint32_t>('0' + d));
    }
    EXPECT_EQ(x11_keypad_key(XK_KP_Separator), KEY_KP_DECIMAL);
    EXPECT_EQ(x11_keypad_key(XK_KP_Decimal), KEY_KP_DECIMAL);
    EXPECT_EQ(x11_keypad_key(XK_KP_Equal), KEY_KP_EQUAL);
    EXPECT_EQ(x11_keypad_key(XK_KP_Enter), KEY_KP_ENTER);
    EXPECT_EQ(x11_keypad_key(XK_KP_Add), -1);
    EXPECT_EQ(x11_keypad_key(XK_KP_Home), -1);
    EXPECT_EQ(x11_keypad_char(XK_KP_Separator), '.');
    EXPECT_EQ(x11_keypad_char(XK_KP_Multiply), '*');
    EXPECT_EQ(x11_keypad_char(XK_KP_Subtract), '-');
    EXPECT_EQ(x11_keypad_char(XK_KP_Enter), 0u);
}

TEST(X11Keys, KeyMapPrefersTheNumLockMeaningOfKeypadKeys) {
    // A small keyboard mapping starting at keycode 8, two keysyms per keycode.
    const X11KeySym two[] = {
        XK_KP_Insert,
        XK_KP_0,  // 8: keypad 0 by its Num Lock keysym
        XK_KP_Begin,
        XK_KP_5,  // 9: keypad 5 although its first keysym is unknown
        XK_a,
        XK_A,  // 10
        XK_1,
        XK_exclam,  // 11
        XK_KP_Delete,
        XK_KP_Decimal,  // 12
        0,
        0,  // 13
        XK_Left,
        0,  // 14
    };
    int16_t map[256];
    x11_key_map_fill(map, two, 8, 14, 2);
    EXPECT_EQ(map[8], 0x140);
    EXPECT_EQ(map[9], 0x145);
    EXPECT_EQ(map[10], 'A');
    EXPECT_EQ(map[11], '1');
    EXPECT_EQ(map[12], KEY_KP_DECIMAL);
    EXPECT_EQ(map[13], -1);
    EXPECT_EQ(map[14], KEY_LEFT);
    EXPECT_EQ(map[7], -1);
    EXPECT_EQ(map[15], -1);
    EXPECT_EQ(map[255], -1);

    // With one keysym per keycode the second one is never consulted.
    const X11KeySym one[] = {XK_KP_Begin, XK_KP_Insert, XK_q};
    x11_key_map_fill(map, one, 254, 256, 1);  // keycodes past 255 are left out
    EXPECT_EQ(map[254], -1);
    EXPECT_EQ(map[255], 0x140);
    EXPECT_EQ(map[10], -1);  // the earlier fill is gone
}

TEST(X11Keys, TextCodePoints) {
    const struct {
        X11KeySym sym;
        uint32_t cp;
    } cases[] = {
        {XK_a, 'a'},
        {XK_A, 'A'},
        {XK_space, ' '},
        {XK_asciitilde, '~'},
        {XK_nobreakspace, 0xA0},
        {XK_eacute, 0xE9},
        {XK_ydiaeresis, 0xFF},
        {0x10020AC, 0x20AC},  // Unicode keysym of the euro sign
        {0x101F600, 0x1F600},
        {XK_KP_5, '5'},
        {XK_KP_Decimal, '.'},
        {XK_KP_Add, '+'},
        {XK_Return, 0},
        {XK_F1, 0},
        {XK_KP_Enter, 0},
        {XK_Cyrillic_a, 0},
        {0x7F, 0},
        {0x9F, 0},
        {0, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(x11_text_codepoint(c.sym), c.cp) << std::hex << c.sym;
}
