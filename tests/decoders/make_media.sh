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

# 8-bit unsigned PCM, stereo and mono.
sine 44100 -b 8 -e unsigned-integer -c 2 -t wavpcm u8.wav
sine 22050 -b 8 -e unsigned-integer -c 1 -t wavpcm u8mono.wav

# Only an ID3v1.1 tag at the end.
lame --quiet -b 128 s16.wav v1.mp3
eyeD3 --quiet --v1 -t "Old Title" -a "Old Artist" -A "Old Album" -n 5 v1.mp3 >/dev/null

# Ogg Vorbis and Opus with their tags and pictures in Vorbis comments, each beside an
# independent decode (oggdec: 16-bit; opusdec: float at 48 kHz).
picture_comment() {  # TYPE FILE: a METADATA_BLOCK_PICTURE value
    python3 - "$1" "$2" <<'PY'
import base64, struct, sys
data = open(sys.argv[2], "rb").read()
block = struct.pack(">II", int(sys.argv[1]), 9) + b"image/png" + struct.pack(">I", 0) + \
    struct.pack(">IIIII", 0, 0, 0, 0, len(data)) + data
print(base64.b64encode(block).decode())
PY
}
oggenc -Q -q 4 -t "Vorbis Title" -a "Vorbis Artist" -l "Vorbis Album" -N 4 -c "ALBUMARTIST=Vorbis AA" \
    -c "METADATA_BLOCK_PICTURE=$(picture_comment 4 back.png)" \
    -c "METADATA_BLOCK_PICTURE=$(picture_comment 3 front.png)" -o vorbis.ogg s16.wav
oggdec -Q -o vorbis.ref.wav vorbis.ogg
cp vorbis.ogg vorbis.oga
oggenc -Q -q 2 --serial 11 -t "First Link" -o link1.ogg s16.wav
oggenc -Q -q 2 --serial 12 -t "Second Link" -o link2.ogg s16.wav
cat link1.ogg link2.ogg >chained.ogg
# oggdec stops after the first link of a chain: each link is decoded on its own.
oggdec -Q -o link1.ref.wav link1.ogg
oggdec -Q -o link2.ref.wav link2.ogg

opusenc --quiet --title "Opus Title" --artist "Opus Artist" --album "Opus Album" --tracknumber 5 \
    --picture "3||||big.png" --picture "4||||back.png" s16.wav opus.opus
opusdec --quiet --rate 48000 --float opus.opus opus.ref.wav
cp opus.opus opus_in.ogg
opusenc --quiet --serial 21 s16.wav olink1.opus
opusenc --quiet --serial 22 s24.wav olink2.opus
cat olink1.opus olink2.opus >chained.opus
opusdec --quiet --rate 48000 --float chained.opus chained_opus.ref.wav
# The same stream with an output gain of -6 dB in its header (Q7.8), page checksum redone.
python3 - opus.opus gain.opus <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
segments = data[26]
head = 27 + segments
assert data[head:head + 8] == b"OpusHead"
data[head + 16:head + 18] = struct.pack("<h", -6 * 256)
def crc(page):
    c = 0
    for b in page:
        c ^= b << 24
        for _ in range(8):
            c = (c << 1) ^ 0x04C11DB7 if c & 0x80000000 else c << 1
        c &= 0xFFFFFFFF
    return c
end = head + sum(data[27:27 + segments])
data[22:26] = b"\0\0\0\0"
data[22:26] = struct.pack("<I", crc(data[:end]))
open(sys.argv[2], "wb").write(data)
PY
opusdec --quiet --rate 48000 --float gain.opus gain.ref.wav
cp ogg.flac flac_in_ogg.oga
