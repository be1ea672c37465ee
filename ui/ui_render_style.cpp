// Per-element style resolution and the small geometric helpers of the renderer.
#include "ui/ui_render.h"

UiStyle ui_resolve_style(const UiElement* e, double scale) {
    UiStyle s{};
    s.ref_size = STYLE_REF_SIZE;
    s.start = {e->rect.x, e->rect.y, 0, e->rect.h};
    const bool shaped = (e->flags & (UI_FLAG_ROUND | UI_FLAG_SQUIRCLE)) != 0;
    const bool scrolls = (e->flags & UI_FLAG_SCROLL) != 0;
    if (shaped) s.radius = static_cast<int32_t>(UI_DEFAULT_RADIUS * scale);
    if (scrolls) s.scroll_speed = static_cast<int32_t>(UI_DEFAULT_SCROLL_SPEED * scale);

    // The first named-style element of each kind with this name counts.
    bool have_colour = false, have_start = false, have_radius = false, have_draw_only = false,
         have_speed = false;
    for (const UiElement& n : ui_elements) {
        if (n.type == UI_END) break;
        if (n.name_hash != e->name_hash) continue;
        const Rect& r = n.rect;
        switch (n.type) {
        case UI_COLOR:
            if (have_colour) break;
            have_colour = true;
            s.colour = {static_cast<uint8_t>(r.x), static_cast<uint8_t>(r.y),
                        static_cast<uint8_t>(r.w), static_cast<uint8_t>(r.h)};
            break;
        case UI_STARTPOS:
            if (have_start) break;
            have_start = true;
            s.start = r;
            break;
        case UI_ROUNDRADIUS:
            if (have_radius) break;
            have_radius = true;
            if (shaped) s.radius = r.x;
            break;
        case UI_DRAWONLY:
            if (have_draw_only) break;
            have_draw_only = true;
            s.draw_only = r.x;
            break;
        case UI_SCROLLSPEED:
            if (have_speed) break;
            have_speed = true;
            if (scrolls) s.scroll_speed = r.x;
            break;
        default: break;
        }
    }
    return s;
}

namespace {
// (int) of a double without leaving the int range (the cast itself would be undefined).
int32_t to_int(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}
int32_t lerp(int32_t a, int32_t b, double t) {
    return to_int((static_cast<double>(b) - a) * t + a);
}
}  // namespace

Rect ui_lerp_rect(Rect a, Rect b, double t) {
    return {lerp(a.x, b.x, t), lerp(a.y, b.y, t), lerp(a.w, b.w, t), lerp(a.h, b.h, t)};
}
