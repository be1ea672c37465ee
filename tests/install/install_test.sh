#!/bin/bash
# The installed player as a new user gets it: cmake --install into a fresh prefix,
# then P/bin/qulmo with a HOME that holds no configuration.
# - Under Xvfb (WAYLAND_DISPLAY naming a socket nobody answers on) it runs
#   qulmo-x11 with a font from fontconfig, plays the album through into the
#   file-backed ALSA device, exits 0, and the window title follows the tracks.
# - With headless weston as well it runs qulmo-wayland.
# - Which font it adds, if any, for the ways a font can already be given.
# - It joins the album's tracks in one sink (-gapless 1) unless told otherwise.
# - With neither display variable: one ERROR line naming both, status 1.
# - The desktop entry validates, the manual page lints clean, the icons have
#   their sizes, and the .deb from cpack holds exactly the installed files and
#   depends on the libraries, the font package and fontconfig.
BUILD=$1 SRC=$2
for tool in Xvfb xdotool xprop weston wayland-info fc-match desktop-file-validate mandoc groff \
    identify cpack dpkg-deb dpkg-shlibdeps sox flac lame eyeD3 python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/weston.sh"
source "$SRC/tests/lib/alsa.sh"
[ -f "$BUILD/dist/icons/48/qulmo.png" ] || { echo "SKIP: icons not built (no rsvg-convert)"; exit 77; }

P="$WORK/prefix"
cmake --install "$BUILD" --prefix "$P" >/dev/null || e2e_fail "cmake --install"
Q="$P/bin/qulmo"

# The sink writes into a pipe that this script drains: until it does, playback
# holds early in the first track, so the title watcher cannot miss a change.
mkfifo "$WORK/sink"
alsa_file_setup "$WORK" "$WORK/sink"
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)
mkdir -m 700 "$WORK/run"
python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$WORK/run/gone"
export XDG_RUNTIME_DIR="$WORK/run" WAYLAND_DISPLAY=gone

album="$WORK/album"
e2e_album "$album" 1
sysfont=$(fc-match -f '%{file}' sans:style=Regular)
E2E_LOG="$WORK/log"
# This script keeps a writer open on the pipe so that the drain sees its end only
# after the player is gone, whenever the player reopens the device; no child gets it.
exec 9<>"$WORK/sink"
timeout 60 "$Q" "$album/01 Morning Chord.wav" >"$E2E_LOG" 2>&1 9>&- &
player=$!
E2E_CLEANUP+=("kill $player 2>/dev/null")
W=$(e2e_wait_window '^\[The Demo Ensemble - Morning Chord\] - qulmo$' 20) || e2e_fail "no window"
xprop -spy -id "$W" WM_NAME >"$WORK/titles" 2>/dev/null 9>&- &
E2E_CLEANUP+=("kill $! 2>/dev/null")
e2e_wait_for "$WORK/titles" Morning 10 || e2e_fail "title watcher did not start"
timeout 60 cat "$WORK/sink" >"$WORK/out.raw" 9>&- &
drain=$!
wait "$player"
status=$?
exec 9>&-
wait "$drain"
[ "$status" -eq 0 ] || e2e_fail "play-through exit status $status"
grep -q "^playlist: playlist.txt, scale: 1, font: $sysfont, ui: ui.txt\$" "$E2E_LOG" ||
    e2e_fail "the launcher did not hand over $sysfont"
[ "$(grep -c '^loading file ' "$E2E_LOG")" -eq 4 ] || e2e_fail "not four tracks"
[ "$(grep -c '^required ' "$E2E_LOG")" -eq 1 ] || e2e_fail "the launcher did not join the tracks (-gapless 1)"
# Four tracks of one second, 44.1 kHz, two 16-bit channels.
[ "$(stat -c %s "$WORK/out.raw")" -eq $((4 * 44100 * 4)) ] ||
    e2e_fail "device got $(stat -c %s "$WORK/out.raw") bytes"
want='WM_NAME(STRING) = "[The Demo Ensemble - Morning Chord] - qulmo"
WM_NAME(STRING) = "[The Demo Ensemble - Plucked Strings] - qulmo"
WM_NAME(STRING) = "[The Demo Ensemble - Low Tide] - qulmo"
WM_NAME(STRING) = "[The Demo Ensemble - Evening Air] - qulmo"'
[ "$(cat "$WORK/titles")" = "$want" ] || e2e_fail "titles were: $(cat "$WORK/titles")"

# The font option the launcher adds: args, HOME, expected font (- for none added).
alsa_file_setup "$WORK" "$WORK/out.raw"
home="$HOME"
own="$WORK/own"
mkdir -p "$own/.config/qulmo"
cp "$sysfont" "$own/.config/qulmo/font.ttf"
none="$WORK/none/x.mp3"
check_font() {
    local args=$1 home=$2 want=$3 got
    eval "HOME=\"\$home\" timeout 30 \"\$Q\" $args" >"$E2E_LOG" 2>&1
    got=$(sed -n 's/^playlist: .*, font: \(.*\), ui: .*$/\1/p' "$E2E_LOG")
    [ "$got" = "$want" ] || e2e_fail "qulmo $args with HOME $home: font '$got', want '$want'"
}
check_font '"$none"' "$home" "$sysfont"
check_font '-volume 3 -- "$none"' "$home" "$sysfont"
check_font '"$none" -font /x.ttf' "$home" "$sysfont"
check_font '-ui -font "$none"' "$home" "$sysfont"
check_font '"$none"' "$own" "$own/.config/qulmo/font.ttf"
check_font '-font "$WORK/missing.ttf" "$none"' "$home" "$WORK/missing.ttf"
grep -q 'FATAL ERROR: error opening font: file does not exist$' "$E2E_LOG" ||
    e2e_fail "the player's own font error did not stand"
touch "$P/bin/morsa_portable_mode.txt"
cp "$sysfont" "$P/bin/font.ttf"
check_font '"$none"' "$home" "$P/bin/font.ttf"
rm "$P/bin/morsa_portable_mode.txt" "$P/bin/font.ttf"

# The launcher's -gapless 1 (one sink for the album) gives way to the user's -gapless.
timeout 60 "$Q" -volume 3 -gapless 0 "$album/01 Morning Chord.wav" >"$E2E_LOG" 2>&1 || e2e_fail "-gapless 0"
[ "$(grep -c '^required ' "$E2E_LOG")" -eq 4 ] || e2e_fail "qulmo -gapless 0: not a sink per track"

# No display at all.
got=$(env -u DISPLAY -u WAYLAND_DISPLAY "$Q" "$none" 2>&1)
status=$?
[ "$status" -eq 1 ] && [ "$(wc -l <<<"$got")" -eq 1 ] && [[ "$got" == "ERROR: "* ]] &&
    [[ "$got" == *WAYLAND_DISPLAY* ]] && [[ "$got" == *" DISPLAY"* ]] ||
    e2e_fail "without a display: status $status, output '$got'"

# A compositor that answers wins over the X server.
weston_start || exit 1
E2E_CLEANUP+=(weston_stop)
WAYLAND_DEBUG=client timeout 60 "$Q" "$album/01 Morning Chord.wav" >"$E2E_LOG" 2>&1 ||
    e2e_fail "wayland play-through status $?"
for t in "Morning Chord" "Plucked Strings" "Low Tide" "Evening Air"; do
    grep -q "xdg_toplevel@[0-9]*\.set_title(\"\[The Demo Ensemble - $t\] - qulmo\")" "$E2E_LOG" ||
        e2e_fail "qulmo-wayland did not title $t"
done

E2E_LOG=/dev/null
desktop-file-validate "$P/share/applications/qulmo.desktop" || e2e_fail "desktop entry"
man="$P/share/man/man1"
mandoc -T lint "$man/qulmo.1.gz" || e2e_fail "mandoc lint"
lint=$(zcat "$man/qulmo.1.gz" | groff -wall -man -z 2>&1)
[ -z "$lint" ] || e2e_fail "groff: $lint"
for p in qulmo-x11 qulmo-wayland; do
    [ "$(readlink "$man/$p.1.gz")" = qulmo.1.gz ] || e2e_fail "no manual page for $p"
done
for s in 48 256; do
    [ "$(identify -format '%wx%h' "$P/share/icons/hicolor/${s}x$s/apps/qulmo.png")" = "${s}x$s" ] ||
        e2e_fail "icon $s"
done

cpack -G DEB -B "$WORK/pkg" --config "$BUILD/CPackConfig.cmake" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log"; e2e_fail "cpack"; }
deb=$(ls "$WORK"/pkg/qulmo_*_*.deb) || e2e_fail "no qulmo_<version>_<arch>.deb"
depends=$(dpkg-deb -I "$deb" | sed -n 's/^ Depends: //p')
for d in fonts-dejavu-core fontconfig libc6 libasound2 libx11-6 libwayland-client0; do
    [[ ", $depends," == *", $d"[\ ,]* ]] || e2e_fail "Depends lacks $d: $depends"
done
packaged=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's,^\./usr/,,' | sort)
installed=$(cd "$P" && find . ! -type d | sed 's,^\./,,' | sort)
[ "$packaged" = "$installed" ] || e2e_fail "package and install differ:
$(diff <(echo "$packaged") <(echo "$installed"))"
echo "install test passed"
