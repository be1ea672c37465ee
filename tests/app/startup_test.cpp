// Start-up pieces that need no display: the scale from the display's DPI, the window
// flags, and the key bindings and mouse regions it registers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/player.h"
#include "app/startup.h"
#include "fenra/fenra.h"
#include "input/input.h"
#include "tests/lib/null_window.h"
#include "ui/ui_description.h"

namespace {

TEST(Startup, DefaultScaleFromDpiIsTruncatedAndUnclamped) {
    struct Case {
        float dpi;
        double scale;
    } cases[] = {{96, 1.0},
                 {144, 1.5},
                 {192, 2.0},
                 {143.9f, 143 / 96.0},
                 {48, 0.5},
                 {480, 5.0},
                 // output scales past the int range are held at its top
                 {96.0f * 2147483647.0f, 2147483647 / 96.0},
                 {3e38f, 2147483647 / 96.0}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(startup_default_scale(c.dpi), c.scale) << c.dpi;
}

TEST(Startup, WindowFlagsFromTheWindowElement) {
    struct Case {
        uint32_t ui, want;
    } cases[] = {
        {0, FENRA_AUTO_POSITION},
        {UI_FLAG_BORDERLESS, FENRA_BORDERLESS | FENRA_TRANSPARENT | FENRA_AUTO_POSITION},
        {UI_FLAG_SQUIRCLE, 0},
        {UI_FLAG_BORDERLESS | UI_FLAG_SQUIRCLE, FENRA_BORDERLESS | FENRA_TRANSPARENT},
        {UI_FLAG_CENTER | UI_FLAG_ROUND, FENRA_AUTO_POSITION},  // other bits ignored
    };
    for (const Case& c : cases) EXPECT_EQ(startup_window_flags(c.ui), c.want) << std::hex << c.ui;
}

struct Controls : ::testing::Test {
    Player player{};
    Window window{};
    void SetUp() override {
        null_window_reset();
        const char* ui =
            "window - 0 0 300 300 0 regionseek - 60 280 225 6 0 regionplay - 0 0 20 20 0 "
            "regionprev - 20 0 20 20 0 regionnext - 40 0 20 20 0 regionquit - 280 0 20 20 0 ";
        ui_parse_bytes(std::span<const char>(ui, strlen(ui)), 1.0, "/tmp");
        window.width = window.height = 300;
        input_start(&window);
        player.volume = 10;
        startup_register_controls(&player);
    }
    void TearDown() override {
        input_release();
        ui_free_elements();
    }
};

TEST_F(Controls, EveryKeyIsBoundInOrder) {
    std::vector<int32_t> keys;
    for (ListNode* n = input_state.key_bindings->next; n != input_state.key_bindings; n = n->next) {
        auto* b = static_cast<KeyBinding*>(n->payload);
        EXPECT_EQ(b->modifiers, 0);
        EXPECT_EQ(b->user, &player);
        keys.insert(keys.begin(), b->key);  // newest first in the list
    }
    EXPECT_EQ(keys,
              (std::vector<int32_t>{81, 78, 83, 82, 70, 32, 263, 262, 265, 264, 268, 57, 48}));
    ASSERT_NE(input_state.resize_hook, nullptr);
    EXPECT_EQ(input_state.resize_hook->user, &player);
}

TEST_F(Controls, RegionsInOrderWithPrioritiesAndRectangles) {
    struct Want {
        int32_t priority, button, event;
        const Rect* rect;
    };
    const Rect* all = &input_state.everywhere;
    const std::vector<Want> want = {
        {10, BUTTON_RIGHT, REGION_PRESS, all},
        {10, BUTTON_WHEEL_UP, REGION_PRESS, all},
        {10, BUTTON_WHEEL_DOWN, REGION_PRESS, all},
        {10, BUTTON_ANY, REGION_MOTION, all},
        {10, BUTTON_LEFT, REGION_PRESS, all},
        {10, BUTTON_LEFT, REGION_DRAG, all},
        {10, BUTTON_LEFT, REGION_RELEASE, all},
        {20, BUTTON_WHEEL_UP, REGION_PRESS, ui_find_element(UI_REGIONSEEK)},
        {20, BUTTON_WHEEL_DOWN, REGION_PRESS, ui_find_element(UI_REGIONSEEK)},
        {20, BUTTON_LEFT, REGION_PRESS, ui_find_element(UI_REGIONSEEK)},
        {20, BUTTON_LEFT, REGION_PRESS, ui_find_element(UI_REGIONPLAY)},
        {20, BUTTON_LEFT, REGION_PRESS, ui_find_element(UI_REGIONPREV)},
        {20, BUTTON_LEFT, REGION_PRESS, ui_find_element(UI_REGIONNEXT)},
        {20, BUTTON_LEFT, REGION_PRESS, ui_find_element(UI_REGIONQUIT)},
    };
    std::vector<MouseRegion> got;
    for (ListNode* n = input_state.regions->next; n != input_state.regions; n = n->next)
        got.insert(got.begin(), *static_cast<MouseRegion*>(n->payload));
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(got[i].priority, want[i].priority) << i;
        EXPECT_EQ(static_cast<uint8_t>(got[i].button), want[i].button) << i;
        EXPECT_EQ(got[i].event, want[i].event) << i;
        EXPECT_EQ(got[i].rect, want[i].rect) << i;
        EXPECT_NE(got[i].rect, nullptr) << i;
        EXPECT_EQ(got[i].user, &player) << i;
    }
}

TEST_F(Controls, KeysAndRegionsReachTheirCommands) {
    testing::internal::CaptureStderr();
    input_on_key(&window, nullptr, '9', MOD_PRESSED);
    input_on_key(&window, nullptr, '9', MOD_PRESSED | MOD_CTRL);  // modifiers: not bound
    input_on_key(&window, nullptr, '0', 0);                       // a release does nothing
    EXPECT_EQ(player.volume, 9);
    // The wheel over the window changes the volume; over the seek bar it seeks (no
    // track here, so nothing moves) and the volume stays.
    EXPECT_EQ(input_dispatch_region(BUTTON_WHEEL_UP, REGION_PRESS, 150, 100, 0), 10);
    EXPECT_EQ(player.volume, 10);
    EXPECT_EQ(input_dispatch_region(BUTTON_WHEEL_UP, REGION_PRESS, 150, 283, 0), 20);
    EXPECT_EQ(player.volume, 10);
    // A left press moves the window, except on a button.
    EXPECT_EQ(input_dispatch_region(BUTTON_LEFT, REGION_PRESS, 150, 100, 0), 10);
    EXPECT_EQ(null_window.moves, 1);
    input_state.window = &window;
    EXPECT_EQ(input_dispatch_region(BUTTON_LEFT, REGION_PRESS, 10, 10, 0), 20);  // play button
    EXPECT_EQ(player.playing, 1);
    EXPECT_EQ(input_dispatch_region(BUTTON_RIGHT, REGION_PRESS, 150, 100, 0), 10);
    EXPECT_EQ(player.playing, 0);
    input_state.pointer_x = 33;
    input_state.pointer_y = 44;
    EXPECT_EQ(input_dispatch_region(BUTTON_ANY, REGION_MOTION, 33, 44, 0), 10);
    EXPECT_EQ(player.pointer_x, 33);
    EXPECT_EQ(player.pointer_y, 44);
    input_on_key(&window, nullptr, 'R', MOD_PRESSED);
    EXPECT_EQ(player.play_mode, PLAY_REPEAT);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("volume set to 9 ("), std::string::npos);
    EXPECT_NE(err.find("volume set to 10 ("), std::string::npos);
    EXPECT_NE(err.find("play mode set to repeat\n"), std::string::npos);
}

}  // namespace
