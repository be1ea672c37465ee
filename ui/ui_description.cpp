// Parser of the UI description into the element table.
//
// The text is untrusted: the scanner below works on a bounded byte range and never
// looks past its end, whether or not the text carries a terminating NUL.
#include "ui/ui_description.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/memory.h"
#include "imaging/resize.h"

UiElement ui_elements[UI_MAX_ELEMENTS];

namespace {

struct Keyword {
    std::string_view word;
    int32_t type;
};

// "end" first: it is by far the most decisive word.
constexpr Keyword kKeywords[] = {
    {"end", UI_END},
    {"albumart", UI_ALBUMART},
    {"image", UI_IMAGE},
    {"background", UI_BACKGROUND},
    {"title", UI_TITLE},
    {"artist", UI_ARTIST},
    {"album", UI_ALBUM},
    {"track", UI_TRACK},
    {"meta", UI_META},
    {"curtime", UI_CURTIME},
    {"remtime", UI_REMTIME},
    {"totaltime", UI_TOTALTIME},
    {"statsdebug", UI_STATSDEBUG},
    {"volume", UI_VOLUME},
    {"rect", UI_RECT},
    {"rectdebug", UI_RECTDEBUG},
    {"line", UI_LINE},
    {"border", UI_BORDER},
    {"fft", UI_FFT},
    {"waveform", UI_WAVEFORM},
    {"blur", UI_BLUR},
    {"blurdebug", UI_BLURDEBUG},
    {"regionseek", UI_REGIONSEEK},
    {"regionplay", UI_REGIONPLAY},
    {"regionprev", UI_REGIONPREV},
    {"regionnext", UI_REGIONNEXT},
    {"regionquit", UI_REGIONQUIT},
    {"window", UI_WINDOW},
    {"font", UI_FONT},
    {"offset", UI_OFFSET},
    {"frametime", UI_FRAMETIME},
    {"color", UI_COLOR},
    {"roundradius", UI_ROUNDRADIUS},
    {"startpos", UI_STARTPOS},
    {"drawonly", UI_DRAWONLY},
    {"scrollspeed", UI_SCROLLSPEED},
};
static_assert(sizeof(kKeywords) / sizeof(kKeywords[0]) == 36);

constexpr std::string_view kAlbumArtName = "<albumart>";

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A cursor over [p, end). Field readers follow scanf's "%31s" and "%d".
struct Scanner {
    const char* p;
    const char* end;

    // A NUL inside the range ends the text, as it would for a C string.
    bool at_end() const { return p >= end || *p == 0; }

    void skip_space() {
        while (!at_end() && is_space(*p)) ++p;
    }

    // Up to UI_NAME_MAX non-blank bytes into out (NUL-terminated); false when none.
    bool word(char (&out)[UI_NAME_MAX + 1], uint32_t* length) {
        skip_space();
        uint32_t n = 0;
        while (!at_end() && !is_space(*p) && n < UI_NAME_MAX) out[n++] = *p++;
        out[n] = 0;
        *length = n;
        return n > 0;
    }

    // Optional sign and decimal digits; values beyond 32 bits saturate.
    bool integer(int32_t* out) {
        skip_space();
        const char* q = p;
        bool negative = false;
        if (q < end && (*q == '+' || *q == '-')) {
            negative = *q == '-';
            ++q;
        }
        if (q >= end || *q < '0' || *q > '9') return false;
        int64_t v = 0;
        while (q < end && *q >= '0' && *q <= '9') {
            if (v <= INT64_C(1) << 40) v = v * 10 + (*q - '0');
            ++q;
        }
        if (negative) v = -v;
        if (v > INT32_MAX) v = INT32_MAX;
        if (v < INT32_MIN) v = INT32_MIN;
        *out = static_cast<int32_t>(v);
        p = q;
        return true;
    }
};

bool is_unscaled(int32_t type) {
    return type == UI_OFFSET || type == UI_FRAMETIME || type == UI_COLOR || type == UI_DRAWONLY;
}

// (int)(v * scale) truncated toward zero, kept inside the int range.
int32_t scale_coordinate(int32_t v, double scale) {
    double s = static_cast<double>(v) * scale;
    if (!(s == s)) return 0;
    if (s >= 2147483647.0) return INT32_MAX;
    if (s <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(s);
}

char* join_path(const char* dir, const char* name) {
    size_t a = strlen(dir), b = strlen(name);
    char* s = static_cast<char*>(dru_alloc_memory(a + b + 2, 1));
    memcpy(s, dir, a);
    s[a] = '/';
    memcpy(s + a + 1, name, b);
    return s;
}

// The configuration directory, looked up only when a record needs it.
struct ConfigDir {
    const char* given;
    char* owned;
    const char* get() {
        if (given) return given;
        if (!owned) owned = config_dir_get();
        return owned;
    }
};

}  // namespace

int32_t ui_keyword_type(const char* word, uint32_t length) {
    std::string_view w(word, length);
    for (const Keyword& k : kKeywords)
        if (k.word == w) return k.type;
    return UI_UNKNOWN;
}

void ui_free_elements() {
    for (UiElement& e : ui_elements) {
        if (e.type == UI_ALBUMART || e.type == UI_IMAGE)
            image_free(static_cast<Image*>(e.data));
        else
            dru_free(e.data);
    }
    memset(ui_elements, 0, sizeof(ui_elements));
}

namespace {

// Line numbers for the author's warnings, counted lazily up to each record's start.
struct LineCounter {
    const char* counted;
    int line;
    int at(const char* p) {
        for (; counted < p; ++counted)
            if (*counted == '\n') ++line;
        return line;
    }
};

// Words from the file go to a terminal: control bytes are shown as '?'.
const char* printable(char (&word)[UI_NAME_MAX + 1]) {
    for (char& c : word)
        if (c && (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)) c = '?';
    return word;
}

void warn_at(const char* source, int line, const char* detail) {
    char where[512];
    snprintf(where, sizeof where, "%s line %d", source, line);
    log_write({LOG_WARNING, where, detail});
}

// Why a record stopped short: the text ran out or the next record began, or a word
// stands where a number belongs. `fields` counts the fields read before the failing one.
void warn_short_record(const char* source, int line, char (&keyword)[UI_NAME_MAX + 1], int fields,
                       Scanner sc) {
    char detail[200];
    char found[UI_NAME_MAX + 1];
    uint32_t n = 0;
    // A keyword where a number belongs is the next record: this one came up short.
    if (fields >= 2 && sc.word(found, &n) && ui_keyword_type(found, n) == UI_UNKNOWN)
        snprintf(detail, sizeof detail,
                 "'%s' record: field %d is '%s', not a number; the description ends here",
                 printable(keyword), fields + 1, printable(found));
    else
        snprintf(detail, sizeof detail, "'%s' record has %d of 7 fields; the description ends here",
                 printable(keyword), fields);
    warn_at(source, line, detail);
}

}  // namespace

void ui_parse_bytes(std::span<const char> text, double scale, const char* config_dir,
                    const char* source) {
    ui_free_elements();
    if (!source) source = "ui description";
    ConfigDir dir{config_dir, nullptr};
    Scanner sc{text.data(), text.data() + text.size()};
    LineCounter lines{text.data(), 1};
    for (int slot = 0;; ++slot) {
        sc.skip_space();
        if (sc.at_end()) break;
        const int line = lines.at(sc.p);
        if (slot == UI_MAX_ELEMENTS) {
            warn_at(source, line, "more than 256 records; the rest is ignored");
            break;
        }
        char keyword[UI_NAME_MAX + 1], name[UI_NAME_MAX + 1];
        uint32_t keyword_len = 0, name_len = 0;
        int32_t v[5];
        int fields = sc.word(keyword, &keyword_len) ? 1 : 0;
        if (fields == 1 && sc.word(name, &name_len)) fields = 2;
        while (fields >= 2 && fields < 7 && sc.integer(&v[fields - 2])) ++fields;
        if (fields < 7) {
            // A bare "end" closes the description as the author meant it to.
            if (ui_keyword_type(keyword, keyword_len) != UI_END)
                warn_short_record(source, line, keyword, fields, sc);
            break;
        }
        sc.skip_space();

        int32_t type = ui_keyword_type(keyword, keyword_len);
        if (type == UI_END) break;  // the slot stays zero and so ends the table
        if (type == UI_UNKNOWN) {
            char detail[64];
            snprintf(detail, sizeof detail, "unknown element type '%s'", printable(keyword));
            warn_at(source, line, detail);
        }
        UiElement& e = ui_elements[slot];
        e.type = type;
        e.name_hash = ui_name_hash(name, name_len);
        // The album-art marker belongs to the parser: a file cannot set it.
        e.flags = static_cast<uint32_t>(v[4]) & ~UI_FLAG_ALBUMART;
        if (is_unscaled(type)) {
            e.rect = {v[0], v[1], v[2], v[3]};
        } else {
            e.rect = {scale_coordinate(v[0], scale), scale_coordinate(v[1], scale),
                      scale_coordinate(v[2], scale), scale_coordinate(v[3], scale)};
        }
        bool albumart_name = std::string_view(name, name_len) == kAlbumArtName;
        if (type == UI_FONT) {
            e.data = join_path(dir.get(), name);
        } else if (type == UI_ALBUMART || (type == UI_IMAGE && albumart_name)) {
            e.flags |= UI_FLAG_ALBUMART;
        } else if (type == UI_IMAGE) {
            // The sizes come from an untrusted file: a picture that the decoders would
            // refuse is refused here too, before anything is allocated for it.
            if (image_too_large(std::max(e.rect.w, 1), std::max(e.rect.h, 1))) {
                char detail[UI_NAME_MAX + 96];
                snprintf(detail, sizeof detail, "image '%s' of %d x %d is too large to draw",
                         printable(name), e.rect.w, e.rect.h);
                warn_at(source, line, detail);
                continue;
            }
            char* path = join_path(dir.get(), name);
            const bool found = file_exists(path);
            // The loader's own warning comes first; the author's line says which record
            // and file it was about.
            Image* loaded = image_load_file(path);
            if (!found) {
                char detail[UI_NAME_MAX + 64];
                snprintf(detail, sizeof detail, "image file '%s' not found", printable(name));
                warn_at(source, line, detail);
            }
            e.data = image_resize(loaded, e.rect.w, e.rect.h);
            image_free(loaded);
            dru_free(path);
        }
    }
    dru_free(dir.owned);
}

void ui_parse(const char* text, double scale) {
    ui_parse_bytes(std::span<const char>(text, strlen(text)), scale, nullptr);
}

UiElement* ui_find_element_record(int32_t type) {
    for (UiElement& e : ui_elements) {
        if (e.type == UI_END) break;
        if (e.type == type) return &e;
    }
    return nullptr;
}

Rect* ui_find_element(int32_t type) {
    UiElement* e = ui_find_element_record(type);
    return e ? &e->rect : nullptr;
}

int ui_static_count() {
    constexpr uint32_t kDynamicFlags = UI_FLAG_SEEK_PROGRESS | UI_FLAG_HIDE_PAUSED |
                                       UI_FLAG_HIDE_PLAYING | UI_FLAG_SCROLL |
                                       UI_FLAG_VOLUME_PROGRESS;
    int n = 0;
    for (const UiElement& e : ui_elements) {
        if (e.type == UI_END || (e.flags & kDynamicFlags)) break;
        switch (e.type) {
        case UI_CURTIME:
        case UI_REMTIME:
        case UI_STATSDEBUG:
        case UI_VOLUME:
        case UI_RECTDEBUG:
        case UI_FFT:
        case UI_WAVEFORM:
        case UI_BLURDEBUG: return n;
        default: break;
        }
        ++n;
    }
    return n;
}
