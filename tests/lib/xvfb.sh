# Starts and stops a private Xvfb for a test script. Source it, then:
#   xvfb_start   starts Xvfb (1024x768, depth 24, no TCP) on a display number the
#                server picks itself among the free ones, waits until it answers
#                and exports DISPLAY. Returns non-zero when it could not.
#   xvfb_stop    stops that server (safe to call twice, e.g. from an EXIT trap).
#   x11_screenshot WINDOW FILE   the window's pixels as an image file (needs
#                SNAPSHOT_TOOL: the x11_snapshot program of the build tree).
# Needs the Debian packages xvfb and x11-utils (xdpyinfo).

XVFB_PID=
XVFB_DIR=

xvfb_start() {
    XVFB_DIR=$(mktemp -d) || return 1
    # -displayfd makes the server take the first free display number and tell us.
    # -noreset: by default the server resets whenever its last client leaves (the
    # xdpyinfo probe below), and a client connecting during that reset is refused.
    # -r: no auto-repeat; on a loaded machine a synthetic key release can come late
    # enough for repeats to reach whichever window has the focus next.
    Xvfb -displayfd 3 -noreset -r -screen 0 1024x768x24 -nolisten tcp 3>"$XVFB_DIR/display" \
        >"$XVFB_DIR/log" 2>&1 &
    XVFB_PID=$!
    local i number=
    for i in $(seq 1 100); do
        number=$(head -n1 "$XVFB_DIR/display" 2>/dev/null)
        if [ -n "$number" ] && DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
            export DISPLAY=":$number"
            return 0
        fi
        if ! kill -0 "$XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start:" >&2
            cat "$XVFB_DIR/log" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "Xvfb did not answer in 10 s" >&2
    return 1
}

xvfb_stop() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    fi
    if [ -n "$XVFB_DIR" ]; then
        rm -rf "$XVFB_DIR"
        XVFB_DIR=
    fi
}

# Reads the window with x11_snapshot from the build tree ($1 of the calling test,
# passed as SNAPSHOT_TOOL) and converts it to the format the file name asks for.
x11_screenshot() {
    local window=$1 file=$2
    local tool=${SNAPSHOT_TOOL:?set SNAPSHOT_TOOL to the x11_snapshot program}
    timeout 10 "$tool" "$window" "$file.ppm" || { echo "screenshot of window $window failed" >&2; return 1; }
    /usr/bin/convert "$file.ppm" "$file" && rm -f "$file.ppm"
}
