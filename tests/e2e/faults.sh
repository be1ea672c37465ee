#!/bin/bash
# The world around a playing qulmo fails, through a real PulseAudio null sink:
# - the sound server is killed and started again: one warning when the device is
#   lost, one when it is back, the process idles meanwhile, and the new server's
#   monitor carries the tone again within 2 s;
# - the X server and the compositor are killed: the process ends by itself, status 0;
# - a playing MP3, FLAC or WAV is truncated, overwritten or deleted: the track ends
#   where its data ends and the playlist goes on to the end (exit 0).
# Skipped (77) without PulseAudio.
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/weston.sh"
source "$SRC/tests/lib/alsa.sh"

command -v pulseaudio >/dev/null && command -v parecord >/dev/null || { echo "no PulseAudio"; exit 77; }
sound="$WORK/sound"
alsa_pulse_start "$sound" || { echo "PulseAudio did not start"; exit 77; }
pulse_run=$XDG_RUNTIME_DIR
E2E_CLEANUP+=("XDG_RUNTIME_DIR=$pulse_run alsa_pulse_stop")
# The sound server is found through this even where XDG_RUNTIME_DIR is weston's,
# and a client never spawns one of its own while the test restarts it.
export PULSE_SERVER="unix:$pulse_run/pulse/native"
mkdir -p "$HOME/.config/pulse"
echo "autospawn = no" >"$HOME/.config/pulse/client.conf"
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)
E2E_LOG="$WORK/log"

mkdir "$WORK/tone"
sox -q -n -r 44100 -b 16 -c 2 "$WORK/tone/tone.wav" synth 30 sine 440 vol 0.5

# Starts the player in the background on file $2 with log $E2E_LOG; PID in $qpid.
start_player() {
    "$1" "$2" >"$E2E_LOG" 2>&1 &
    qpid=$!
    E2E_CLEANUP+=("kill $qpid 2>/dev/null")
    e2e_wait_for "$E2E_LOG" '^required ' 20 || e2e_fail "$1 did not open the sink"
}
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
# Waits up to $2 seconds for process $1 to end; its status in $status, the time
# it took in $took_ms.
wait_end() {
    local i began
    began=$(date +%s%N)
    for i in $(seq 1 $(($2 * 50))); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.02
    done
    took_ms=$((($(date +%s%N) - began) / 1000000))
    kill -0 "$1" 2>/dev/null && return 1
    wait "$1"
    status=$?
}

# --- The sound server goes away and comes back.
start_player "$BUILD/qulmo-x11" "$WORK/tone/tone.wav"
sleep 1
kill -9 "$(cat "$pulse_run/pulse/pid")"
e2e_wait_for "$E2E_LOG" 'WARNING: audio device lost' 5 || e2e_fail "no line when the device was lost"
before=$(cpu_ticks $qpid)
sleep 5
lost_ticks=$(($(cpu_ticks $qpid) - before))
# An idle loop costs about 0.03 s in 5 s; a spinning one 5 s.
[ "$lost_ticks" -le $(($(getconf CLK_TCK) / 2)) ] ||
    e2e_fail "$lost_ticks clock ticks of CPU in 5 s while the device was lost"
# The window still answers: a key lowers the volume.
win=$(e2e_wait_window 'qulmo' 10) || e2e_fail "no window"
xdotool windowfocus --sync "$win" key 9
e2e_wait_for "$E2E_LOG" '^volume set to' 5 || e2e_fail "no answer to a key while the device was lost"
XDG_RUNTIME_DIR=$pulse_run alsa_pulse_start "$sound" || e2e_fail "PulseAudio did not start again"
parecord --latency-msec=20 -d nullsink.monitor --file-format=wav --format=s16le --rate=44100 \
    --channels=2 "$WORK/cap.wav" &
rec=$!
sleep 3
kill $rec
wait $rec
kill -0 $qpid || e2e_fail "the player ended while the device was lost"
e2e_wait_for "$E2E_LOG" 'WARNING: audio device back' 5 || e2e_fail "no line when the device was back"
python3 - "$WORK/cap.wav" <<'PY' || e2e_fail "the tone did not come back within 2 s"
import array, sys, wave
w = wave.open(sys.argv[1])
left = array.array("h", w.readframes(w.getnframes()))[0::2]
first = next((i for i, v in enumerate(left) if abs(v) > 4000), None)
if first is None or first > 2 * 44100:
    sys.exit(f"first loud sample at {first}")
part = left[first:first + 22050]
crossings = sum(1 for a, b in zip(part, part[1:]) if a < 0 <= b)
if not 200 <= crossings <= 240:
    sys.exit(f"{crossings} rising zero crossings in 0.5 s, a 440 Hz tone has 220")
print(f"tone back {first * 1000 // 44100} ms into the capture")
PY
[ "$(grep -c 'WARNING: audio device lost' "$E2E_LOG")" -eq 1 ] || e2e_fail "lost line count"
[ "$(grep -c 'WARNING: audio device back' "$E2E_LOG")" -eq 1 ] || e2e_fail "back line count"
# Nothing per failed reopen in between (alsa-lib's own lines included).
[ "$(sed -n '/audio device lost/,/audio device back/p' "$E2E_LOG" | grep -vc '^volume set to')" -eq 2 ] ||
    e2e_fail "lines between the lost and back warnings"
kill $qpid
wait $qpid
echo "sound server restart: back within 2 s, $lost_ticks ticks of CPU in 5 s while lost"

# --- A file device on a full disk fails its writes: one outage however often the
# reopened device fails again, nothing printed meanwhile (alsa-lib's first complaint
# aside), and once the disk has room the track plays on to its end.
ln -s /dev/full "$WORK/dev.raw"
printf 'pcm.!default { type file; slave.pcm { type null }; file "%s"; format "raw" }\n' \
    "$WORK/dev.raw" >"$WORK/full.conf"
ALSA_CONFIG_PATH="$WORK/full.conf" "$BUILD/qulmo-x11" "$WORK/tone/tone.wav" >"$E2E_LOG" 2>&1 &
qpid=$!
E2E_CLEANUP+=("kill $qpid 2>/dev/null")
e2e_wait_for "$E2E_LOG" 'WARNING: audio device lost' 10 || e2e_fail "full disk: no lost line"
sleep 3
kill -0 $qpid || e2e_fail "full disk: the player ended"
ln -sfn "$WORK/full.raw" "$WORK/dev.raw"
wait_end $qpid 60 || e2e_fail "full disk: still playing a minute after the disk had room"
[ "$status" -eq 0 ] || e2e_fail "full disk: exit status $status"
[ "$(grep -c 'WARNING: audio device lost' "$E2E_LOG")" -eq 1 ] || e2e_fail "full disk: lost lines"
[ "$(grep -c 'WARNING: audio device back' "$E2E_LOG")" -eq 1 ] || e2e_fail "full disk: back lines"
[ "$(grep -c '^ALSA lib' "$E2E_LOG")" -le 1 ] || e2e_fail "full disk: alsa-lib lines per retry"
[ -s "$WORK/full.raw" ] || e2e_fail "full disk: nothing written once there was room"
echo "full disk: one outage, back once there was room, exit 0"

# --- The display goes away under a playing player.
start_player "$BUILD/qulmo-x11" "$WORK/tone/tone.wav"
kill -9 "$XVFB_PID"
wait_end $qpid 5 || e2e_fail "qulmo-x11 still runs 5 s after its X server was killed"
[ "$status" -eq 0 ] || e2e_fail "qulmo-x11 ended with status $status without its X server"
echo "qulmo-x11 ended $took_ms ms after its X server was killed"
(
    weston_start || exit 1
    trap weston_stop EXIT
    start_player "$BUILD/qulmo-wayland" "$WORK/tone/tone.wav"
    kill -9 "$WESTON_PID"
    wait_end $qpid 5 || e2e_fail "qulmo-wayland still runs 5 s after weston was killed"
    [ "$status" -eq 0 ] || e2e_fail "qulmo-wayland ended with status $status without weston"
    echo "qulmo-wayland ended $took_ms ms after weston was killed"
) || exit 1
xvfb_stop
xvfb_start || exit 1
echo "display gone: both programs ended with status 0"

# --- A playing track loses its data. Each case: format, what happens to the file.
# A cut MP3 or FLAC is 10 s long and cut to a tenth of its bytes after half a
# second, so ending early shows; the others are 3 s long and play to their end: the
# WAV is read whole when it is loaded, and a deleted or overwritten file stays
# readable through the open descriptor, or ends at the first bytes that decode.
cases="mp3 truncate;flac truncate;wav truncate;flac overwrite;mp3 delete"
IFS=';' read -ra rows <<<"$cases"
for row in "${rows[@]}"; do
    read -r kind action <<<"$row"
    dir="$WORK/cut-$kind-$action"
    mkdir "$dir"
    secs=3
    [ "$action" = truncate ] && [ "$kind" != wav ] && secs=10
    sox -q -n -r 44100 -b 16 -c 2 "$dir/src.wav" synth $secs sine 330 vol 0.5
    case $kind in
    mp3) lame --quiet -b 128 "$dir/src.wav" "$dir/a.mp3" ;;
    flac) flac --silent -f -o "$dir/a.flac" "$dir/src.wav" ;;
    wav) cp "$dir/src.wav" "$dir/a.wav" ;;
    esac
    sox -q -n -r 44100 -b 16 -c 2 "$dir/b.wav" synth 0.5 sine 550 vol 0.5
    rm "$dir/src.wav"
    file="$dir/a.$kind"
    start_player "$BUILD/qulmo-x11" "$file"
    sleep 0.5
    cut_at=$(date +%s%N)
    case $action in
    truncate) truncate -s $(($(stat -c %s "$file") / 10)) "$file" ;;
    # In place, as cp does it: the same inode, new bytes from another stream.
    overwrite) sox -q -n -r 48000 -b 16 -c 1 "$dir/other.wav" synth 4 sine 700 vol 0.4 &&
        flac --silent -f -o "$dir/other.flac" "$dir/other.wav" && cat "$dir/other.flac" >"$file" ;;
    delete) rm "$file" ;;
    esac
    e2e_wait_for "$E2E_LOG" "^loading file $dir/b.wav" 20 || e2e_fail "$row: the playlist did not go on"
    after_ms=$((($(date +%s%N) - cut_at) / 1000000))
    wait_end $qpid 10 || e2e_fail "$row: still running after the last track"
    [ "$status" -eq 0 ] || e2e_fail "$row: exit status $status"
    # A cut MP3 or FLAC goes on at about 0.5 s of 10; all of it would take 9.5 s more.
    if [ "$action" = truncate ] && [ "$kind" != wav ] && [ "$after_ms" -gt 6000 ]; then
        e2e_fail "$row: the next track came $after_ms ms after the cut"
    fi
    echo "$row: next track $after_ms ms after the change, exit 0"
done
echo "faults passed"
