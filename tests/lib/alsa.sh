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
#   alsa_pipewire_start DIR PLUGIN_DIR
#                               starts PipeWire and WirePlumber (inside a session bus:
#                               dbus-run-session) with the real-time null sink
#                               "nullsink" of a 48 kHz graph as default, and ALSA
#                               "default" through the plugin in PLUGIN_DIR. Exports
#                               HOME, XDG_RUNTIME_DIR and ALSA_CONFIG_PATH; returns 1
#                               when it does not come up. Again after _stop: a restart.
#   alsa_pipewire_stop          kills both servers (by pid).
#   alsa_pipewire_plugin DIR    prints the directory of PipeWire's ALSA plugin, taken
#                               once into DIR out of the pipewire-alsa package of the
#                               installed version: on Debian 12 installing the package
#                               would remove PulseAudio. Returns 1 when it cannot be had.
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

alsa_pipewire_plugin() {
    local lib version
    lib=$(find "$1" -name libasound_module_pcm_pipewire.so 2>/dev/null | head -n1)
    if [ -z "$lib" ]; then
        version=$(dpkg-query -W -f='${Version}' libpipewire-0.3-0 2>/dev/null) &&
            mkdir -p "$1" && (cd "$1" && apt-get download -q "pipewire-alsa=$version" &&
            dpkg-deb -x pipewire-alsa_*.deb .) >/dev/null 2>&1 || return 1
        lib=$(find "$1" -name libasound_module_pcm_pipewire.so | head -n1)
    fi
    [ -n "$lib" ] && dirname "$lib"
}

alsa_pipewire_start() {
    local dir=$1 i id
    command -v pipewire >/dev/null && command -v wireplumber >/dev/null || return 1
    mkdir -p "$dir/home" "$dir/run" && chmod 700 "$dir/run"
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" ALSA_CONFIG_PATH="$dir/asound.conf"
    cat >"$ALSA_CONFIG_PATH" <<CONF
pcm_type.pipewire { lib "$2/libasound_module_pcm_pipewire.so" }
ctl_type.pipewire { lib "$2/libasound_module_ctl_pipewire.so" }
pcm.!default { type pipewire }
ctl.!default { type pipewire }
CONF
    env -u DISPLAY pipewire >>"$dir/pipewire.log" 2>&1 &
    PIPEWIRE_PID=$!
    for i in $(seq 50); do pw-cli info 0 >/dev/null 2>&1 && break; sleep 0.1; done
    # Started before the server answers, WirePlumber gives up at once.
    env -u DISPLAY wireplumber >>"$dir/wireplumber.log" 2>&1 &
    WIREPLUMBER_PID=$!
    pw-cli create-node adapter '{ factory.name=support.null-audio-sink node.name=nullsink
        media.class=Audio/Sink object.linger=true audio.position=[FL FR] audio.rate=48000 }' \
        >/dev/null 2>&1 || return 1
    for i in $(seq 50); do  # the sink can be made the default once WirePlumber has seen it
        id=$(wpctl status 2>/dev/null | awk '/Sinks:/{f=1;next} f && /nullsink/{gsub(/[^0-9 ]/," "); print $1; exit}')
        [ -n "$id" ] && wpctl set-default "$id" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

alsa_pipewire_stop() {
    kill -9 "${PIPEWIRE_PID:-}" "${WIREPLUMBER_PID:-}" 2>/dev/null
    wait "${PIPEWIRE_PID:-}" "${WIREPLUMBER_PID:-}" 2>/dev/null
    return 0
}
