#include "app/playlist.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "app/commands.h"
#include "app/dir_scan.h"
#include "app/load_track.h"
#include "app/options.h"
#include "app/player.h"
#include "formats/formats.h"
#include "formats/media_paths.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/memory.h"

// format_alloc reports failure as null; everywhere here that is out of memory.
static char* must(char* text) {
    if (!text) fatal_error({LOG_FATAL, "allocate memory failed", "at format_alloc()"});
    return text;
}

PlaylistEntry* playlist_entry_create(const char* path) {
    auto* entry = static_cast<PlaylistEntry*>(dru_alloc_memory(1, sizeof(PlaylistEntry)));
    entry->path = must(format_alloc("%s", path));
    static uint32_t last_id;
    entry->id = ++last_id;
    return entry;
}

void playlist_entry_destroy(void* payload) {
    auto* entry = static_cast<PlaylistEntry*>(payload);
    if (!entry) return;
    for (char* s : {entry->path, entry->title, entry->album, entry->artist, entry->album_artist,
                    entry->track, entry->format_text})
        free(s);
    dru_free(entry);
}

int32_t entry_path_equals(void* entry, void* path) {
    return strcmp(static_cast<PlaylistEntry*>(entry)->path, static_cast<const char*>(path)) == 0
               ? 1
               : 0;
}

// The playlist is its own sentinel, so appending is inserting before it; list_append
// would walk every entry first, which makes a 100 000-line playlist take minutes.
static void append_entry(List* list, const char* path) {
    list_insert_before(list, list_node_create(playlist_entry_create(path), LIST_KIND_ENTRY));
}

// The nodes of a list in order, as an array of count pointers.
static ListNode** list_to_array(List* list, int32_t* count) {
    *count = list_count(list);
    auto** nodes = dru_alloc_array<ListNode*>(static_cast<size_t>(*count));
    ListNode* node = list->next;
    for (int32_t i = 0; i < *count; i++, node = node->next) nodes[i] = node;
    return nodes;
}

// Links the nodes between list's sentinel and its end in array order.
static void list_relink(List* list, ListNode** nodes, int32_t count) {
    if (count == 0) return;
    ListNode* end = list_end(list);
    ListNode* prev = list;
    for (int32_t i = 0; i < count; i++) {
        prev->next = nodes[i];
        nodes[i]->prev = prev;
        prev = nodes[i];
    }
    prev->next = end;
    end->prev = prev;
}

static bool dir_entry_before(const ListNode* a, const ListNode* b) {
    auto* x = static_cast<const DirEntry*>(a->payload);
    auto* y = static_cast<const DirEntry*>(b->payload);
    bool xd = x->is_directory != 0, yd = y->is_directory != 0;
    if (xd != yd) return xd;
    return strcmp(x->name, y->name) < 0;
}

void playlist_sort_entries(List* entries) {
    if (!entries) return;
    int32_t n = 0;
    ListNode** a = list_to_array(entries, &n);
    ListNode** tmp = dru_alloc_array<ListNode*>(static_cast<size_t>(n));
    // Bottom-up merge sort; taking from the left run on ties keeps equal names in order.
    for (int32_t width = 1; width < n; width *= 2) {
        for (int32_t lo = 0; lo < n; lo += 2 * width) {
            int32_t mid = lo + width < n ? lo + width : n;
            int32_t hi = lo + 2 * width < n ? lo + 2 * width : n;
            int32_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) tmp[k++] = dir_entry_before(a[j], a[i]) ? a[j++] : a[i++];
            while (i < mid) tmp[k++] = a[i++];
            while (j < hi) tmp[k++] = a[j++];
        }
        ListNode** swap = a;
        a = tmp;
        tmp = swap;
    }
    list_relink(entries, a, n);
    dru_free(a);
    dru_free(tmp);
}

void playlist_split_path(const char* path, char** dir, char** prefix) {
    // Entry paths are the directory part of the path up to and including its last '/',
    // followed by the name, so that a named file always matches its own entry (also
    // "/song.mp3" in the root directory). The directory listed is that part without
    // the final '/', or "/" for the root.
    const char* slash = strrchr(path, '/');
    if (!slash) {
        *dir = must(format_alloc("."));
        *prefix = must(format_alloc("./"));
        return;
    }
    int len = static_cast<int>(slash - path);
    *dir = len == 0 ? must(format_alloc("/")) : must(format_alloc("%.*s", len, path));
    *prefix = must(format_alloc("%.*s", len + 1, path));
}

void playlist_from_file_arg(Player* player, const char* arg) {
    char* cur = must(path_is_absolute(arg) ? format_alloc("%s", arg) : format_alloc("./%s", arg));
    player->playlist = list_create();

    char* dir = nullptr;
    char* prefix = nullptr;
    playlist_split_path(cur, &dir, &prefix);
    List* entries = dir_scan(dir);
    playlist_sort_entries(entries);
    for (ListNode* n = entries->next; n->kind != LIST_KIND_SENTINEL; n = n->next) {
        auto* e = static_cast<DirEntry*>(n->payload);
        if (e->is_directory) continue;
        if (!file_name_is_audio(e->name)) continue;
        char* path = must(format_alloc("%s%s", prefix, e->name));
        append_entry(player->playlist, path);
        free(path);
    }
    free(dir);
    free(prefix);
    list_destroy(entries, dru_free);

    ListNode* node = list_find(player->playlist, entry_path_equals, cur);
    if (!node) {
        log_text(LOG_WARNING, "cannot find cur file %s, falling back to first file\n", cur);
        node = player->playlist->next;
    }
    player->current = node->prev;
    free(cur);
}

void playlist_from_list_file(Player* player, const char* name, const char* config_dir) {
    char* path = must(path_resolve(name, config_dir));
    uint64_t size = 0;
    unsigned char* text = read_whole_file(path, &size);
    player->playlist = list_create();

    // One path per line. Editors differ: the last line may lack its newline, lines may
    // end in CRLF, and blank lines are common; none of them is a track.
    const char* p = reinterpret_cast<const char*>(text);
    const char* end = p + size;
    while (p < end) {
        const char* nl = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* line_end = nl ? nl : end;
        size_t len = static_cast<size_t>(line_end - p);
        if (len > 0 && p[len - 1] == '\r') len--;
        // A line holding a zero byte ends there as a path; an empty path is skipped too.
        size_t text_len = strnlen(p, len);
        if (text_len > 0) {
            char* line = must(format_alloc("%.*s", static_cast<int>(text_len), p));
            append_entry(player->playlist, line);
            free(line);
        }
        p = nl ? nl + 1 : end;
    }
    dru_free(text);
    free(path);
    player->current = player->playlist;
}

static inline uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

uint64_t xoshiro256pp_next(uint64_t s[4]) {
    uint64_t r = rotl(s[0] + s[3], 23) + s[0];
    uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return r;
}

void playlist_shuffle(List* list, uint64_t state[4]) {
    if (!list) return;
    int32_t n = list_count(list);
    if (n < 2) return;
    ListNode** nodes = nullptr;
    nodes = list_to_array(list, &n);
    for (int32_t i = 0; i <= n - 2; i++) {
        uint64_t r = xoshiro256pp_next(state);
        double u = static_cast<double>(r >> 11) * 0x1.0p-53;
        int32_t j = i + static_cast<int32_t>(u * (n - i));
        ListNode* t = nodes[i];
        nodes[i] = nodes[j];
        nodes[j] = t;
    }
    list_relink(list, nodes, n);
    dru_free(nodes);
}

static bool is_entry(const ListNode* node) { return node && node->kind == LIST_KIND_ENTRY; }

static PlaylistEntry* entry_of(ListNode* node) {
    return static_cast<PlaylistEntry*>(node->payload);
}

// Every entry failed the last time it was tried: nothing in the playlist can be played.
static bool none_playable(List* list) {
    for (ListNode* n = list->next; is_entry(n); n = n->next)
        if (!entry_of(n)->unplayable) return false;
    return true;
}

[[noreturn]] static void nothing_playable() { fail_text("loading file failed"); }

// Past either end of the playlist: wrap (repeat), reshuffle (shuffle) or quit, which is
// an error when no entry of the playlist could be played.
static ListNode* wrap_or_quit(Player* player, bool forward) {
    switch (player->play_mode) {
    case PLAY_SHUFFLE: playlist_shuffle(player->playlist, player->shuffle_state); [[fallthrough]];
    case PLAY_REPEAT: {
        ListNode* node = forward ? list_head(player->playlist) : list_tail(player->playlist);
        if (is_entry(node)) return node;
        break;
    }
    default: break;
    }
    if (is_entry(player->playlist->next) && none_playable(player->playlist)) nothing_playable();
    cmd_quit(player);
}

// Makes node current and loads its entry.
static bool try_entry(Player* player, ListNode* node) {
    player->current = node;
    return player_load_track(player, entry_of(node));
}

static void playlist_move(Player* player, bool forward) {
    ListNode* node = player->current;
    // An entry that cannot be played is passed over in the same direction. Wrapping
    // modes go round and round, so they stop once every entry has failed: a full count
    // of failures in repeat mode covers every entry, two in shuffle mode (the first
    // pass may end early, the reshuffled one is whole).
    int32_t count = 0;
    for (int32_t failed = 0;; failed++) {
        node = forward ? node->next : node->prev;
        if (!is_entry(node)) node = wrap_or_quit(player, forward);
        if (try_entry(player, node)) break;
        if (count == 0) count = list_count(player->playlist);
        if ((failed + 1) % count == 0 && none_playable(player->playlist)) nothing_playable();
    }
    if (player->redraw) player->redraw(player);
}

void playlist_next(Player* player) { playlist_move(player, true); }
void playlist_previous(Player* player) { playlist_move(player, false); }

// From start onwards, round the list once without reshuffling: the first entry that
// loads becomes current. False when none does.
static bool load_from(Player* player, ListNode* start) {
    if (!start) return false;
    ListNode* node = start;
    do {
        if (is_entry(node) && try_entry(player, node)) return true;
        node = node->next;
    } while (node != start);
    return false;
}

void playlist_start(Player* player) {
    ListNode* first = player->current->next;
    if (!is_entry(first)) first = list_head(player->playlist);
    if (!load_from(player, first)) nothing_playable();
    if (player->redraw) player->redraw(player);
}

// list becomes the playlist with start's entry playing (or the first playable one
// after it); shuffle mode orders the others around it. False, with the old playlist
// back in place and list destroyed, when nothing in list plays.
static bool play_new_list(Player* player, List* list, ListNode* start) {
    List* old_playlist = player->playlist;
    ListNode* old_current = player->current;
    player->playlist = list;
    player->current = start;
    if (player->play_mode == PLAY_SHUFFLE) playlist_shuffle(list, player->shuffle_state);
    if (!load_from(player, start)) {
        list_destroy(list, playlist_entry_destroy);
        player->playlist = old_playlist;
        player->current = old_current;
        return false;
    }
    list_destroy(old_playlist, playlist_entry_destroy);
    if (player->redraw) player->redraw(player);
    return true;
}

bool playlist_open_file(Player* player, const char* path) {
    List* old_playlist = player->playlist;
    ListNode* old_current = player->current;
    playlist_from_file_arg(player, path);
    List* list = player->playlist;
    ListNode* node = player->current->next;
    player->playlist = old_playlist;
    player->current = old_current;
    if (!is_entry(node) || !entry_path_equals(node->payload, const_cast<char*>(path))) {
        list_destroy(list, playlist_entry_destroy);
        return false;
    }
    return play_new_list(player, list, node);
}

bool playlist_replace(Player* player, const PathList* paths) {
    if (paths->count == 0) return false;
    List* list = list_create();
    for (size_t i = 0; i < paths->count; i++) append_entry(list, paths->items[i]);
    return play_new_list(player, list, list_head(list));
}

static void set_play_mode(Player* player, int32_t mode, const char* name) {
    player->play_mode = mode;
    log_text(LOG_INFO, "play mode set to %s\n", name);
}

void play_mode_normal(Player* player) { set_play_mode(player, PLAY_NORMAL, "normal"); }
void play_mode_repeat(Player* player) { set_play_mode(player, PLAY_REPEAT, "repeat"); }
void play_mode_single(Player* player) { set_play_mode(player, PLAY_SINGLE, "single"); }
void play_mode_shuffle(Player* player) {
    if (player->playlist) playlist_shuffle(player->playlist, player->shuffle_state);
    set_play_mode(player, PLAY_SHUFFLE, "shuffle");
}
