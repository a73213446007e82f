#!/usr/bin/env bash
# tst_testrun.sh SOURCE_ROOT: the test command's verdict (scripts/testrun.sh)
# on made-up suites run by the real ctest. A sound test that passes only when
# run again fails the command unless its first failure said the sound server
# dropped out; a test that fails twice, or any other failed test, fails it.
set -uo pipefail
source=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0 n=0

# A made-up test: MODE and a state file that tells its first run from the next.
cat >"$tmp/fake.sh" <<'SH'
#!/bin/sh
mode=$1 seen=$2
first=1; [ -e "$seen" ] && first=0; touch "$seen"
case $mode in
pass) exit 0 ;;
fail) echo "it failed"; exit 1 ;;
flaky) [ $first = 0 ]; exit ;;
lost) [ $first = 0 ] && exit 0
      echo "PASS   : earlier case"; echo "VELMORA-SOUND-SERVER-LOST: the private pulseaudio ended"; exit 1 ;;
lostquoted) [ $first = 0 ] && exit 0
      echo "QDEBUG : saw 'VELMORA-SOUND-SERVER-LOST: nothing'"; exit 1 ;;
losttwice) echo "VELMORA-SOUND-SERVER-LOST: the private pipewire-pulse ended"; exit 1 ;;
esac
exit 2
SH

# suite DIR NAME:MODE:LABEL...: a build folder whose tests behave so.
suite() {
    local dir=$1 spec name mode label
    shift
    mkdir -p "$dir/src"
    { echo "cmake_minimum_required(VERSION 3.16)"; echo "project(fake NONE)"; echo "enable_testing()"
      for spec in "$@"; do
          IFS=: read -r name mode label <<<"$spec"
          echo "add_test(NAME $name COMMAND sh $tmp/fake.sh $mode $dir/$name.seen)"
          [ -n "$label" ] && echo "set_tests_properties($name PROPERTIES LABELS $label)"
      done; } >"$dir/src/CMakeLists.txt"
    cmake -S "$dir/src" -B "$dir" >/dev/null
}

# row NAME "SUITE..." FAILED RETRIED LOST VERDICT [OUTPUT]: runs the suite
# (words NAME:MODE:LABEL) and compares the lists (names joined by blanks),
# the verdict, and a text the summary must hold.
row() {
    local title=$1 tests=$2 want_failed=$3 want_retried=$4 want_lost=$5 want_verdict=$6 want_text=${7:-}
    local dir=$tmp/s$((n += 1)) got
    # shellcheck disable=SC2086
    suite "$dir" $tests
    got=$(
        jobs=2 launcher=()
        # shellcheck source=scripts/testrun.sh
        . "$source/scripts/testrun.sh"
        run_tests "$dir" >"$dir/run.out" 2>&1
        report_tests >"$dir/report.out"
        verdict=$?
        names() { local e; for e in "$@"; do e=${e#"$dir: "}; printf '%s ' "${e%% (*}"; done; }
        echo "failed=[$(names "${failed_tests[@]}")] retried=[$(names "${retried_tests[@]}")]" \
             "lost=[$(names "${lost_tests[@]}")] verdict=$verdict"
    )
    local want="failed=[$want_failed] retried=[$want_retried] lost=[$want_lost] verdict=$want_verdict"
    if [ "$got" != "$want" ]; then
        failed=$((failed + 1)); echo "FAIL: $title"; echo "  got:  $got"; echo "  want: $want"
        cat "$dir/report.out"
    elif [ -n "$want_text" ] && ! grep -qF -- "$want_text" "$dir/report.out"; then
        failed=$((failed + 1)); echo "FAIL: $title: the summary does not say \"$want_text\""
        cat "$dir/report.out"
    else
        passed=$((passed + 1))
    fi
}

row "every test passes" "a:pass:sound b:pass:" "" "" "" 0 "Every test passed."
row "a sound test that passes only when run again fails the command" \
    "a:flaky:sound b:pass:sound" "" "a " "" 1 "passed only when run again (each a fault to mend):"
row "the server dropped out under it: listed with its reason, not counted" \
    "a:lost:sound" "" "" "a " 0 "VELMORA-SOUND-SERVER-LOST: the private pulseaudio ended"
row "the marker must start its line" "a:lostquoted:sound" "" "a " "" 1
row "a sound test that fails twice fails, whatever it said" "a:losttwice:sound" "a " "" "" 1 "failed twice"
row "one test's marker does not excuse another" \
    "a:lost:sound b:flaky:sound" "" "b " "a " 1
row "a test outside the sound label runs once" "a:flaky:other" "a " "" "" 1
row "a failed test does not stop the sound tests" \
    "a:fail:other b:flaky:sound c:fail:sound" "a c " "b " "" 1

# Two folders: both run, and a retry in the first is not lost by the second.
got=$(
    jobs=2 launcher=()
    . "$source/scripts/testrun.sh"
    suite "$tmp/two1" "a:flaky:sound" && suite "$tmp/two2" "b:pass:sound"
    run_tests "$tmp/two1" >/dev/null 2>&1; run_tests "$tmp/two2" >/dev/null 2>&1
    report_tests >/dev/null
    verdict=$?
    echo "${#retried_tests[@]} $verdict"
)
if [ "$got" = "1 1" ]; then passed=$((passed + 1)); else
    failed=$((failed + 1)); echo "FAIL: a retry in an earlier folder still fails the command ($got)"; fi

echo "$passed passed, $failed failed"
[ $failed = 0 ]
