#!/bin/bash
# A session under valgrind: a tagged MP3 with a cover plays (over and over in single
# mode, since the file-backed device takes sound faster than real time), then Q quits. No
# block may be definitely or indirectly lost. Needs a build without sanitizers.
#   leaks.sh BUILD SRC
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"

grep -q '^QULMO_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null &&
    skip "sanitizer build: valgrind cannot run it"
need_tools valgrind Xvfb xdpyinfo xdotool $DEMO_TOOLS
alsa_file_setup "$WORK" "$WORK/out.raw"
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)
e2e_album "$WORK/album" 3
E2E_LOG="$WORK/log"

(cd "$WORK" && exec timeout -k 5 150 valgrind --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --show-leak-kinds=definite,indirect --error-exitcode=99 --log-file="$WORK/valgrind.txt" \
    "$BUILD/qulmo-x11" -playmode single "$WORK/album/03 Low Tide.mp3") >"$E2E_LOG" 2>&1 &
pid=$!
e2e_wait_for "$E2E_LOG" '^required ' 90 || e2e_fail "the track did not start"
sleep 2
w=$(e2e_wait_window 'qulmo$' 30) || e2e_fail "no window"
xdotool windowfocus --sync "$w" key q >/dev/null 2>&1
wait "$pid"
status=$?
[ -n "${LEAKS_REPORT:-}" ] && sed -n '/HEAP SUMMARY/,$p' "$WORK/valgrind.txt"
[ "$status" -eq 0 ] || { cat "$WORK/valgrind.txt" >&2; e2e_fail "status $status under valgrind"; }
grep -q 'definitely lost: 0 bytes' "$WORK/valgrind.txt" || grep -q 'All heap blocks were freed' "$WORK/valgrind.txt" ||
    { cat "$WORK/valgrind.txt" >&2; e2e_fail "definitely lost bytes"; }
echo "no leaks"
