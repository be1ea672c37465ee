#!/bin/bash
# sontera and the audio pump with "default" routed into a raw file.
set -u
build=$1 src=$2
. "$src/tests/lib/alsa.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
alsa_file_setup "$dir" "$dir/out.raw"
export QULMO_TEST_ALSA_OUT="$dir/out.raw" QULMO_TEST_DIR="$dir"

# Real files, and their samples as raw numbers for the expected output.
cases=""
if command -v sox >/dev/null; then
    sox -n -r 44100 -b 16 -c 2 "$dir/s16.wav" synth 1.3 sine 440 sine 660 vol 0.9
    sox "$dir/s16.wav" -t raw -e signed -b 16 "$dir/s16.raw"
    sox -n -r 96000 -b 24 -c 1 "$dir/s24.wav" synth 0.7 sine 1000 vol 0.99
    sox "$dir/s24.wav" -t raw -e signed -b 32 "$dir/s24.raw"
    sox -n -r 48000 -e floating-point -b 32 -c 2 "$dir/f32.wav" synth 0.9 sine 300 sine 5000 vol 1.3
    sox "$dir/f32.wav" -t raw -e floating-point -b 32 "$dir/f32.raw"
    cases="$dir/s16.wav $dir/s16.raw s16;$dir/s24.wav $dir/s24.raw s24;$dir/f32.wav $dir/f32.raw f32"
else
    echo "sox missing: the sox cases are skipped"
fi
export QULMO_TEST_SOX_CASES="$cases"
"$build/tests/app/test_output_device" || exit 1

# Without any configuration there is no "default" device at all.
printf '\n' >"$dir/empty.conf"
err=$(ALSA_CONFIG_PATH="$dir/empty.conf" "$build/tests/sontera/sontera_open_probe" 2>&1 >/dev/null)
case "$err" in
*"snd_pcm_open() failed"*) ;;
*) echo "expected snd_pcm_open() failed, got: $err"; exit 1 ;;
esac
echo "sontera device tests passed"
