#!/bin/bash
# Draws the link graph of the libraries and the two programs into docs/libraries.dot
# (cmake --graphviz, without tests, benchmarks, fuzzers and system libraries) and
# fails when the graph has a cycle. Usage: scripts/library-graph.sh [build-dir]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-graph}
mkdir -p "$build"
# cmake reads the graph options from the build directory.
cat >"$build/CMakeGraphVizOptions.cmake" <<'OPTIONS'
set(GRAPHVIZ_GRAPH_NAME "qulmo libraries")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^test|_test$|^fuzz_|^bench_|^x11_|^wayland_|^sontera_open_probe$|^hostile_|^xdnd_|^qulmo_startup_probe$|^null_|^qulmo_test_support$|^look_render$|^move_watch$|^mpris_flood$|^fenra_wayland_unit_tests$|^input_test$|^audio_|^GTest|^benchmark")
OPTIONS
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake -S "$root" -B "$build" -G Ninja --graphviz="$scratch/libraries.dot" >/dev/null
cp "$scratch/libraries.dot" "$root/docs/libraries.dot"
python3 - "$root/docs/libraries.dot" <<'CHECK'
import re, sys
text = open(sys.argv[1]).read()
names = dict(re.findall(r'"(node\d+)"\s*\[\s*label\s*=\s*"([^"]+)"', text))
edges = {}
for a, b in re.findall(r'"(node\d+)"\s*->\s*"(node\d+)"', text):
    edges.setdefault(a, set()).add(b)
state = {}
def visit(n, path):
    state[n] = 1
    for m in edges.get(n, ()):
        if state.get(m) == 1:
            sys.exit("cycle: " + " -> ".join(names[x] for x in path + [n, m]))
        if m not in state:
            visit(m, path + [n])
    state[n] = 2
for n in names:
    if n not in state:
        visit(n, [])
print(f"{len(names)} targets, {sum(len(v) for v in edges.values())} links, no cycle")
CHECK
