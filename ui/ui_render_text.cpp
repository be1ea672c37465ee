// What the text elements show and how a text is placed inside its box.
#include <cstdio>

#include "decoders/playlist_entry.h"
#include "imaging/text.h"
#include "ui/player_state.h"
#include "ui/ui_render.h"

namespace {

const char* format_minutes(char (&buf)[UI_TEXT_BUFFER], const char* sign, uint32_t ms) {
    snprintf(buf, sizeof buf, "%s%02d:%02d", sign, static_cast<int>(ms / 60000),
             static_cast<int>((ms / 1000) % 60));
    return buf;
}

}  // namespace

const char* ui_element_text(const Player* p, const UiElement* e, const PlaylistEntry* entry,
                            char (&buf)[UI_TEXT_BUFFER]) {
    switch (e->type) {
    case UI_TITLE: return entry ? entry->title : nullptr;
    case UI_ARTIST: return entry ? entry->artist : nullptr;
    case UI_ALBUM: return entry ? entry->album : nullptr;
    case UI_TRACK:
        if (!entry) return nullptr;
        snprintf(buf, sizeof buf, "%02u", static_cast<unsigned>(entry->track_number));
        return buf;
    case UI_META: return entry ? entry->format_text : nullptr;
    case UI_CURTIME: return format_minutes(buf, "", p->position_ms);
    // Unsigned on purpose: a position past the end shows a large time, not garbage.
    case UI_REMTIME: return format_minutes(buf, "-", p->duration_ms - p->position_ms);
    case UI_TOTALTIME:
        if (!entry) return nullptr;
        return format_minutes(buf, "", static_cast<uint32_t>(entry->duration_ms));
    case UI_STATSDEBUG:
        snprintf(buf, sizeof buf, "GFX: %4u us DSP: %4u us FPS: %.2f", p->gfx_us, p->dsp_us,
                 1000000.0 / p->frame_interval_us);
        return buf;
    case UI_VOLUME: snprintf(buf, sizeof buf, "%2d dB", 2 * (p->volume - 20)); return buf;
    default: return nullptr;
    }
}

UiTextPlan ui_text_plan(uint32_t flags, Rect box, uint32_t position_ms, int32_t scroll_speed,
                        UiMeasureFn measure, void* user) {
    UiTextPlan plan{};
    if (box.w <= 0 || box.h <= 0) return plan;
    const double size = box.h;
    const double limit = box.w;
    UiTextPass one{0, 0, size, TEXT_CLIP, limit};

    if (flags & UI_FLAG_SCROLL) {
        int32_t tw = measure(user, size);
        if (tw > box.w) {
            // Two copies one box height apart, moving left with the playback position.
            int64_t period = int64_t{tw} + box.h;
            int64_t travelled = static_cast<int64_t>(double(position_ms) * scroll_speed / 1000.0);
            int64_t k = travelled % period;
            if (k < 0) k += period;
            plan.count = 2;
            plan.pass[0] = {double(-k), 0, size, TEXT_CLIP, double(UI_MEASURE_LIMIT)};
            plan.pass[1] = {double(period - k), 0, size, TEXT_CLIP, double(UI_MEASURE_LIMIT)};
            return plan;
        }
        if (flags & UI_FLAG_CENTER) one.text_x = (box.w - tw) / 2;
        plan.count = 1;
        plan.pass[0] = one;
        return plan;
    }

    if (flags & UI_FLAG_CENTER) {
        int32_t tw = measure(user, size);
        plan.count = 1;
        if (tw <= box.w) {
            one.text_x = (box.w - tw) / 2;
            plan.pass[0] = one;
            return plan;
        }
        double r = double(tw - box.w) / box.w;
        if (r < 1) {
            // Shrink so that the text about fits, and centre it both ways.
            double shrunk = size / (r + 1.02);
            int32_t tw2 = measure(user, shrunk);
            plan.pass[0] = {double((box.w - tw2) / 2), (box.h - shrunk) / 2, shrunk, 0, limit};
        } else {
            // Far too wide: half size, wrapped onto the following lines.
            plan.pass[0] = {0, 0, size / 2, TEXT_WRAP, limit};
        }
        return plan;
    }

    plan.count = 1;
    plan.pass[0] = one;
    return plan;
}
