#!/bin/bash
# Keyboard, pointer, wheel, key repeat, moves and the selection reader against
# weston's X11 backend (it has a seat) inside Xvfb, driven through XTEST.
set -u
build=$1
src=$2
check=$build/tests/fenra/wayland/wayland_window_check
source_client=$build/tests/fenra/wayland/wayland_selection_source
source "$src/tests/lib/skip.sh"
need_tools weston weston-debug wayland-info Xvfb xdpyinfo xdotool python3

source "$src/tests/lib/xvfb.sh"
source "$src/tests/lib/weston.sh"
work=$(mktemp -d -t qulmo-wl-input.XXXXXX)
CLIENT=
DEBUGP=
cleanup() {
    [ -n "$CLIENT" ] && kill "$CLIENT" 2>/dev/null
    [ -n "$DEBUGP" ] && kill "$DEBUGP" 2>/dev/null
    weston_stop
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

xvfb_start || { echo "FAIL: Xvfb did not start"; exit 1; }
weston_start_x11 || { echo "FAIL: weston did not start"; exit 1; }

: >"$work/out.txt"
weston-debug proto >"$work/proto.txt" 2>&1 &
DEBUGP=$!
sleep 0.3
"$check" "input" 6000 events >"$work/out.txt" 2>"$work/err.txt" &
CLIENT=$!
for _ in $(seq 1 50); do
    grep -q '^presented$' "$work/out.txt" && break
    sleep 0.1
done

# The kiosk shell centres the 300 x 300 window in the 640 x 480 output, so the
# X position (330, 250) is surface position (160, 160). XTEST only: weston's X11
# backend does not take sent (synthetic) events.
xdotool mousemove 330 250
sleep 0.3
step() { sleep 0.25; }  # lets the events of one step arrive before the next
xdotool key shift+1; step shift1
xdotool key ctrl+a; step ctrla
xdotool key Caps_Lock; sleep 0.1
xdotool key shift+1; sleep 0.1
xdotool key q; sleep 0.1
xdotool key Caps_Lock; step caps
xdotool key F13 2>/dev/null; step unknown
xdotool click 5; sleep 0.1; xdotool click 4; step wheel
xdotool click 1; step left
xdotool keydown a; sleep 0.8; xdotool keyup a; step hold
xdotool keydown s; sleep 0.7; xdotool key b; sleep 0.4; xdotool keyup s; step other_release
"$source_client" "$(printf 'y%.0s' $(seq 1 10000))" 800 >"$work/source.txt" 2>&1
wait "$CLIENT"
rc=$?
CLIENT=
sleep 0.3
kill "$DEBUGP" 2>/dev/null
wait "$DEBUGP" 2>/dev/null
DEBUGP=

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ "$rc" = 0 ] || fail "client exit status $rc"
grep -qF 'set_cursor(' "$work/proto.txt" || fail "no cursor set on pointer enter"
grep -qE 'xdg_toplevel@[0-9]+\.move\(wl_seat@[0-9]+, [0-9]+\)' "$work/proto.txt" || fail "no move request with the seat"
grep -qx 'offered' "$work/source.txt" || fail "the selection source could not offer: $(cat "$work/source.txt")"

python3 - "$work/out.txt" <<'PY' || fail "event sequence"
import sys
lines = [l.rstrip("\n") for l in open(sys.argv[1])]
ok = True
def need(cond, what):
    global ok
    if not cond:
        print("missing:", what); ok = False
def follows(first, then):
    return any(lines[i] == first and lines[i + 1] == then for i in range(len(lines) - 1))
def index(line, start=0):
    for i in range(start, len(lines)):
        if lines[i] == line:
            return i
    return -1

need("motion 160 160" in lines, "pointer at (160, 160)")
# Shift+1: key 0x31 with Shift and pressed, then '!'
need(follows("key 31 41", "text 21"), "Shift+1 gives key 0x31 flags 0x41 and then '!'")
# Ctrl+A: key 0x41 with Ctrl, no text
i = index("key 41 42")
need(i >= 0 and not lines[i + 1].startswith("text"), "Ctrl+A without text")
# Caps Lock locked: Shift+1 gives the digit, q gives Q
need("key 118 40" in lines, "Caps Lock key")
need(follows("key 31 41", "text 31"), "Caps Lock with Shift+1 gives '1'")
need(follows("key 51 40", "text 51"), "Caps Lock with q gives 'Q'")
# F13: Linux code 183 (KEY_F13) when the X keymap has it; Xvfb's default map does
# not, and xdotool then borrows a spare keycode that is in no table: code -1.
i = max(index("key 12e 40"), index("key ffff 40"))
need(i >= 0 and not lines[i + 1].startswith("text"), "F13 or an unknown key, without text")
# Wheel: one press each, no release
need("button 5 40" in lines and "button 4 40" in lines, "wheel down and up")
need(not any(l in ("button 5 0", "button 4 0") for l in lines), "no wheel release")
# Left press: begin_move reports the release first
i = index("button 1 40")
need(i >= 0 and lines[i + 1] == "button 1 0", "release from the move right after the press")
# Holding A: a press, then repeats with their text, then the release
first = index("key 41 40", index("button 1 40"))
release = index("key 41 0", first)
if first < 0 or release < 0:
    need(False, "held key A")
else:
    presses = [l for l in lines[first:release] if l == "key 41 40"]
    texts = [l for l in lines[first:release] if l == "text 61"]
    need(3 <= len(presses) <= 12, "held A repeats a few times, got %d presses" % len(presses))
    need(len(texts) == len(presses), "a text with every repeat")
# Holding S, tapping B: the release of B ends the repeat of S
s_first = index("key 53 40")
b_release = index("key 42 0", s_first)
s_release = index("key 53 0", b_release)
need(s_first >= 0 and b_release >= 0 and s_release >= 0, "S held, B tapped")
if s_first >= 0 and b_release >= 0 and s_release >= 0:
    need(lines.count("key 53 40") >= 2, "S repeated before B")
    need(all(l != "key 53 40" and l != "key 42 40" for l in lines[b_release:s_release]),
         "no repeat after another key's release")
# The selection: 10 000 bytes offered, the first 4090 kept
sel = [l for l in lines if l.startswith("selection ")]
need(len(sel) == 1 and sel[0] == "selection " + "y" * 4090, "selection of 4090 bytes")
sys.exit(0 if ok else 1)
PY

if [ "$failures" != 0 ]; then
    echo "--- client output"; cut -c1-100 "$work/out.txt"
    exit 1
fi
echo "PASS"
