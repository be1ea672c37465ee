#!/bin/bash
# Installs what qulmo needs, builds it, and plays music on the display you have.
#
#   scripts/play.sh [music file or directory]
#
# Without an argument it generates a small demo album (build/demo) and plays that.
# QULMO_BUILD_DIR names another build directory than build/.
# The player looks for "font.ttf" beside its executables (portable mode), where
# this script puts DejaVu Sans.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
b=${QULMO_BUILD_DIR:-build}

scripts/install-deps.sh
cmake -S . -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$b" --target qulmo-x11 qulmo-wayland

# Portable mode: configuration (font, ui.txt, playlist.txt) beside the executables.
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$b/font.ttf"
touch "$b/morsa_portable_mode.txt"

target=${1:-}
if [ -z "$target" ]; then
    [ -f "$b/demo/04 Evening Air.ogg" ] || scripts/make-demo.sh "$b/demo"
    target="$b/demo/01 Morning Chord.wav"
elif [ -d "$target" ]; then
    # A directory plays from its first track: name any file in it; the player
    # falls back to the first supported one.
    first=$(find "$target" -maxdepth 1 -type f \( -iname '*.mp3' -o -iname '*.flac' -o -iname '*.wav' \) | LC_ALL=C sort | head -n1)
    if [ -z "$first" ]; then
        echo "no MP3, FLAC or WAV file in $target" >&2
        exit 1
    fi
    target=$first
fi

if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$b/qulmo-wayland" -- "$target"
elif [ -n "${DISPLAY:-}" ]; then
    exec "$b/qulmo-x11" -- "$target"
else
    echo "no display: set WAYLAND_DISPLAY or DISPLAY (or start the script inside a desktop session)" >&2
    exit 1
fi
