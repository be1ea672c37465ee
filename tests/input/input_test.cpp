#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/log.h"
#include "input/input.h"
#include "input/task.h"
#include "input_rig.h"

namespace {

// Every region and binding callback appends "<name>:<event>" here.
std::vector<std::string> calls;

struct Named {
    const char* name;
};

void region_cb(void* user, int32_t event) {
    calls.push_back(std::string(static_cast<Named*>(user)->name) + ":" + std::to_string(event));
}

void key_cb(void* user) { calls.push_back(static_cast<Named*>(user)->name); }

KeyEvent last_any{};
void any_cb(void* arg) {
    last_any = *static_cast<KeyEvent*>(arg);
    calls.push_back("any");
}

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        input_reset(&window, 100, 80);
        calls.clear();
    }
    void TearDown() override { input_release(); }
    Window window{};
};

void press(int32_t kind, uint32_t mods = 0) {
    input_on_button(nullptr, nullptr, kind, mods | MOD_PRESSED);
}
void release(int32_t kind, uint32_t mods = 0) { input_on_button(nullptr, nullptr, kind, mods); }
void point(int32_t x, int32_t y) {
    input_state.pointer_x = x;
    input_state.pointer_y = y;
}

}  // namespace

TEST_F(Input, StartCreatesTheFramebufferListsAndExitHandlers) {
    ASSERT_NE(input_state.framebuffer, nullptr);
    EXPECT_EQ(input_state.framebuffer->width, 100);
    EXPECT_EQ(input_state.framebuffer->height, 80);
    EXPECT_EQ(input_state.buttons_released, 1);
    EXPECT_EQ(input_state.idle_sleep_ms, 5u);
    EXPECT_EQ(input_state.window, &window);
    EXPECT_EQ(list_count(input_state.key_bindings), 0);
    EXPECT_NE(input_state.regions, nullptr);
    EXPECT_NE(input_state.tasks, nullptr);
    EXPECT_EQ(app_exit_handlers.release_input, input_release);
    EXPECT_NE(app_exit_handlers.run_exit_hook, nullptr);
    WindowCallbacks c = input_callbacks();
    EXPECT_EQ(c.on_key.fn, input_on_key);
    EXPECT_EQ(c.on_close.fn, input_on_close);
    EXPECT_EQ(c.on_drop.user, nullptr);
}

TEST_F(Input, ReleaseDropsEverythingAndLaterRegistrationsAreIgnored) {
    Named a{"a"};
    input_set_resize_hook([](int32_t, int32_t, void*) {}, nullptr);
    input_set_drop_hook([](const char*, void*) {}, nullptr);
    input_bind_key('Q', key_cb, &a);
    task_post(key_cb, &a);
    input_release();  // LeakSanitizer reports whatever stays behind
    EXPECT_EQ(input_state.framebuffer, nullptr);
    EXPECT_EQ(input_state.key_bindings, nullptr);
    EXPECT_EQ(input_state.regions, nullptr);
    EXPECT_EQ(input_state.tasks, nullptr);
    EXPECT_EQ(input_state.resize_hook, nullptr);
    EXPECT_EQ(input_state.drop_hook, nullptr);
    input_bind_key('Q', key_cb, &a);
    static const Rect r{0, 0, 10, 10};
    input_add_region(1, BUTTON_LEFT, REGION_PRESS, &r, region_cb, &a);
    task_post(key_cb, &a);
    input_on_key(nullptr, nullptr, 'Q', MOD_PRESSED);
    task_run_one();
    EXPECT_TRUE(calls.empty());
}

struct RegionSpec {
    const char* name;
    int32_t priority;
    int32_t button;
    int32_t event;
    Rect rect;
};

struct DispatchCase {
    const char* what;
    std::vector<RegionSpec> regions;  // registered in this order
    int32_t button, event, x, y, threshold;
    int32_t hover_x, hover_y;
    std::vector<std::string> expected_calls;
    int32_t expected_result;
};

TEST_F(Input, DispatchRunsOnlyTheBestRegion) {
    const Rect all{0, 0, 100, 80}, button{10, 10, 20, 20}, none{0, 0, 0, 0};
    const DispatchCase cases[] = {
        {"newest of equal priorities wins",
         {{"old", 5, BUTTON_LEFT, REGION_PRESS, button},
          {"new", 5, BUTTON_LEFT, REGION_PRESS, button}},
         BUTTON_LEFT,
         REGION_PRESS,
         15,
         15,
         0,
         0,
         0,
         {"new:0"},
         5},
        {"higher priority wins over newer",
         {{"high", 20, BUTTON_LEFT, REGION_PRESS, button},
          {"low", 10, BUTTON_LEFT, REGION_PRESS, all}},
         BUTTON_LEFT,
         REGION_PRESS,
         15,
         15,
         0,
         0,
         0,
         {"high:0"},
         20},
        {"outside the button the window region takes it",
         {{"high", 20, BUTTON_LEFT, REGION_PRESS, button},
          {"low", 10, BUTTON_LEFT, REGION_PRESS, all}},
         BUTTON_LEFT,
         REGION_PRESS,
         50,
         50,
         0,
         0,
         0,
         {"low:0"},
         10},
        {"right edge is outside",
         {{"b", 1, BUTTON_LEFT, REGION_PRESS, button}},
         BUTTON_LEFT,
         REGION_PRESS,
         30,
         15,
         0,
         0,
         0,
         {},
         0},
        {"left and top edges are inside",
         {{"b", 1, BUTTON_LEFT, REGION_PRESS, button}},
         BUTTON_LEFT,
         REGION_PRESS,
         10,
         10,
         0,
         0,
         0,
         {"b:0"},
         1},
        {"other button does not match",
         {{"b", 1, BUTTON_LEFT, REGION_PRESS, button}},
         BUTTON_RIGHT,
         REGION_PRESS,
         15,
         15,
         0,
         0,
         0,
         {},
         0},
        {"any button matches a wheel step",
         {{"b", 1, BUTTON_ANY, REGION_PRESS, button}},
         BUTTON_WHEEL_DOWN,
         REGION_PRESS,
         15,
         15,
         0,
         0,
         0,
         {"b:0"},
         1},
        {"wheel code compares as a byte",
         {{"w", 1, BUTTON_WHEEL_UP, REGION_PRESS, all}},
         BUTTON_WHEEL_UP,
         REGION_PRESS,
         1,
         1,
         0,
         0,
         0,
         {"w:0"},
         1},
        {"other event kind does not match",
         {{"b", 1, BUTTON_LEFT, REGION_RELEASE, button}},
         BUTTON_LEFT,
         REGION_PRESS,
         15,
         15,
         0,
         0,
         0,
         {},
         0},
        {"priority must exceed the threshold",
         {{"b", 7, BUTTON_LEFT, REGION_PRESS, button}},
         BUTTON_LEFT,
         REGION_PRESS,
         15,
         15,
         7,
         0,
         0,
         {},
         7},
        {"everywhere rectangle is inside at any position",
         {{"e", 3, BUTTON_LEFT, REGION_PRESS, none}},
         BUTTON_LEFT,
         REGION_PRESS,
         5000,
         -40,
         0,
         0,
         0,
         {"e:0"},
         3},
        {"enter: outside before, inside now; button ignored",
         {{"in", 2, BUTTON_LEFT, REGION_ENTER, button}},
         BUTTON_RIGHT,
         REGION_ENTER,
         15,
         15,
         0,
         50,
         50,
         {"in:4"},
         2},
        {"no enter when already inside",
         {{"in", 2, BUTTON_LEFT, REGION_ENTER, button}},
         BUTTON_LEFT,
         REGION_ENTER,
         15,
         15,
         0,
         12,
         12,
         {},
         0},
        {"leave: inside before, outside now",
         {{"out", 2, BUTTON_LEFT, REGION_LEAVE, button}},
         BUTTON_MIDDLE,
         REGION_LEAVE,
         50,
         50,
         0,
         12,
         12,
         {"out:5"},
         2},
        {"the everywhere rectangle never enters or leaves",
         {{"in", 2, BUTTON_LEFT, REGION_ENTER, none}, {"out", 2, BUTTON_LEFT, REGION_LEAVE, none}},
         BUTTON_LEFT,
         REGION_ENTER,
         15,
         15,
         0,
         50,
         50,
         {},
         0},
    };
    for (const DispatchCase& c : cases) {
        SCOPED_TRACE(c.what);
        input_reset(&window, 100, 80);
        calls.clear();
        std::vector<Rect> rects;
        rects.reserve(c.regions.size());
        std::vector<Named> names;
        names.reserve(c.regions.size());
        for (const RegionSpec& r : c.regions) {
            rects.push_back(r.rect);
            names.push_back({r.name});
            input_add_region(r.priority, r.button, r.event, &rects.back(), region_cb,
                             &names.back());
        }
        input_state.hover_x = c.hover_x;
        input_state.hover_y = c.hover_y;
        EXPECT_EQ(input_dispatch_region(c.button, c.event, c.x, c.y, c.threshold),
                  c.expected_result);
        EXPECT_EQ(calls, c.expected_calls);
    }
}

TEST_F(Input, RegionsReadTheirRectangleAtEveryDispatch) {
    Named a{"a"};
    Rect moving{0, 0, 10, 10};
    input_add_region(1, BUTTON_LEFT, REGION_PRESS, &moving, region_cb, &a);
    EXPECT_EQ(input_dispatch_region(BUTTON_LEFT, REGION_PRESS, 50, 50, 0), 0);
    moving.x = 45;
    moving.y = 45;
    EXPECT_EQ(input_dispatch_region(BUTTON_LEFT, REGION_PRESS, 50, 50, 0), 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"a:0"}));
}

TEST_F(Input, HoverLimitsEnterAndLeaveToThePriorityBandOfTheMotion) {
    const Rect all{0, 0, 100, 80}, button{10, 10, 20, 20};
    Named m_high{"motion-high"}, m_low{"motion-low"}, enter{"enter"}, leave{"leave"};
    // A motion region in the band 2^23 and up, enter/leave of a lower priority.
    input_add_region(0x800000 + 5, BUTTON_ANY, REGION_MOTION, &all, region_cb, &m_high);
    input_add_region(100, BUTTON_ANY, REGION_ENTER, &button, region_cb, &enter);
    input_add_region(100, BUTTON_ANY, REGION_LEAVE, &button, region_cb, &leave);
    input_state.hover_x = 50;
    input_state.hover_y = 50;
    input_hover(15, 15);
    EXPECT_EQ(calls, (std::vector<std::string>{"motion-high:2"}));
    EXPECT_EQ(input_state.hover_x, 15);

    // With only a low motion region the threshold is 0 and enter/leave run.
    input_reset(&window, 100, 80);
    calls.clear();
    input_add_region(30, BUTTON_ANY, REGION_MOTION, &all, region_cb, &m_low);
    input_add_region(100, BUTTON_ANY, REGION_ENTER, &button, region_cb, &enter);
    input_add_region(100, BUTTON_ANY, REGION_LEAVE, &button, region_cb, &leave);
    input_state.hover_x = 50;
    input_state.hover_y = 50;
    input_hover(15, 15);
    input_hover(60, 60);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"motion-low:2", "enter:4", "motion-low:2", "leave:5"}));
}

TEST_F(Input, HoverIsADragWhileAButtonIsHeld) {
    const Rect all{0, 0, 100, 80};
    Named motion{"motion"}, drag{"drag"};
    input_add_region(1, BUTTON_ANY, REGION_MOTION, &all, region_cb, &motion);
    input_add_region(1, BUTTON_LEFT, REGION_DRAG, &all, region_cb, &drag);
    point(5, 5);
    press(FENRA_BUTTON_LEFT);  // its own hover pass is a plain motion
    input_hover(6, 6);
    release(FENRA_BUTTON_LEFT);  // hover before the release is still a drag
    input_hover(7, 7);
    EXPECT_EQ(calls, (std::vector<std::string>{"motion:2", "drag:3", "drag:3", "motion:2"}));
}

TEST_F(Input, OnlyOneButtonIsHeldAtATime) {
    const Rect all{0, 0, 100, 80};
    Named l{"left"}, r{"right"}, lr{"left-up"}, rr{"right-up"};
    input_add_region(1, BUTTON_LEFT, REGION_PRESS, &all, region_cb, &l);
    input_add_region(1, BUTTON_RIGHT, REGION_PRESS, &all, region_cb, &r);
    input_add_region(1, BUTTON_LEFT, REGION_RELEASE, &all, region_cb, &lr);
    input_add_region(1, BUTTON_RIGHT, REGION_RELEASE, &all, region_cb, &rr);
    point(3, 3);
    press(FENRA_BUTTON_LEFT);
    press(FENRA_BUTTON_RIGHT);    // ignored: left is held
    release(FENRA_BUTTON_RIGHT);  // ignored too: right was never taken
    EXPECT_EQ(input_state.buttons_released, 0);
    release(FENRA_BUTTON_LEFT);
    release(FENRA_BUTTON_LEFT);  // nothing held any more: ignored
    EXPECT_EQ(calls, (std::vector<std::string>{"left:0", "left-up:1"}));
    EXPECT_EQ(input_state.last_button, BUTTON_LEFT);
    EXPECT_EQ(input_state.buttons_released, 1);

    // The other order: the second button's release after the first one's.
    calls.clear();
    press(FENRA_BUTTON_LEFT);
    press(FENRA_BUTTON_RIGHT);
    release(FENRA_BUTTON_LEFT);
    release(FENRA_BUTTON_RIGHT);
    EXPECT_EQ(calls, (std::vector<std::string>{"left:0", "left-up:1"}));

    // A release without a press does nothing; kind 2 is the right button (code 3),
    // kind 3 the middle one (code 2); kind 0 is ignored.
    calls.clear();
    release(FENRA_BUTTON_LEFT);
    press(FENRA_BUTTON_OTHER);
    press(FENRA_BUTTON_RIGHT);
    EXPECT_EQ(input_state.last_button, 3);
    release(FENRA_BUTTON_RIGHT);
    press(FENRA_BUTTON_MIDDLE);
    EXPECT_EQ(input_state.last_button, 2);
    EXPECT_EQ(calls, (std::vector<std::string>{"right:0", "right-up:1"}));
}

TEST_F(Input, OneWheelStepPerPassAndWheelsNeverHoldAButton) {
    const Rect all{0, 0, 100, 80};
    Named up{"up"}, down{"down"}, left{"left"};
    input_add_region(1, BUTTON_WHEEL_UP, REGION_PRESS, &all, region_cb, &up);
    input_add_region(1, BUTTON_WHEEL_DOWN, REGION_PRESS, &all, region_cb, &down);
    input_add_region(1, BUTTON_LEFT, REGION_PRESS, &all, region_cb, &left);
    press(FENRA_WHEEL_UP);
    press(FENRA_WHEEL_UP);
    press(FENRA_WHEEL_DOWN);
    EXPECT_EQ(input_state.buttons_released, 1);
    press(FENRA_BUTTON_LEFT);  // not blocked by the wheel
    input_end_pass();
    press(FENRA_WHEEL_DOWN);  // new pass, but the left button is still held
    release(FENRA_BUTTON_LEFT);
    input_end_pass();
    press(FENRA_WHEEL_DOWN);
    EXPECT_EQ(calls, (std::vector<std::string>{"up:0", "left:0", "down:0"}));
}

TEST_F(Input, KeyBindings) {
    Named q{"q"}, q2{"q-newer"}, ctrl_q{"ctrl-q"}, f1{"f1"};
    input_bind_key('Q', key_cb, &q);
    input_bind_key(KEY_F1, key_cb, &f1);
    struct Case {
        const char* what;
        int32_t key;
        uint32_t flags;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"plain press", 'Q', MOD_PRESSED, {"q"}},
        {"release never fires", 'Q', 0, {}},
        {"Ctrl blocks an unmodified binding", 'Q', MOD_PRESSED | MOD_CTRL, {}},
        {"Alt blocks", 'Q', MOD_PRESSED | MOD_ALT, {}},
        {"Shift blocks", 'Q', MOD_PRESSED | MOD_SHIFT, {}},
        {"Super blocks", 'Q', MOD_PRESSED | MOD_SUPER, {}},
        {"Caps Lock does not block", 'Q', MOD_PRESSED | MOD_CAPS, {"q"}},
        {"Num Lock does not block", 'Q', MOD_PRESSED | MOD_NUM | MOD_CAPS, {"q"}},
        {"unbound key", 'W', MOD_PRESSED, {}},
        {"unknown key", -1, MOD_PRESSED, {}},
        {"function key", KEY_F1, MOD_PRESSED, {"f1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        calls.clear();
        input_on_key(nullptr, nullptr, c.key, c.flags);
        EXPECT_EQ(calls, c.expected);
    }
    // The newest binding of a key hides the older one.
    input_bind_key('Q', key_cb, &q2);
    calls.clear();
    input_on_key(nullptr, nullptr, 'Q', MOD_PRESSED);
    EXPECT_EQ(calls, (std::vector<std::string>{"q-newer"}));
    // A binding made with modifiers (set on the record) matches only those.
    KeyBinding* b = static_cast<KeyBinding*>(list_head(input_state.key_bindings)->payload);
    b->callback = key_cb;
    b->user = &ctrl_q;
    b->modifiers = BIND_CTRL | 0x10000;  // bits above 16 are not compared
    calls.clear();
    input_on_key(nullptr, nullptr, 'Q', MOD_PRESSED | MOD_CTRL);
    input_on_key(nullptr, nullptr, 'Q', MOD_PRESSED);
    EXPECT_EQ(calls, (std::vector<std::string>{"ctrl-q", "q"}));
}

TEST_F(Input, AnyKeyBindingGetsTheKeyEvent) {
    Named q{"q"};
    input_bind_key('Q', key_cb, &q);
    input_bind_key(KEY_ANY, any_cb, &q);
    input_on_key(nullptr, nullptr, KEY_DOWN, MOD_PRESSED | MOD_CTRL | MOD_SHIFT | MOD_CAPS);
    EXPECT_EQ(calls, (std::vector<std::string>{"any"}));
    EXPECT_EQ(last_any.key, KEY_DOWN);
    EXPECT_EQ(last_any.modifiers, BIND_CTRL | BIND_SHIFT);
    EXPECT_EQ(last_any.callback, any_cb);
    EXPECT_EQ(last_any.user, &q);
    calls.clear();
    input_on_key(nullptr, nullptr, 'Q', 0);
    EXPECT_TRUE(calls.empty());
}

TEST_F(Input, MotionIsCoalescedIntoOneHoverAtTheLastPosition) {
    const Rect all{0, 0, 100, 80};
    Named m{"m"};
    static std::vector<std::pair<int, int>> at;
    at.clear();
    input_add_region(
        1, BUTTON_ANY, REGION_MOTION, &all,
        [](void*, int32_t) {
            at.push_back({input_state.pending_x, input_state.pending_y});
        },
        &m);
    input_on_motion(nullptr, nullptr, 1, 2);
    input_on_motion(nullptr, nullptr, 3, 4);
    input_on_motion(nullptr, nullptr, 5, 6);
    EXPECT_TRUE(at.empty());  // nothing runs inside the handler
    EXPECT_EQ(input_state.pointer_x, 5);
    input_end_pass();
    EXPECT_EQ(at, (std::vector<std::pair<int, int>>{{5, 6}}));
    EXPECT_EQ(input_state.hover_x, 5);
    EXPECT_EQ(input_state.hover_y, 6);
    EXPECT_EQ(input_state.pending, 0u);
    input_end_pass();  // no new motion, no hover
    EXPECT_EQ(at.size(), 1u);
}

TEST_F(Input, TextIsEncodedAsUtf8) {
    static std::vector<std::string> texts;
    static std::vector<uint32_t> points;
    texts.clear();
    points.clear();
    input_set_text_hook(
        [](const char* t, void*, uint32_t cp) {
            texts.push_back(t);
            points.push_back(cp);
        },
        nullptr);
    const struct {
        uint32_t cp;
        const char* utf8;
    } cases[] = {
        {0x41, "A"},
        {0x7F, "\x7F"},
        {0xE9, "\xC3\xA9"},
        {0x7FF, "\xDF\xBF"},
        {0x20AC, "\xE2\x82\xAC"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x1F600, "\xF0\x9F\x98\x80"},
        {0x1FFFFF, "\xF7\xBF\xBF\xBF"},
        {0x200000, ""},
    };
    for (auto& c : cases) input_on_text(nullptr, nullptr, c.cp);
    input_on_text(nullptr, nullptr, 31);  // control characters are dropped
    input_on_text(nullptr, nullptr, 0);
    ASSERT_EQ(texts.size(), std::size(cases));
    for (size_t i = 0; i < texts.size(); i++) {
        EXPECT_EQ(texts[i], cases[i].utf8) << i;
        EXPECT_EQ(points[i], cases[i].cp);
    }
}

TEST_F(Input, HooksReceiveTheirArguments) {
    static std::string dropped;
    static void* drop_user;
    int token = 0;
    input_on_drop(nullptr, nullptr, "/nobody/listens");  // no hook: nothing happens
    input_set_drop_hook([](const char* p, void* u) { dropped = p, drop_user = u; }, &token);
    input_on_drop(nullptr, nullptr, "/a/b.mp3");
    EXPECT_EQ(dropped, "/a/b.mp3");
    EXPECT_EQ(drop_user, &token);
    input_on_expose(nullptr, nullptr);
    input_on_close(nullptr, nullptr);
    EXPECT_EQ(input_state.pending, PENDING_REDRAW | PENDING_CLOSE);
    input_state.pending = 0;
}

TEST_F(Input, ConfigureFlags) {
    static std::vector<std::string> hooks;
    hooks.clear();
    input_set_configure_hook(
        [](int32_t x, int32_t y, int32_t size_changed, void*) {
            hooks.push_back("configure " + std::to_string(x) + "," + std::to_string(y) + " " +
                            std::to_string(size_changed));
        },
        nullptr);
    input_set_resize_hook(
        [](int32_t w, int32_t h, void*) {
            hooks.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
        },
        nullptr);
    Image* fb = input_state.framebuffer;

    // Flags 0: nothing at all, not even a pending present.
    input_state.present_pending = 1;
    input_on_configure(nullptr, nullptr, 5, 6, 300, 300, 0);
    EXPECT_TRUE(hooks.empty());
    EXPECT_TRUE(null_window.presents.empty());
    EXPECT_EQ(input_state.present_pending, 1);

    // Flags 2 (moved) with a pending present: the hook, then the present.
    input_state.damage = {1, 2, 3, 4};
    input_on_configure(nullptr, nullptr, 5, 6, 100, 80, 2);
    EXPECT_EQ(hooks, (std::vector<std::string>{"configure 5,6 0"}));
    ASSERT_EQ(null_window.presents.size(), 1u);
    EXPECT_EQ(null_window.presents[0].x, 1);
    EXPECT_EQ(null_window.presents[0].h, 4);
    EXPECT_EQ(input_state.present_pending, 0);
    EXPECT_EQ(input_state.damage.w, 0);

    // Flags 2 without a pending present: only the hook.
    hooks.clear();
    input_on_configure(nullptr, nullptr, 7, 8, 100, 80, 2);
    EXPECT_EQ(hooks, (std::vector<std::string>{"configure 7,8 0"}));
    EXPECT_EQ(null_window.presents.size(), 1u);

    // Flags 1 with the same size: the framebuffer stays, a pending frame is shown.
    hooks.clear();
    input_state.present_pending = 1;
    input_on_configure(nullptr, nullptr, 7, 8, 100, 80, 1);
    EXPECT_TRUE(hooks.empty());
    EXPECT_EQ(input_state.framebuffer, fb);
    EXPECT_EQ(null_window.presents.size(), 2u);

    // Flags 3 with a new size: hook with size flag, new framebuffer, full present.
    hooks.clear();
    input_on_configure(nullptr, nullptr, 9, 9, 40, 30, 3);
    EXPECT_EQ(hooks, (std::vector<std::string>{"configure 9,9 1", "resize 40x30"}));
    ASSERT_NE(input_state.framebuffer, nullptr);
    EXPECT_EQ(input_state.framebuffer->width, 40);
    EXPECT_EQ(input_state.framebuffer->height, 30);
    EXPECT_EQ(input_state.framebuffer->pixels[0], 0);
    ASSERT_EQ(null_window.presents.size(), 3u);
    const PresentCall& p = null_window.presents[2];
    EXPECT_EQ(p.image, input_state.framebuffer);
    EXPECT_EQ(p.w, 40);
    EXPECT_EQ(p.h, 30);
}
