#!/usr/bin/env bash
# Private sound server for tests, runnable as root without a session bus.
#   pulse-fixture.sh start DIR [pulseaudio|pipewire]   starts it with its runtime
#                                                      in DIR and writes DIR/pulse.env
#   pulse-fixture.sh stop DIR                          stops it
#   pulse-fixture.sh check DIR                         fails, saying which, when a
#                                                      process of it ended unasked
# The server is PulseAudio, or PipeWire's pulse server (pipewire, wireplumber
# and pipewire-pulse on a private session bus); without the argument it is
# $VELMORA_SOUND_SERVER, else the one DIR ran last, else PulseAudio.
# Either has two null sinks: "system_sound" (stands for the speakers, the
# default output) and "mic_feed" (whatever plays into it is heard by the
# microphone), and the source "test_microphone" remapped from mic_feed's
# monitor, which is the default input.
set -euo pipefail

cmd=${1:-}
dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop|check DIR [pulseaudio|pipewire]" >&2; exit 2; }

runtime=$dir/pulse
kind=${3:-${VELMORA_SOUND_SERVER:-}}
[ -n "$kind" ] || kind=$(cat "$dir/server" 2>/dev/null || echo pulseaudio)
case $kind in pulseaudio|pipewire) ;; *) echo "pulse-fixture: unknown server $kind" >&2; exit 2 ;; esac

# Module arguments quoted the way both servers read alike: the property list
# in single quotes, a value with blanks in double quotes.
devices() {
    cat <<PA
load-module module-null-sink sink_name=system_sound sink_properties='device.description="System Sound"' format=float32le rate=44100 channels=2 norewinds=1
load-module module-null-sink sink_name=mic_feed sink_properties='device.description="Microphone Feed"' format=float32le rate=44100 channels=2 norewinds=1
load-module module-remap-source master=mic_feed.monitor source_name=test_microphone source_properties='device.description="Test Microphone"'
set-default-sink system_sound
set-default-source test_microphone
PA
}

# pactl gives up on an unanswered request after libpulse's 30 s; the time-out
# only backs that up. A busy machine was seen to take more than 10 s over
# loading a module on PipeWire (its session manager, starved too, probably
# holds the answer).
pa() { timeout 40 pactl "$@"; }

wait_until() {   # tries every 50 ms for up to 30 s: a busy machine starts a server slowly
    local end=$((SECONDS + 30))
    while [ "$SECONDS" -lt "$end" ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    "$@" >/dev/null 2>&1
}

defaults_are_set() {
    [ "$(pa get-default-sink)" = system_sound ] && [ "$(pa get-default-source)" = test_microphone ]
}

has_default_metadata() {
    timeout 10 pw-metadata -n default 2>/dev/null | grep -q '^Found "default" metadata'
}

# Background processes of the fixture keep no descriptor of the caller's
# (CTest would wait for them), and their ids go into DIR/pids (with their
# names into DIR/procs). They stay in the caller's session: the kernel here
# (6.18) schedules each session as a group, and was measured to stop
# charging a group that ran without a break, so that the runnable threads of
# a server in a session of its own waited for up to a minute beside a busy
# test session.
spawn() {
    local log=$1; shift
    "$@" </dev/null >>"$log" 2>&1 &
    echo $! >>"$dir/pids"
    echo "$! $1" >>"$dir/procs"
}

# Whether the process PID still runs as NAME (not ended, not a zombie, and
# its id not taken by another program since).
runs_as() {
    local stat state
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    state=${stat##*) }
    [ "${state%% *}" != Z ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]
}

# Every process of the server still runs, or the server was stopped on
# request (DIR/stopped); else says which ended, and fails.
check_server() {
    [ -f "$dir/stopped" ] && return 0
    local server procs pid name gone=()
    server=$(cat "$dir/server" 2>/dev/null) || return 0 # never started here
    if [ "$server" = pulseaudio ]; then
        procs="$(cat "$runtime/pid" 2>/dev/null) pulseaudio"
    else
        procs=$(cat "$dir/procs" 2>/dev/null)
    fi
    [ -n "$procs" ] || procs=$server
    while read -r pid name; do
        [ -n "$name" ] || name=$pid pid="no process id"
        runs_as "$pid" "$name" || gone+=("$name ($pid)")
    done <<<"$procs"
    [ ${#gone[@]} = 0 ] && return 0
    echo "the private $server server's ${gone[*]} ended though nothing stopped it"
    return 1
}

start_pulseaudio() {
    { echo "load-module module-native-protocol-unix auth-anonymous=1 socket=$runtime/native"; devices; } \
        >"$dir/fixture.pa"
    export PULSE_STATE_PATH=$dir/state
    export PULSE_CONFIG_PATH=$dir/config
    mkdir -p "$PULSE_STATE_PATH" "$PULSE_CONFIG_PATH"
    spawn "$dir/pulse.log" pulseaudio --daemonize=no -n -F "$dir/fixture.pa" --exit-idle-time=-1 \
        --realtime=no --high-priority=no --disallow-exit=no --use-pid-file=yes \
        --log-target=file:"$dir/pulse.log"
    wait_until pa info || { echo "pulse-fixture: the daemon does not answer" >&2; cat "$dir/pulse.log" >&2; exit 1; }
}

start_pipewire() {
    local log=$dir/pipewire.log
    # Its own bus, and its own state: nothing of a previous run is restored.
    export XDG_STATE_HOME=$dir/state XDG_CONFIG_HOME=$dir/config
    mkdir -p "$XDG_STATE_HOME" "$XDG_CONFIG_HOME"
    local bus
    bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=3 3>"$dir/bus.pid" </dev/null)
    cat "$dir/bus.pid" >>"$dir/pids"
    echo "$(cat "$dir/bus.pid") dbus-daemon" >>"$dir/procs"
    export DBUS_SESSION_BUS_ADDRESS=$bus
    unset PULSE_SERVER
    spawn "$log" pipewire
    wait_until test -S "$dir/pipewire-0" || { echo "pulse-fixture: pipewire did not start" >&2; cat "$log" >&2; exit 1; }
    spawn "$log" wireplumber
    # Pulse clients only once the session manager holds the defaults: one that
    # came and went while it was still answering its binding of them would
    # leave this server telling no connection when the defaults change.
    wait_until has_default_metadata || { echo "pulse-fixture: wireplumber did not start" >&2; cat "$log" >&2; exit 1; }
    spawn "$log" pipewire-pulse
    export PULSE_SERVER=unix:$runtime/native
    wait_until pa info || { echo "pulse-fixture: pipewire-pulse does not answer" >&2; cat "$log" >&2; exit 1; }
    local verb what args
    while read -r verb what args; do
        # The rest of the line goes as it stands, quotes included.
        pa "$verb" "$what" ${args:+"$args"} >/dev/null || {
            echo "pulse-fixture: $verb $what failed" >&2; cat "$log" >&2; exit 1; }
    done < <(devices)
    # The session manager applies the defaults a moment later.
    wait_until defaults_are_set || { echo "pulse-fixture: the defaults were not taken" >&2; exit 1; }
}

stop_all() {
    if [ -f "$dir/pulse.env" ]; then
        # shellcheck disable=SC1091
        . "$dir/pulse.env"
        [ "$(cat "$dir/server" 2>/dev/null)" = pulseaudio ] && { pulseaudio --kill >/dev/null 2>&1 || true; }
    fi
    local pids
    pids=$(cat "$dir/pids" 2>/dev/null || true)
    [ "$(cat "$dir/server" 2>/dev/null)" = pulseaudio ] && pids="$pids $(cat "$runtime/pid" 2>/dev/null || true)"
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    for _ in $(seq 1 40); do
        local alive=0
        for pid in $pids; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ $alive = 0 ] && break
        sleep 0.05
    done
    for pid in $pids; do kill -9 "$pid" 2>/dev/null || true; done
    rm -f "$dir/pids" "$dir/procs" "$runtime/pid" "$runtime/native" "$dir/pipewire-0" "$dir/pipewire-0.lock"
    touch "$dir/stopped"
}

case $cmd in
start)
    mkdir -p "$runtime"
    chmod 700 "$dir" "$runtime"
    rm -f "$dir/pids" "$dir/procs" "$dir/stopped"
    echo "$kind" >"$dir/server"
    export XDG_RUNTIME_DIR=$dir
    export PULSE_RUNTIME_PATH=$runtime
    export PULSE_SERVER=unix:$runtime/native
    "start_$kind"
    cat > "$dir/pulse.env" <<ENV
export XDG_RUNTIME_DIR=$dir
export PULSE_RUNTIME_PATH=$runtime
export PULSE_SERVER=unix:$runtime/native
export PULSE_STATE_PATH=$dir/state
export PULSE_CONFIG_PATH=$dir/config
export VELMORA_SOUND_SERVER=$kind
ENV
    ;;
stop)
    stop_all ;;
check)
    check_server ;;
*)
    echo "usage: $0 start|stop|check DIR [pulseaudio|pipewire]" >&2; exit 2 ;;
esac
