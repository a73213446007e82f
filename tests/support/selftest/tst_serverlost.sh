#!/usr/bin/env bash
# tst_serverlost.sh SOURCE_ROOT pulseaudio|pipewire: run-test.sh says that the
# private sound server dropped out (a line starting
# "VELMORA-SOUND-SERVER-LOST:") after a failed test under which a process of
# the server ended, and only then: not after a passing test, nor when the
# server was stopped on purpose, nor when it runs.
set -uo pipefail
source=$1 server=$2
runner=$source/tests/support/run-test.sh
fixture=$source/tests/support/pulse-fixture.sh
flag=--sound
[ "$server" = pipewire ] && flag=--pipewire
passed=0 failed=0

# Shell lines for the made-up test: the folder of the server, and its
# process the clients talk to.
dir='d=$(dirname "$PULSE_RUNTIME_PATH")'
if [ "$server" = pipewire ]; then
    main='$(awk '\''$2 == "pipewire-pulse" { print $1 }'\'' "$d/procs")'
    name=pipewire-pulse
else
    main='$(cat "$PULSE_RUNTIME_PATH/pid")'
    name=pulseaudio
fi
# The kill returns before the process has ended, which takes a while on a
# busy machine: the made-up test ends only once it has.
kill_main="p=$main; kill -9 \$p; while [ -e /proc/\$p ] && ! grep -q ') Z ' /proc/\$p/stat 2>/dev/null; do sleep 0.05; done"
kill="$dir; $kill_main"

# row NAME STATUS "SHELL LINES" WANTED: the test runs the lines and exits
# with STATUS; WANTED is the text of the line, or "" for no such line.
row() {
    local title=$1 status=$2 lines=$3 want=$4 out got
    out=$(bash "$runner" "$flag" -- sh -c "$lines; exit $status" 2>/dev/null)
    got=$(grep '^VELMORA-SOUND-SERVER-LOST:' <<<"$out")
    if { [ -z "$want" ] && [ -n "$got" ]; } || { [ -n "$want" ] && ! grep -qF -- "$want" <<<"$got"; }; then
        failed=$((failed + 1))
        echo "FAIL: $title"; echo "  got:  ${got:-no such line}"; echo "  want: ${want:-no such line}"
    else
        passed=$((passed + 1))
    fi
}

lost="VELMORA-SOUND-SERVER-LOST: the private $server server's $name ("
row "the server ended under a failed test" 1 "$kill" "$lost"
row "the server ended under a passing test" 0 "$kill" ""
row "the server runs" 1 "true" ""
row "the test stopped the server" 1 "$dir; $fixture stop \$d" ""
row "the test started it again, and it ended" 1 "$dir; $fixture stop \$d && $fixture start \$d && $kill_main" "$lost"

echo "$passed passed, $failed failed"
[ $failed = 0 ]
