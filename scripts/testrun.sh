# Runs the tests of a build folder and keeps the verdict of the whole test
# command; sourced by bootstrap.sh (and by its test, on made-up suites).
#
#   run_tests DIR [CTEST_ARGS...]   every test once; a failed "sound" test once more
#   report_tests                    prints the lists; fails if any is not empty
#
# A sound test that passes only when run again is a fault to mend, so it
# fails the command too, unless its first failure said the sound server
# dropped out under it (a line starting "VELMORA-SOUND-SERVER-LOST:", from
# the test or from run-test.sh): that one is listed and forgiven.
# Uses: jobs (ctest's parallelism), sound_jobs (the same for the sound
# tests; jobs when unset), launcher (what ctest runs under).

failed_tests=()  # failed (sound tests: failed twice)
retried_tests=() # sound tests that passed only when run again
lost_tests=()    # the same, whose first failure was the sound server dropping out

server_lost_line() { # LASTTEST_LOG NAME: the line that classified NAME's failure
    awk -v name="$2" '
        $0 ~ "^[0-9]+/[0-9]+ Testing: " { mine = ($3 == name); out = 0; next }
        mine && $0 == "Output:" { out = 1; next }
        mine && $0 == "<end of output>" { out = 0; next }
        mine && out && index($0, "VELMORA-SOUND-SERVER-LOST:") == 1 { print; found = 1; exit }
        END { exit !found }' "$1"
}

in_list() { # WORD ITEMS...
    local word=$1 item
    shift
    for item in "$@"; do [ "$item" = "$word" ] && return 0; done
    return 1
}

# ctest in DIR with ARGS; the failed tests' names go to the array
# ctest_failed. Returns 1 when tests failed, 2 when ctest failed without
# naming any (no test found, a bad argument).
ctest_failed=()
run_ctest() { # DIR ARGS...
    local dir=$1 rc=0 list=$1/Testing/Temporary/LastTestsFailed.log
    shift
    # ctest writes the list only when tests failed and never removes it; a
    # run again reads it.
    [ "$1" = --rerun-failed ] || rm -f "$list"
    "${launcher[@]}" ctest --test-dir "$dir" --output-on-failure "$@" || rc=$?
    ctest_failed=()
    [ $rc = 0 ] && return 0
    [ -s "$list" ] && mapfile -t ctest_failed < <(cut -d: -f2- "$list")
    [ ${#ctest_failed[@]} -gt 0 ] && return 1
    ctest_failed=("ctest (exit $rc)")
    return 2
}

run_tests() { # DIR [CTEST_ARGS...]
    local dir=$1 name
    shift
    local rc=0
    run_ctest "$dir" -j "$jobs" -LE sound "$@" || failed_tests+=("${ctest_failed[@]/#/$dir: }")
    run_ctest "$dir" -j "${sound_jobs:-$jobs}" -L sound "$@" || rc=$?
    [ $rc = 0 ] && return 0
    if [ $rc = 2 ]; then
        failed_tests+=("$dir: ${ctest_failed[0]}")
        return 0
    fi
    local first=("${ctest_failed[@]}") first_log=$dir/Testing/Temporary/FirstSoundRun.log
    cp "$dir/Testing/Temporary/LastTest.log" "$first_log"
    echo "Running again: ${first[*]}"
    local again=()
    rc=0
    run_ctest "$dir" --rerun-failed || rc=$?
    if [ $rc = 2 ]; then
        failed_tests+=("$dir: ${ctest_failed[0]} running again ${first[*]}")
        return 0
    fi
    [ $rc = 0 ] || again=("${ctest_failed[@]}")
    for name in "${first[@]}"; do
        local line
        if in_list "$name" "${again[@]}"; then
            failed_tests+=("$dir: $name (failed twice)")
        elif line=$(server_lost_line "$first_log" "$name"); then
            lost_tests+=("$dir: $name ($line)")
        else
            retried_tests+=("$dir: $name")
        fi
    done
}

report_tests() {
    local verdict=0
    echo "== Test summary"
    if [ ${#lost_tests[@]} -gt 0 ]; then
        echo "Sound tests that passed when run again after the sound server dropped out under them (not counted):"
        printf '  %s\n' "${lost_tests[@]}"
    fi
    if [ ${#retried_tests[@]} -gt 0 ]; then
        echo "Sound tests that passed only when run again (each a fault to mend):"
        printf '  %s\n' "${retried_tests[@]}"
        verdict=1
    else
        echo "Sound tests that passed only when run again: none"
    fi
    if [ ${#failed_tests[@]} -gt 0 ]; then
        echo "Failed tests:"
        printf '  %s\n' "${failed_tests[@]}"
        verdict=1
    fi
    [ $verdict = 0 ] && echo "Every test passed."
    return $verdict
}
