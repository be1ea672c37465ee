# Headless sway (a tiling compositor) for integration tests. Source this file, then:
#
#   sway_start    starts sway with the headless backend in a fresh runtime folder and
#                 exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK; returns
#                 non-zero when it did not come up. sway refuses to run as root, so
#                 under root it runs as the unprivileged user nobody (setpriv); clients
#                 started as root still reach its sockets.
#   sway_stop     stops that sway and removes its folder.

sway_start() {
    SWAY_DIR=$(mktemp -d -t qulmo-sway.XXXXXX) || return 1
    chmod 0755 "$SWAY_DIR"
    mkdir -m 0700 "$SWAY_DIR/run"
    local as=()
    if [ "$(id -u)" -eq 0 ]; then
        chown 65534:65534 "$SWAY_DIR/run"
        as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    fi
    printf 'output HEADLESS-1 resolution 1024x768\n' >"$SWAY_DIR/config"
    "${as[@]}" env -i PATH="$PATH" HOME="$SWAY_DIR/run" XDG_RUNTIME_DIR="$SWAY_DIR/run" \
        WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$SWAY_DIR/config" >"$SWAY_DIR/sway.log" 2>&1 &
    SWAY_PID=$!
    export XDG_RUNTIME_DIR="$SWAY_DIR/run" WAYLAND_DISPLAY=wayland-1
    local i
    for i in $(seq 1 100); do
        SWAYSOCK=$(ls "$SWAY_DIR"/run/sway-ipc.*.sock 2>/dev/null | head -n1)
        if [ -n "$SWAYSOCK" ] && [ -S "$SWAY_DIR/run/wayland-1" ] && swaymsg -s "$SWAYSOCK" -t get_version >/dev/null 2>&1; then
            export SWAYSOCK
            return 0
        fi
        kill -0 "$SWAY_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "sway did not come up:" >&2
    cat "$SWAY_DIR/sway.log" >&2
    return 1
}

sway_stop() {
    if [ -n "${SWAY_PID:-}" ]; then
        kill "$SWAY_PID" 2>/dev/null
        wait "$SWAY_PID" 2>/dev/null
        SWAY_PID=
    fi
    [ -n "${SWAY_DIR:-}" ] && rm -rf "$SWAY_DIR"
    SWAY_DIR=
}
