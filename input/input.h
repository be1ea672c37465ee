// The input layer: one process-wide InputState fed by the window's eight
// callbacks, turning events into key bindings and prioritised mouse regions.
//
// Start-up:
//   fenra_open(...), then window->callbacks = input_callbacks();
//   input_start(window)   records the window, creates the framebuffer (window size),
//                         the binding, region and task lists, idle sleep 5 ms, and
//                         plugs the exit hook runner and the status-0 clean-up into
//                         app_exit_handlers.
//   input_release()       that clean-up (hooks, framebuffer, lists); app_exit(0) runs it.
//
// Registration (dropped silently before input_start):
//   input_bind_key(key, callback, user)   newest binding of a key hides older ones.
//                                         KEY_ANY matches every key; its callback gets
//                                         a KeyEvent* instead of the user data.
//   input_add_region(priority, button, event, rect, callback, user)
//                                         rect is read at every dispatch, not owned.
//                                         A rect equal to input_state.everywhere
//                                         ({0,0,0,0}) is inside at every position.
//   input_set_*_hook(fn, user)            drop, resize, text, redraw, configure, exit.
//
// Dispatch:
//   input_dispatch_region(button, event, x, y, threshold)  runs the one region with
//       the highest priority above threshold (newest wins ties); returns its
//       priority, or threshold when none ran.
//   input_hover(x, y)     motion/drag, then enter and leave, at (x, y).
//   input_on_*            the eight window handlers (see WindowCallbacks in fenra.h).
//
// Key bindings compare the key code and binding modifiers BIND_CTRL/ALT/SHIFT/SUPER;
// Caps Lock and Num Lock never take part. Only presses run bindings.
#pragma once
#include <cstdint>

#include "fenra/fenra.h"
#include "imaging/image.h"
#include "input/list.h"

constexpr int32_t KEY_ANY = static_cast<int32_t>(0xDEADBEEFu);

// Modifier bits of a key binding.
enum : int32_t { BIND_CTRL = 1, BIND_ALT = 2, BIND_SHIFT = 4, BIND_SUPER = 8 };

// Button codes of mouse regions (stored as a signed byte).
enum : int32_t {
    BUTTON_LEFT = 1,
    BUTTON_MIDDLE = 2,
    BUTTON_RIGHT = 3,
    BUTTON_WHEEL_UP = 238,
    BUTTON_WHEEL_DOWN = 239,
    BUTTON_ANY = 254,
};

// Region event kinds.
enum : int32_t {
    REGION_PRESS = 0,
    REGION_RELEASE = 1,
    REGION_MOTION = 2,  // moved, no button held
    REGION_DRAG = 3,    // moved with a button held
    REGION_ENTER = 4,
    REGION_LEAVE = 5,
};

// Flags of InputState::pending.
enum : uint32_t { PENDING_REDRAW = 1, PENDING_CLOSE = 2, PENDING_MOTION = 8 };

using KeyCallback = void (*)(void* user);
using RegionCallback = void (*)(void* user, int32_t event);

struct KeyBinding {
    int32_t key;
    int32_t modifiers;
    KeyCallback callback;
    void* user;
};

// What a KEY_ANY binding's callback receives (as its void* argument).
struct KeyEvent {
    int32_t key;
    int16_t modifiers;
    KeyCallback callback;
    void* user;
};

struct MouseRegion {
    int32_t priority;
    int8_t button;
    int32_t event;
    const Rect* rect;
    RegionCallback callback;
    void* user;
    uint8_t active;
};

using DropHookFn = void (*)(const char* path, void* user);
using ResizeHookFn = void (*)(int32_t width, int32_t height, void* user);
using TextHookFn = void (*)(const char* text, void* user, uint32_t codepoint);
using RedrawHookFn = void (*)(void* user);
using ConfigureHookFn = void (*)(int32_t x, int32_t y, int32_t size_changed, void* user);
using ExitHookFn = void (*)(int32_t status, void* user);

// One hook slot: a function of one of the *HookFn types above and its user data.
template <typename Fn>
struct Hook {
    Fn fn;
    void* user;
};

struct InputState {
    Window* window;
    Image* framebuffer;
    Rect damage;  // 0 x 0 means the whole framebuffer
    int32_t buttons_released;
    List* key_bindings;
    List* regions;
    Hook<DropHookFn>* drop_hook;
    uint8_t last_button;
    int32_t hover_x, hover_y;
    int32_t pointer_x, pointer_y;
    Hook<ResizeHookFn>* resize_hook;
    Hook<TextHookFn>* text_hook;
    Hook<RedrawHookFn>* redraw_hook;
    Hook<ConfigureHookFn>* configure_hook;
    Hook<ExitHookFn>* exit_hook;
    uint8_t motion_done;
    uint8_t wheel_done;
    List* tasks;
    ListNode* spare_task;  // node and Task of the last task run, kept for the next post
    uint8_t present_pending;
    uint32_t idle_sleep_ms;
    uint32_t pending;
    int32_t pending_x, pending_y;
    Rect everywhere;
};

extern InputState input_state;

[[nodiscard]] WindowCallbacks input_callbacks();
void input_start(Window* window);
void input_release();

void input_bind_key(int32_t key, KeyCallback callback, void* user);
void input_add_region(int32_t priority, int32_t button, int32_t event, const Rect* rect,
                      RegionCallback callback, void* user);

void input_set_drop_hook(DropHookFn fn, void* user);
void input_set_resize_hook(ResizeHookFn fn, void* user);
void input_set_text_hook(TextHookFn fn, void* user);
void input_set_redraw_hook(RedrawHookFn fn, void* user);
void input_set_configure_hook(ConfigureHookFn fn, void* user);
void input_set_exit_hook(ExitHookFn fn, void* user);

int32_t input_dispatch_region(int32_t button, int32_t event, int32_t x, int32_t y,
                              int32_t threshold);
void input_hover(int32_t x, int32_t y);

void input_on_expose(Window* window, void* user);
void input_on_configure(Window* window, void* user, int32_t x, int32_t y, int32_t width,
                        int32_t height, uint32_t flags);
void input_on_key(Window* window, void* user, int32_t key, uint32_t flags);
void input_on_text(Window* window, void* user, uint32_t codepoint);
void input_on_button(Window* window, void* user, int32_t kind, uint32_t flags);
void input_on_motion(Window* window, void* user, int32_t x, int32_t y);
void input_on_drop(Window* window, void* user, const char* path);
void input_on_close(Window* window, void* user);
