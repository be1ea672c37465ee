# The X11 window against a real X server: placement, size hints, title, presented
# pixels, keys, buttons, an XDND drop, and the two ways of quitting with status 0.
# $1 = build directory, $2 = source directory.
set -u
build=$1
src=$2
demo=$build/tests/fenra/x11/x11_demo
peer=$build/tests/fenra/x11/xdnd_source
export SNAPSHOT_TOOL=$build/tests/fenra/x11/x11_snapshot
source "$src/tests/lib/skip.sh"
need_tools Xvfb xdpyinfo xdotool xprop xwininfo convert
source "$src/tests/lib/xvfb.sh"

work=$(mktemp -d)
demo_pid=
cleanup() {
    [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# wait_log TEXT: true once the demo's log has a line equal to TEXT (5 s at most).
wait_log() {
    local i
    for i in $(seq 1 50); do
        grep -qxF -- "$1" "$work/log" && return 0
        sleep 0.1
    done
    return 1
}

expect_log() { wait_log "$1" || fail "${2:-log line} '$1' missing"; }

# pixel X Y: the window's colour at (X, Y) as srgb(r,g,b).
pixel() {
    x11_screenshot "$W" "$work/shot.png"
    /usr/bin/convert "$work/shot.png" -format "%[pixel:p{$1,$2}]" info: 2>/dev/null
}

# start_demo [flags]: runs the demo and sets W to its window.
start_demo() {
    "$demo" "$@" 2>"$work/log" &
    demo_pid=$!
    W=$(timeout 10 xdotool search --sync --name '^qulmo$' | head -n1)
    [ -n "$W" ] || { echo "FAIL: no window"; exit 1; }
    wait_log ready || { echo "FAIL: demo not ready"; exit 1; }
}

# finish_demo: waits for the demo to end and sets status to its exit status.
finish_demo() {
    local i
    for i in $(seq 1 50); do
        kill -0 "$demo_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$demo_pid" 2>/dev/null; then
        kill "$demo_pid"
        wait "$demo_pid" 2>/dev/null
        status=timeout
    else
        wait "$demo_pid"
        status=$?
    fi
    demo_pid=
    # The server destroys a departed client's window a moment after the process is
    # gone; the next start_demo must not find the old one by its name.
    for i in $(seq 1 50); do
        xwininfo -id "$W" >/dev/null 2>&1 || break
        sleep 0.1
    done
}

check_pattern() {
    local x y want got i
    # The first present reaches the server within a loop pass; allow for start-up.
    for i in $(seq 1 50); do
        [ "$(pixel 20 20)" = "srgb(255,0,0)" ] && break
        sleep 0.1
    done
    for probe in "20 20 srgb(255,0,0)" "280 20 srgb(0,255,0)" "20 280 srgb(0,0,255)" \
                "280 280 srgb(255,255,255)" "150 150 srgb(128,128,128)" "299 0 srgb(0,255,0)" \
                "0 299 srgb(0,0,255)"; do
        read -r x y want <<<"$probe"
        got=$(pixel "$x" "$y")
        [ "$got" = "$want" ] || fail "$1: pixel $x,$y is $got, want $want"
    done
}

xvfb_start || exit 1

# --- default window: auto-positioned, fixed size ---------------------------------
start_demo
info=$(xwininfo -id "$W")
grep -q 'Absolute upper-left X:  362$' <<<"$info" || fail "not centred horizontally: $info"
grep -q 'Absolute upper-left Y:  234$' <<<"$info" || fail "not centred vertically"
grep -q 'Width: 300$' <<<"$info" || fail "width"
grep -q 'Height: 300$' <<<"$info" || fail "height"
props=$(xprop -id "$W")
grep -q '^WM_NAME(STRING) = "qulmo"$' <<<"$props" || fail "title"
grep -q 'program specified minimum size: 300 by 300' <<<"$props" || fail "minimum size hint"
grep -q 'program specified maximum size: 300 by 300' <<<"$props" || fail "maximum size hint"
grep -q 'WM_PROTOCOLS(ATOM): protocols  WM_DELETE_WINDOW' <<<"$props" || fail "WM_DELETE_WINDOW protocol"
grep -q '_MOTIF_WM_HINTS' <<<"$props" && fail "decorated window carries Motif hints"
check_pattern "default window"

xdotool windowfocus --sync "$W"
xdotool key --window "$W" shift+a
expect_log "key 0x41 mods 4" "Shift+A"
expect_log "text U+0041" "text of Shift+A"
xdotool key --window "$W" ctrl+b
expect_log "key 0x42 mods 1" "Ctrl+B"
xdotool key --window "$W" Right
expect_log "key 0x106 mods 0" "Right"
xdotool key --window "$W" KP_Begin
expect_log "key 0x145 mods 0" "keypad 5"
grep -q '^text U+0062$' "$work/log" && fail "Ctrl+B typed text"

xdotool mousemove --window "$W" 150 150 click 1
expect_log "region centre event 0 at 150,150" "left press on the centre square"
xdotool mousemove --window "$W" 20 30 click 3
expect_log "region anywhere event 0 at 20,30" "right press elsewhere"
xdotool click 4
[ "$(grep -c '^region anywhere event 0 at 20,30$' "$work/log")" -ge 2 ] || { sleep 0.5;
  [ "$(grep -c '^region anywhere event 0 at 20,30$' "$work/log")" -ge 2 ] || fail "wheel step"; }

out=$("$peer" drop "$W" text/uri-list $'file:///tmp/My%20Song.mp3\r\nfile:/a/b.mp3\r\n')
[ "$out" = $'status 1\nfinished 1' ] || fail "drop answers: $out"
expect_log "drop /tmp/My Song.mp3" "first dropped path"
expect_log "drop /a/b.mp3" "second dropped path"
out=$("$peer" drop "$W" text/plain,application/x-other,UTF8_STRING,text/uri-list 'file:///c/d.flac')
[ "$out" = $'status 1\nfinished 1' ] || fail "drop through XdndTypeList answers: $out"
expect_log "drop /c/d.flac" "path offered through the type list"
out=$("$peer" drop "$W" text/plain,UTF8_STRING 'file:///not/taken')
[ "$out" = $'status 0\nfinished 0' ] || fail "refused drop answers: $out"
grep -q '^drop /not/taken$' "$work/log" && fail "refused drop delivered a path"

xdotool key --window "$W" q 2>/dev/null
finish_demo
[ "$status" = 0 ] || fail "Q: exit status $status"
grep -qx quit "$work/log" || fail "Q did not reach its binding"
grep -qx "exit 0" "$work/log" || fail "Q: exit hook"
grep -qx "loop ended" "$work/log" && fail "Q returned from the loop"

# --- WM_DELETE_WINDOW ends the process with status 0 ----------------------------
start_demo
check_pattern "second window"
"$peer" close "$W"
finish_demo
[ "$status" = 0 ] || fail "WM_DELETE_WINDOW: exit status $status"
grep -qx "exit 0" "$work/log" || fail "WM_DELETE_WINDOW: exit hook"
grep -qx quit "$work/log" && fail "WM_DELETE_WINDOW ran the quit binding"

# --- borderless and transparent: 32-bit visual, Motif hints, explicit position ---
start_demo 0x28
props=$(xprop -id "$W")
grep -q '_MOTIF_WM_HINTS' <<<"$props" || fail "borderless window without Motif hints"
info=$(xwininfo -id "$W")
grep -q 'Depth: 32$' <<<"$info" || fail "transparent window is not depth 32"
grep -q 'Absolute upper-left X:  20$' <<<"$info" || fail "explicit x position"
grep -q 'Absolute upper-left Y:  30$' <<<"$info" || fail "explicit y position"
check_pattern "transparent window"
"$peer" close "$W"
finish_demo
[ "$status" = 0 ] || fail "transparent window: exit status $status"

if [ "$failures" -ne 0 ]; then
    echo "--- last demo log"
    cat "$work/log"
    exit 1
fi
echo "all X11 window checks passed"
