#!/usr/bin/env bash
# Runs a command on a desktop of its own: a virtual display that outlives its
# clients (the program under test is started more than once) with a window
# manager, as a user's session has.
#   desktop-session.sh COMMAND [ARGS...]
set -uo pipefail
dir=$(mktemp -d /tmp/velmora-desktop.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$dir"
}
trap cleanup EXIT

# Tries every 50 ms for up to 30 s: a busy machine can take more than ten
# to bring a server up. Gives up early once the server it waits for ended.
wait_until() {   # wait_until PID COMMAND [ARGS...]
    local pid=$1
    shift
    for _ in $(seq 1 600); do
        "$@" >/dev/null 2>&1 && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# The server picks a free display and writes its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
pids+=($!)
wait_until "${pids[-1]}" test -s "$dir/display" || { echo "desktop-session: Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$dir/display")

openbox --sm-disable </dev/null >"$dir/openbox.log" 2>&1 &
pids+=($!)
# A window manager announces itself on the root window.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wait_until "${pids[-1]}" wm_running || { echo "desktop-session: openbox did not start" >&2; cat "$dir/openbox.log" >&2; exit 1; }

# As a desktop's log-in does: services the session bus starts from now on
# (the accessibility bus among them) know the display.
if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    dbus-update-activation-environment DISPLAY || { echo "desktop-session: the session bus did not take the display" >&2; exit 1; }
fi

export QT_QPA_PLATFORM=xcb
"$@"
