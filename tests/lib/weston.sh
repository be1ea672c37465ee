# Headless weston for integration tests. Source this file, then:
#
#   weston_start [extra weston args...]   fresh 0700 XDG_RUNTIME_DIR, own socket name;
#                                         exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY,
#                                         WESTON_PID, WESTON_DIR, WESTON_LOG; returns
#                                         non-zero when weston did not come up.
#   weston_start_x11 [extra weston args...]
#                                         the same with weston's X11 backend and the
#                                         kiosk shell inside the X server of $DISPLAY
#                                         (for example from tests/lib/xvfb.sh): that
#                                         weston has a seat with keyboard and pointer,
#                                         driven with xdotool on its X window.
#   weston_stop                           stops that weston and removes its directory.
#
# The caller should `trap weston_stop EXIT`. Screenshots (weston-screenshooter)
# need --use-pixman and --debug, both of which are passed.

weston_start() {
    weston_launch --backend=headless-backend.so --width=640 --height=480 "$@"
}

weston_start_x11() {
    weston_launch --backend=x11-backend.so --shell=kiosk-shell.so --width=640 --height=480 "$@"
}

weston_launch() {
    WESTON_DIR=$(mktemp -d -t qulmo-weston.XXXXXX) || return 1
    chmod 0700 "$WESTON_DIR"
    export XDG_RUNTIME_DIR="$WESTON_DIR"
    export WAYLAND_DISPLAY="qulmo-test-$$-$RANDOM"
    WESTON_LOG="$WESTON_DIR/weston.log"
    cat >"$WESTON_DIR/weston.ini" <<'INI'
[core]
idle-time=0

[shell]
panel-position=none
background-color=0xff202020
INI
    weston --use-pixman --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug \
        --config="$WESTON_DIR/weston.ini" "$@" >"$WESTON_LOG" 2>&1 &
    WESTON_PID=$!
    local i
    for i in $(seq 1 100); do
        if ! kill -0 "$WESTON_PID" 2>/dev/null; then
            echo "weston exited early:" >&2
            cat "$WESTON_LOG" >&2
            return 1
        fi
        if wayland-info >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    echo "weston did not answer" >&2
    return 1
}

weston_stop() {
    if [ -n "${WESTON_PID:-}" ]; then
        kill "$WESTON_PID" 2>/dev/null
        wait "$WESTON_PID" 2>/dev/null
        WESTON_PID=
    fi
    if [ -n "${WESTON_DIR:-}" ] && [ -d "$WESTON_DIR" ]; then
        rm -rf "$WESTON_DIR"
        WESTON_DIR=
    fi
}
