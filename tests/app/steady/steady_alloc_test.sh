#!/bin/bash
# Steady playback through the pump into ALSA "default" routed to a file, with an
# allocation-counting allocator in the test program.
set -eu
build=$1 src=$2
. "$src/tests/lib/skip.sh"
need_tools sox lame flac
# On a private session bus when there is one to start: the desktop media controls are
# then connected while the allocations are counted.
if [ -z "${QULMO_STEADY_BUS:-}" ] && command -v dbus-run-session >/dev/null; then
    QULMO_STEADY_BUS=1 exec dbus-run-session -- bash "$0" "$@" 2> >(grep -v 'fd limit' >&2)
fi
. "$src/tests/lib/alsa.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
alsa_file_setup "$dir" "$dir/out.raw"
export QULMO_STEADY_MEDIA="$dir"
# Twelve seconds each: one of warm-up, ten counted, and a little to spare.
sox -q -n -r 44100 -b 16 -c 2 "$dir/s16.wav" synth 12 sine 440 pinknoise remix 1,2 2 vol 0.4
sox -q -n -r 44100 -e floating-point -b 32 -c 2 "$dir/f32.wav" synth 12 sine 300 sine 5000 vol 0.5
sox -q -n -r 48000 -b 16 -c 2 "$dir/r48k.wav" synth 12 sine 1000 vol 0.5
lame --quiet -b 192 "$dir/s16.wav" "$dir/track.mp3"
flac --silent -f -o "$dir/track.flac" "$dir/s16.wav"
# Not exec: the shell must stay to run the trap that removes the media.
"$build/tests/app/steady/test_steady_alloc"
