#!/bin/bash
# qulmo-wayland on weston's headless backend with ALSA written to a file: the demo
# directory plays through and the program exits 0; the toplevel gets the track's
# title and a 300 x 300 buffer.
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/weston.sh"
source "$SRC/tests/lib/alsa.sh"
need_tools weston wayland-info $DEMO_TOOLS

alsa_file_setup "$WORK" "$WORK/out.raw"
e2e_font
weston_start || exit 1
E2E_CLEANUP+=(weston_stop)

album="$WORK/album"
e2e_album "$album" 1
E2E_LOG="$WORK/log"
# The protocol trace shows what the client asked the compositor for.
WAYLAND_DEBUG=client timeout 60 "$BUILD/qulmo-wayland" "$album/01 Morning Chord.wav" \
    >"$E2E_LOG" 2>&1
status=$?
[ "$status" -eq 0 ] || e2e_fail "exit status $status"

loads=$(grep '^loading file ' "$E2E_LOG")
want="loading file $album/01 Morning Chord.wav
loading file $album/02 Plucked Strings.flac
loading file $album/03 Low Tide.mp3
loading file $album/04 Evening Air.ogg"
[ "$loads" = "$want" ] || e2e_fail "loading lines were: $loads"
grep -q '^playlist: playlist.txt, scale: 1, ' "$E2E_LOG" || e2e_fail "scale from a 96 dpi output is not 1"
grep -q '^window size 300x300$' "$E2E_LOG" || e2e_fail "window size line"
for t in "Morning Chord" "Plucked Strings" "Low Tide" "Evening Air"; do
    grep -q "xdg_toplevel@[0-9]*\.set_title(\"\[The Demo Ensemble - $t\] - qulmo\")" "$E2E_LOG" ||
        e2e_fail "no title for $t"
done
grep -q 'wl_shm_pool@[0-9]*\.create_buffer(new id wl_buffer@[0-9]*, 0, 300, 300, 1200, ' "$E2E_LOG" ||
    e2e_fail "no 300x300 buffer"
grep -q 'wl_surface@[0-9]*\.commit()' "$E2E_LOG" || e2e_fail "nothing was committed"
echo "wayland play-through passed"
