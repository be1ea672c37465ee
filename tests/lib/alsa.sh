# Sound for tests on machines without a sound card. Source this file, then:
#
#   alsa_file_setup DIR OUT     makes DIR/home the test HOME and a self-contained
#                               ALSA configuration in which "default" writes every
#                               frame, unpaced and byte-exact, to the raw file OUT
#                               (the file plugin over the null device). Exports HOME
#                               and ALSA_CONFIG_PATH for the rest of the script.
#   alsa_pulse_start DIR [RATE [CHANNELS]]
#                               starts a per-user PulseAudio with a null sink that
#                               plays in real time and routes ALSA "default" to it
#                               (DIR/home/.asoundrc). Exports HOME, XDG_RUNTIME_DIR
#                               and PULSE_SINK_MONITOR. Returns 1 when PulseAudio is
#                               missing or does not come up.
#   alsa_pulse_stop             stops the PulseAudio started above (by its pid).
#
# The configuration stays self-contained on purpose: with libasound2-plugins
# installed, the system configuration would hand "default" to any running
# PulseAudio whatever ~/.asoundrc says.

alsa_file_setup() {
    local dir=$1 out=$2
    mkdir -p "$dir/home"
    export HOME="$dir/home"
    # The null slave must be written inline: this file is the only configuration
    # ALSA loads, so the name "null" is not defined anywhere else.
    cat >"$dir/asound.conf" <<CONF
pcm.!default {
    type file
    slave.pcm { type null }
    file "$out"
    format "raw"
    perm 0644
}
CONF
    export ALSA_CONFIG_PATH="$dir/asound.conf"
}

alsa_pulse_start() {
    local dir=$1 rate=${2:-44100} channels=${3:-2}
    command -v pulseaudio >/dev/null || return 1
    mkdir -p "$dir/home" "$dir/run"
    chmod 700 "$dir/run"
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run"
    unset ALSA_CONFIG_PATH
    printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"
    # Without norewinds the null sink plays noticeably slower than real time.
    pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes \
        --log-target=file:"$HOME/pulse.log" \
        -L "module-null-sink sink_name=nullsink norewinds=1 rate=$rate channels=$channels" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native" || return 1
    local i
    for i in $(seq 50); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    pactl set-default-sink nullsink >/dev/null 2>&1 || { alsa_pulse_stop; return 1; }
    export PULSE_SINK_MONITOR=nullsink.monitor
}

alsa_pulse_stop() {
    local pidfile="$XDG_RUNTIME_DIR/pulse/pid" pid i
    [ -f "$pidfile" ] || return 0
    pid=$(cat "$pidfile")
    kill "$pid" 2>/dev/null
    for i in $(seq 50); do
        # A zombie left behind by the daemonising fork counts as gone.
        if ! kill -0 "$pid" 2>/dev/null || grep -q '^State:.*Z' "/proc/$pid/status" 2>/dev/null; then
            return 0
        fi
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
    return 0
}
