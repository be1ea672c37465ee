#!/bin/bash
# The Wayland window against a real compositor (headless weston): opening at the
# asked size, presenting, titles, the shared-memory file location and its /tmp
# fallback, the pixels on screen, and the failures of opening.
set -u
build=$1
src=$2
check=$build/tests/fenra/wayland/wayland_window_check
[ -x "$check" ] || { echo "FAIL: $check not built"; exit 1; }
source "$src/tests/lib/skip.sh"
need_tools weston weston-debug weston-screenshooter wayland-info convert python3

source "$src/tests/lib/weston.sh"
work=$(mktemp -d -t qulmo-wl-test.XXXXXX)
CLIENT=
DEBUGP=
cleanup() {
    [ -n "$CLIENT" ] && kill "$CLIENT" 2>/dev/null
    [ -n "$DEBUGP" ] && kill "$DEBUGP" 2>/dev/null
    weston_stop
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() {  # file, fixed line
    grep -qxF -- "$2" "$1" || fail "$1 lacks line '$2'"
}
expect_text() {  # file, fixed text
    grep -qF -- "$2" "$1" || fail "$1 lacks '$2'"
}

# The test pattern (quadrants red, green / blue, white with a 20 x 20 yellow mark
# at 140, 140) must appear 1:1 somewhere in the screenshot.
check_pattern() {  # screenshot png
    /usr/bin/convert "$1" -depth 8 "$work/shot.ppm" || return 1
    python3 - "$work/shot.ppm" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
# binary PPM: magic, width, height, maxval, then RGB bytes
fields = []
pos = 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace():
        pos += 1
    start = pos
    while not data[pos:pos + 1].isspace():
        pos += 1
    fields.append(data[start:pos])
pos += 1
w, h = int(fields[1]), int(fields[2])
px = data[pos:]
def at(x, y):
    i = (y * w + x) * 3
    return tuple(px[i:i + 3])
def bbox(color):
    xs, ys = [], []
    for y in range(h):
        for x in range(w):
            if at(x, y) == color:
                xs.append(x); ys.append(y)
    if not xs:
        return None
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1
red = bbox((255, 0, 0))
if red is None:
    print("no red quadrant on screen"); sys.exit(1)
ox, oy = red[0], red[1]
expect = {
    (255, 0, 0): (ox, oy, 150, 150),
    (0, 255, 0): (ox + 150, oy, 150, 150),
    (0, 0, 255): (ox, oy + 150, 150, 150),
    (255, 255, 0): (ox + 140, oy + 140, 20, 20),
}
ok = True
for color, box in expect.items():
    got = bbox(color)
    if got != box:
        print("colour", color, "at", got, "expected", box); ok = False
# spot checks around the mark, where the quadrants meet
for (x, y), color in {(ox + 139, oy + 139): (255, 0, 0), (ox + 160, oy + 139): (0, 255, 0),
                      (ox + 139, oy + 160): (0, 0, 255), (ox + 160, oy + 160): (255, 255, 255),
                      (ox + 299, oy + 299): (255, 255, 255), (ox + 150, oy + 150): (255, 255, 0)}.items():
    if at(x, y) != color:
        print("pixel", (x - ox, y - oy), at(x, y), "expected", color); ok = False
sys.exit(0 if ok else 1)
PY
}

weston_start || { echo "FAIL: weston did not start"; exit 1; }

# shoot_client TITLE MS OUT ERR WHAT: runs the check client, takes a screenshot once
# it presented, then stops the protocol logger; rc is the client's exit status.
shoot_client() {
    "$check" "$1" "$2" >"$3" 2>"$4" &
    CLIENT=$!
    for _ in $(seq 1 50); do
        grep -q '^presented$' "$3" && break
        sleep 0.1
    done
    # A loaded machine may repaint late: shoot again while the pattern is not there yet.
    for _ in 1 2 3 4 5; do
        sleep 0.5
        rm -f "$work"/wayland-screenshot-*.png
        (cd "$work" && weston-screenshooter) >/dev/null 2>&1 || { fail "weston-screenshooter failed$5"; break; }
        shot=$(ls "$work"/wayland-screenshot-*.png 2>/dev/null | head -n 1)
        [ -n "$shot" ] && check_pattern "$shot" >/dev/null && break
    done
    wait "$CLIENT"
    rc=$?
    CLIENT=
    sleep 0.3
    kill "$DEBUGP" 2>/dev/null
    wait "$DEBUGP" 2>/dev/null
    DEBUGP=
}

# --- open, present, title, pixels --------------------------------------------------
: >"$work/out.txt"
weston-debug proto >"$work/proto.txt" 2>&1 &
DEBUGP=$!
sleep 0.5
shoot_client "[Artist - Title] - qulmo" 3000 "$work/out.txt" "$work/err.txt" ""

[ "$rc" = 0 ] || fail "client exit status $rc"
expect_line "$work/out.txt" "opened 300 300"
expect_line "$work/out.txt" "presented"
expect_line "$work/out.txt" "done"
[ "$(grep -c '^dpi 96$' "$work/out.txt")" = 2 ] || fail "display dpi is not 96 before and after opening"
grep -qE "^shm $XDG_RUNTIME_DIR/fenra-[A-Za-z0-9]{6} \(deleted\)$" "$work/out.txt" ||
    fail "shared-memory file not an unlinked file in XDG_RUNTIME_DIR"
# Headless weston has no decoration manager: the warning, one whole line.
[ "$(cat "$work/err.txt")" = "WARNING: window decoration requested, but zxdg_decoration_manager_v1 is unsupported!" ] ||
    fail "unexpected standard error: $(cat "$work/err.txt")"
[ "$(tail -c 1 "$work/err.txt" | od -An -c | tr -d ' ')" = '\n' ] || fail "warning does not end its line"

# What the compositor received.
expect_text "$work/proto.txt" 'bind(1, "wl_compositor", 3,'
expect_text "$work/proto.txt" '"xdg_wm_base", 1,'
expect_text "$work/proto.txt" '"wl_output", 2,'
expect_text "$work/proto.txt" 'create_buffer(new id wl_buffer@'
grep -qE 'create_buffer\(new id wl_buffer@[0-9]+, 0, 300, 300, 1200, 1\)' "$work/proto.txt" ||
    fail "no 300 x 300 XRGB8888 buffer"
expect_text "$work/proto.txt" 'set_title("qulmo")'
expect_text "$work/proto.txt" 'set_app_id("qulmo")'
expect_text "$work/proto.txt" 'set_min_size(300, 300)'
expect_text "$work/proto.txt" 'set_max_size(300, 300)'
expect_text "$work/proto.txt" 'set_title("[Artist - Title] - qulmo")'
expect_text "$work/proto.txt" 'ack_configure('
expect_text "$work/proto.txt" 'set_destination(300, 300)'
grep -qE 'damage\(0, 0, 300, 300\)' "$work/proto.txt" || fail "no full-surface damage of the first present"
grep -qE 'damage\(10, 10, 300, 300\)' "$work/proto.txt" || fail "no damage from the origin of a small present"

shot=$(ls "$work"/wayland-screenshot-*.png 2>/dev/null | head -n 1)
if [ -z "$shot" ]; then
    fail "no screenshot written"
else
    check_pattern "$shot" || fail "screenshot pixels do not show the test pattern"
    rm -f "$shot"
fi

# --- an output of scale 2: half-size surface through the viewport ---------------------
weston_stop
weston_start --scale=2 || { echo "FAIL: weston with scale 2 did not start"; exit 1; }
: >"$work/out5.txt"
weston-debug proto >"$work/proto5.txt" 2>&1 &
DEBUGP=$!
sleep 0.5
shoot_client "scaled" 2000 "$work/out5.txt" /dev/null " at scale 2"
[ "$rc" = 0 ] || fail "scale 2: client exit status $rc"
expect_line "$work/out5.txt" "opened 300 300"
[ "$(grep -c '^dpi 192$' "$work/out5.txt")" = 2 ] || fail "display dpi is not 192 at scale 2"
grep -qE 'create_buffer\(new id wl_buffer@[0-9]+, 0, 300, 300, 1200, 1\)' "$work/proto5.txt" ||
    fail "scale 2: the buffer does not keep the pixel size"
expect_text "$work/proto5.txt" 'set_destination(150, 150)'
expect_text "$work/proto5.txt" 'set_max_size(150, 150)'
grep -qE 'damage\(0, 0, 150, 150\)' "$work/proto5.txt" || fail "scale 2: first damage"
grep -qE 'damage\(5, 5, 150, 150\)' "$work/proto5.txt" || fail "scale 2: damage of a present at 10, 10"
shot=$(ls "$work"/wayland-screenshot-*.png 2>/dev/null | head -n 1)
if [ -z "$shot" ]; then
    fail "no screenshot written at scale 2"
else
    check_pattern "$shot" || fail "scale 2: screenshot pixels do not show the test pattern 1:1"
fi

# --- shared memory in /tmp when XDG_RUNTIME_DIR is unset -----------------------------
env -u XDG_RUNTIME_DIR WAYLAND_DISPLAY="$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" \
    "$check" fallback 200 >"$work/out2.txt" 2>/dev/null
rc=$?
[ "$rc" = 0 ] || fail "run without XDG_RUNTIME_DIR: exit status $rc"
grep -qE '^shm /tmp/fenra-[A-Za-z0-9]{6} \(deleted\)$' "$work/out2.txt" ||
    fail "without XDG_RUNTIME_DIR the shared-memory file is not an unlinked file in /tmp"
expect_line "$work/out2.txt" "done"

# --- an unusable XDG_RUNTIME_DIR: opening fails cleanly -------------------------------
XDG_RUNTIME_DIR="$work/missing" WAYLAND_DISPLAY="$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" \
    "$check" nodir 200 >"$work/out3.txt" 2>/dev/null
rc=$?
[ "$rc" = 1 ] || fail "missing shared-memory directory: exit status $rc"
expect_line "$work/out3.txt" "open failed"

# --- no compositor -----------------------------------------------------------------
WAYLAND_DISPLAY="qulmo-no-such-socket-$$" "$check" none 200 >"$work/out4.txt" 2>/dev/null
rc=$?
[ "$rc" = 1 ] || fail "no compositor: exit status $rc"
expect_line "$work/out4.txt" "dpi 96"
expect_line "$work/out4.txt" "open failed"

if [ "$failures" != 0 ]; then
    echo "--- client output"; cat "$work/out.txt"
    exit 1
fi
echo "PASS"
