#!/bin/bash
# Renders the pictures of the look documentation, all from text in the repository:
#   docs/looks/NAME.png       every shipped look (looks/NAME.txt) at scale 1
#   docs/looks/stepN.png      the worked example of docs/looks.md after step N, where
#                             step N is every ```-block that follows a line
#                             "<!-- step N -->", added to the blocks before it.
# The track, its cover and the moment shown are the ones of the golden-image tests.
#
#   scripts/make-gallery.sh [BUILD_DIR]     BUILD_DIR defaults to build-gallery.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-gallery}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target look_render >/dev/null
render=$build/tests/ui/look_render
out=docs/looks
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for look in looks/*.txt; do
    name=$(basename "$look" .txt)
    [ "$name" = CMakeLists ] && continue
    "$render" "$look" 1 "$out/$name.png"
    echo "$out/$name.png"
done

awk -v dir="$work" '
    /^<!-- step [0-9]+ -->$/ { step = $3; want = 1; next }
    want && /^```/ { inside = 1; want = 0; next }
    inside && /^```/ {
        inside = 0
        file = dir "/step" step ".txt"
        printf "%s", text > file
        close(file)
        next
    }
    inside { text = text $0 "\n" }
' docs/looks.md
for step in "$work"/step*.txt; do
    [ -e "$step" ] || break
    name=$(basename "$step" .txt)
    "$render" "$step" 1 "$out/$name.png"
    echo "$out/$name.png"
done
