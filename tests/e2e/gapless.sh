#!/bin/bash
# Albums without gaps, into the file-backed ALSA device. Three tracks cut at sample
# boundaries from one sweep play with -gapless 1 in one sink as the concatenation of their
# decodes, no frame added or lost: exactly for FLAC, within one 16-bit step of mpg123
# --gapless (MP3: encoder delay and padding trimmed) and opusdec (Opus). With -gapless 0
# each track opens its own sink, as before (a reopen empties the file device: only the
# last track stays); 44.1 kHz then 48 kHz reopens the sink even with -gapless 1.
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"
need_tools Xvfb xdpyinfo sox flac lame mpg123 opusenc opusdec python3
alsa_file_setup "$WORK" "$WORK/out.raw"
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)
E2E_LOG="$WORK/log"
sox -n -r 44100 -b 16 -c 2 "$WORK/sweep.wav" synth 3 sine 100-8000 vol 0.5
sox -n -r 48000 -b 16 -c 2 "$WORK/tone48.wav" synth 0.5 sine 300 vol 0.5
# format, -gapless, sinks opened, decodes the device holds at the end (all | last)
for row in "flac 1 1 all" "mp3 1 1 all" "opus 1 1 all" "flac 0 3 last" "mixed 1 2 last"; do
    read -r kind gapless sinks holds <<<"$row"
    dir="$WORK/$kind$gapless" src="$WORK/src-$kind$gapless" refs=()
    mkdir "$dir" "$src"
    sox "$WORK/sweep.wav" "$src/1.wav" trim 0 40000s
    sox "$WORK/sweep.wav" "$src/2.wav" trim 40000s 50000s
    sox "$WORK/sweep.wav" "$src/3.wav" trim 90000s
    [ "$kind" = mixed ] && rm "$src/3.wav" && cp "$WORK/tone48.wav" "$src/2.wav"
    for wav in "$src"/*.wav; do
        n=${wav%.wav} f="$dir/$(basename "$n")"
        case $kind in
        flac | mixed) flac --silent -o "$f.flac" "$wav" && sox "$f.flac" -t s16 "$n.s16" && refs+=("$n.s16") ;;
        mp3) lame --quiet "$wav" "$f.mp3" && mpg123 -q --gapless -e f32 -s "$f.mp3" >"$n.f32" ;;
        opus) opusenc --quiet "$wav" "$f.opus" && opusdec --quiet --rate 48000 --float "$f.opus" "$n.wav" && sox -V1 "$n.wav" -t f32 "$n.f32" ;;
        esac || e2e_fail "$row: making the files"
        [ -f "$n.f32" ] && refs+=("$n.f32")
    done
    [ "$holds" = last ] && refs=("${refs[-1]}")
    rm -f "$WORK/out.raw"
    timeout 60 "$BUILD/qulmo-x11" -gapless "$gapless" "$(ls "$dir"/1.*)" >"$E2E_LOG" 2>&1 || e2e_fail "$row: status $?"
    [ "$(grep -c '^required ' "$E2E_LOG")" -eq "$sinks" ] || e2e_fail "$row: sinks opened"
    python3 - "$WORK/out.raw" "${refs[@]}" <<'PY' || e2e_fail "$row: device frames"
import array, struct, sys
out = array.array("h", open(sys.argv[1], "rb").read())
f32 = lambda x: struct.unpack("f", struct.pack("f", x))[0]
want, steps = [], 0  # 16-bit decodes exactly; others within a step (the player decodes on its own)
for path in sys.argv[2:]:
    s16 = path.endswith(".s16")
    ref = array.array("h" if s16 else "f", open(path, "rb").read())
    want += [int(f32(f32(max(-1.0, min(1.0, s / 32768.0 if s16 else s))) * 32767.0)) for s in ref]
    steps = steps if s16 else 1
if len(out) != len(want):
    sys.exit(f"device got {len(out) // 2} frames, the decodes have {len(want) // 2}")
bad = [i // 2 for i, (a, b) in enumerate(zip(out, want)) if abs(a - b) > steps]
if bad:
    sys.exit(f"{len(bad)} frames differ from the decodes, the first at {bad[0]}")
PY
done
echo "gapless passed"
