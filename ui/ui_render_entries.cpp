// Playlist entries as the renderer sees them: walking to a neighbour of the current
// entry, and filling an entry's display strings on first sight.
#include "decoders/metadata.h"
#include "decoders/playlist_entry.h"
#include "decoders/track.h"
#include "input/list.h"
#include "ui/ui_render.h"

PlaylistEntry* playlist_entry_at(ListNode* node, int32_t offset) {
    if (!node || node->kind == LIST_KIND_SENTINEL) return nullptr;
    for (; offset > 0; --offset) {
        node = node->next;
        if (!node || node->kind == LIST_KIND_SENTINEL) return nullptr;
    }
    for (; offset < 0; ++offset) {
        node = node->prev;
        if (!node || node->kind == LIST_KIND_SENTINEL) return nullptr;
    }
    return static_cast<PlaylistEntry*>(node->payload);
}

void entry_ensure_loaded(PlaylistEntry* entry) {
    if (!entry || entry->loaded) return;
    // A neighbour that cannot be opened is shown by its file name; playing reports it.
    const char* error = nullptr;
    Track* track = track_try_open(entry->path, &error);
    if (!track) {
        display_strings_fill_unplayable(entry);
        return;
    }
    display_strings_fill(entry, track);
    track_close(track);
}
