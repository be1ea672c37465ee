#include "input/input.h"

#include "foundation/log.h"
#include "foundation/memory.h"
#include "input/task.h"

InputState input_state;

namespace {

void run_exit_hook(int status) {
    auto* h = input_state.exit_hook;
    if (h && h->fn) h->fn(status, h->user);
}

template <typename Fn>
void set_hook(Hook<Fn>*& slot, Fn fn, void* user) {
    if (!slot) slot = dru_alloc_array<Hook<Fn>>(1);
    slot->fn = fn;
    slot->user = user;
}

template <typename Fn>
void free_hook(Hook<Fn>*& slot) {
    dru_free(slot);
    slot = nullptr;
}

bool inside(const Rect& r, int32_t x, int32_t y) {
    // 64-bit sums so that huge rectangles cannot wrap around.
    return x >= r.x && int64_t{x} < int64_t{r.x} + r.w && y >= r.y &&
           int64_t{y} < int64_t{r.y} + r.h;
}

bool same_rect(const Rect& a, const Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

struct KeyQuery {
    int32_t key;
    int32_t modifiers;
};

int32_t binding_matches(void* payload, void* key) {
    const KeyBinding* b = static_cast<const KeyBinding*>(payload);
    const KeyQuery* q = static_cast<const KeyQuery*>(key);
    if (!b) return 0;
    if (b->key == KEY_ANY) return 1;
    return b->key == q->key && (b->modifiers & 0xFFFF) == (q->modifiers & 0xFFFF);
}

}  // namespace

WindowCallbacks input_callbacks() {
    WindowCallbacks c{};
    c.on_expose.fn = input_on_expose;
    c.on_configure.fn = input_on_configure;
    c.on_key.fn = input_on_key;
    c.on_text.fn = input_on_text;
    c.on_button.fn = input_on_button;
    c.on_motion.fn = input_on_motion;
    c.on_drop.fn = input_on_drop;
    c.on_close.fn = input_on_close;
    return c;
}

void input_start(Window* window) {
    input_state.window = window;
    input_state.buttons_released = 1;
    if (window) input_state.framebuffer = image_new(window->width, window->height);
    input_state.idle_sleep_ms = 5;
    input_state.key_bindings = list_create();
    input_state.regions = list_create();
    input_state.tasks = list_create();
    app_exit_handlers.run_exit_hook = run_exit_hook;
    app_exit_handlers.release_input = input_release;
}

void input_release() {
    free_hook(input_state.resize_hook);
    free_hook(input_state.text_hook);
    free_hook(input_state.redraw_hook);
    free_hook(input_state.configure_hook);
    free_hook(input_state.exit_hook);
    free_hook(input_state.drop_hook);
    image_free(input_state.framebuffer);
    input_state.framebuffer = nullptr;
    list_destroy(input_state.key_bindings, dru_free);
    list_destroy(input_state.regions, dru_free);
    list_destroy(input_state.tasks, dru_free);
    if (input_state.spare_task) {
        dru_free(input_state.spare_task->payload);
        dru_free(input_state.spare_task);
        input_state.spare_task = nullptr;
    }
    input_state.key_bindings = nullptr;
    input_state.regions = nullptr;
    input_state.tasks = nullptr;
}

void input_bind_key(int32_t key, KeyCallback callback, void* user) {
    if (!input_state.key_bindings) return;
    KeyBinding* b = dru_alloc_array<KeyBinding>(1);
    *b = {.key = key, .modifiers = 0, .callback = callback, .user = user};
    list_insert_head(input_state.key_bindings, list_node_create(b, LIST_KIND_KEY_BINDING));
}

void input_add_region(int32_t priority, int32_t button, int32_t event, const Rect* rect,
                      RegionCallback callback, void* user) {
    if (!input_state.regions) return;
    MouseRegion* r = dru_alloc_array<MouseRegion>(1);
    *r = {.priority = priority,
          .button = static_cast<int8_t>(button),
          .event = event,
          .rect = rect,
          .callback = callback,
          .user = user,
          .active = 1};
    list_insert_head(input_state.regions, list_node_create(r, LIST_KIND_REGION));
}

void input_set_drop_hook(DropHookFn fn, void* user) { set_hook(input_state.drop_hook, fn, user); }
void input_set_resize_hook(ResizeHookFn fn, void* user) {
    set_hook(input_state.resize_hook, fn, user);
}
void input_set_text_hook(TextHookFn fn, void* user) { set_hook(input_state.text_hook, fn, user); }
void input_set_redraw_hook(RedrawHookFn fn, void* user) {
    set_hook(input_state.redraw_hook, fn, user);
}
void input_set_configure_hook(ConfigureHookFn fn, void* user) {
    set_hook(input_state.configure_hook, fn, user);
}
void input_set_exit_hook(ExitHookFn fn, void* user) { set_hook(input_state.exit_hook, fn, user); }

int32_t input_dispatch_region(int32_t button, int32_t event, int32_t x, int32_t y,
                              int32_t threshold) {
    if (!input_state.regions) return threshold;
    MouseRegion* best = nullptr;
    int32_t best_priority = threshold;
    for (ListNode* n = input_state.regions->next; n && n->kind != LIST_KIND_SENTINEL; n = n->next) {
        MouseRegion* r = static_cast<MouseRegion*>(n->payload);
        if (!r || !r->active || !r->rect) continue;
        const Rect rect = *r->rect;
        bool now = inside(rect, x, y);
        bool before = inside(rect, input_state.hover_x, input_state.hover_y);
        if (same_rect(rect, input_state.everywhere)) now = before = true;
        if (r->event != event) continue;
        bool candidate;
        if (event == REGION_ENTER) {
            candidate = !before && now;
        } else if (event == REGION_LEAVE) {
            candidate = before && !now;
        } else {
            uint8_t code = static_cast<uint8_t>(r->button);
            candidate = (code == BUTTON_ANY || code == static_cast<uint8_t>(button)) && now;
        }
        if (candidate && r->priority > best_priority) {
            best = r;
            best_priority = r->priority;
        }
    }
    if (best && best->callback) {
        best->callback(best->user, event);
        return best->priority;
    }
    return threshold;
}

void input_hover(int32_t x, int32_t y) {
    int32_t kind = input_state.buttons_released == 1 ? REGION_MOTION : REGION_DRAG;
    int32_t r = input_dispatch_region(input_state.last_button, kind, x, y, 0);
    // Enter and leave compete only with regions of the same priority band as the
    // one that took the motion (bits 23 and up).
    int32_t t = static_cast<int32_t>(static_cast<uint32_t>(r) & 0xFF800000u);
    input_dispatch_region(input_state.last_button, REGION_ENTER, x, y, t);
    input_dispatch_region(input_state.last_button, REGION_LEAVE, x, y, t);
    input_state.hover_x = x;
    input_state.hover_y = y;
}

void input_on_expose(Window*, void*) { input_state.pending |= PENDING_REDRAW; }

void input_on_close(Window*, void*) { input_state.pending |= PENDING_CLOSE; }

void input_on_motion(Window*, void*, int32_t x, int32_t y) {
    input_state.pointer_x = x;
    input_state.pointer_y = y;
    input_state.pending |= PENDING_MOTION;
    input_state.pending_x = x;
    input_state.pending_y = y;
}

void input_on_key(Window*, void*, int32_t key, uint32_t flags) {
    if (!(flags & MOD_PRESSED)) return;
    int32_t mods = 0;
    if (flags & MOD_CTRL) mods |= BIND_CTRL;
    if (flags & MOD_ALT) mods |= BIND_ALT;
    if (flags & MOD_SHIFT) mods |= BIND_SHIFT;
    if (flags & MOD_SUPER) mods |= BIND_SUPER;
    KeyQuery query{key, mods};
    ListNode* n = list_find(input_state.key_bindings, binding_matches, &query);
    if (!n || !n->payload) return;
    KeyBinding* b = static_cast<KeyBinding*>(n->payload);
    if (!b->callback) return;
    if (b->key == KEY_ANY) {
        KeyEvent event{key, static_cast<int16_t>(mods), b->callback, b->user};
        b->callback(&event);
    } else {
        b->callback(b->user);
    }
}

void input_on_text(Window*, void*, uint32_t cp) {
    if (cp < 32) return;
    char text[8] = {};
    if (cp < 0x80) {
        text[0] = static_cast<char>(cp);
    } else if (cp < 0x800) {
        text[0] = static_cast<char>(0xC0 | (cp >> 6));
        text[1] = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        text[0] = static_cast<char>(0xE0 | (cp >> 12));
        text[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text[2] = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp <= 0x1FFFFF) {
        text[0] = static_cast<char>(0xF0 | (cp >> 18));
        text[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        text[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        text[3] = static_cast<char>(0x80 | (cp & 0x3F));
    }
    auto* h = input_state.text_hook;
    if (h && h->fn) h->fn(text, h->user, cp);
}

void input_on_button(Window*, void*, int32_t kind, uint32_t flags) {
    input_hover(input_state.pointer_x, input_state.pointer_y);
    int32_t code;
    switch (kind) {
    case FENRA_BUTTON_LEFT: code = BUTTON_LEFT; break;
    case FENRA_BUTTON_RIGHT: code = BUTTON_RIGHT; break;
    case FENRA_BUTTON_MIDDLE: code = BUTTON_MIDDLE; break;
    case FENRA_WHEEL_UP: code = BUTTON_WHEEL_UP; break;
    case FENRA_WHEEL_DOWN: code = BUTTON_WHEEL_DOWN; break;
    default: return;
    }
    bool wheel = code == BUTTON_WHEEL_UP || code == BUTTON_WHEEL_DOWN;
    if (wheel) {
        if (input_state.wheel_done) return;
        input_state.wheel_done = 1;
    }
    if (flags & MOD_PRESSED) {
        if (input_state.buttons_released != 1) return;
        if (!wheel) input_state.buttons_released = 0;
        input_state.last_button = static_cast<uint8_t>(code);
        input_dispatch_region(code, REGION_PRESS, input_state.pointer_x, input_state.pointer_y, 0);
    } else {
        // Only the held button's release counts: a second button's press was
        // ignored, so its release must not end the hold of the first.
        if (input_state.buttons_released != 0 || input_state.last_button != code) return;
        input_state.buttons_released = 1;
        input_state.last_button = static_cast<uint8_t>(code);
        input_dispatch_region(code, REGION_RELEASE, input_state.pointer_x, input_state.pointer_y,
                              0);
    }
}

void input_on_drop(Window*, void*, const char* path) {
    auto* h = input_state.drop_hook;
    if (h && h->fn) h->fn(path, h->user);
}

void input_on_configure(Window*, void*, int32_t x, int32_t y, int32_t width, int32_t height,
                        uint32_t flags) {
    if (flags & 2) {
        auto* h = input_state.configure_hook;
        if (h && h->fn) h->fn(x, y, flags & 1, h->user);
    }
    Image* fb = input_state.framebuffer;
    if ((flags & 1) && (!fb || fb->width != width || fb->height != height) && width > 0 &&
        height > 0) {
        image_free(fb);
        input_state.framebuffer = image_new(width, height);
        auto* h = input_state.resize_hook;
        if (h && h->fn) h->fn(width, height, h->user);
        input_request_present();
    }
    if (flags == 0) return;
    if (input_state.present_pending) {
        input_present();
        input_state.present_pending = 0;
    }
}
