#!/usr/bin/env bash
# Runs one test in a sandbox of its own:
#   run-test.sh [--sound|--pipewire] [--xvfb] [--dbus] -- COMMAND [ARGS...]
# It gets a private HOME and XDG folders (never the real user's files) and the
# offscreen platform; --sound starts a private PulseAudio daemon, --pipewire
# PipeWire's pulse server instead, --xvfb a virtual X display, --dbus a
# private session bus.
set -uo pipefail
sound=0 server=pulseaudio xvfb=0 dbus=0
while [ $# -gt 0 ]; do
    case $1 in
    --sound) sound=1 ;;
    --pipewire) sound=1 server=pipewire ;;
    --xvfb) xvfb=1 ;;
    --dbus) dbus=1 ;;
    --) shift; break ;;
    *) break ;;
    esac
    shift
done
here=$(cd "$(dirname "$0")" && pwd)

# The server's modules by name and argument (indices change when it restarts).
loaded_modules() {
    pactl list short modules 2>/dev/null | awk -F'\t' '$2 ~ /^module-/ { print $2 "\t" $3 }' | sort
}
tmp=$(mktemp -d /tmp/velmora-test.XXXXXX)
cleanup() {
    [ $sound = 1 ] && "$here/pulse-fixture.sh" stop "$tmp/sound" >/dev/null 2>&1
    rm -rf "$tmp"
}
trap cleanup EXIT

export HOME=$tmp/home
export XDG_CONFIG_HOME=$tmp/home/.config
export XDG_DATA_HOME=$tmp/home/.local/share
export XDG_CACHE_HOME=$tmp/home/.cache
export XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
# No session bus unless --dbus gives one: an address nobody listens on, so
# that libdbus never launches a bus of its own (a daemon left behind, and a
# fork from a threaded process that the sanitizer's allocator can deadlock).
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/no-session-bus
unset PULSE_SERVER PULSE_RUNTIME_PATH

if [ $sound = 1 ]; then
    mkdir -p "$tmp/sound"
    "$here/pulse-fixture.sh" start "$tmp/sound" "$server" || exit 1
    # shellcheck disable=SC1091
    . "$tmp/sound/pulse.env"
    loaded_modules > "$tmp/modules.before"
fi

cmd=("$@")
if [ $dbus = 1 ]; then
    cmd=(dbus-run-session -- "${cmd[@]}")
fi
if [ $xvfb = 1 ]; then
    export QT_QPA_PLATFORM=xcb
    cmd=(xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "${cmd[@]}")
fi
"${cmd[@]}"
status=$?
if [ $status != 0 ] && [ $sound = 1 ]; then
    # What the server said, for a failure that does not come again.
    for log in "$tmp/sound/"*.log; do
        [ -s "$log" ] && { echo "run-test: the end of $(basename "$log"):"; tail -n 40 "$log"; } >&2
    done
    # A server that ended under the test: the test command tells that apart
    # from a fault of the program's (scripts/testrun.sh).
    if ! gone=$("$here/pulse-fixture.sh" check "$tmp/sound"); then
        printf '\nVELMORA-SOUND-SERVER-LOST: %s\n' "$gone"
    fi
fi
if [ $sound = 1 ]; then
    # Nothing a test loaded may stay behind on the server (an unload is
    # acknowledged a moment before it is carried out).
    for _ in $(seq 1 20); do
        left=$(loaded_modules | comm -13 "$tmp/modules.before" -)
        [ -z "$left" ] && break
        sleep 0.05
    done
    if [ -n "$left" ]; then
        echo "run-test: modules left loaded after the test:" >&2
        echo "$left" >&2
        [ $status = 0 ] && status=1
    fi
fi
exit $status
