#!/bin/bash
# Writes the benchmark's media into DIR: one 44.1 kHz stereo piece of SECONDS, as
# DIR/mp3/track.mp3 and DIR/flac/track.flac (each in its own directory, because the
# player plays the whole directory of the file it is given), both tagged, with a
# cover.jpg beside each. Usage: media.sh DIR SECONDS
set -euo pipefail
dir=$1
secs=$2
mkdir -p "$dir/mp3" "$dir/flac"
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
# Music-like content: a chord, a plucked line and some noise, so that neither
# decoder gets an unrealistically easy signal.
sox -q -n -r 44100 -b 16 -c 2 "$dir/src.wav" \
    synth "$secs" sine 220 pluck 329.63 pinknoise remix 1,3 2,3 tremolo 3 40 vol 0.4
"$convert" -size 300x300 gradient:'#e8a04c'-'#7a2a52' \
    -fill '#1d1d24' -draw 'circle 150,150 150,60' "$dir/cover.jpg"
title="A title long enough to scroll across the whole panel of the window"
lame --quiet -b 192 --tt "$title" --ta "Benchmark Ensemble" --tl "Measurements" \
    "$dir/src.wav" "$dir/mp3/track.mp3"
flac --silent -f -o "$dir/flac/track.flac" "$dir/src.wav"
metaflac --set-tag="TITLE=$title" --set-tag="ARTIST=Benchmark Ensemble" \
    --set-tag="ALBUM=Measurements" "$dir/flac/track.flac"
cp "$dir/cover.jpg" "$dir/mp3/cover.jpg"
cp "$dir/cover.jpg" "$dir/flac/cover.jpg"
rm -f "$dir/src.wav"
