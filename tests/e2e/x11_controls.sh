#!/bin/bash
# qulmo-x11 under Xvfb, played in real time through a PulseAudio null sink, driven
# with xdotool: window title per track, album art and title in the window, Down and
# Up change tracks, space pauses, a click on the seek bar seeks, keys 9 and 0 and
# the wheel change the volume, Q quits with status 0. Then a tone looped in single
# mode reaches the sink's monitor without a gap.
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"
need_tools pulseaudio pactl pacat Xvfb xdpyinfo xdotool compare $DEMO_TOOLS

if ! alsa_pulse_start "$WORK"; then
    echo "PulseAudio did not start" >&2
    exit 1
fi
E2E_CLEANUP+=(alsa_pulse_stop)
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)

album="$WORK/album"
e2e_album "$album" 6
E2E_LOG="$WORK/log"
timeout 60 "$BUILD/qulmo-x11" "$album/01 Morning Chord.wav" >"$E2E_LOG" 2>&1 &
player=$!
E2E_CLEANUP+=("kill $player 2>/dev/null")

title_is() {  # waits up to 5 s for the window title
    local i
    for i in $(seq 1 50); do
        [ "$(xdotool getwindowname "$W" 2>/dev/null)" = "$1" ] && return 0
        sleep 0.1
    done
    echo "title is '$(xdotool getwindowname "$W" 2>/dev/null)'" >&2
    return 1
}
key() { xdotool windowfocus --sync "$W" key "$1"; }
export SNAPSHOT_TOOL=$BUILD/tests/fenra/x11/x11_snapshot
shot() { x11_screenshot "$W" "$1"; }
count() { grep -c -- "$1" "$E2E_LOG"; }
# Waits until the log holds at least N lines matching PATTERN.
wait_count() {
    local pattern=$1 n=$2 i
    for i in $(seq 1 100); do
        [ "$(count "$pattern")" -ge "$n" ] && return 0
        sleep 0.05
    done
    return 1
}

W=$(e2e_wait_window 'qulmo' 10) || e2e_fail "no window"
title_is "[The Demo Ensemble - Morning Chord] - qulmo" || e2e_fail "first title"
[ "$(xdotool getwindowgeometry "$W" | grep Geometry)" = "  Geometry: 300x300" ] || e2e_fail "window size"

# Album art (the cover's dark disc and its orange centre) and the title text in the
# translucent band.
# The title is set before the first frame is drawn: wait for the cover's centre.
for i in $(seq 1 25); do
    shot "$WORK/first.png"
    read -r r g b <<<"$(e2e_pixel "$WORK/first.png" 150 150)"
    [ "$r" -gt 180 ] && break
    sleep 0.2
done
read -r r g b <<<"$(e2e_pixel "$WORK/first.png" 150 100)"
[ "$r" -lt 60 ] && [ "$g" -lt 60 ] && [ "$b" -lt 70 ] || e2e_fail "no disc at 150,100: $r $g $b"
read -r r g b <<<"$(e2e_pixel "$WORK/first.png" 150 150)"
[ "$r" -gt 180 ] && [ "$g" -gt 120 ] && [ "$b" -lt 120 ] || e2e_fail "no orange centre: $r $g $b"
text_pixels=$(/usr/bin/convert "$WORK/first.png" -crop 280x35+10+210 +repage -colorspace gray \
    -threshold 45% -negate -format '%[fx:int(mean*w*h)]' info:)
[ "$text_pixels" -gt 300 ] || e2e_fail "title text not drawn ($text_pixels dark pixels)"

load1="loading file $album/01 Morning Chord.wav"
load2="loading file $album/02 Plucked Strings.flac"
key Down
wait_count "^$load2\$" 1 || e2e_fail "Down did not load the second track"
title_is "[The Demo Ensemble - Plucked Strings] - qulmo" || e2e_fail "second title"
key Up
wait_count "^$load1\$" 2 || e2e_fail "Up did not load the first track again"
title_is "[The Demo Ensemble - Morning Chord] - qulmo" || e2e_fail "title after Up"

# Playing: the position moves. Paused: it stays.
sleep 0.3
shot "$WORK/p1.png"
sleep 1.1
shot "$WORK/p2.png"
moved=$(compare -metric AE "$WORK/p1.png" "$WORK/p2.png" null: 2>&1)
[ "$moved" -gt 0 ] || e2e_fail "position did not move while playing"
key space
sleep 0.6
shot "$WORK/s1.png"
sleep 1.1
shot "$WORK/s2.png"
still=$(compare -metric AE "$WORK/s1.png" "$WORK/s2.png" null: 2>&1)
[ "$still" -eq 0 ] || e2e_fail "window changed while paused ($still pixels)"

# The fill of the seek bar (x 60..284, row 283) ends where the position is.
fill_fraction() {
    python3 - "$1" <<'PY'
import subprocess, sys
row = subprocess.run(["/usr/bin/convert", sys.argv[1], "-crop", "223x1+61+283", "+repage",
                      "-colorspace", "gray", "-depth", "8", "gray:-"],
                     capture_output=True, check=True).stdout
end = max((i for i, v in enumerate(row) if v < 110), default=-1)
print(f"{(end + 1) / len(row):.3f}")
PY
}
before=$(fill_fraction "$WORK/s2.png")
xdotool mousemove --window "$W" 172 283 click 1
sleep 0.6
shot "$WORK/seek.png"
after=$(fill_fraction "$WORK/seek.png")
python3 -c "import sys; b, a = float(sys.argv[1]), float(sys.argv[2]); sys.exit(0 if b < 0.4 and 0.42 <= a <= 0.58 else 1)" \
    "$before" "$after" || e2e_fail "seek click: fill went from $before to $after"

key 9
wait_count '^volume set to 19 (' 1 || e2e_fail "9 did not lower the volume"
key 0
wait_count '^volume set to 20 (1)$' 1 || e2e_fail "0 did not raise the volume"
xdotool mousemove --window "$W" 150 100 click 5
wait_count '^volume set to 19 (' 2 || e2e_fail "wheel down did not lower the volume"
sleep 0.1
xdotool mousemove --window "$W" 150 100 click 4
wait_count '^volume set to 20 (1)$' 2 || e2e_fail "wheel up did not raise the volume"

key space  # playing again, then quit
key q 2>/dev/null
wait "$player"
status=$?
[ "$status" -eq 0 ] || e2e_fail "Q: exit status $status"
[ "$(count '^loading file ')" -eq 3 ] || e2e_fail "unexpected track loads"

# The device must never be left short. Single mode loops the tone without reopening
# the device, so once the tone has started, the monitor of the sink carries no run of
# 5 ms of silence until the capture stops.
mkdir "$WORK/tone"
sox -q -n -r 44100 -b 16 -c 2 "$WORK/tone/tone.wav" synth 2 sine 440 vol 0.5
pacat -r --raw -d "$PULSE_SINK_MONITOR" --format=s16le --rate=44100 --channels=2 \
    --latency-msec=20 >"$WORK/capture.raw" 2>/dev/null &
capture=$!
E2E_CLEANUP+=("kill $capture 2>/dev/null")
E2E_LOG="$WORK/tone.log"
timeout 120 "$BUILD/qulmo-x11" -playmode single "$WORK/tone/tone.wav" >"$E2E_LOG" 2>&1 &
player=$!
E2E_CLEANUP+=("kill $player 2>/dev/null")
# gaps CAPTURE: prints "frames-after-onset longest-silent-run" of the capture.
gaps() {
    python3 - "$1" <<'PY'
import array, sys
b = open(sys.argv[1], "rb").read()
s = array.array("h", b[: len(b) - len(b) % 4])
frames = len(s) // 2
onset = next((i for i in range(frames) if abs(s[2 * i]) > 1000), frames)
longest = run = 0
for i in range(onset, frames):
    run = run + 1 if abs(s[2 * i]) <= 64 and abs(s[2 * i + 1]) <= 64 else 0
    longest = max(longest, run)
print(frames - onset, longest)
PY
}
for i in $(seq 1 240); do  # until 8 s of the tone are captured (at most 2 minutes)
    read -r played longest <<<"$(gaps "$WORK/capture.raw")"
    [ "$played" -ge $((8 * 44100)) ] && break
    sleep 0.5
done
kill -INT "$capture"
wait "$capture" 2>/dev/null
kill "$player" 2>/dev/null
read -r played longest <<<"$(gaps "$WORK/capture.raw")"
[ "$played" -ge $((8 * 44100)) ] || e2e_fail "only $played frames of the tone captured"
[ "$longest" -lt 220 ] || e2e_fail "a gap of $longest silent frames in the tone"
echo "x11 controls passed"
