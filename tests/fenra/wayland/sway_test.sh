#!/bin/bash
# The Wayland window declares its size fixed: under sway, a tiling compositor, it
# floats at its own 300 x 300 instead of being tiled across the output.
set -u
build=$1 src=$2
source "$src/tests/lib/skip.sh"
need_tools sway swaymsg python3
[ "$(id -u)" -ne 0 ] || command -v setpriv >/dev/null || skip "root without setpriv cannot start sway"
source "$src/tests/lib/sway.sh"
trap sway_stop EXIT
sway_start || skip "sway does not start here"
"$build/tests/fenra/wayland/wayland_window_check" "fixed size" 4000 >/dev/null 2>&1 &
client=$!
for _ in $(seq 1 50); do
    tree=$(swaymsg -t get_tree | python3 -c 'import json, sys
def views(node, floating):
    if node.get("app_id") == "qulmo":
        yield "%s %dx%d" % ("floating" if floating else "tiled", node["window_rect"]["width"],
                            node["window_rect"]["height"])
    for child in node.get("nodes", []): yield from views(child, floating)
    for child in node.get("floating_nodes", []): yield from views(child, True)
print(" ".join(views(json.load(sys.stdin), False)))')
    [ -n "$tree" ] && break
    sleep 0.1
done
kill "$client" 2>/dev/null
[ "$tree" = "floating 300x300" ] || { echo "FAIL: the window is '$tree', not 'floating 300x300'"; exit 1; }
echo "sway test passed"
