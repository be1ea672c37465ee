#!/bin/bash
# Builds the audio files the media tests decode, into the directory given as $1.
# Everything comes from Debian tools, so nothing binary lives in the repository.
# Exits 77 when one of them is missing.
set -euo pipefail
for tool in sox flac metaflac lame eyeD3 /usr/bin/convert; do
    command -v "$tool" >/dev/null || { echo "$tool not installed" >&2; exit 77; }
done
out=$1
mkdir -p "$out"
cd "$out"

# One second of a 441 Hz sine at half scale, no dither, so the samples are predictable.
sine() { sox -D -n -r "$1" "${@:2}" synth 1 sine 441 vol 0.5; }
sine 44100 -b 16 -c 2 -t wavpcm s16.wav
sine 44100 -b 24 -c 2 -t wavpcm s24.wav
sine 44100 -b 32 -c 2 -t wavpcm s32.wav
sine 44100 -e floating-point -b 32 -c 2 f32.wav
sine 96000 -b 24 -c 2 ext96.wav             # WAVE_FORMAT_EXTENSIBLE
sine 22050 -b 16 -c 1 mono.wav

/usr/bin/convert -size 6x4 xc:'#ff0000' front.png
/usr/bin/convert -size 3x5 xc:'#0000ff' back.png

flac --silent -f -o tagged.flac s16.wav
metaflac --set-tag=title=Flac-Title --set-tag=TITLE=Second --set-tag=Artist=Flac-Artist \
    --set-tag=ALBUM=Flac-Album --set-tag=ALBUMARTIST=Flac-AA --set-tag=TRACKNUMBER=3/12 \
    --import-picture-from="4|image/png|Back||back.png" \
    --import-picture-from="3|image/png|Front||front.png" tagged.flac
flac --silent -f --ogg -o ogg.flac s16.wav
flac --silent -f -o plain24.flac s24.wav

lame --quiet -b 192 s16.wav v23.mp3
cp v23.mp3 v24.mp3
eyeD3 --quiet --to-v2.3 -t "Title 23" -a "Artist 23" -A "Album 23" -n 7 \
    --add-image "back.png:BACK_COVER:Back" --add-image "front.png:FRONT_COVER:Front" v23.mp3 >/dev/null
# A v2.4 tag whose picture frame is larger than 127 bytes has a syncsafe frame size
# that differs from the plain big-endian reading.
/usr/bin/convert -size 64x64 plasma:fractal -seed 3 big.png 2>/dev/null || /usr/bin/convert -size 64x64 gradient:red-blue big.png
eyeD3 --quiet --to-v2.4 -t "Title 24 ü" -a "Artist 24" -A "Album 24" -n 9 \
    --add-image "big.png:FRONT_COVER:Front" v24.mp3 >/dev/null
lame --quiet -b 128 mono.wav mono.mp3

# Two front covers: the later one is the one shown.
cp tagged.flac twofront.flac
metaflac --remove --block-type=PICTURE twofront.flac
metaflac --import-picture-from="3|image/png|One||back.png" --import-picture-from="3|image/png|Two||big.png" twofront.flac
