#!/bin/bash
# Draws the link graph of the libraries and the two programs into docs/libraries.dot
# (cmake --graphviz, without tests, benchmarks, fuzzers and system libraries) and
# fails when the graph has a cycle, or when a library or program compiles a file
# from another library's folder (a file's folder tells its library).
# Usage: scripts/library-graph.sh [build-dir]
#        scripts/library-graph.sh --check   (the test: a scratch build directory, and
#        docs/libraries.dot must already be the graph drawn now; nothing is written)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
check=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if [ "${1:-}" = --check ]; then
    check=1
    build=$scratch/build
else
    build=${1:-$root/build-graph}
fi
mkdir -p "$build"
# cmake reads the graph options from the build directory.
cat >"$build/CMakeGraphVizOptions.cmake" <<'OPTIONS'
set(GRAPHVIZ_GRAPH_NAME "qulmo libraries")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^test|_test$|^fuzz_|^bench_|^x11_|^wayland_|^sontera_open_probe$|^hostile_|^xdnd_|^qulmo_startup_probe$|^null_|^qulmo_test_support$|^look_render$|^move_watch$|^mpris_flood$|^fenra_wayland_unit_tests$|^input_test$|^decoders_|^GTest|^benchmark")
OPTIONS
cmake -S "$root" -B "$build" -G Ninja --graphviz="$scratch/libraries.dot" >/dev/null
if [ "$check" = 1 ]; then
    cmp -s "$scratch/libraries.dot" "$root/docs/libraries.dot" ||
        { echo "docs/libraries.dot is not the graph of this tree: run scripts/library-graph.sh"; exit 1; }
else
    cp "$scratch/libraries.dot" "$root/docs/libraries.dot"
fi
python3 - "$scratch/libraries.dot" <<'CHECK'
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
python3 - "$root" "$build/compile_commands.json" <<'PLACES'
import json, os, re, sys
root, commands = sys.argv[1], sys.argv[2]
# The folder of each library and program; the longest matching folder decides.
owners = {
    "foundation": {"qulmo_foundation"},
    "imaging": {"qulmo_imaging"},
    "input": {"qulmo_input"},
    "fenra/x11": {"fenra_x11"},
    "fenra/wayland": {"fenra_wayland", "fenra_wayland_logic"},
    "sontera": {"sontera"},
    "analysis": {"qulmo_analysis"},
    "formats": {"qulmo_formats"},
    "decoders": {"qulmo_decoders"},
    "ui": {"qulmo_render"},
    "app": {"qulmo_app", "qulmo-x11", "qulmo-wayland"},
    "dist": {"qulmo_launcher"},
}
products = set().union(*owners.values())
def folder_of(path):
    rel = os.path.relpath(path, root)
    best = None
    for folder in owners:
        if (rel == folder or rel.startswith(folder + "/")) and (best is None or len(folder) > len(best)):
            best = folder
    return rel, best
wrong = []
count = 0
for entry in json.load(open(commands)):
    m = re.search(r"-o \S*?CMakeFiles/([^/ ]+)\.dir/", entry["command"])
    if not m or m.group(1) not in products:
        continue  # tests, fuzzers and benchmarks may compile any file
    if not entry["file"].startswith(root + "/"):
        continue  # generated protocol code
    count += 1
    rel, folder = folder_of(entry["file"])
    if folder is None or m.group(1) not in owners[folder]:
        wrong.append(f"{rel} is compiled into {m.group(1)}")
if wrong:
    sys.exit("files outside their library's folder:\n  " + "\n  ".join(wrong))
print(f"{count} files, each compiled into the library of its folder")
PLACES
