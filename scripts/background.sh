# What runs beside the test command; sourced by bootstrap.sh (and by its
# test). Whatever is started here ends when the shell ends, however it ends
# (bash runs its EXIT trap also when a signal ends it).
#
#   start_load N               N busy loops (LOAD=n: a busy machine), on the
#                              processors the shell may use (taskset)
#   end_load                   ends them, by their process ids
#   start_background LOG CMD...
#                              runs CMD at the lowest priority, in a process
#                              group of its own, its output into LOG: a build
#                              takes what processor time the tests leave
#   finish_background          raises it to the normal priority, waits for
#                              it and prints LOG; returns CMD's status
#   end_background             raises it, then ends it and what it started

busy_pids=()
background_pid=
background_log=

end_load() {
    [ ${#busy_pids[@]} -gt 0 ] || return 0
    kill "${busy_pids[@]}" 2>/dev/null || true
    wait "${busy_pids[@]}" 2>/dev/null || true
    busy_pids=()
}

# Each loop sleeps a millisecond every 50 ms, and so keeps a processor 98%
# busy. A loop that never sleeps was seen to stop the kernel (6.18 here,
# where each session is scheduled as a group) from charging its session's
# group for the time it ran: every task of another session on that
# processor then waited on its run queue, for up to a minute, the private
# sound servers among them.
busy_loop='exec {fd}<> <(:)
while :; do
    now=${EPOCHREALTIME//[!0-9]/} # microseconds, whatever the decimal sign
    end=$((now + 50000))
    while ((now < end)); do now=${EPOCHREALTIME//[!0-9]/}; done
    read -r -t 0.001 -u "$fd" _
done'

start_load() { # N
    local i
    for ((i = 0; i < $1; i++)); do
        bash -c "$busy_loop" &
        busy_pids+=($!)
    done
}

start_background() { # LOG COMMAND...
    background_log=$1
    shift
    # A child of a shell without job control leads no group, so setsid makes
    # it the leader of a new one without forking: its id names the group.
    setsid nice -n 19 "$@" >"$background_log" 2>&1 </dev/null &
    background_pid=$!
    # Once it leads its group at its priority, the group can be raised.
    local group level _
    for _ in $(seq 1 100); do
        read -r group level < <(ps -o pgid=,ni= -p "$background_pid") || break
        [ "$group" = "$background_pid" ] && [ "$level" = 19 ] && break
        sleep 0.05
    done
    # A new session is a scheduling group of its own where the kernel groups
    # sessions (autogroup): it would weigh as much as the tests, whatever
    # its processes' priority, unless the group's own is lowered too.
    set_autogroup_priority 19
}

set_autogroup_priority() { # LEVEL: of the background command's session, where there is one
    [ -w "/proc/$background_pid/autogroup" ] || return 0
    echo "$1" >"/proc/$background_pid/autogroup" 2>/dev/null || true
}

# Back to the normal priority, the build and its session's group. Root may
# raise them; anyone else's stay as they are.
raise_background() {
    set_autogroup_priority 0
    renice -n 0 -g "$background_pid" >/dev/null 2>&1 || true
}

finish_background() {
    local status=0
    [ -n "$background_pid" ] || return 0
    raise_background
    wait "$background_pid" || status=$?
    background_pid=
    cat "$background_log"
    return $status
}

end_background() {
    [ -n "$background_pid" ] || return 0
    # At the lowest priority beside busy loops, a build may not be run for
    # long enough to take its signal and end.
    raise_background
    kill -TERM -- -"$background_pid" 2>/dev/null || true
    wait "$background_pid" 2>/dev/null || true
    background_pid=
}

# The loops first: they end at once, and a build that is slow to end then
# has the processors.
trap 'end_load; end_background' EXIT
