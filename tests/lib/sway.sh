# Headless sway (a tiling compositor) for integration tests. Source this file, then:
#   sway_start   starts it in a fresh runtime folder; exports XDG_RUNTIME_DIR,
#                WAYLAND_DISPLAY and SWAYSOCK; non-zero when it did not come up. sway
#                refuses root, so under root it runs as the user nobody (setpriv);
#                clients run as root still reach its sockets.
#   sway_stop    stops it and removes its folder.
sway_start() {
    SWAY_DIR=$(mktemp -d -t qulmo-sway.XXXXXX) || return 1
    chmod 0755 "$SWAY_DIR"
    mkdir -m 0700 "$SWAY_DIR/run"
    local as=() i
    if [ "$(id -u)" -eq 0 ]; then
        chown 65534:65534 "$SWAY_DIR/run"
        as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    fi
    "${as[@]}" env -i PATH="$PATH" HOME="$SWAY_DIR/run" XDG_RUNTIME_DIR="$SWAY_DIR/run" \
        WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c /dev/null >"$SWAY_DIR/sway.log" 2>&1 &
    SWAY_PID=$!
    export XDG_RUNTIME_DIR="$SWAY_DIR/run" WAYLAND_DISPLAY=wayland-1
    for i in $(seq 1 100); do
        SWAYSOCK=$(ls "$SWAY_DIR"/run/sway-ipc.*.sock 2>/dev/null | head -n1)
        [ -n "$SWAYSOCK" ] && swaymsg -s "$SWAYSOCK" -t get_version >/dev/null 2>&1 && export SWAYSOCK &&
            return 0
        kill -0 "$SWAY_PID" 2>/dev/null || break
        sleep 0.1
    done
    cat "$SWAY_DIR/sway.log" >&2
    return 1
}

sway_stop() {
    [ -n "${SWAY_PID:-}" ] && kill "$SWAY_PID" 2>/dev/null && wait "$SWAY_PID" 2>/dev/null
    [ -n "${SWAY_DIR:-}" ] && rm -rf "$SWAY_DIR"
    SWAY_PID= SWAY_DIR=
}
