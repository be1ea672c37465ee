#!/bin/bash
# qulmo-x11 under Xvfb with ALSA written to a file: a directory of three tracks plays
# through in normal mode and the program exits 0, loading the tracks in name order;
# a lone WAV at volume 20 reaches the device sample for sample.
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"
need_tools Xvfb xdpyinfo $DEMO_TOOLS

alsa_file_setup "$WORK" "$WORK/out.raw"
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)

album="$WORK/album"
e2e_album "$album" 1
E2E_LOG="$WORK/log"
timeout 60 "$BUILD/qulmo-x11" "$album/01 Morning Chord.wav" >"$E2E_LOG" 2>&1
status=$?
[ "$status" -eq 0 ] || e2e_fail "play-through exit status $status"

loads=$(grep '^loading file ' "$E2E_LOG")
want="loading file $album/01 Morning Chord.wav
loading file $album/02 Plucked Strings.flac
loading file $album/03 Low Tide.mp3"
[ "$loads" = "$want" ] || e2e_fail "loading lines were: $loads"
grep -q '^window size 300x300$' "$E2E_LOG" || e2e_fail "no window size line"
[ "$(grep -c '^required 44100 Hz 2 ch, got 44100 Hz 2 ch, buf 2048 samples$' "$E2E_LOG")" -eq 3 ] ||
    e2e_fail "sink lines"
grep -q 'cannot find cur file' "$E2E_LOG" && e2e_fail "the named file was not found"

# Starting at the last track plays only that one.
timeout 60 "$BUILD/qulmo-x11" "$album/03 Low Tide.mp3" >"$E2E_LOG" 2>&1 || e2e_fail "last track status"
[ "$(grep -c '^loading file ' "$E2E_LOG")" -eq 1 ] || e2e_fail "more than the last track played"

# Byte comparison: 16-bit stereo WAV, volume 20 (gain 1). Each sample travels as
# s / 32768 and is written back as trunc(f * 32767) in single precision.
mkdir "$WORK/one"
sox -q -n -r 44100 -b 16 -c 2 "$WORK/one/tone.wav" synth 1.3 sine 440 sine 660 remix 1 2 vol 0.7
rm -f "$WORK/out.raw"
timeout 60 "$BUILD/qulmo-x11" -volume 20 "$WORK/one/tone.wav" >"$E2E_LOG" 2>&1 || e2e_fail "tone status"
sox "$WORK/one/tone.wav" -t raw "$WORK/ref.raw"
python3 - "$WORK/ref.raw" "$WORK/out.raw" <<'PY' || e2e_fail "device bytes differ from the decoded samples"
import array, struct, sys
ref = array.array("h", open(sys.argv[1], "rb").read())
out = array.array("h", open(sys.argv[2], "rb").read())
f32 = lambda x: struct.unpack("f", struct.pack("f", x))[0]
want = array.array("h", (int(f32(f32(s / 32768.0) * 32767.0)) for s in ref))
if len(out) != len(want):
    sys.exit(f"device got {len(out)} samples, track has {len(want)}")
bad = sum(1 for a, b in zip(out, want) if a != b)
if bad:
    sys.exit(f"{bad} samples differ")
PY
echo "x11 play-through passed"
