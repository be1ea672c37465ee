#!/bin/bash
# Each shipped look in qulmo-x11 under Xvfb, found by bare name with -ui, at scale 1
# or 2: it loads without a warning, the window has its size, and a click on each of
# its regions does what the region is for: next and previous load their tracks,
# play pauses (the window stands still) and resumes, a seek click while paused moves
# the shown position, the wheel changes the volume, a left press elsewhere asks the
# window manager to move the window, and quit ends the player with status 0.
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"

if ! alsa_pulse_start "$WORK"; then
    echo "PulseAudio did not start" >&2
    exit 1
fi
E2E_CLEANUP+=(alsa_pulse_stop)
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)
export SNAPSHOT_TOOL=$BUILD/tests/fenra/x11/x11_snapshot

album="$WORK/album"
e2e_album "$album" 30
track2="$album/02 Plucked Strings.flac"

count() { grep -c -- "$1" "$E2E_LOG"; }
wait_count() {  # PATTERN N: waits up to 10 s for N matching log lines
    local i
    for i in $(seq 1 200); do
        [ "$(count "$1")" -ge "$2" ] && return 0
        sleep 0.05
    done
    return 1
}
# Centre of the first region of a type, or "x0 + fraction of w", in window pixels.
region_point() {  # TYPE [FRACTION]
    awk -v t="$1" -v f="${2:-0.5}" -v s="$scale" \
        '$1 == t { printf "%d %d\n", ($3 + f * $5) * s, ($4 + $6 / 2) * s; exit }' \
        "$SRC/looks/$look.txt"
}
click() {  # TYPE [FRACTION]
    local xy
    xy=$(region_point "$@")
    [ -n "$xy" ] || e2e_fail "$look: no $1"
    xdotool mousemove --window "$W" ${xy% *} ${xy#* } click 1
}
shot() { x11_screenshot "$W" "$WORK/$1.png" || e2e_fail "$look: screenshot $1"; }
same() { [ "$(compare -metric AE "$WORK/$1.png" "$WORK/$2.png" null: 2>&1)" = 0 ]; }

# look scale free-x free-y: a point (in look units) that no region covers.
while read -r look scale free_x free_y; do
    E2E_LOG="$WORK/$look.log"
    timeout 90 "$BUILD/qulmo-x11" -ui "$look" -scale "$scale" "$track2" >"$E2E_LOG" 2>&1 &
    player=$!
    E2E_CLEANUP+=("kill $player 2>/dev/null")
    W=$(e2e_wait_window ' - qulmo$' 10) || e2e_fail "$look: no window"
    wait_count '^loading file .*/02 Plucked' 1 || e2e_fail "$look: first track"
    # Without a session bus the desktop media controls say they are off; that is not the look's.
    grep 'WARNING' "$E2E_LOG" | grep -qv 'desktop media controls off' &&
        e2e_fail "$look: warnings while loading"
    size=$(awk -v s="$scale" '$1 == "window" { print $5 * s "x" $6 * s; exit }' "$SRC/looks/$look.txt")
    xdotool getwindowgeometry "$W" | grep -q "Geometry: $size\$" || e2e_fail "$look: window not $size"

    click regionnext
    wait_count '^loading file .*/03 ' 1 || e2e_fail "$look: next"
    click regionprev  # within the first 5 s: the previous track, not a restart
    wait_count '^loading file .*/02 Plucked' 2 || e2e_fail "$look: previous"

    click regionplay
    # Paused once two shots further apart than the redraw tick agree (a loaded machine
    # may take a while to handle the click); then the window must stay as it is.
    shot paused1
    for i in $(seq 1 12); do
        sleep 0.7
        shot paused2
        same paused1 paused2 && break
        mv "$WORK/paused2.png" "$WORK/paused1.png"
    done
    sleep 1.1
    shot paused2
    same paused1 paused2 || e2e_fail "$look: window changed while paused"
    click regionseek 0.5
    sleep 1.2
    shot seeked
    same paused2 seeked && e2e_fail "$look: seek click changed nothing"
    click regionplay
    sleep 1.1
    shot playing
    same seeked playing && e2e_fail "$look: play did not resume"

    xy=$(region_point regionplay)
    xdotool mousemove --window "$W" ${xy% *} ${xy#* } click 5
    wait_count '^volume set to 19 (' 1 || e2e_fail "$look: wheel did not lower the volume"

    "$BUILD/tests/ui/move_watch" 10 >"$WORK/move" 2>&1 &
    watcher=$!
    e2e_wait_for "$WORK/move" '^ready$' 5 || e2e_fail "$look: no stand-in window manager"
    xdotool mousemove --window "$W" $((free_x * scale)) $((free_y * scale)) click 1
    wait "$watcher" || e2e_fail "$look: a press outside the regions did not ask for a move"
    id=$(awk '$1 == "move" { print $2 }' "$WORK/move")
    [ "$((id))" = "$W" ] || e2e_fail "$look: move asked for window $id, not $W"

    if [ -n "$(region_point regionquit)" ]; then
        click regionquit
    else
        xdotool windowfocus --sync "$W" key q
    fi
    for i in $(seq 1 100); do
        kill -0 "$player" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$player" 2>/dev/null && e2e_fail "$look: still running 5 s after quit"
    wait "$player"
    status=$?
    [ "$status" -eq 0 ] || e2e_fail "$look: quit gave status $status"
    [ "$(count '^loading file ')" -eq 3 ] || e2e_fail "$look: unexpected track loads"
    echo "$look at scale $scale: regions work"
done <<'LOOKS'
default 1 150 100
compact 2 340 36
art 1 180 150
animated 2 300 60
LOOKS
echo "look regions passed"
