#!/bin/bash
# The installed player as a new user gets it: cmake --install into a fresh prefix,
# then P/bin/qulmo with a HOME that holds no configuration.
# - Under Xvfb (WAYLAND_DISPLAY naming a socket nobody answers on) it runs
#   qulmo-x11 with a font from fontconfig, plays the album through into the
#   file-backed ALSA device, exits 0, and the window title follows the tracks.
# - With headless weston as well it runs qulmo-wayland.
# - Which font it adds, if any, for the ways a font can already be given.
# - It joins the album's tracks in one sink (-gapless 1) unless told otherwise.
# - With neither display variable: one ERROR line naming both, status 1; --help and
#   --version answer without a display.
# - As the desktop starts it, on a private session bus (a table of runs): no path
#   plays the music folder of user-dirs.dirs (albums in sub-folders in order, hidden
#   ones never); an empty music folder says so on standard error and as a desktop
#   notification; a file, a folder and an .m3u8 at once; a folder with a broken
#   file; a folder of broken files only. Then a second qulmo while one plays hands
#   its file over and opens no window.
# - The desktop entry validates, the manual page lints clean, the icons have
#   their sizes, and the .deb from cpack holds exactly the installed files and
#   depends on the libraries, the font package and fontconfig.
BUILD=$1 SRC=$2
for tool in Xvfb xdotool xprop weston wayland-info fc-match desktop-file-validate mandoc groff \
    identify cpack dpkg-deb dpkg-shlibdeps sox flac lame eyeD3 python3 dbus-run-session \
    dbus-monitor busctl; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
# The whole test runs on a private session bus.
if [ -z "${QULMO_INSTALL_BUS:-}" ]; then
    QULMO_INSTALL_BUS=1 exec dbus-run-session -- bash "$0" "$@" 2> >(grep -v 'fd limit\|became a monitor\|Monitoring connection' >&2)
fi
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
check_font '"$album" -font' "$home" "$sysfont"  # a word after a path is a path
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

# Usage and version need no display.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$Q" --help) && [ "$(env -u DISPLAY "$Q" -h)" = "$help" ] ||
    e2e_fail "--help or -h"
for want in "Usage: qulmo" "qulmo FOLDER" "-volume STEP" "[20]" "[normal]" "Space pause" "man qulmo"; do
    [[ "$help" == *"$want"* ]] || e2e_fail "--help lacks '$want'"
done
version=$(sed -n '1s/.*(\(.*\)).*/\1/p' "$SRC/dist/changelog")
[ "$(env -u DISPLAY "$Q" --version)" = "qulmo $version" ] || e2e_fail "--version"

# --- as the desktop starts it ----------------------------------------------------------
# The device is a pipe drained into dev.raw (paced like a sound card with "paced"), so
# that every track's bytes count; this script holds it open for the player's reopens.
mkfifo "$WORK/dsink"
alsa_file_setup "$WORK/desk" "$WORK/dsink"
exec 8<>"$WORK/dsink"
drain() {
    [ -n "${DRAIN:-}" ] && kill "$DRAIN" 2>/dev/null && wait "$DRAIN" 2>/dev/null
    python3 -c 'import os, sys, time
src, dst = os.open(sys.argv[1], os.O_RDONLY), open(sys.argv[2], "ab", buffering=0)
while True:
    chunk = os.read(src, 17640)
    dst.write(chunk)
    if sys.argv[3] == "paced": time.sleep(len(chunk) / 176400)' "$WORK/dsink" "$WORK/dev.raw" "$1" 8>&- &
    DRAIN=$!
}
drain fast
E2E_CLEANUP+=('kill $DRAIN 2>/dev/null')
T="$WORK/desk/t" music="$HOME/Musik"
tone() { mkdir -p "$(dirname "$1")" && sox -q -n -r 44100 -b 16 -c 2 "$1" synth "$2" sine 440 vol 0.3; }
for f in "$music/Alpha/01 One.wav" "$music/Alpha/02 Two.wav" "$music/Beta/Disc 2/01 Four.wav" \
    "$music/Beta/Disc 1/01 Three.wav" "$music/.cache/Hidden.wav" "$music/.hidden.wav" \
    "$T/single/x.wav" "$T/album/01.wav" "$T/album/02.wav" "$T/broken/01.wav" "$T/broken/03.wav" \
    "$T/broken/04.wav"; do tone "$f" 0.2; done
mkdir -p "$HOME/.config" "$T/leer/config" "$T/leer/Musik" "$T/allbad"
printf '# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR="$HOME/Desktop"\nXDG_MUSIC_DIR="$HOME/Musik"\n' \
    >"$HOME/.config/user-dirs.dirs"
printf 'XDG_MUSIC_DIR="%s"\n' "$T/leer/Musik" >"$T/leer/config/user-dirs.dirs"
printf '#EXTM3U\r\n#EXTINF:1,Someone - Single\r\nsingle/x.wav\r\nnot/there.wav\r\n%s\r\n' \
    "file://$T/album/01.wav" >"$T/list.m3u8"
printf '<html><body>Not found</body></html>\n' | tee "$T/broken/02 page.mp3" "$T/allbad/a.mp3" >/dev/null
head -c 3000 /dev/urandom >"$T/allbad/b.flac"
dbus-monitor --session "interface='org.freedesktop.Notifications'" >"$WORK/notes" 2>&1 &
E2E_CLEANUP+=("kill $! 2>/dev/null")

# desktop_row NAME STATUS LOADS MESSAGES COMMAND...: runs COMMAND in $T. LOADS are the
# files loaded and MESSAGES the "WARNING: " and "ERROR: " lines, in order, each list
# joined by '|', with $T/ and $HOME/ left out; every load without a warning plays one
# 0.2 s track into the device.
desktop_row() {
    local name=$1 status=$2 loads=$3 messages=$4 before size got i
    shift 4
    before=$(stat -c %s "$WORK/dev.raw" 2>/dev/null || echo 0)
    (cd "$T" && timeout 60 "$@") >"$E2E_LOG" 2>&1 </dev/null 8>&-
    got=$?
    [ "$got" = "$status" ] || e2e_fail "$name: status $got"
    [ "$(sed -n "s#^loading file \($T\|$HOME\)/##p" "$E2E_LOG" | paste -sd'|')" = "$loads" ] ||
        e2e_fail "$name: loads differ"
    [ "$(grep -E '^(WARNING|ERROR): ' "$E2E_LOG" | sed "s|$T/||g; s|$HOME/||g" | paste -sd'|')" = \
        "$messages" ] || e2e_fail "$name: messages differ"
    local played=$(($(tr '|' '\n' <<<"$loads" | grep -c .) - $(grep -o 'cannot play' <<<"$messages" | wc -l)))
    for i in $(seq 1 50); do
        size=$(($(stat -c %s "$WORK/dev.raw" 2>/dev/null || echo 0) - before))
        [ "$size" -ge $((played * 35280)) ] && break
        sleep 0.1
    done
    [ "$size" -eq $((played * 35280)) ] || e2e_fail "$name: the device got $size bytes for $played tracks"
}
nothing="no music found in leer/Musik: put some there, or start qulmo with files, folders or playlists (qulmo --help)"
skip="WARNING: cannot play, skipped:"
desktop_row "no path: the music folder" 0 "Musik/Alpha/01 One.wav|Musik/Alpha/02 Two.wav|\
Musik/Beta/Disc 1/01 Three.wav|Musik/Beta/Disc 2/01 Four.wav" "" "$Q"
desktop_row "no path, empty music folder" 1 "" "ERROR: $nothing" env XDG_CONFIG_HOME="$T/leer/config" "$Q"
desktop_row "a file, a folder and a playlist" 0 "single/x.wav|album/01.wav|album/02.wav|single/x.wav|\
album/01.wav" "WARNING: list.m3u8: 1 entry not found, skipped" "$Q" single/x.wav "$T/album" list.m3u8
desktop_row "a folder with a broken file" 0 "broken/01.wav|broken/02 page.mp3|broken/03.wav|\
broken/04.wav" "$skip broken/02 page.mp3 (loading file failed)" "$Q" broken
desktop_row "a folder of broken files" 1 "allbad/a.mp3|allbad/b.flac" "$skip allbad/a.mp3 (loading \
file failed)|$skip allbad/b.flac (loading file failed)|ERROR: loading file failed" "$Q" allbad
mkdir -p "$HOME/.config/qulmo" && echo "$T/album/02.wav" >"$HOME/.config/qulmo/playlist.txt"
desktop_row "no path, a playlist file" 0 "album/02.wav" "" "$Q"
e2e_wait_for "$WORK/notes" "string \"${nothing/leer/$T/leer}\"" 5 || e2e_fail "no desktop notification"

# A second qulmo while one plays (in real time now): the first switches to its file,
# the second ends at once with status 0 and no window of its own.
drain paced
tone "$T/long/a.wav" 10 && tone "$T/long/b.wav" 10
E2E_LOG="$WORK/first.log"
"$Q" "$T/long/a.wav" >"$E2E_LOG" 2>&1 8>&- &
first=$!
E2E_CLEANUP+=("kill $first 2>/dev/null")
e2e_wait_window '^\[unknown artist - unknown title\] - qulmo$' 20 >/dev/null || e2e_fail "first player: no window"
second=$(cd "$T" && timeout 20 "$Q" long/b.wav 2>&1 8>&-) || e2e_fail "second qulmo: status $? ($second)"
[ -z "$second" ] || e2e_fail "second qulmo said: $second"
e2e_wait_for "$E2E_LOG" "^loading file $T/long/b.wav$" 10 || e2e_fail "the first player did not switch"
[ "$(xdotool search --name ' - qulmo$' | wc -l)" -eq 1 ] || e2e_fail "a second window"
busctl --user call org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2 Quit
wait "$first" || e2e_fail "first player: status $?"
kill "$DRAIN"
exec 8>&-
alsa_file_setup "$WORK" "$WORK/out.raw"

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
for d in fonts-dejavu-core fontconfig libc6 libasound2 libx11-6 libwayland-client0 libjpeg62-turbo \
    libpng16-16 libgif7; do
    [[ ", $depends," == *", $d"[\ ,]* ]] || e2e_fail "Depends lacks $d: $depends"
done
packaged=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's,^\./usr/,,' | sort)
installed=$(cd "$P" && find . ! -type d | sed 's,^\./,,' | sort)
[ "$packaged" = "$installed" ] || e2e_fail "package and install differ:
$(diff <(echo "$packaged") <(echo "$installed"))"
echo "install test passed"
