// UI description: the plain-text list of colours, styles, settings, drawn elements
// and mouse regions that makes up the look of the player, parsed into one fixed
// table of UiElement records.
//
//   ui_elements[UI_MAX_ELEMENTS]      the process-wide table, zero at start; the first
//                                     record of type 0 ends the used part.
//   ui_parse(text, scale)             parses a NUL-terminated description into the
//                                     table (after freeing what an earlier parse left).
//                                     "font" and "image" records are joined to the
//                                     configuration directory (looked up on first need).
//   ui_parse_bytes(text, scale, dir, source)
//                                     the same over exactly text.size() bytes (no NUL
//                                     needed), with the configuration directory given;
//                                     dir null: looked up on first need.
//                                     Problems an author should see are logged as one
//                                     warning each, "<source> line N: <problem>": an
//                                     unknown keyword (the record is kept and ignored),
//                                     a record short of seven fields (the description
//                                     ends there, unless it is a bare "end"), an image
//                                     file that does not exist (a transparent picture),
//                                     more than 256 records. source null: "ui description".
//   ui_free_elements()                frees every element's data (images, font path) and
//                                     zeroes the table; the quit path calls it.
//   ui_name_hash(bytes, n)            64-bit hash of a name; reads only bytes[0..n).
//   ui_keyword_type(word, n)          element type number of a keyword, UI_UNKNOWN if none.
//   ui_find_element(type)             the rectangle of the first element of that type, a
//                                     pointer into the table (stable for the whole run),
//                                     or null.
//   ui_find_element_record(type)      the same element as a whole record, or null.
//   ui_static_count()                 number of leading elements that never change while
//                                     playing (they are drawn into the backdrop).
//   ui_element_image(e)               e's image (album art or loaded file) or null.
//   ui_element_path(e)                e's font path or null.
//   ui_default_description            the compiled-in description (ui_default.cpp).
//
// Record syntax: keyword name x y w h flags, any whitespace between fields. Keywords
// and names are at most 31 bytes; a longer word is cut and its rest starts the next
// field. A record that does not give all seven fields ends the description silently.
#pragma once
#include <cstdint>
#include <span>

#include "imaging/image.h"

constexpr int UI_MAX_ELEMENTS = 256;
constexpr int UI_NAME_MAX = 31;

enum UiType : int32_t {
    UI_END = 0,
    UI_ALBUMART = 1,
    UI_IMAGE = 2,
    UI_BACKGROUND = 3,
    UI_TITLE = 4,
    UI_ARTIST = 5,
    UI_ALBUM = 6,
    UI_TRACK = 7,
    UI_META = 8,
    UI_CURTIME = 9,
    UI_REMTIME = 10,
    UI_TOTALTIME = 11,
    UI_STATSDEBUG = 12,
    UI_VOLUME = 13,
    UI_RECT = 14,
    UI_RECTDEBUG = 15,
    UI_LINE = 16,
    UI_BORDER = 17,
    UI_FFT = 18,
    UI_WAVEFORM = 19,
    UI_BLUR = 20,
    UI_BLURDEBUG = 21,
    UI_REGIONSEEK = 22,
    UI_REGIONPLAY = 23,
    UI_REGIONPREV = 24,
    UI_REGIONNEXT = 25,
    UI_REGIONQUIT = 26,
    UI_WINDOW = 27,
    UI_FONT = 28,
    UI_OFFSET = 29,
    UI_FRAMETIME = 30,
    UI_COLOR = 31,
    UI_ROUNDRADIUS = 32,
    UI_STARTPOS = 33,
    UI_DRAWONLY = 34,
    UI_SCROLLSPEED = 35,
    UI_UNKNOWN = 999,
};

enum : uint32_t {
    UI_FLAG_CENTER = 0x001,
    UI_FLAG_SEEK_PROGRESS = 0x002,
    UI_FLAG_BLEND = 0x004,
    UI_FLAG_HIDE_PAUSED = 0x008,
    UI_FLAG_HIDE_PLAYING = 0x010,
    UI_FLAG_STRONG_BLUR = 0x020,
    UI_FLAG_SCROLL = 0x040,
    UI_FLAG_ROUND = 0x080,
    UI_FLAG_BORDERLESS = 0x100,
    UI_FLAG_SQUIRCLE = 0x200,
    UI_FLAG_VOLUME_PROGRESS = 0x400,
    UI_FLAG_ALBUMART = 0x1000000,  // set by the parser only
};

struct UiElement {
    int32_t type;        // UiType
    uint64_t name_hash;  // ui_name_hash of the second field
    Rect rect;           // x, y, w, h; scaled except for the unscaled types
    void* data;          // Image* (albumart / image), char* (font path) or null; owned
    uint32_t flags;
};

extern UiElement ui_elements[UI_MAX_ELEMENTS];
extern const char ui_default_description[];

void ui_parse(const char* text, double scale);
void ui_parse_bytes(std::span<const char> text, double scale, const char* config_dir,
                    const char* source = nullptr);
void ui_free_elements();

[[nodiscard]] uint64_t ui_name_hash(const char* bytes, uint32_t length);
[[nodiscard]] int32_t ui_keyword_type(const char* word, uint32_t length);
[[nodiscard]] Rect* ui_find_element(int32_t type);
[[nodiscard]] UiElement* ui_find_element_record(int32_t type);
[[nodiscard]] int ui_static_count();

[[nodiscard]] inline Image* ui_element_image(const UiElement& e) {
    return (e.type == UI_ALBUMART || e.type == UI_IMAGE) ? static_cast<Image*>(e.data) : nullptr;
}
[[nodiscard]] inline const char* ui_element_path(const UiElement& e) {
    return e.type == UI_FONT ? static_cast<const char*>(e.data) : nullptr;
}
