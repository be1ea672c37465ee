#!/bin/bash
# ReplayGain on the device bytes: each tagged file plays once untouched and once with
# the row's options, into the file-backed ALSA device; the samples of the second run
# must be the first run's times the row's gain (exactly the same bytes for 0 dB), and
# the two runs print the same lines. Tag sources: Vorbis comments in FLAC, Ogg Vorbis
# and Opus (R128 too), ID3v2.3 and v2.4 (UTF-16) TXXX frames in MP3.
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"
need_tools Xvfb xdpyinfo sox flac metaflac lame eyeD3 oggenc opusenc python3

alsa_file_setup "$WORK" "$WORK/out.raw"
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)
sox -n -r 44100 -b 16 -c 2 "$WORK/tone.wav" synth 1 sine 440 vol 0.25

# Each row: format|tags (NAME=value, '/' between)|options|gain in dB.
rows=(
    "flac|REPLAYGAIN_TRACK_GAIN=-6.00 dB/REPLAYGAIN_ALBUM_GAIN=-3 dB|-replaygain track|-6"
    "flac|REPLAYGAIN_TRACK_GAIN=-6.00 dB/REPLAYGAIN_ALBUM_GAIN=-3 dB|-replaygain album|-3"
    "flac|REPLAYGAIN_ALBUM_GAIN=-3 dB|-replaygain track|-3"
    "flac|replaygain_track_gain=+4 dB|-replaygain album|4"
    "flac|REPLAYGAIN_TRACK_GAIN=+10 dB/REPLAYGAIN_TRACK_PEAK=0.5|-replaygain track|6.0206"
    "flac|REPLAYGAIN_TRACK_GAIN=-6 dB|-replaygain track -preamp 2|-4"
    "flac|REPLAYGAIN_TRACK_GAIN=-6 dB|-replaygain off -preamp 9|0"
    "flac|REPLAYGAIN_TRACK_GAIN=400 dB/REPLAYGAIN_ALBUM_GAIN=nan/REPLAYGAIN_TRACK_PEAK=abc|-replaygain track|0"
    "flac|REPLAYGAIN_TRACK_GAIN=1e309/REPLAYGAIN_ALBUM_GAIN=-3,0 dB|-replaygain track|-3"
    "flac||-replaygain album -preamp 6|0"
    "ogg|REPLAYGAIN_TRACK_GAIN=-6 dB|-replaygain track|-6"
    "opus|R128_TRACK_GAIN=-2816/REPLAYGAIN_TRACK_GAIN=-1 dB|-replaygain track|-6"
    "opus|R128_ALBUM_GAIN=256|-replaygain album|6"
    "mp3|REPLAYGAIN_TRACK_GAIN=-6 dB|-replaygain track|-6"
    "mp3-24|replaygain_album_gain=-3 dB/REPLAYGAIN_ALBUM_PEAK=1.5|-replaygain album|-3.5218"
)
i=0
for row in "${rows[@]}"; do
    IFS='|' read -r kind tags options db <<<"$row"
    IFS='/' read -ra tag_list <<<"$tags"
    i=$((i + 1))
    mkdir "$WORK/$i"
    file="$WORK/$i/t.${kind%-24}"
    args=()
    case $kind in
    flac) for t in "${tag_list[@]}"; do args+=("--set-tag=$t"); done
        flac --silent -o "$file" "$WORK/tone.wav" && { [ ${#args[@]} -eq 0 ] || metaflac "${args[@]}" "$file"; } ;;
    ogg) for t in "${tag_list[@]}"; do args+=(-c "$t"); done
        oggenc -Q "${args[@]}" -o "$file" "$WORK/tone.wav" ;;
    opus) for t in "${tag_list[@]}"; do args+=(--comment "$t"); done
        opusenc --quiet "${args[@]}" "$WORK/tone.wav" "$file" ;;
    mp3*) for t in "${tag_list[@]}"; do args+=(--user-text-frame "${t/=/:}"); done
        version=--to-v2.3
        [ "$kind" = mp3-24 ] && version="--to-v2.4 --encoding utf16"
        lame --quiet -b 192 "$WORK/tone.wav" "$file" && eyeD3 --quiet $version "${args[@]}" "$file" >/dev/null ;;
    esac || e2e_fail "$row: making the file"
    E2E_LOG="$WORK/$i/plain.log"
    timeout 60 "$BUILD/qulmo-x11" "$file" >"$E2E_LOG" 2>&1 || e2e_fail "$row: untouched run"
    mv "$WORK/out.raw" "$WORK/$i/plain.raw"
    E2E_LOG="$WORK/$i/gain.log"
    timeout 60 "$BUILD/qulmo-x11" $options "$file" >"$E2E_LOG" 2>&1 || e2e_fail "$row: status"
    sed -i -e 's/^\[[0-9]*\] //' "$WORK/$i/plain.log" "$WORK/$i/gain.log"
    cmp -s "$WORK/$i/plain.log" "$WORK/$i/gain.log" || e2e_fail "$row: the lines differ"
    python3 - "$WORK/$i/plain.raw" "$WORK/out.raw" "$db" <<'PY' || e2e_fail "$row: samples"
import array, sys
plain, out = (array.array("h", open(p, "rb").read()) for p in sys.argv[1:3])
want = 10 ** (float(sys.argv[3]) / 20)
if len(plain) != len(out):
    sys.exit(f"{len(out)} samples against {len(plain)}")
if float(sys.argv[3]) == 0 and plain != out:
    sys.exit("0 dB changed the samples")
pairs = [(p, o) for p, o in zip(plain, out) if abs(p) > 1000]
ratio = sum(p * o for p, o in pairs) / sum(p * p for p, o in pairs)
if abs(ratio / want - 1) > 0.002:
    sys.exit(f"samples scaled by {ratio:.5f}, want {want:.5f}")
PY
    echo "$kind $options: ${db} dB"
done
echo "replaygain passed"
