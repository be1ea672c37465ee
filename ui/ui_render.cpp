// Element drawing, the static and dynamic walks, redraw and resize.
#include "ui/ui_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "decoders/playlist_entry.h"
#include "imaging/blur.h"
#include "imaging/image.h"
#include "imaging/text.h"
#include "input/input.h"
#include "ui/player_state.h"

namespace {

int32_t clamp_int(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

struct MeasureContext {
    Font* font;
    const UiStyle* style;
    const char* text;
};

int32_t measure_text(void* user, double size) {
    auto* m = static_cast<MeasureContext*>(user);
    UiStyle s = *m->style;
    s.text_x = s.text_y = 0;
    return text_draw(nullptr, &s, m->font, m->text, TEXT_MEASURE | TEXT_CLIP, size,
                     UI_MEASURE_LIMIT);
}

void draw_text(Player* p, const UiElement* e, UiStyle* s, const PlaylistEntry* entry, Image* target,
               Rect box) {
    char buf[UI_TEXT_BUFFER];
    const char* text = ui_element_text(p, e, entry, buf);
    if (!p->font || !text) return;
    Image view = image_view(target, box);
    if (view.width <= 0 || view.height <= 0) return;
    MeasureContext m{p->font, s, text};
    UiTextPlan plan =
        ui_text_plan(e->flags, box, p->position_ms, s->scroll_speed, measure_text, &m);
    for (int32_t i = 0; i < plan.count; ++i) {
        const UiTextPass& pass = plan.pass[i];
        s->text_x = pass.text_x;
        s->text_y = pass.text_y;
        text_draw(&view, s, p->font, text, pass.mode, pass.size, pass.limit);
    }
}

// The bin a spectrum column of a box W wide shows: a logarithmic frequency axis from
// about 10 Hz to 10 kHz at 44.1 kHz.
int32_t column_bin(int32_t i, int32_t W, int32_t bin_scale) {
    double f = std::pow(10.0, 3.0 * i / W);
    return std::clamp(clamp_int((f / 1000.0 * 4096.0 * 0.5) / bin_scale), 0, 4095);
}

// The column -> bin map of the last width and bin scale asked for, filled as the
// columns are asked for: a frame's spectrum costs no power function per column.
// Columns past its end are worked out each time.
struct ColumnBins {
    int32_t width, bin_scale;
    int32_t bin[2048];  // -1: not worked out yet
};
ColumnBins column_bins{0, 0, {}};

int32_t cached_column_bin(int32_t i, int32_t W, int32_t bin_scale) {
    ColumnBins& c = column_bins;
    if (i >= int32_t(std::size(c.bin))) return column_bin(i, W, bin_scale);
    if (c.width != W || c.bin_scale != bin_scale) {
        std::fill(std::begin(c.bin), std::end(c.bin), -1);
        c.width = W;
        c.bin_scale = bin_scale;
    }
    if (c.bin[i] < 0) c.bin[i] = column_bin(i, W, bin_scale);
    return c.bin[i];
}

void draw_spectrum(const Player* p, const UiStyle* s, Image* target, Rect box, int32_t radius) {
    if (!p->analysis.spectrum) return;
    const int32_t W = box.w, H = box.h;
    const double scale = p->scale;
    const int32_t bin_scale = std::max(p->analysis.fft_bin_scale, 1);
    const int32_t bw = std::max(clamp_int(UI_SPECTRUM_PITCH * scale), 1);
    const int32_t gap_edge = clamp_int(bw - scale);
    const int32_t minimum = clamp_int(gap_edge - scale);
    // Only the bars that can touch the target are worked out: a box billions of pixels
    // wide would otherwise take minutes per frame. A bar is drawn at a column i that is
    // a multiple of bw and averages the columns after the previous bar, so starting
    // just after a bar boundary with an empty sum gives the same bars.
    const int64_t left = std::max<int64_t>(0, (-int64_t(box.x) - 2) / bw - 1);
    const int32_t first = left > 0 ? int32_t(std::min<int64_t>(left * bw + 1, W)) : 0;
    const int32_t end =
        int32_t(std::clamp<int64_t>(int64_t(target->width) - box.x + 2 * int64_t(bw) + 2, 0, W));
    float acc = 0;
    // Neighbouring low columns show the same bin: its height is worked out once.
    int32_t last_bin = -1;
    float v = 0;
    for (int32_t i = first; i < end; ++i) {
        const int32_t bin = cached_column_bin(i, W, bin_scale);
        if (bin != last_bin) {
            v = log10f(static_cast<float>(bin_scale) * p->analysis.spectrum[bin]) *
                static_cast<float>(H) / 6.0f;
            if (!(v >= 0.01f)) v = 0;
            last_bin = bin;
        }
        acc += v;
        if (i > 0 && i % bw == 0) {
            float avg = acc / static_cast<float>(bw);
            int32_t height = avg <= static_cast<float>(minimum) ? minimum : clamp_int(avg);
            fill_shape(target, s, double(box.x) + i - gap_edge, double(box.y) + H - height,
                       double(box.x) + i - 1 - scale, double(box.y) + H - 1, radius);
            acc = 0;
        }
    }
}

void draw_waveform(const Player* p, const UiStyle* s, Image* target, Rect box) {
    if (!p->analysis.sample_history || box.w < 2) return;
    const int32_t W = box.w;
    const double H = box.h;
    // Segment i runs from column box.x + i - 1 to box.x + i: only those that can reach
    // the target are drawn, whatever the box's width.
    auto sample_at = [W](int32_t i) {
        return std::min(
            static_cast<int32_t>(static_cast<float>(i) / static_cast<float>(W) * 4096.0f), 4095);
    };
    const int32_t first = int32_t(std::clamp<int64_t>(-int64_t(box.x) - 1, 1, W));
    const int32_t end = int32_t(std::clamp<int64_t>(int64_t(target->width) - box.x + 2, 1, W));
    int32_t prev = first > 1 ? sample_at(first - 1) : 0;
    for (int32_t i = first; i < end; ++i) {
        int32_t k = sample_at(i);
        draw_line_units(target, s, double(box.x) + i - 1,
                        (1 + p->analysis.sample_history[prev]) * H * 0.5 + box.y, double(box.x) + i,
                        (1 + p->analysis.sample_history[k]) * H * 0.5 + box.y);
        prev = k;
    }
}

void draw_blur(Player* p, const UiElement* e, Image* target, Rect box, int32_t radius) {
    const int32_t request =
        (e->flags & UI_FLAG_STRONG_BLUR) ? UI_STRONG_BLUR_RADIUS : UI_BLUR_RADIUS;
    if (!(e->flags & (UI_FLAG_ROUND | UI_FLAG_SQUIRCLE))) {
        box_blur_columns(target, box, request);
        box_blur_rows(target, box, request);
        return;
    }
    blur_rounded(&p->blur, target, box, request, radius);
}

bool needs_level(int32_t type, int32_t level) {
    switch (type) {
    case UI_FFT:
    case UI_WAVEFORM: return level >= 1;
    case UI_STATSDEBUG:
    case UI_RECTDEBUG:
    case UI_BLURDEBUG: return level >= 2;
    default: return true;
    }
}

// Draws elements [first, last) into target, following "offset" elements.
void walk(Player* p, int first, int last, Image* target) {
    if (!target) return;
    ListNode* node = p->current;
    PlaylistEntry* entry = playlist_entry_at(node, 0);
    for (int i = first; i < last && i < UI_MAX_ELEMENTS; ++i) {
        const UiElement* e = &ui_elements[i];
        if (e->type == UI_END) break;
        if (e->type == UI_OFFSET) {
            entry = playlist_entry_at(node, e->rect.x);
            continue;
        }
        if (!entry) continue;
        if (!entry->loaded) entry_ensure_loaded(entry);
        UiStyle style = ui_resolve_style(e, p->scale);
        ui_draw_element(p, e, &style, entry, target);
    }
}

}  // namespace

void ui_draw_element(Player* p, const UiElement* e, UiStyle* s, PlaylistEntry* entry,
                     Image* target) {
    Rect box = e->rect;
    if (e->flags & UI_FLAG_SEEK_PROGRESS) {
        double t = p->duration_ms ? double(p->position_ms) / p->duration_ms : 0.0;
        box = ui_lerp_rect(s->start, box, t);
    } else if (e->flags & UI_FLAG_VOLUME_PROGRESS) {
        box = ui_lerp_rect(s->start, box, p->volume / 20.0);
    }
    int32_t radius = s->radius;
    if (e->flags & UI_FLAG_SQUIRCLE) radius = (s->radius * 2) | CORNER_SUPERELLIPSE;

    if (s->draw_only >= 1 && s->draw_only <= 4 && p->play_mode != s->draw_only - 1) return;
    if (p->playing ? (e->flags & UI_FLAG_HIDE_PLAYING) : (e->flags & UI_FLAG_HIDE_PAUSED)) return;
    if (!needs_level(e->type, p->analysis_enabled)) return;

    switch (e->type) {
    case UI_ALBUMART:
    case UI_IMAGE: {
        Image* img = ui_element_image(*e);
        if (!img) return;
        Rect whole = {0, 0, img->width, img->height};
        image_blit_rounded(img, &whole, target, &box, (e->flags & UI_FLAG_BLEND) ? 0 : 1, radius);
        return;
    }
    case UI_BACKGROUND: fill_rect(target, s, 0, 0, target->width - 1, target->height - 1); return;
    case UI_TITLE:
    case UI_ARTIST:
    case UI_ALBUM:
    case UI_TRACK:
    case UI_META:
    case UI_CURTIME:
    case UI_REMTIME:
    case UI_TOTALTIME:
    case UI_STATSDEBUG:
    case UI_VOLUME: draw_text(p, e, s, entry, target, box); return;
    case UI_RECT:
    case UI_RECTDEBUG:
        if (e->flags & (UI_FLAG_ROUND | UI_FLAG_SQUIRCLE)) {
            int32_t m = std::min(box.h, (radius & ~CORNER_SUPERELLIPSE) * 2);
            box.w = std::max(box.w, m);
        }
        fill_shape(target, s, box.x, box.y, double(box.x) + box.w - 1, double(box.y) + box.h - 1,
                   radius);
        return;
    case UI_LINE:
        draw_line_units(target, s, box.x, box.y, double(box.x) + box.w, double(box.y) + box.h);
        return;
    case UI_BORDER: {
        int32_t x0 = style_units(s, box.x), y0 = style_units(s, box.y);
        int32_t x1 = style_units(s, double(box.x) + box.w - 1);
        int32_t y1 = style_units(s, double(box.y) + box.h - 1);
        draw_line(target, s, x0, y0, x1, y0);
        draw_line(target, s, x0, y0, x0, y1);
        draw_line(target, s, x1, y0, x1, y1);
        draw_line(target, s, x0, y1, x1, y1);
        return;
    }
    case UI_FFT: draw_spectrum(p, s, target, box, radius); return;
    case UI_WAVEFORM: draw_waveform(p, s, target, box); return;
    case UI_BLUR:
    case UI_BLURDEBUG: draw_blur(p, e, target, box, radius); return;
    default: return;
    }
}

void ui_render_static(Player* p) { walk(p, 0, ui_static_count(), p->backdrop); }

void ui_redraw(Player* p) {
    if (!p->canvas) return;
    if (p->backdrop) image_copy(p->backdrop, nullptr, p->canvas, nullptr);
    walk(p, ui_static_count(), UI_MAX_ELEMENTS, p->canvas);

    Image* fb = input_state.framebuffer;
    if (fb) {
        image_present(p->canvas, nullptr, fb, nullptr);
        Rect r =
            rect_clip({0, 0, fb->width, fb->height}, {0, 0, p->canvas->width, p->canvas->height});
        Rect& d = input_state.damage;
        if (d.w == 0 || d.h == 0) {
            d = r;
        } else {
            int32_t x0 = std::min(d.x, r.x), y0 = std::min(d.y, r.y);
            int32_t x1 = std::max(d.x + d.w, r.x + r.w), y1 = std::max(d.y + d.h, r.y + r.h);
            d = {x0, y0, x1 - x0, y1 - y0};
        }
    }
    input_state.present_pending = 1;
}

void ui_on_resize(Player* p, int32_t width, int32_t height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    image_free(p->canvas);
    image_free(p->backdrop);
    blur_cache_free(&p->blur);
    p->canvas = image_new(width, height, IMAGE_PIXELS);
    p->backdrop = image_new(width, height, IMAGE_PIXELS);
    ui_render_static(p);
    ui_redraw(p);
}
