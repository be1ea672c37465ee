#!/bin/bash
# Bad input ends qulmo-x11 with its message and status 1, never a crash; a file that
# cannot be played is passed over, and only a playlist with nothing playable ends it;
# a playlist file written with CRLF line ends, blank lines and no final newline plays
# in full.
BUILD=$1 SRC=$2
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"
need_tools Xvfb xdpyinfo $DEMO_TOOLS

alsa_file_setup "$WORK" "$WORK/out.raw"
e2e_font
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)
config="$HOME/.config/qulmo"
album="$WORK/album"
e2e_album "$album" 1
E2E_LOG="$WORK/log"

# expect STATUS MESSAGE-REGEX ARGS...: runs the player in $WORK/run with ARGS.
expect() {
    local want=$1 pattern=$2 status
    shift 2
    (cd "$WORK/run" && timeout 30 "$BUILD/qulmo-x11" "$@") >"$E2E_LOG" 2>&1
    status=$?
    [ "$status" -eq "$want" ] || e2e_fail "$* : status $status, wanted $want"
    grep -Eq -- "$pattern" "$E2E_LOG" || e2e_fail "$* : no line matching '$pattern'"
}
mkdir -p "$WORK/run" "$WORK/empty"
touch "$WORK/empty/readme.txt"
echo "this is not a font" >"$WORK/notafont.ttf"
head -c 4096 /dev/urandom >"$album/broken.flac"
head -c 100 /dev/zero >"$WORK/song.aac"
head -c 100 /dev/zero >"$WORK/song.ogg"

expect 1 '^ERROR: there is no file to play$' "$WORK/empty/readme.txt"
expect 1 '^\[[0-9]+\] FATAL ERROR: error opening file: file does not exist$'
expect 1 '^\[[0-9]+\] FATAL ERROR: error opening font: file does not exist$' -font /nonexistent/font.ttf "$album/01 Morning Chord.wav"
expect 1 '^\[[0-9]+\] FATAL ERROR: error opening font: loading font failed$' -font "$WORK/notafont.ttf" "$album/01 Morning Chord.wav"
# Named, the broken file is passed over: the start goes round to its folder's first
# track, and the end of the folder reaches it once more.
expect 0 "^WARNING: cannot play, skipped: $album/broken.flac \(loading file failed\)$" "$album/broken.flac"
[ "$(grep -c '^loading file ' "$E2E_LOG")" -eq 6 ] || e2e_fail "the album did not play round the broken file"

printf 'color fg 1 2 3 255 0 title fg 0 0 100 20 0 ' >"$config/nowindow.txt"
expect 1 '^ERROR: no window ui elem$' -ui nowindow.txt "$album/01 Morning Chord.wav"
printf 'window - 0 0 0 300 0 ' >"$config/zero.txt"
expect 1 '^\[[0-9]+\] FATAL ERROR: window init failed: error$' -ui zero.txt "$album/01 Morning Chord.wav"

# An unknown format named in a playlist file; an Ogg file whose first page names no
# codec: each passed over, and then nothing is left to play.
printf '%s\n' "$WORK/song.aac" >"$config/playlist.txt"
expect 1 "^WARNING: cannot play, skipped: $WORK/song.aac \(format not implemented\)$"
grep -qx 'ERROR: loading file failed' "$E2E_LOG" || e2e_fail "song.aac: no final error"
printf '%s\n' "$WORK/song.ogg" >"$config/playlist.txt"
expect 1 "^WARNING: cannot play, skipped: $WORK/song.ogg \(loading file failed\)$"
grep -qx 'ERROR: loading file failed' "$E2E_LOG" || e2e_fail "song.ogg: no final error"

# CRLF, blank lines and a last line without newline: all three tracks, then exit 0.
printf '\r\n%s\r\n\r\n%s\r\n%s' "$album/03 Low Tide.mp3" "$album/01 Morning Chord.wav" \
    "$album/02 Plucked Strings.flac" >"$config/playlist.txt"
expect 0 '^loading file ' -playmode normal
loads=$(grep '^loading file ' "$E2E_LOG")
want="loading file $album/03 Low Tide.mp3
loading file $album/01 Morning Chord.wav
loading file $album/02 Plucked Strings.flac"
[ "$loads" = "$want" ] || e2e_fail "playlist file loads were: $loads"
echo "bad input passed"
