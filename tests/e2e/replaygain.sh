#!/bin/bash
# ReplayGain on the device bytes (file-backed ALSA device): each row's tagged file plays
# untouched, then with the row's options; the second run's samples are the first's times
# the row's gain (the very same bytes at 0 dB) and its lines are the same. Tags from
# Vorbis comments (FLAC, Ogg Vorbis, Opus with R128) and TXXX frames (MP3: ID3v2.3
# Latin-1, ID3v2.4 UTF-16).
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
T=REPLAYGAIN_TRACK_GAIN A=REPLAYGAIN_ALBUM_GAIN
rows=(  # format|tags, '/' between|options|gain in dB
    "flac|$T=-6.00 dB/$A=-3 dB|-replaygain track|-6" "flac|$T=-6.00 dB/$A=-3 dB|-replaygain album|-3"
    "flac|$A=-3 dB|-replaygain track|-3" "flac|replaygain_track_gain=+4 dB|-replaygain album|4"
    "flac|$T=+10 dB/REPLAYGAIN_TRACK_PEAK=0.5|-replaygain track|6.0206"
    "flac|$T=-6 dB|-replaygain track -preamp 2|-4" "flac|$T=-20 dB|-replaygain track -preamp 40|-5"
    "flac|$T=-6 dB|-preamp 9|0" "flac|$T=-6 dB|-replaygain Album|0" "flac||-replaygain album -preamp 6|0"
    "flac|$T=400 dB/$A=nan/REPLAYGAIN_TRACK_PEAK=abc|-replaygain track|0"
    "flac|$T=1e309/$A=-3,0 dB|-replaygain track|-3" "ogg|$T=-6 dB|-replaygain track|-6"
    "opus|R128_TRACK_GAIN=-2816/$T=-1 dB|-replaygain track|-6" "opus|R128_ALBUM_GAIN=256|-replaygain album|6"
    "mp3|$T=-6 dB|-replaygain track|-6" "mp3-24|replaygain_album_gain=-3 dB/REPLAYGAIN_ALBUM_PEAK=1.5|-replaygain album|-3.5218"
)
for i in "${!rows[@]}"; do
    IFS='|' read -r kind tags options db <<<"${rows[$i]}"
    IFS='/' read -ra tag_list <<<"$tags"
    frames=("${tag_list[@]/=/:}")  # eyeD3 writes "description:text"
    d="$WORK/$i" && mkdir "$d" && file="$d/t.${kind%-24}" && E2E_LOG="$d/gain.log"
    case $kind in
    flac) flac --silent -o "$file" "$WORK/tone.wav" && for t in "${tag_list[@]}"; do metaflac "--set-tag=$t" "$file"; done ;;
    ogg) oggenc -Q "${tag_list[@]/#/--comment=}" -o "$file" "$WORK/tone.wav" ;;
    opus) opusenc --quiet "${tag_list[@]/#/--comment=}" "$WORK/tone.wav" "$file" ;;
    mp3) lame --quiet "$WORK/tone.wav" "$file" && eyeD3 -Q --to-v2.3 "${frames[@]/#/--user-text-frame=}" "$file" ;;
    mp3-24) lame --quiet "$WORK/tone.wav" "$file" && eyeD3 -Q --to-v2.4 --encoding utf16 "${frames[@]/#/--user-text-frame=}" "$file" ;;
    esac >/dev/null || e2e_fail "$kind: making the file"
    timeout 60 "$BUILD/qulmo-x11" "$file" >"$d/plain.log" 2>&1 && mv "$WORK/out.raw" "$d/plain.raw" &&
        timeout 60 "$BUILD/qulmo-x11" $options "$file" >"$E2E_LOG" 2>&1 || e2e_fail "${rows[$i]}: status"
    sed -i 's/^\[[0-9]*\] //' "$d/plain.log" "$E2E_LOG"
    cmp -s "$d/plain.log" "$E2E_LOG" || e2e_fail "${rows[$i]}: the lines differ"
    python3 - "$d/plain.raw" "$WORK/out.raw" "$db" <<'PY' || e2e_fail "${rows[$i]}: samples"
import array, sys
plain, out = (array.array("h", open(p, "rb").read()) for p in sys.argv[1:3])
want = 10 ** (float(sys.argv[3]) / 20)
if len(plain) != len(out) or (want == 1 and plain != out):
    sys.exit(f"{len(out)} samples against {len(plain)}, changed at 0 dB")
pairs = [(p, o) for p, o in zip(plain, out) if abs(p) > 1000]
ratio = sum(p * o for p, o in pairs) / sum(p * p for p, o in pairs)
if abs(ratio / want - 1) > 0.002:
    sys.exit(f"samples scaled by {ratio:.5f}, want {want:.5f}")
PY
done
echo "replaygain passed: ${#rows[@]} rows"
