#!/bin/bash
# Albums without gaps, into the file-backed ALSA device. Three tracks cut at sample
# boundaries from one continuous sweep play with -gapless 1 in one sink, frame for
# frame the concatenation of their decodes, no frame added or lost: exactly for FLAC,
# within one 16-bit step of mpg123 --gapless (MP3: encoder delay and padding trimmed)
# and of opusdec (Opus). With -gapless 0 every track opens a sink of its own, as
# before (reopening the file device empties it: only the last track stays); a
# 44.1 kHz track followed by a 48 kHz one reopens the sink even with -gapless 1.
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

# Each row: format, -gapless, sinks opened, what the device holds at the end.
rows="flac 1 1 all;mp3 1 1 all;opus 1 1 all;flac 0 3 last;mixed 1 2 last"
IFS=';' read -ra table <<<"$rows"
for row in "${table[@]}"; do
    read -r kind gapless sinks holds <<<"$row"
    dir="$WORK/$kind$gapless" src="$WORK/src-$kind$gapless"
    mkdir "$dir" "$src"
    sox "$WORK/sweep.wav" "$src/1.wav" trim 0 40000s
    if [ "$kind" = mixed ]; then
        cp "$WORK/tone48.wav" "$src/2.wav"
    else
        sox "$WORK/sweep.wav" "$src/2.wav" trim 40000s 50000s
        sox "$WORK/sweep.wav" "$src/3.wav" trim 90000s
    fi
    refs=()
    for wav in "$src"/*.wav; do
        n=$(basename "$wav" .wav)
        case $kind in
        flac | mixed) flac --silent -o "$dir/$n.flac" "$wav" && sox "$dir/$n.flac" -t s16 "$src/$n.s16" &&
            refs+=("$src/$n.s16") ;;
        mp3) lame --quiet -b 192 "$wav" "$dir/$n.mp3" &&
            mpg123 -q --gapless -e f32 -s "$dir/$n.mp3" >"$src/$n.f32" && refs+=("$src/$n.f32") ;;
        opus) opusenc --quiet "$wav" "$dir/$n.opus" &&
            opusdec --quiet --rate 48000 --float "$dir/$n.opus" "$src/$n.ref.wav" &&
            sox -V1 "$src/$n.ref.wav" -t f32 "$src/$n.f32" && refs+=("$src/$n.f32") ;;
        esac
    done
    [ "$holds" = last ] && refs=("${refs[-1]}")
    rm -f "$WORK/out.raw"
    timeout 60 "$BUILD/qulmo-x11" -gapless "$gapless" "$(ls "$dir"/1.*)" >"$E2E_LOG" 2>&1 ||
        e2e_fail "$row: exit status $?"
    [ "$(grep -c '^required ' "$E2E_LOG")" -eq "$sinks" ] || e2e_fail "$row: sinks opened"
    python3 - "$WORK/out.raw" "${refs[@]}" <<'PY' || e2e_fail "$row: device frames"
import array, struct, sys
out = array.array("h", open(sys.argv[1], "rb").read())
f32 = lambda x: struct.unpack("f", struct.pack("f", x))[0]
want, tolerance = [], 0
for path in sys.argv[2:]:
    if path.endswith(".s16"):
        want += [int(f32(f32(s / 32768.0) * 32767.0)) for s in array.array("h", open(path, "rb").read())]
    else:  # the player decodes on its own: within one step of the reference decoder
        tolerance = 1
        ref = array.array("f", open(path, "rb").read())
        want += [int(f32(f32(max(-1.0, min(1.0, s))) * 32767.0)) for s in ref]
if len(out) != len(want):
    sys.exit(f"device got {len(out) // 2} frames, the decodes have {len(want) // 2}")
worst = max((abs(a - b) for a, b in zip(out, want)), default=0)
if worst > tolerance:
    at = next(i for i, (a, b) in enumerate(zip(out, want)) if abs(a - b) > tolerance) // 2
    sys.exit(f"frame {at} is {worst} steps from the decodes")
PY
    echo "$row: $(($(stat -c %s "$WORK/out.raw") / 4)) frames as decoded"
done
echo "gapless passed"
