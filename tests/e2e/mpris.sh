#!/bin/bash
# The desktop media controls, driven by real clients (playerctl, busctl, dbus-monitor)
# on a private session bus: qulmo-x11 under Xvfb plays in real time into a PulseAudio
# null sink whose monitor is recorded, so pause, resume and seeks are checked in the
# sound that reached the device (the first track is a sweep whose pitch tells the
# position). Then hostile calls, the introspection data, Quit, a bus that goes away,
# no bus at all, and qulmo-wayland under headless weston.
BUILD=$1 SRC=$2
for tool in dbus-run-session dbus-daemon dbus-monitor busctl playerctl pulseaudio parecord opusenc; do
    command -v "$tool" >/dev/null || {
        echo "skipped: $tool is missing"
        exit 77
    }
done
# The whole test runs on a private session bus.
if [ -z "${QULMO_MPRIS_BUS:-}" ]; then
    QULMO_MPRIS_BUS=1 exec dbus-run-session -- bash "$0" "$@" 2> >(grep -v 'fd limit\|became a monitor\|Monitoring connection' >&2)
fi
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"
source "$SRC/tests/lib/weston.sh"

alsa_pulse_start "$WORK" || e2e_fail "PulseAudio did not start"
E2E_CLEANUP+=(alsa_pulse_stop)
e2e_font
xvfb_start || e2e_fail "no X server"
E2E_CLEANUP+=(xvfb_stop)

# --- media: a sweep (200 Hz + 100 Hz per second) and an MP3, both with embedded
# covers and no cover file; another directory with a cover file.
a="$WORK/a b" c="$WORK/c" d="$WORK/d" o="$WORK/o"
mkdir -p "$a" "$c" "$d" "$o"
/usr/bin/convert -size 300x200 xc:'#3060c0' "$WORK/emb.png"
/usr/bin/convert -size 64x64 xc:'#c03030' "$c/cover.png"
sox -q -n -r 44100 -b 16 -c 2 "$WORK/sweep.wav" synth 40 sine 200:4200 vol 0.5
sox -q -n -r 44100 -b 16 -c 2 "$WORK/tone.wav" synth 40 sine 440 vol 0.5
flac --silent -f -o "$a/01 Sweep.flac" "$WORK/sweep.wav"
metaflac --set-tag=TITLE=Sweep --set-tag=ARTIST="Test Artist" --set-tag=ALBUM="Test Album" \
    --set-tag=TRACKNUMBER=1 --import-picture-from="3|image/png|Front Cover||$WORK/emb.png" \
    "$a/01 Sweep.flac"
lame --quiet -b 128 "$WORK/tone.wav" "$a/02 Tone.mp3"
eyeD3 --quiet --to-v2.3 -t Tone -a "Test Artist" -A "Test Album" -n 2 \
    --add-image "$WORK/emb.png:FRONT_COVER:Front Cover" "$a/02 Tone.mp3" >/dev/null
flac --silent -f -o "$c/Cover Case.flac" "$WORK/tone.wav"
metaflac --set-tag=TITLE="Cover Case" "$c/Cover Case.flac"
printf 'not audio' >"$d/broken.mp3"
opusenc --quiet --title Opus "$WORK/tone.wav" "$o/x.opus"
printf '#EXTM3U\n#EXTINF:40,Test Artist - Tone\n../a b/02 Tone.mp3\nx.opus\n' >"$o/list.m3u8"

# --- the device's sound, recorded from the null sink's monitor
cap="$WORK/cap.raw"
parecord --raw --latency-msec=20 -d "$PULSE_SINK_MONITOR" --format=s16le --rate=44100 \
    --channels=2 "$cap" 2>/dev/null &
E2E_CLEANUP+=("kill $! 2>/dev/null")
mark() { echo $(($(stat -c %s "$cap") / 4 * 4)); }
# analyse WHAT FROM TO: "peak" (largest sample) or "freq" (Hz of channel 0) of the
# recorded bytes FROM..TO.
analyse() {
    python3 - "$cap" "$@" <<'PY'
import struct, sys
path, what, a, b = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
with open(path, "rb") as f:
    f.seek(a)
    data = f.read(b - a)
s = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
left = s[0::2]
if what == "peak":
    print(max((abs(v) for v in s), default=0))
elif what == "gap":  # the longest run of near silence, in ms
    run = longest = 0
    for v in left:
        run = run + 1 if abs(v) < 200 else 0
        longest = max(longest, run)
    print(int(longest * 1000 / 44100))
else:
    cross = sum(1 for i in range(1, len(left)) if (left[i - 1] < 0) != (left[i] < 0))
    print(int(cross / 2 / (len(left) / 44100.0)) if left else 0)
PY
}
# recent WHAT: the analysis of the last 0.25 s of sound.
recent() {
    local from
    from=$(mark)
    sleep 0.25
    analyse "$1" "$from" "$(mark)"
}
# wait_sound WHAT LOW HIGH: polls up to 5 s until the recent value is in LOW..HIGH.
wait_sound() {
    local i v
    for i in $(seq 1 20); do
        v=$(recent "$1")
        [ "$v" -ge "$2" ] && [ "$v" -le "$3" ] && return 0
    done
    echo "last $1 was $v" >&2
    return 1
}

dbus-monitor --session "type='signal',interface='org.freedesktop.DBus.Properties'" \
    "type='signal',interface='org.mpris.MediaPlayer2.Player'" >"$WORK/monitor.log" 2>&1 &
E2E_CLEANUP+=("kill $! 2>/dev/null")

E2E_LOG="$WORK/log"
"$BUILD/qulmo-x11" "$a/01 Sweep.flac" >"$E2E_LOG" 2>&1 &
player=$!
E2E_CLEANUP+=("kill $player 2>/dev/null")
e2e_wait_for "$E2E_LOG" "^loading file $a/01 Sweep.flac" 10 || e2e_fail "first track not loaded"
pc() { playerctl -p qulmo "$@"; }
for i in $(seq 1 50); do
    playerctl -l 2>/dev/null | grep -qx qulmo && break
    sleep 0.1
done
playerctl -l 2>/dev/null | grep -qx qulmo || e2e_fail "playerctl -l does not list qulmo"
playerctl --follow -p qulmo status >"$WORK/follow.log" 2>&1 &
E2E_CLEANUP+=("kill $! 2>/dev/null")

# --- metadata, embedded cover written as a PNG under $XDG_RUNTIME_DIR/qulmo
fmt='{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}|{{mpris:length}}|{{xesam:url}}|{{mpris:artUrl}}|{{mpris:trackid}}'
meta=$(pc metadata --format "$fmt")
art1="$XDG_RUNTIME_DIR/qulmo/art-$player-1.png"
want="Sweep|Test Artist|Test Album|40000000|file://$WORK/a%20b/01%20Sweep.flac|file://$art1|'/org/qulmo/track/1'"
[ "$meta" = "$want" ] || e2e_fail "metadata: $meta"
[ "$(pc metadata xesam:trackNumber)" = 1 ] || e2e_fail "track number"
[ "$(identify -format '%m %wx%h' "$art1" 2>/dev/null)" = "PNG 300x200" ] || e2e_fail "embedded cover not written as PNG"
[ "$(e2e_pixel "$art1" 10 10)" = "48 96 192" ] || e2e_fail "cover colours: $(e2e_pixel "$art1" 10 10)"
wait_sound peak 1000 40000 || e2e_fail "no sound"

# --- pause and resume reach the device; PlaybackStatus follows
pc play-pause
[ "$(pc status)" = Paused ] || e2e_fail "status after play-pause: $(pc status)"
wait_sound peak 0 0 || e2e_fail "sound goes on while paused"
pc play
wait_sound peak 1000 40000 || e2e_fail "no sound after play"
[ "$(pc status)" = Playing ] || e2e_fail "status after play"
grep -qx Paused "$WORK/follow.log" || e2e_fail "playerctl --follow did not see Paused"

# --- seeks: the sweep's pitch is the position (200 Hz + 100 Hz per second)
pc position 30
wait_sound freq 3150 3700 || e2e_fail "position 30 did not move the sound to 30 s"
p=$(pc position | cut -d. -f1)
[ "$p" -ge 30 ] && [ "$p" -le 35 ] || e2e_fail "Position after position 30: $p"
pc position 5-
wait_sound freq 2650 3250 || e2e_fail "position 5- did not move the sound back"
# SetPosition with another track's id is ignored.
busctl --user call org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player SetPosition ox /org/qulmo/track/999 1000000 ||
    e2e_fail "SetPosition with a foreign id was refused"
p=$(pc position | cut -d. -f1)
[ "$p" -ge 20 ] || e2e_fail "SetPosition with a foreign id moved to $p"
busctl --user call org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player SetPosition ox /org/qulmo/track/1 10000000 ||
    e2e_fail "SetPosition refused"
wait_sound freq 1150 1650 || e2e_fail "SetPosition 10 s did not move the sound"
grep -q 'member=Seeked' "$WORK/monitor.log" || e2e_fail "no Seeked signal"

# --- volume and play modes print what the keys print
pc volume 0.5
e2e_wait_for "$E2E_LOG" '^volume set to 17 (0.5)$' 5 || e2e_fail "volume 0.5"
[ "$(pc volume)" = 0.500000 ] || e2e_fail "Volume reads $(pc volume)"
pc loop Track
e2e_wait_for "$E2E_LOG" '^play mode set to single$' 5 || e2e_fail "loop Track"
pc loop Playlist
e2e_wait_for "$E2E_LOG" '^play mode set to repeat$' 5 || e2e_fail "loop Playlist"
[ "$(pc loop)" = Playlist ] || e2e_fail "LoopStatus reads $(pc loop)"

# --- next and previous load the right files; the cover file of the old track goes
pc next
e2e_wait_for "$E2E_LOG" "^loading file $a/02 Tone.mp3" 5 || e2e_fail "next"
art2="$XDG_RUNTIME_DIR/qulmo/art-$player-2.png"
[ "$(pc metadata mpris:artUrl)" = "file://$art2" ] || e2e_fail "art URL of the MP3"
[ -f "$art2" ] && [ ! -e "$art1" ] || e2e_fail "old cover kept or new one missing"
pc previous
for i in $(seq 1 50); do
    [ "$(grep -c "^loading file $a/01 Sweep.flac" "$E2E_LOG")" -eq 2 ] && break
    sleep 0.1
done
[ "$(grep -c "^loading file $a/01 Sweep.flac" "$E2E_LOG")" -eq 2 ] || e2e_fail "previous"

pc shuffle On
e2e_wait_for "$E2E_LOG" '^play mode set to shuffle$' 5 || e2e_fail "shuffle On"
[ "$(pc shuffle)" = On ] || e2e_fail "Shuffle reads $(pc shuffle)"
pc loop None
e2e_wait_for "$E2E_LOG" '^play mode set to normal$' 5 || e2e_fail "loop None"

# --- OpenUri plays a file as the command line would; a cover file is used as it is
busctl --user call org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player OpenUri s "file://$c/Cover%20Case.flac" || e2e_fail "OpenUri"
e2e_wait_for "$E2E_LOG" "^loading file $c/Cover Case.flac" 5 || e2e_fail "OpenUri did not load"
[ "$(pc metadata mpris:artUrl)" = "file://$c/cover.png" ] || e2e_fail "cover file art URL"
[ -z "$(ls -A "$XDG_RUNTIME_DIR/qulmo")" ] || e2e_fail "written cover not removed"
[ "$(pc metadata xesam:artist 2>/dev/null)" = "" ] || e2e_fail "an absent artist is shown"

# --- an Opus file through playerctl, then a playlist file replaces the playlist
pc open "file://$o/x.opus"
e2e_wait_for "$E2E_LOG" "^loading file $o/x.opus" 5 || e2e_fail "playerctl open of an .opus"
[ "$(pc metadata xesam:title)" = Opus ] || e2e_fail "Opus metadata"
wait_sound peak 1000 40000 || e2e_fail "the Opus file makes no sound"
busctl --user call org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player OpenUri s "file://$o/list.m3u8" || e2e_fail "OpenUri of an .m3u8"
e2e_wait_for "$E2E_LOG" "^loading file $o/../a b/02 Tone.mp3" 5 || e2e_fail "the .m3u8 did not play"
pc next
e2e_wait_for "$E2E_LOG" "^loading file $o/x.opus" 5 && [ "$(grep -c "^loading file $o/x.opus" "$E2E_LOG")" -eq 2 ] ||
    e2e_fail "the .m3u8's second entry did not follow its first"

for s in PlaybackStatus Volume LoopStatus Shuffle Metadata; do
    grep -A1 'dict entry(' "$WORK/monitor.log" | grep -q "string \"$s\"" ||
        e2e_fail "no PropertiesChanged for $s"
done

# --- hostile calls: error replies or nothing, never a crash
bc() { busctl --user -- "$@" 2>/dev/null; }
P=(org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player)
bc call "${P[@]}" Seek s ten && e2e_fail "Seek with a string accepted"
bc call "${P[@]}" SetPosition s x && e2e_fail "SetPosition with a string accepted"
bc set-property "${P[@]}" Volume s loud && e2e_fail "Volume as a string accepted"
bc set-property "${P[@]}" Volume d nan && e2e_fail "Volume NaN accepted"
bc set-property "${P[@]}" LoopStatus s Sometimes && e2e_fail "LoopStatus Sometimes accepted"
bc set-property "${P[@]}" Rate d 2 && e2e_fail "Rate 2 accepted"
for uri in "http://example.com/a.mp3" "file:///nonexistent/a.mp3" "file:///%zz" "file://elsewhere$c/Cover%20Case.flac" \
    "" "file://" "file:///tmp/%00x.mp3" "file://$d" "file://$d/broken.mp3" "file://$c/cover.png"; do
    bc call "${P[@]}" OpenUri s "$uri" && e2e_fail "OpenUri accepted '$uri'"
done
bc call "${P[@]}" Seek x 9223372036854775807 || e2e_fail "huge seek refused"
bc call "${P[@]}" Seek x -9223372036854775808 || e2e_fail "huge seek back refused"
bc call "${P[@]}" SetPosition ox /org/qulmo/track/3 -5 || e2e_fail "negative SetPosition refused"
bc call "${P[@]}" SetPosition ox /org/qulmo/track/3 9223372036854775807 || e2e_fail "huge SetPosition refused"
bc call org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2 Raise ||
    e2e_fail "Raise refused"
kill -0 "$player" 2>/dev/null || e2e_fail "the player died"
p=$(pc position | cut -d. -f1)
[ "$p" -le 2 ] || e2e_fail "the huge seeks left the position at $p"
wait_sound peak 1000 40000 || e2e_fail "no sound after the hostile calls"

# --- a flood of calls is served a little at a time: the sound goes on meanwhile. Served
# all at once, the flood silences it for seconds; the bound leaves room for a loaded
# machine.
from=$(mark)
t0=$(date +%s%N)
replies=$(nice -n 19 "$BUILD/tests/e2e/mpris_flood" org.mpris.MediaPlayer2.qulmo 20000) || e2e_fail "flood: only $replies replies"
t1=$(date +%s%N)
sleep 0.2
gap=$(analyse gap "$from" "$(mark)")
echo "20000 GetAll calls answered in $(((t1 - t0) / 1000000)) ms; longest gap in the sound meanwhile $gap ms"
[ "$gap" -lt 250 ] || e2e_fail "the sound stopped for $gap ms during the flood"

# --- the interfaces as published
busctl --user introspect org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 |
    awk '$2 == "method" || $2 == "property" || $2 == "signal" { print $1, $2, $3, $4 }' |
    grep -v '^\.Position\|^\.Metadata' >"$WORK/introspect.txt"
cat >"$WORK/want.txt" <<'EOF'
.Introspect method - s
.GetMachineId method - s
.Ping method - -
.Get method ss v
.GetAll method s a{sv}
.Set method ssv -
.PropertiesChanged signal sa{sv}as -
.Quit method - -
.Raise method - -
.CanQuit property b true
.CanRaise property b false
.DesktopEntry property s "qulmo"
.HasTrackList property b false
.Identity property s "qulmo"
.SupportedMimeTypes property as TYPES
.SupportedUriSchemes property as 1
.Next method - -
.OpenUri method s -
.Pause method - -
.Play method - -
.PlayPause method - -
.Previous method - -
.Seek method x -
.SetPosition method ox -
.Stop method - -
.CanControl property b true
.CanGoNext property b true
.CanGoPrevious property b true
.CanPause property b true
.CanPlay property b true
.CanSeek property b true
.LoopStatus property s "None"
.MaximumRate property d 1
.MinimumRate property d 1
.PlaybackStatus property s "Playing"
.Rate property d 1
.Shuffle property b false
.Volume property d 0.5
.Seeked signal x -
EOF
# Exactly the types the desktop entry announces, in the same order.
entry_types=$(sed -n 's/^MimeType=//p' "$BUILD/dist/qulmo.desktop")
bus_types=$(busctl --user get-property org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2 SupportedMimeTypes | cut -d' ' -f3- | tr -d '"' | tr ' ' ';')
[ -n "$bus_types" ] && [ "$bus_types;" = "$entry_types" ] ||
    e2e_fail "the bus announces '$bus_types', the desktop entry '$entry_types'"
sed -i "s/ as TYPES$/ as $(tr -cd ';' <<<"$entry_types" | wc -c)/" "$WORK/want.txt"
diff "$WORK/want.txt" "$WORK/introspect.txt" >&2 || e2e_fail "introspection differs"
busctl --user introspect org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 |
    grep -q '^\.Metadata *property *a{sv} ' || e2e_fail "Metadata signature"
busctl --user introspect org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 |
    grep -q '^\.Position *property *x ' || e2e_fail "Position signature"

# --- a second player takes the instance name
"$BUILD/qulmo-x11" "$c/Cover Case.flac" >"$WORK/log2" 2>&1 &
second=$!
E2E_CLEANUP+=("kill $second 2>/dev/null")
for i in $(seq 1 50); do
    playerctl -l 2>/dev/null | grep -qx "qulmo.instance$second" && break
    sleep 0.1
done
playerctl -l | grep -qx "qulmo.instance$second" || e2e_fail "second player: $(playerctl -l)"
kill "$second"

# --- Quit ends the player with status 0 and removes what it wrote
busctl --user call "${P[@]}" OpenUri s "file://$WORK/a%20b/02%20Tone.mp3" || e2e_fail "OpenUri back"
e2e_wait_for "$E2E_LOG" "^loading file $a/02 Tone.mp3" 5 || e2e_fail "OpenUri back did not load"
[ -n "$(ls -A "$XDG_RUNTIME_DIR/qulmo")" ] || e2e_fail "no cover written for the MP3"
busctl --user call org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2 Quit
wait "$player"
status=$?
[ "$status" -eq 0 ] || e2e_fail "Quit: exit status $status"
[ -z "$(ls -A "$XDG_RUNTIME_DIR/qulmo")" ] || e2e_fail "cover left behind at quit"

# --- a bus that goes away: one warning, the sound goes on, no busy loop
bus_out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) || e2e_fail "dbus-daemon"
bus_address=$(sed -n 1p <<<"$bus_out") bus_pid=$(sed -n 2p <<<"$bus_out")
E2E_CLEANUP+=("kill $bus_pid 2>/dev/null")
E2E_LOG="$WORK/log3"
DBUS_SESSION_BUS_ADDRESS=$bus_address "$BUILD/qulmo-x11" "$a/02 Tone.mp3" >"$E2E_LOG" 2>&1 &
player=$!
E2E_CLEANUP+=("kill $player 2>/dev/null")
for i in $(seq 1 50); do
    DBUS_SESSION_BUS_ADDRESS=$bus_address playerctl -l 2>/dev/null | grep -qx qulmo && break
    sleep 0.1
done
# CPU ticks the player uses in two seconds.
ticks() {
    local t0
    t0=$(awk '{ print $14 + $15 }' "/proc/$player/stat")
    sleep 2
    echo $(($(awk '{ print $14 + $15 }' "/proc/$player/stat") - t0))
}
base=$(ticks)
kill "$bus_pid"
e2e_wait_for "$E2E_LOG" 'WARNING: desktop media controls off: lost the session bus' 5 ||
    e2e_fail "no warning when the bus went away"
wait_sound peak 1000 40000 || e2e_fail "no sound after the bus went away"
after=$(ticks)
[ "$after" -le $((3 * base + 30)) ] || e2e_fail "busy after the bus went away: $after ticks, $base before"
kill "$player"

# --- no bus at all: the warning and normal playback
E2E_LOG="$WORK/log4"
env -u DBUS_SESSION_BUS_ADDRESS "$BUILD/qulmo-x11" "$a/02 Tone.mp3" >"$E2E_LOG" 2>&1 &
player=$!
E2E_CLEANUP+=("kill $player 2>/dev/null")
e2e_wait_for "$E2E_LOG" "^loading file $a/02 Tone.mp3" 10 || e2e_fail "no-bus player did not start"
wait_sound peak 1000 40000 || e2e_fail "no sound without a bus"
[ "$(grep -c 'WARNING: ' "$E2E_LOG")" -eq 1 ] && grep -q 'WARNING: desktop media controls off: no session bus' "$E2E_LOG" ||
    e2e_fail "without a bus: $(grep WARNING "$E2E_LOG")"
kill "$player"

# --- qulmo-wayland answers too (sound into a file here)
alsa_pulse_stop
alsa_file_setup "$WORK/wl" "$WORK/wl/out.raw"
e2e_font
weston_start || e2e_fail "weston did not start"
E2E_CLEANUP+=(weston_stop)
E2E_LOG="$WORK/log5"
"$BUILD/qulmo-wayland" "$a/01 Sweep.flac" >"$E2E_LOG" 2>&1 &
player=$!
E2E_CLEANUP+=("kill $player 2>/dev/null")
for i in $(seq 1 50); do
    playerctl -l 2>/dev/null | grep -qx qulmo && break
    sleep 0.1
done
[ "$(pc metadata xesam:title)" = Sweep ] || e2e_fail "wayland: metadata"
pc pause
[ "$(pc status)" = Paused ] || e2e_fail "wayland: pause"
busctl --user call org.mpris.MediaPlayer2.qulmo /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2 Quit
wait "$player"
status=$?
[ "$status" -eq 0 ] || e2e_fail "wayland: Quit gave status $status"
# In the sanitizer build, a fault anywhere above would have left its report.
if grep -l 'Sanitizer\|runtime error' "$WORK"/log* >&2; then e2e_fail "sanitizer report"; fi
echo "mpris passed"
