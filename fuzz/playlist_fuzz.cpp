// Playlist files, the player's own and the .m3u/.m3u8/.pls ones: any bytes become
// entries that are non-empty and hold no line break, never more entries than lines;
// CRLF line ends give the same entries as LF (for .m3u and .pls, as many). .m3u and
// .pls entries read against an absolute folder are absolute paths.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/commands.h"
#include "app/load_track.h"
#include "app/player.h"
#include "app/playlist.h"
#include "formats/formats.h"
#include "formats/playlist_files.h"

// The builder's neighbours in the playlist code; never reached from here.
bool player_load_track(Player*, PlaylistEntry*) { abort(); }
void cmd_quit(Player*) { abort(); }

namespace {

void take(const char* path, void* count) {
    size_t len = strlen(path);
    if (len < 1 || path[0] != '/' || memchr(path, '\n', len)) abort();
    ++*static_cast<size_t*>(count);
}

// The .m3u and .pls readers, on the text and on the same text with CRLF line ends.
void read_others(const uint8_t* data, size_t size, size_t lines) {
    const auto* text = reinterpret_cast<const char*>(data);
    size_t m3u = 0, pls = 0, m3u_crlf = 0, pls_crlf = 0;
    m3u_parse(text, size, "/m", take, &m3u);
    pls_parse(text, size, "/m", take, &pls);
    if (m3u > lines || pls > lines) abort();
    if (memchr(data, '\r', size)) return;
    char* crlf = static_cast<char*>(malloc(2 * size + 1));
    size_t n = 0;
    for (size_t i = 0; i < size; i++) {
        if (data[i] == '\n') crlf[n++] = '\r';
        crlf[n++] = static_cast<char>(data[i]);
    }
    m3u_parse(crlf, n, "/m", take, &m3u_crlf);
    pls_parse(crlf, n, "/m", take, &pls_crlf);
    free(crlf);
    if (m3u_crlf != m3u || pls_crlf != pls) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static char path[64];
    if (!path[0])
        snprintf(path, sizeof path, "/tmp/qulmo_fuzz_playlist_%d.txt", static_cast<int>(getpid()));
    FILE* f = fopen(path, "wb");
    if (!f) return 0;
    if (size) fwrite(data, 1, size, f);
    fclose(f);

    Player player{};
    playlist_from_list_file(&player, path, "/");
    size_t lines = 1;
    for (size_t i = 0; i < size; i++) lines += data[i] == '\n';
    size_t count = 0;
    for (ListNode* n = player.playlist->next; n != player.playlist; n = n->next, count++) {
        const char* p = static_cast<PlaylistEntry*>(n->payload)->path;
        size_t len = strlen(p);
        if (len == 0 || strchr(p, '\n')) abort();
    }
    if (count > lines || player.current != player.playlist) abort();
    read_others(data, size, lines);

    // Text without any CR, written again with CRLF line ends: the same entries.
    if (memchr(data, '\r', size)) {
        list_destroy(player.playlist, playlist_entry_destroy);
        unlink(path);
        return 0;
    }
    f = fopen(path, "wb");
    if (!f) abort();
    for (size_t i = 0; i < size; i++) {
        if (data[i] == '\n') fputc('\r', f);
        fputc(data[i], f);
    }
    fclose(f);
    Player crlf{};
    playlist_from_list_file(&crlf, path, "/");
    ListNode* a = player.playlist->next;
    ListNode* b = crlf.playlist->next;
    for (; a != player.playlist && b != crlf.playlist; a = a->next, b = b->next) {
        if (strcmp(static_cast<PlaylistEntry*>(a->payload)->path,
                   static_cast<PlaylistEntry*>(b->payload)->path))
            abort();
    }
    if (a != player.playlist || b != crlf.playlist) abort();
    list_destroy(crlf.playlist, playlist_entry_destroy);
    list_destroy(player.playlist, playlist_entry_destroy);
    unlink(path);
    return 0;
}
