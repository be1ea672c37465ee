// fenra: one window with a software framebuffer and a stream of input events.
//
// Each program links exactly one backend (fenra/wayland or fenra/x11); both
// implement the functions below and fill the common part of Window.
//
//   fenra_open(x, y, w, h, scale, flags)  the window, or null (everything released).
//   fenra_dispatch(w)       handles the events available now, calling the slots.
//                           Wayland: events dispatched or -1; X11: 1 when any, else 0.
//   fenra_repeat_keys(w)    Wayland key repeat step; true when a repeat fired.
//   fenra_present(w, img, x, y, w, h)  shows a rectangle of the framebuffer image
//                           (pixels are little-endian 0xAARRGGBB words).
//   fenra_set_title(w, text), fenra_begin_move(w), fenra_close(w).
//   fenra_display_dpi()     96 x display scale (Wayland; X11 returns 96).
//   fenra_connection_fd(w)  descriptor of the display connection (readable when the
//                           server has sent something), or -1. A caller that waits on
//                           it and saw nothing arrive may set w->display_quiet before
//                           the next fenra_dispatch: the backend then skips asking the
//                           server for new events and handles only those it already
//                           holds. fenra_dispatch clears the flag.
//
// Callback slots get (window, slot user data, ...) and are installed as the last
// step of fenra_open, so events seen while opening are dropped.
#pragma once
#include <cstdint>

struct Image;
struct Window;

enum : uint32_t {
    FENRA_BORDERLESS = 0x08,
    FENRA_TRANSPARENT = 0x20,
    FENRA_AUTO_POSITION = 0x40,
};

enum : uint32_t {
    MOD_SHIFT = 0x01,
    MOD_CTRL = 0x02,
    MOD_ALT = 0x04,
    MOD_SUPER = 0x08,
    MOD_CAPS = 0x10,
    MOD_NUM = 0x20,
    MOD_PRESSED = 0x40,
};

// Button kinds passed to on_button.
enum : int32_t {
    FENRA_BUTTON_OTHER = 0,
    FENRA_BUTTON_LEFT = 1,
    FENRA_BUTTON_RIGHT = 2,
    FENRA_BUTTON_MIDDLE = 3,
    FENRA_WHEEL_UP = 4,
    FENRA_WHEEL_DOWN = 5,
};

// Key codes: printable keys are the ASCII code of their unshifted label
// (letters upper case); the others start at 0x100.
enum : int16_t {
    KEY_NONE = -1,
    KEY_SPACE = 0x20,
    KEY_ESCAPE = 0x100,
    KEY_ENTER = 0x101,
    KEY_TAB = 0x102,
    KEY_BACKSPACE = 0x103,
    KEY_INSERT = 0x104,
    KEY_DELETE = 0x105,
    KEY_RIGHT = 0x106,
    KEY_LEFT = 0x107,
    KEY_DOWN = 0x108,
    KEY_UP = 0x109,
    KEY_PAGE_UP = 0x10A,
    KEY_PAGE_DOWN = 0x10B,
    KEY_HOME = 0x10C,
    KEY_END = 0x10D,
    KEY_CAPS_LOCK = 0x118,
    KEY_SCROLL_LOCK = 0x119,
    KEY_NUM_LOCK = 0x11A,
    KEY_PRINT = 0x11B,
    KEY_PAUSE = 0x11C,
    KEY_F1 = 0x122,  // KEY_F1 + n - 1 is Fn, up to F25 (0x13A)
    KEY_F25 = 0x13A,
    KEY_KP_0 = 0x140,  // KEY_KP_0 + d is keypad digit d
    KEY_KP_9 = 0x149,
    KEY_KP_DECIMAL = 0x14A,
    KEY_KP_DIVIDE = 0x14B,
    KEY_KP_MULTIPLY = 0x14C,
    KEY_KP_SUBTRACT = 0x14D,
    KEY_KP_ADD = 0x14E,
    KEY_KP_ENTER = 0x14F,
    KEY_KP_EQUAL = 0x150,
    KEY_LEFT_SHIFT = 0x154,
    KEY_LEFT_CONTROL = 0x155,
    KEY_LEFT_ALT = 0x156,
    KEY_LEFT_SUPER = 0x157,
    KEY_RIGHT_SHIFT = 0x158,
    KEY_RIGHT_CONTROL = 0x159,
    KEY_RIGHT_ALT = 0x15A,
    KEY_RIGHT_SUPER = 0x15B,
    KEY_MENU = 0x15C,
};

struct WindowCallbacks {
    struct {
        void (*fn)(Window*, void* user);
        void* user;
    } on_expose;
    struct {
        void (*fn)(Window*, void* user, int32_t x, int32_t y, int32_t width, int32_t height,
                   uint32_t flags);
        void* user;
    } on_configure;
    struct {
        void (*fn)(Window*, void* user, int32_t key, uint32_t flags);
        void* user;
    } on_key;
    struct {
        void (*fn)(Window*, void* user, uint32_t codepoint);
        void* user;
    } on_text;
    struct {
        void (*fn)(Window*, void* user, int32_t kind, uint32_t flags);
        void* user;
    } on_button;
    struct {
        void (*fn)(Window*, void* user, int32_t x, int32_t y);
        void* user;
    } on_motion;
    struct {
        void (*fn)(Window*, void* user, const char* path);
        void* user;
    } on_drop;
    struct {
        void (*fn)(Window*, void* user);
        void* user;
    } on_close;
};

struct WindowBackend;  // each backend's own state

// The part of the window record that both backends keep.
struct Window {
    int32_t width, height;         // framebuffer pixels
    int32_t pointer_x, pointer_y;  // last pointer position
    int16_t key_map[256];          // platform key number -> key code, -1 none
    uint32_t modifiers;            // current MOD_* flags
    WindowCallbacks callbacks;
    uint8_t closed;         // closed by the user or destroyed
    uint8_t display_quiet;  // set by the caller, see fenra_connection_fd
    WindowBackend* backend;
};

[[nodiscard]] Window* fenra_open(int32_t x, int32_t y, int32_t width, int32_t height, float scale,
                                 uint32_t flags);
int fenra_dispatch(Window* window);
bool fenra_repeat_keys(Window* window);
void fenra_present(Window* window, const Image* image, int32_t x, int32_t y, int32_t w, int32_t h);
void fenra_set_title(Window* window, const char* text);
void fenra_begin_move(Window* window);
float fenra_display_dpi();
int fenra_connection_fd(Window* window);
void fenra_close(Window* window);
