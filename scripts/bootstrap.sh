#!/usr/bin/env bash
# Set-up on Debian 12 as root:
#   scripts/bootstrap.sh run    install what is missing, build, start the program
#   scripts/bootstrap.sh test   install what is missing, build, run every test
# JOBS (default: the number of processors) is how many compilers and tests
# run at once: JOBS=2 bash scripts/bootstrap.sh test
# LOAD=n (test only) keeps n busy loops running for the whole test command,
# as on a busy machine: LOAD=2 JOBS=2 taskset -c 0,1 bash scripts/bootstrap.sh test
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case $mode in run|test) ;; *) echo "usage: [JOBS=n] [LOAD=n] $0 run|test" >&2; exit 2 ;; esac
jobs=${JOBS:-$(nproc)}
[[ $jobs =~ ^[1-9][0-9]*$ ]] || { echo "JOBS must be a whole number above 0, not \"$jobs\"" >&2; exit 2; }
load=${LOAD:-0}
[[ $load =~ ^[0-9]+$ ]] || { echo "LOAD must be a whole number, not \"$load\"" >&2; exit 2; }
if [ "$mode" = run ] && [ "$load" != 0 ]; then
    echo "LOAD is for the test command only" >&2
    exit 2
fi

# ffmpeg (the command-line tool) is here for the tests, which make their media
# files with it; the program itself only links the libraries. The XCB and X11
# extras packages serve the global hot keys and, with XFixes, the pointer's
# image; xdotool presses keys and moves the pointer in the tests.
# desktop-file-utils checks the installed desktop entry in the tests.
# The sound tests run on a private PulseAudio and again on a private PipeWire
# pulse server. The end-to-end test drives the program on a desktop of its own:
# openbox manages its windows, at-spi2-core publishes its controls, x11-utils
# (xprop) watches the display, espeak-ng speaks what it records. libssl-dev
# gives the zip archive its AES; the zip tests check it against p7zip-full's 7z.
# lld links the two hundred test programs several times faster than the
# default linker (the build uses it when it is there).
packages=(g++ cmake ninja-build pkg-config qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
          libavformat-dev libavcodec-dev libavfilter-dev libswresample-dev libavutil-dev
          libswscale-dev libtag1-dev libpulse-dev pulseaudio pulseaudio-utils dbus
          libminizip-dev zlib1g-dev xvfb xauth libgl1-mesa-dri fonts-dseg ffmpeg
          libqt5x11extras5-dev libxcb1-dev libxcb-keysyms1-dev libxcb-xfixes0-dev xdotool
          pipewire pipewire-pulse pipewire-bin wireplumber desktop-file-utils
          openbox at-spi2-core x11-utils espeak-ng dbus-bin libssl-dev p7zip-full lld)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

# The program alone, optimised and with debug information; warnings stay
# warnings (a newer compiler's new warning must not stop a user). A build
# folder made by the test command keeps that one's settings.
if [ "$mode" = run ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j "$jobs" --target velmora-audio-recorder
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" build/bin/velmora-audio-recorder
    fi
    exec build/bin/velmora-audio-recorder
fi

# shellcheck source=scripts/background.sh
. scripts/background.sh
if [ "$load" != 0 ]; then
    start_load "$load"
    echo "Running with $load busy loops: ${busy_pids[*]}"
fi

# The tests are built with warnings as errors. Debug information costs a
# fifth of the compile time and most of the link time and disk: the whole
# tree, benchmarks included (they cost a thirtieth of it), is built with the
# program's optimisation and none; the sanitizer folders keep line tables
# for their reports.
stage_start=$SECONDS
stages=()
# Each stage with the machine's load average (one minute) at its end.
stage_done() {
    stages+=("$1: $((SECONDS - stage_start)) s (load $(cut -d' ' -f1 /proc/loadavg))")
    stage_start=$SECONDS
}
nodebug="-O2 -g0 -DNDEBUG"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$nodebug" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$nodebug"
cmake --build build -j "$jobs"
stage_done "build"

# Which layer may include what (FFmpeg, TagLib, libpulse, widgets).
bash scripts/check-layers.sh

# Every test runs once and must pass. A failed sound test runs once more to
# tell what failed: passing then still fails the command, unless the sound
# server dropped out under it (scripts/testrun.sh). Every stage runs before
# the verdict. The sound tests play in real time, each on a server of its
# own: no more run at once than JOBS says, so a busy machine keeps up.
launcher=() # what ctest runs under (see the ThreadSanitizer build)
sound_jobs=$jobs
# shellcheck source=scripts/testrun.sh
. scripts/testrun.sh

# Leaks are not checked: Qt keeps process-wide objects until exit. The build
# step runs sanitized tools too (the picture generator).
sanitizer_env=(ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
linetables=(-DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1)

# Whole suite, then the tests labelled "sanitize" again in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, which builds only them
# (and what they run). That build starts beside the tests at the lowest
# priority, taking the processor time they leave while they wait, and is
# raised to the normal one once they are done.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_WERROR=ON "${linetables[@]}"
start_background build-sanitize/background-build.log \
    env "${sanitizer_env[@]}" cmake --build build-sanitize -j "$jobs" --target velmora_sanitize_tests
run_tests build
stage_done "tests (the sanitizer build beside them)"
finish_background
stage_done "sanitizer build, the rest"

# The threaded suites (label "tsan") again under ThreadSanitizer, in a build
# folder that builds only them, beside the sanitizer tests as above. Its
# runtime cannot map its shadow memory on kernels that randomise more
# address bits than it knows (vm.mmap_rnd_bits above 28); there the tests
# run with randomisation off for them alone.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_TSAN=ON -DVELMORA_WERROR=ON "${linetables[@]}"
start_background build-tsan/background-build.log cmake --build build-tsan -j "$jobs" --target velmora_tsan_tests
export "${sanitizer_env[@]}"
run_tests build-sanitize -L sanitize
unset ASAN_OPTIONS UBSAN_OPTIONS
stage_done "sanitizer tests (the ThreadSanitizer build beside them)"
finish_background
stage_done "ThreadSanitizer build, the rest"
if ! QT_QPA_PLATFORM=offscreen build-tsan/bin/tst_utilthread -functions >/dev/null 2>&1; then
    echo "ThreadSanitizer cannot start with this address layout: running its tests without randomisation"
    launcher=(setarch "$(uname -m)" -R)
fi
run_tests build-tsan -L tsan
launcher=()
stage_done "ThreadSanitizer tests"

echo "== Time by stage (JOBS=$jobs, LOAD=$load)"
printf '  %s\n' "${stages[@]}"
report_tests
