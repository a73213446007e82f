#!/usr/bin/env bash
# Private PulseAudio daemon for tests, runnable as root without a session bus.
#   pulse-fixture.sh start DIR   starts it with its runtime in DIR and writes DIR/pulse.env
#   pulse-fixture.sh stop DIR    stops it
# The daemon has two null sinks: "system_sound" (stands for the speakers, the
# default output) and "mic_feed" (whatever plays into it is heard by the
# microphone), and the source "test_microphone" remapped from mic_feed's
# monitor, which is the default input.
set -euo pipefail

cmd=${1:-}
dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

runtime=$dir/pulse
case $cmd in
start)
    mkdir -p "$runtime"
    chmod 700 "$dir" "$runtime"
    cat > "$dir/fixture.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$runtime/native
load-module module-null-sink sink_name=system_sound sink_properties=device.description="System\\ Sound" format=float32le rate=44100 channels=2 norewinds=1
load-module module-null-sink sink_name=mic_feed sink_properties=device.description="Microphone\\ Feed" format=float32le rate=44100 channels=2 norewinds=1
load-module module-remap-source master=mic_feed.monitor source_name=test_microphone source_properties=device.description="Test\\ Microphone"
set-default-sink system_sound
set-default-source test_microphone
PA
    export XDG_RUNTIME_DIR=$dir
    export PULSE_RUNTIME_PATH=$runtime
    export PULSE_SERVER=unix:$runtime/native
    export PULSE_STATE_PATH=$dir/state
    export PULSE_CONFIG_PATH=$dir/config
    mkdir -p "$PULSE_STATE_PATH" "$PULSE_CONFIG_PATH"
    pulseaudio --daemonize=yes -n -F "$dir/fixture.pa" --exit-idle-time=-1 \
        --realtime=no --high-priority=no --disallow-exit=no --use-pid-file=yes \
        --log-target=file:"$dir/pulse.log" 2>>"$dir/pulse.log" || {
        echo "pulse-fixture: the daemon did not start" >&2; cat "$dir/pulse.log" >&2; exit 1; }
    for _ in $(seq 1 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.05
    done
    pactl info >/dev/null 2>&1 || { echo "pulse-fixture: the daemon does not answer" >&2; exit 1; }
    cat > "$dir/pulse.env" <<ENV
export XDG_RUNTIME_DIR=$dir
export PULSE_RUNTIME_PATH=$runtime
export PULSE_SERVER=unix:$runtime/native
export PULSE_STATE_PATH=$dir/state
export PULSE_CONFIG_PATH=$dir/config
ENV
    ;;
stop)
    if [ -f "$dir/pulse.env" ]; then
        # shellcheck disable=SC1091
        . "$dir/pulse.env"
        pulseaudio --kill >/dev/null 2>&1 || true
        pid=$(cat "$runtime/pid" 2>/dev/null || true)
        for _ in $(seq 1 40); do
            [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
    fi
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
