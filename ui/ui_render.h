// The renderer: draws the element table into the Player's backdrop and canvas and
// hands the result to the window framebuffer.
//
// The backdrop holds the static prefix of the table (ui_static_count elements) and is
// redrawn only when the track changes or the window is resized; each redraw copies it
// into the canvas and draws the remaining (dynamic) elements over it.
//
//   ui_render_static(player)     draws the static elements into the backdrop (not
//                                cleared first).
//   ui_redraw(player)            backdrop -> canvas, dynamic elements, canvas ->
//                                input_state.framebuffer with red and blue swapped; widens
//                                input_state.damage and sets present_pending.
//   ui_on_resize(player, w, h)   new zeroed canvas and backdrop of w x h, blur cache
//                                dropped, then ui_render_static and ui_redraw.
//   ui_draw_element(player, e, style, entry, target)   one element into target.
//   ui_resolve_style(e, scale)   colour, start rectangle, radius, draw-only mode and
//                                scroll speed from the first named-style elements that
//                                share e's name.
//   ui_lerp_rect(a, b, t)        each field (int)((b - a) x t + a).
//   ui_element_text(player, e, entry, buf)   the text a text element shows (an entry
//                                string, or formatted into buf), null for other types.
//   ui_text_plan(flags, box, position_ms, scroll_speed, measure, user)
//                                how a text is placed in its box (centred, shrunk,
//                                wrapped or scrolling); measure(user, size) returns the
//                                text's width at a pixel height.
//   playlist_entry_at(node, offset)   the entry offset places from node's entry
//                                (negative: backwards); null past either end.
//   entry_ensure_loaded(entry)   fills the entry's display strings from its file once;
//                                a file that cannot be opened gives its name as title.
//
// Visualisation level (Player::analysis_enabled): spectrum and waveform need 1,
// statsdebug, rectdebug and blurdebug need 2.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/draw_style.h"
#include "ui/ui_description.h"

struct Player;
struct Image;
struct ListNode;
struct PlaylistEntry;
struct Track;

constexpr int32_t UI_DEFAULT_RADIUS = 16;        // x scale
constexpr int32_t UI_DEFAULT_SCROLL_SPEED = 50;  // px/s x scale
constexpr int32_t UI_BLUR_RADIUS = 7;
constexpr int32_t UI_STRONG_BLUR_RADIUS = 31;
constexpr int32_t UI_SPECTRUM_PITCH = 6;  // x scale
constexpr int32_t UI_MEASURE_LIMIT = 10000;
constexpr size_t UI_TEXT_BUFFER = 96;

void ui_render_static(Player* player);
void ui_redraw(Player* player);
void ui_on_resize(Player* player, int32_t width, int32_t height);

void ui_draw_element(Player* player, const UiElement* element, UiStyle* style, PlaylistEntry* entry,
                     Image* target);
[[nodiscard]] UiStyle ui_resolve_style(const UiElement* element, double scale);
[[nodiscard]] Rect ui_lerp_rect(Rect start, Rect end, double t);

[[nodiscard]] const char* ui_element_text(const Player* player, const UiElement* element,
                                          const PlaylistEntry* entry,
                                          char (&buffer)[UI_TEXT_BUFFER]);

struct UiTextPass {
    double text_x, text_y;
    double size;
    int32_t mode;  // text_draw mode bits
    double limit;
};
struct UiTextPlan {
    int32_t count;  // passes to draw: 0, 1 or 2 (scrolling repeats the text)
    UiTextPass pass[2];
};
using UiMeasureFn = int32_t (*)(void* user, double size);
[[nodiscard]] UiTextPlan ui_text_plan(uint32_t flags, Rect box, uint32_t position_ms,
                                      int32_t scroll_speed, UiMeasureFn measure, void* user);

[[nodiscard]] PlaylistEntry* playlist_entry_at(ListNode* node, int32_t offset);
void entry_ensure_loaded(PlaylistEntry* entry);
