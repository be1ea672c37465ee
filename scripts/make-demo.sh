#!/bin/bash
# Generates a small tagged demo album: one WAV, one FLAC, one MP3 and one Ogg Vorbis
# track with a cover image beside them and a cover embedded in the FLAC and the MP3.
#
#   scripts/make-demo.sh [DIR [SECONDS]]    DIR defaults to build/demo, SECONDS to 6.
#
# Needs sox, flac/metaflac, lame, eyeD3, oggenc (vorbis-tools), ImageMagick and python3.
set -euo pipefail
dir=${1:-build/demo}
secs=${2:-6}
mkdir -p "$dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ImageMagick's convert; some machines put another "convert" first on PATH.
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

# Cover: a warm gradient with a dark disc, like a record sleeve.
"$convert" -size 300x300 gradient:'#e8a04c'-'#7a2a52' \
    -fill '#1d1d24' -draw 'circle 150,150 150,60' \
    -fill '#e8a04c' -draw 'circle 150,150 150,138' "$dir/cover.png"
"$convert" -size 300x300 gradient:'#4c9fe8'-'#2a7a52' "$work/flac.png"
"$convert" -size 300x300 gradient:'#c0e84c'-'#522a7a' "$work/mp3.png"

# Four short pieces: a chord, an arpeggio, a plucked line and a slow swell.
sox -q -n -r 44100 -b 16 -c 2 "$work/one.wav" \
    synth "$secs" sine 220 sine 277.18 sine 329.63 remix 1,2 2,3 fade 0.05 "$secs" 0.3 vol 0.4
sox -q -n -r 44100 -b 16 -c 2 "$work/two.wav" \
    synth "$secs" pluck 329.63 pluck 392 fade 0.02 "$secs" 0.5 vol 0.5
sox -q -n -r 44100 -b 16 -c 2 "$work/three.wav" \
    synth "$secs" triangle 110 sine 440 tremolo 4 60 fade 0.05 "$secs" 0.3 vol 0.35
sox -q -n -r 44100 -b 16 -c 2 "$work/four.wav" \
    synth "$secs" sine 196 sine 293.66 remix 1,2 1,2 fade q 1 "$secs" 1 vol 0.4

# WAV tags live in a LIST/INFO chunk appended after the audio.
add_wav_info() {
    python3 - "$@" <<'PY'
import struct, sys
path, fields = sys.argv[1], sys.argv[2:]
body = b"INFO"
for item in fields:
    key, value = item.split("=", 1)
    data = value.encode() + b"\0"
    if len(data) % 2:
        data += b"\0"
    body += key.encode() + struct.pack("<I", len(data)) + data
chunk = b"LIST" + struct.pack("<I", len(body)) + body
with open(path, "r+b") as f:
    f.seek(0, 2)
    f.write(chunk)
    size = f.tell() - 8
    f.seek(4)
    f.write(struct.pack("<I", size))
PY
}

cp "$work/one.wav" "$dir/01 Morning Chord.wav"
add_wav_info "$dir/01 Morning Chord.wav" "INAM=Morning Chord" "IART=The Demo Ensemble" \
    "IPRD=Small Hours" "ITRK=1"

flac --silent -f -o "$dir/02 Plucked Strings.flac" "$work/two.wav"
metaflac --set-tag="TITLE=Plucked Strings" --set-tag="ARTIST=The Demo Ensemble" \
    --set-tag="ALBUM=Small Hours" --set-tag="TRACKNUMBER=2" \
    --import-picture-from="3|image/png|Front Cover||$work/flac.png" "$dir/02 Plucked Strings.flac"

lame --quiet -b 192 "$work/three.wav" "$dir/03 Low Tide.mp3"
eyeD3 --quiet --to-v2.3 -t "Low Tide" -a "The Demo Ensemble" -A "Small Hours" -n 3 \
    --add-image "$work/mp3.png:FRONT_COVER:Front Cover" "$dir/03 Low Tide.mp3" >/dev/null

oggenc -Q -q 5 -t "Evening Air" -a "The Demo Ensemble" -l "Small Hours" -N 4 \
    -o "$dir/04 Evening Air.ogg" "$work/four.wav"

echo "demo album in $dir"
