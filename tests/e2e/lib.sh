# Shared pieces of the end-to-end scripts. Source it after setting BUILD and SRC.
#
#   e2e_workdir                    fresh directory in $WORK, removed at exit.
#   e2e_album DIR SECONDS          the demo album (WAV, FLAC, MP3, tags, covers) in DIR.
#   e2e_font                       DejaVu Sans as font.ttf in $HOME/.config/qulmo.
#   e2e_wait_for FILE PATTERN SECS waits until FILE holds a line matching PATTERN.
#   e2e_wait_window NAME_PATTERN SECS   prints the X window id once one matches.
#   e2e_pixel PNG X Y              "r g b" of one pixel.
#   e2e_fail MESSAGE               prints the message and the player's log, exits 1.
# and skip / need_tools from tests/lib/skip.sh.

set -u
BUILD=$(cd "$BUILD" && pwd)
SRC=$(cd "$SRC" && pwd)
source "$SRC/tests/lib/skip.sh"
WORK=$(mktemp -d -t qulmo-e2e.XXXXXX)
E2E_CLEANUP=()
e2e_cleanup() {
    local c
    for c in "${E2E_CLEANUP[@]}"; do eval "$c"; done
    rm -rf "$WORK"
}
trap e2e_cleanup EXIT
[ -n "${E2E_KEEP:-}" ] && trap - EXIT

e2e_album() {
    bash "$SRC/scripts/make-demo.sh" "$1" "$2" >/dev/null
}

e2e_font() {
    mkdir -p "$HOME/.config/qulmo"
    cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$HOME/.config/qulmo/font.ttf"
}

e2e_wait_for() {
    local file=$1 pattern=$2 secs=$3 i
    for i in $(seq 1 $((secs * 20))); do
        grep -q -- "$pattern" "$file" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

e2e_wait_window() {
    local pattern=$1 secs=$2 i w
    for i in $(seq 1 $((secs * 10))); do
        w=$(xdotool search --name "$pattern" 2>/dev/null | head -n1)
        if [ -n "$w" ]; then
            echo "$w"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

e2e_pixel() {
    /usr/bin/convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}

E2E_LOG=/dev/null
e2e_fail() {
    echo "FAIL: $*" >&2
    echo "--- player output ---" >&2
    cat "$E2E_LOG" >&2 2>/dev/null
    exit 1
}
