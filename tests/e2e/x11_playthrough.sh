#!/bin/bash
# qulmo-x11 under Xvfb with ALSA written to a file: a directory of four tracks plays
# through in normal mode and the program exits 0, loading the tracks in name order;
# a lone WAV at volume 20 reaches the device sample for sample; a lone Ogg Vorbis and a
# lone Opus file reach it within one 16-bit step of an independent decode (oggdec,
# opusdec), and their titles show in the window title.
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
loading file $album/03 Low Tide.mp3
loading file $album/04 Evening Air.ogg"
[ "$loads" = "$want" ] || e2e_fail "loading lines were: $loads"
grep -q '^window size 300x300$' "$E2E_LOG" || e2e_fail "no window size line"
[ "$(grep -c '^required 44100 Hz 2 ch, got 44100 Hz 2 ch, buf 2048 samples$' "$E2E_LOG")" -eq 4 ] ||
    e2e_fail "sink lines"
grep -q 'cannot find cur file' "$E2E_LOG" && e2e_fail "the named file was not found"

# Starting at the last track plays only that one.
timeout 60 "$BUILD/qulmo-x11" "$album/04 Evening Air.ogg" >"$E2E_LOG" 2>&1 || e2e_fail "last track status"
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

# Ogg Vorbis and Opus, each alone in its directory. The reference decode is float (opusdec)
# or 16-bit at 2^-15 per step (oggdec); the device gets trunc(f * 32767) of each sample.
sox -q -n -r 44100 -b 16 -c 2 "$WORK/one/src.wav" synth 1.3 sine 440 sine 660 remix 1 2 vol 0.7
mkdir "$WORK/vorbis" "$WORK/opus"
oggenc -Q -q 4 -t "Vorbis Tone" -a "Ogg Band" -o "$WORK/vorbis/tone.ogg" "$WORK/one/src.wav"
oggdec -Q -R -o "$WORK/vorbis.ref" "$WORK/vorbis/tone.ogg"
opusenc --quiet --title "Opus Tone" --artist "Ogg Band" "$WORK/one/src.wav" "$WORK/opus/tone.opus"
opusdec --quiet --rate 48000 --float "$WORK/opus/tone.opus" "$WORK/opus.wav"
sox -V1 "$WORK/opus.wav" -t f32 "$WORK/opus.ref"
for kind in vorbis opus; do
    file=$(ls "$WORK/$kind"/tone.*)
    rm -f "$WORK/out.raw"
    timeout 60 "$BUILD/qulmo-x11" -volume 20 "$file" >"$E2E_LOG" 2>&1 || e2e_fail "$kind status"
    rate=44100
    [ "$kind" = opus ] && rate=48000
    grep -q "^required $rate Hz 2 ch, got $rate Hz 2 ch" "$E2E_LOG" || e2e_fail "$kind sink line"
    python3 - "$kind" "$WORK/$kind.ref" "$WORK/out.raw" <<'PY' || e2e_fail "$kind device bytes"
import array, struct, sys
kind, ref_path, out_path = sys.argv[1:]
if kind == "vorbis":
    ref = [s / 32768.0 for s in array.array("h", open(ref_path, "rb").read())]
else:
    ref = array.array("f", open(ref_path, "rb").read())
out = array.array("h", open(out_path, "rb").read())
f32 = lambda x: struct.unpack("f", struct.pack("f", x))[0]
want = [int(f32(f32(max(-1.0, min(1.0, s))) * 32767.0)) for s in ref]
if len(out) != len(want):
    sys.exit(f"device got {len(out)} samples, the reference decode has {len(want)}")
worst = max(abs(a - b) for a, b in zip(out, want))
if worst > 1:
    sys.exit(f"a sample is {worst} steps from the reference")
PY
    # The window title, read while the track repeats in single mode.
    timeout 60 "$BUILD/qulmo-x11" -volume 20 -playmode single "$file" >"$E2E_LOG" 2>&1 &
    player=$!
    E2E_CLEANUP+=("kill $player 2>/dev/null")
    title="[Ogg Band - ${kind^} Tone] - qulmo"
    w=$(e2e_wait_window 'qulmo$' 20) || e2e_fail "no $kind window"
    got=""
    for i in $(seq 1 100); do
        got=$(xdotool getwindowname "$w" 2>/dev/null)
        [ "$got" = "$title" ] && break
        sleep 0.1
    done
    xdotool windowfocus --sync "$w" key q >/dev/null 2>&1
    wait "$player"
    status=$?
    [ "$got" = "$title" ] || e2e_fail "$kind window title was '$got'"
    [ "$status" -eq 0 ] || e2e_fail "$kind single-mode status $status"
done
echo "x11 play-through passed"
