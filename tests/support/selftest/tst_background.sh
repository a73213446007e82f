#!/usr/bin/env bash
# tst_background.sh SOURCE_ROOT: what the test command runs beside itself
# (scripts/background.sh). The busy loops of LOAD=n run, sleep now and then,
# keep the processors they are given; a background build runs at the lowest priority in a group
# of its own, is raised and waited for with its status and output; and both
# end with the shell that started them however it ends: done, failed, or
# ended by a signal.
set -uo pipefail
source=$1
passed=0 failed=0
tmp=$(mktemp -d)
# The first processor this test may use: the loops are pinned there.
cpu=$(taskset -cp $$ | awk '{ print $NF }' | cut -d, -f1 | cut -d- -f1)
trap 'rm -rf "$tmp"' EXIT

check() { # TITLE CONDITION...
    local title=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $title"; fi
}
alive() { # PID: running, not a zombie
    [ -e "/proc/$1" ] && [ "$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)" != Z ]
}
none_alive() { local p; for p in "$@"; do alive "$p" && return 1; done; return 0; }
# Waits for the loops to end; a busy machine may take its time to run the
# shell's traps, so the bound is generous and only a failure waits it out.
ended() { local _; for _ in $(seq 1 600); do none_alive "$@" && return 0; sleep 0.05; done; return 1; }
# The loop spends processor time: its clock ticks move on.
busy() { # PID
    local before after _
    before=$(awk '{ print $14 }' "/proc/$1/stat")
    for _ in $(seq 1 40); do
        after=$(awk '{ print $14 }' "/proc/$1/stat" 2>/dev/null) || return 1
        [ "$after" -gt "$before" ] && return 0
        sleep 0.05
    done
    return 1
}
# The loop sleeps now and then: its count of switches it asked for moves on.
# (One that never sleeps starves other sessions on this kernel.)
sleeps() { # PID
    local before after _
    before=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/status")
    for _ in $(seq 1 100); do
        sleep 0.05
        after=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
        [ "$after" -gt "$before" ] && return 0
    done
    return 1
}

# A shell that starts the loops, writes their ids, then ends as told.
# (Ctrl+C is not tried: a shell started in the background ignores SIGINT.)
# With slow, the build ends only once the test lets it (a file appears), and
# writes the priority it was given to end.
starter() { # HOW (exit|fail|term|hup|slow)
    local ending=
    [ "$1" = slow ] && ending="trap 'nice > $tmp/endnice; until [ -e $tmp/release ]; do sleep 0.05; done; exit 0' TERM;"
    cat >"$tmp/starter.sh" <<SH
set -eu
. "$source/scripts/background.sh"
start_load 2
start_background "$tmp/bg.log" sh -c "$ending"'sleep 300 & echo \$! > "$tmp/bgchild"; wait'
# At the lowest priority on a busy machine the build may wait seconds to run.
for _ in \$(seq 1 1200); do [ -s "$tmp/bgchild" ] && break; sleep 0.05; done
echo "\${busy_pids[*]} \$background_pid \$(cat "$tmp/bgchild")" > "$tmp/pids"
case \$1 in
exit) exit 0 ;;
fail) false ;;
*) touch "$tmp/ready"; while :; do sleep 0.05; done ;;
esac
SH
    rm -f "$tmp/pids" "$tmp/ready" "$tmp/bgchild" "$tmp/release"
    case $1 in
    exit|fail) taskset -c "$cpu" bash "$tmp/starter.sh" "$1" ;;
    term|hup|slow)
        taskset -c "$cpu" bash "$tmp/starter.sh" "$1" &
        local shell=$! _
        for _ in $(seq 1 1400); do [ -e "$tmp/ready" ] && break; sleep 0.05; done
        if [ "$1" = slow ]; then
            kill -TERM "$shell"
            # The loops end while the build still holds on.
            local loops
            read -ra loops < "$tmp/pids"
            ended "${loops[0]}" "${loops[1]}" && alive "${loops[2]}" && echo yes > "$tmp/loopsfirst"
            touch "$tmp/release"
        else
            kill -"${1^^}" "$shell"
        fi
        # A shell that goes on after the signal is ended here, and its loops
        # are then found running.
        ended "$shell" || kill -KILL "$shell"
        wait "$shell" ;;
    esac
}

# Loops of this shell: they run, on the processors given, until end_load.
(
    . "$source/scripts/background.sh"
    taskset -cp "$cpu" $BASHPID >/dev/null
    start_load 3
    pids=("${busy_pids[@]}")
    check "start_load 3 starts three loops" [ ${#pids[@]} = 3 ]
    for p in "${pids[@]}"; do
        check "loop $p runs" busy "$p"
        check "loop $p sleeps now and then" sleeps "$p"
        check "loop $p keeps to the given processor" \
            [ "$(awk '/^Cpus_allowed_list/ { print $2 }' "/proc/$p/status")" = "$cpu" ]
    done
    end_load
    check "end_load ends every loop" ended "${pids[@]}"
    check "end_load forgets them" [ ${#busy_pids[@]} = 0 ]
    end_load
    echo "$passed $failed" > "$tmp/counts"
)
read -r passed failed < "$tmp/counts"

# A build beside the tests: lowest priority, a group of its own; raised and
# waited for, it gives its status and output.
(
    . "$source/scripts/background.sh"
    # It runs until told to end: a loaded machine may take longer than any
    # fixed time to start it and look at it.
    start_background "$tmp/build.log" sh -c 'echo built; while [ ! -e "$1" ]; do sleep 0.05; done; exit 3' sh "$tmp/go"
    pid=$background_pid
    check "the build runs at the lowest priority" [ "$(ps -o ni= -p "$pid" | tr -d ' ')" = 19 ]
    check "the build leads a group of its own" [ "$(ps -o pgid= -p "$pid" | tr -d ' ')" = "$pid" ]
    # Where the kernel schedules sessions as groups, its session's group too.
    if [ -e /proc/self/autogroup ]; then
        check "the build's session is scheduled at the lowest priority" grep -q ' nice 19$' "/proc/$pid/autogroup"
    fi
    touch "$tmp/go"
    finish_background >"$tmp/out"
    status=$?
    check "finish_background gives the build's status" [ $status = 3 ]
    check "finish_background prints the build's output" [ "$(cat "$tmp/out")" = built ]
    # Raised to the normal priority while it is waited for (root may).
    if [ "$(id -u)" = 0 ]; then
        # It looks for up to 10 s, so a raise that comes late on a loaded
        # machine still counts, and one that never comes does not.
        start_background "$tmp/build.log" sh -c 'for _ in $(seq 200); do
                [ "$(ps -o ni= -p $$ | tr -d " ")" = 0 ] &&
                    { [ ! -e /proc/$$/autogroup ] || grep -q " nice 0$" /proc/$$/autogroup; } && break
                sleep 0.05
            done
            ps -o ni= -p $$; cat /proc/$$/autogroup 2>/dev/null'
        finish_background >"$tmp/raised"
        check "finish_background raises the build to the normal priority" [ "$(head -1 "$tmp/raised" | tr -d ' ')" = 0 ]
        if [ -e /proc/self/autogroup ]; then
            check "finish_background raises the build's session too" grep -q ' nice 0$' "$tmp/raised"
        fi
    fi
    check "finish_background forgets it" [ -z "$background_pid" ]
    check "finish_background without a build does nothing" finish_background
    echo "$passed $failed" > "$tmp/counts"
)
read -r passed failed < "$tmp/counts"

for how in exit fail term hup slow; do
    rm -f "$tmp/loopsfirst"
    starter "$how" >/dev/null 2>&1
    if [ "$how" = slow ]; then
        check "a shell that ends ends its loops before its slow build" \
            [ "$(cat "$tmp/loopsfirst" 2>/dev/null)" = yes ]
        # Starved at the lowest priority, it might not run to end (root may raise it).
        [ "$(id -u)" = 0 ] && check "a shell that ends raises its build to end it" \
            [ "$(cat "$tmp/endnice" 2>/dev/null)" = 0 ]
    fi
    read -ra pids < "$tmp/pids"
    check "a shell that ends ($how) started two loops and a build with a child" [ ${#pids[@]} = 4 ]
    check "a shell that ends ($how) leaves no loop and no build" ended "${pids[@]}"
    kill "${pids[@]}" 2>/dev/null
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
