#!/bin/bash
# The player through PipeWire's ALSA plugin, as on Debian 12's desktops: a headless
# PipeWire whose null sink runs a 48 kHz graph, its output captured with pw-record.
# Two FLAC tracks cut mid-wave from one 500 Hz tone play with -gapless 1, at 44.1 kHz
# (resampled by PipeWire) and at 48 kHz: every 20 ms of the capture, the first of the
# first track included, is the tone at its level within 0.1 dB and nothing else, and the
# sound lasts as long as the tracks (no silence at the change). PipeWire killed and
# started again mid-track: one "audio device lost" and one "audio device back" line, and
# the tone again within 2 s. Skipped (77) where PipeWire or its ALSA plugin cannot be had.
BUILD=$1 SRC=$2
source "$SRC/tests/lib/skip.sh"
# Unoptimised and instrumented, that build loads the next track (50-200 ms) slower than
# the ~0.1 s of sound the device holds, a gap that a release build (2-5 ms) never has.
grep -q '^QULMO_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null &&
    skip "sanitizer build: too slow for a real-time sound server at a track change"
if [ -z "${QULMO_PRIVATE_BUS:-}" ]; then  # WirePlumber needs a session bus: a private one
    command -v dbus-run-session >/dev/null || skip "dbus-run-session not installed"
    QULMO_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"
need_tools Xvfb xdpyinfo sox flac pipewire wireplumber pw-cli pw-record wpctl python3
plugin=$(alsa_pipewire_plugin "$BUILD/pipewire-alsa") || skip "PipeWire's ALSA plugin cannot be had"
E2E_CLEANUP+=(alsa_pipewire_stop)
alsa_pipewire_start "$WORK/pw" "$plugin" || skip "PipeWire did not start"
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)
E2E_LOG="$WORK/log"
# tone.py CAPTURE FRAMES: the checks above on the left channel. FRAMES "-": the capture
# starts mid-play; the tone is back within 2 s and clean from 20 ms on (a sound that
# resumes mid-wave rings for a few samples in PipeWire's resampler).
cat >"$WORK/tone.py" <<'PY'
import array, math, sys, wave
w = wave.open(sys.argv[1])
rate, left = w.getframerate(), array.array("h", w.readframes(w.getnframes()))[0::2]
loud = [i for i, v in enumerate(left) if abs(v) > 2000] or sys.exit("nothing sounded")
first, last, n = loud[0], loud[-1], rate // 50  # 20 ms: ten periods of 500 Hz
if sys.argv[2] == "-" and first > 2 * rate:
    sys.exit(f"the tone came back after {first / rate:.2f} s")
if sys.argv[2] != "-" and abs(last - first + 1 - int(sys.argv[2])) > 48:
    quiet = [i - first for i in range(first, last) if abs(left[i]) < 50 and abs(left[i + 1]) < 50]
    sys.exit(f"sound for {last - first + 1} frames, the tracks hold {sys.argv[2]}; silent at {quiet[:1]}")
cos, sin = ([f(2 * math.pi * 500 * i / rate) for i in range(n)] for f in (math.cos, math.sin))
for k in range(first + (n if sys.argv[2] == "-" else 0), last - n, n):
    x = [v / 32768 for v in left[k:k + n]]
    a, b = (2 / n * sum(map(lambda v, c: v * c, x, t)) for t in (cos, sin))
    level = 20 * math.log10(max(math.hypot(a, b), 1e-9) / 0.5)
    rest = math.sqrt(sum((v - a * c - b * s) ** 2 for v, c, s in zip(x, cos, sin)) / n)
    if abs(level) > 0.1 or rest > 0.001:
        sys.exit(f"at {(k - first) / rate:.3f} s: level {level:+.2f} dB, residual {rest:.4f}")
print(f"{last - first + 1} frames of clean tone")
PY
record() { pw-record --target nullsink --rate 48000 --channels 2 --format s16 "$1" & rec=$!; }

for rate in 44100 48000; do
    dir="$WORK/$rate" cut=$((rate * 3 / 2 + 50))  # not a whole number of periods
    mkdir -p "$dir/src"
    sox -n -r $rate -b 16 -c 2 "$dir/src/tone.wav" synth 3 sine 500 vol 0.5
    sox "$dir/src/tone.wav" "$dir/src/1.wav" trim 0 ${cut}s && sox "$dir/src/tone.wav" "$dir/src/2.wav" trim ${cut}s
    flac --silent -o "$dir/1.flac" "$dir/src/1.wav" && flac --silent -o "$dir/2.flac" "$dir/src/2.wav"
    record "$dir/src/cap.wav" && sleep 0.5
    timeout 60 "$BUILD/qulmo-x11" -gapless 1 "$dir/1.flac" >"$E2E_LOG" 2>&1 || e2e_fail "$rate: status $?"
    sleep 0.3 && kill $rec && wait $rec
    result=$(python3 "$WORK/tone.py" "$dir/src/cap.wav" 144000 2>&1) || e2e_fail "$rate Hz: $result"
    echo "$rate Hz tracks: $result"
done

# The sound server goes away and comes back mid-track.
mkdir "$WORK/long" && sox -n -r 44100 -b 16 -c 2 "$WORK/long/tone.wav" synth 20 sine 500 vol 0.5
"$BUILD/qulmo-x11" "$WORK/long/tone.wav" >"$E2E_LOG" 2>&1 &
player=$!
E2E_CLEANUP+=("kill $player 2>/dev/null")
sleep 1.5 && alsa_pipewire_stop
e2e_wait_for "$E2E_LOG" 'WARNING: audio device lost' 5 || e2e_fail "no line when the device was lost"
sleep 2 && alsa_pipewire_start "$WORK/pw" "$plugin" || e2e_fail "PipeWire did not start again"
record "$WORK/back.wav" && sleep 3 && kill $rec && wait $rec
e2e_wait_for "$E2E_LOG" 'WARNING: audio device back' 5 || e2e_fail "no line when the device was back"
result=$(python3 "$WORK/tone.py" "$WORK/back.wav" - 2>&1) || e2e_fail "after the restart: $result"
[ "$(grep -c 'WARNING: audio device \(lost\|back\)' "$E2E_LOG")" -eq 2 ] || e2e_fail "lost and back lines"
echo "PipeWire restarted: $result"
