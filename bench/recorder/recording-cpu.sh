#!/usr/bin/env bash
# CPU of the program recording system sound to MP3 with its window shown,
# against `parec | lame` doing the same job: the same kind of monitor, the
# same music-like input (tones, noise, a changing envelope), the same
# length. Runs alternate, program then peer; each pair prints its ratio
# (program ÷ peer), and the end the minimum and median ratio.
#
# Needs a display and a private sound server, e.g. through the tests' runner:
#   tests/support/run-test.sh --sound --xvfb -- bench/recorder/recording-cpu.sh
#   tests/support/run-test.sh --pipewire --xvfb -- bench/recorder/recording-cpu.sh
# Options: --seconds N (recording length, 20), --pairs N (5),
#          --program PATH (build/bin/velmora-audio-recorder),
#          --peer-latency-msec N (parec's --latency-msec; by default parec
#          takes the server's large fragments, the program asks for 23 ms).
# Extra tools: lame, parec/paplay/pactl, xdotool, ffmpeg (the input).
# KEEP_WORK=1 keeps the work folder (recordings, the program's log).
#
# Both figures are CPU time (user+sys, all threads) read from /proc at the
# start and end of the same N-second window, which opens once the output file
# grows: the program's one process, the peer's parec and lame summed. Start-up
# and shut-down are counted on neither side.
set -euo pipefail

seconds=20 pairs=5 peer_latency=
here=$(cd "$(dirname "$0")" && pwd)
program=$here/../../build/bin/velmora-audio-recorder
while [ $# -gt 0 ]; do
    case $1 in
    --seconds) seconds=$2; shift ;;
    --pairs) pairs=$2; shift ;;
    --program) program=$2; shift ;;
    --peer-latency-msec) peer_latency="--latency-msec=$2"; shift ;;
    *) echo "recording-cpu: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
for tool in lame parec paplay pactl xdotool ffmpeg; do
    command -v $tool >/dev/null || { echo "recording-cpu: $tool is missing" >&2; exit 2; }
done
[ -n "${DISPLAY:-}" ] || { echo "recording-cpu: no display" >&2; exit 2; }
[ -x "$program" ] || { echo "recording-cpu: no program at $program" >&2; exit 2; }

work=$(mktemp -d /tmp/velmora-reccpu.XXXXXX)
peer_module=
player=
app=
peer_parec=
peer_lame=
cleanup() {
    [ -n "$peer_parec" ] && kill "$peer_parec" 2>/dev/null
    [ -n "$peer_lame" ] && kill "$peer_lame" 2>/dev/null
    [ -n "$player" ] && kill "$player" 2>/dev/null
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "$peer_module" ] && pactl unload-module "$peer_module" 2>/dev/null
    [ -n "${KEEP_WORK:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

tick=$(getconf CLK_TCK)
# utime + stime of a process, all its threads, in seconds.
cpu_of() { awk -v t="$tick" '{ sub(/.*\) /, ""); print ($12 + $13) / t }' "/proc/$1/stat"; }
# Each thread of a process: its id, name (blanks made _) and utime + stime in seconds.
threads_of() {
    local f
    for f in /proc/"$1"/task/*/stat; do
        awk -v t="$tick" '{ id = $1; name = $0; sub(/^[^(]*\(/, "", name); sub(/\) .*/, "", name)
            gsub(/ /, "_", name); sub(/.*\) /, ""); print id, name, ($12 + $13) / t }' "$f" 2>/dev/null
    done
}
# The CPU of each thread between two readings of threads_of, largest first;
# the main thread is the GUI thread, threads of one name are summed.
thread_shares() {
    awk -v main="$3" 'NR == FNR { was[$1] = $3; next }
         { n = ($1 == main) ? "GUI" : $2; d[n] += $3 - was[$1] }
         END { for (n in d) if (d[n] > 0) printf "%s %.3f\n", n, d[n] }' "$1" "$2" | sort -k2 -nr \
        | awk '{ printf "%s%s %s s", (NR > 1 ? ", " : ""), $1, $2 } END { print "" }'
}

# Music-like input, longer than a run: three tones in a chord that moves,
# pink noise, and a loudness that swells and falls.
input=$work/input.wav
length=$((seconds + 15))
ffmpeg -loglevel error -y \
    -f lavfi -i "sine=frequency=220:duration=$length" \
    -f lavfi -i "sine=frequency=277:duration=$length" \
    -f lavfi -i "sine=frequency=330:duration=$length" \
    -f lavfi -i "anoisesrc=color=pink:amplitude=0.3:duration=$length" \
    -filter_complex "[0][1][2][3]amix=inputs=4,vibrato=f=0.5:d=0.4,volume='0.35+0.3*sin(2*PI*t*0.4)*sin(2*PI*t*0.13)':eval=frame,aformat=sample_rates=44100:channel_layouts=stereo" \
    "$input"

start_player() { paplay -d "$1" "$input" & player=$!; }
stop_player() { kill "$player" 2>/dev/null; wait "$player" 2>/dev/null || true; player=; }

program_run() {
    local home=$work/home-$1
    mkdir -p "$home"
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
        XDG_CACHE_HOME=$home/.cache "$program" >"$work/program-$1.log" 2>&1 &
    app=$!
    local wid
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velmora Audio Recorder$' | head -n 1)
    [ -n "$wid" ] || { echo "recording-cpu: the window did not show" >&2; exit 1; }
    sleep 2   # start-up work settles
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    start_player rzaudio_device
    # The round Start button sits at this place from the window's lower right.
    xdotool mousemove --window "$wid" $((WIDTH - 108)) $((HEIGHT - 48)) click 1
    local file=
    for _ in $(seq 1 100); do
        file=$(find "$home" -name '*.mp3' -size +1k 2>/dev/null | head -n 1)
        [ -n "$file" ] && break
        sleep 0.1
    done
    [ -n "$file" ] || { echo "recording-cpu: no recording started (see $work/program-$1.log)" >&2; cat "$work/program-$1.log" >&2; exit 1; }
    local before after
    threads_of "$app" >"$work/threads-$1.before"
    before=$(cpu_of "$app")
    sleep "$seconds"
    after=$(cpu_of "$app")
    threads_of "$app" >"$work/threads-$1.after"
    thread_shares "$work/threads-$1.before" "$work/threads-$1.after" "$app" >"$work/threads-$1"
    kill -TERM "$app"
    wait "$app" || true
    app=
    stop_player
    local size
    size=$(stat -c %s "$file")
    [ "$size" -gt $((seconds * 8000)) ] || { echo "recording-cpu: the recording is too short ($size bytes)" >&2; exit 1; }
    awk -v a="$after" -v b="$before" 'BEGIN { printf "%.3f\n", a - b }'
}

peer_run() {
    peer_module=$(pactl load-module module-null-sink sink_name=velmora_bench_peer)
    start_player velmora_bench_peer
    local out=$work/peer-$1.mp3 fifo=$work/peer-$1.pcm
    mkfifo "$fifo"
    lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 320 - "$out" <"$fifo" 2>"$work/lame-$1.log" &
    peer_lame=$!
    parec -d velmora_bench_peer.monitor $peer_latency --raw --format=s16le --rate=44100 --channels=2 >"$fifo" &
    peer_parec=$!
    # Measured like the program: from the moment its file grows, over the
    # same window, both processes of the pipe.
    local grown=
    for _ in $(seq 1 100); do
        [ -f "$out" ] && [ "$(stat -c %s "$out")" -gt 1024 ] && { grown=1; break; }
        sleep 0.1
    done
    [ -n "$grown" ] || { echo "recording-cpu: the peer's file does not grow" >&2; exit 1; }
    local parec0 lame0 parec1 lame1
    parec0=$(cpu_of "$peer_parec") lame0=$(cpu_of "$peer_lame")
    sleep "$seconds"
    parec1=$(cpu_of "$peer_parec") lame1=$(cpu_of "$peer_lame")
    awk -v p0="$parec0" -v p1="$parec1" -v l0="$lame0" -v l1="$lame1" \
        'BEGIN { printf "parec %.3f s, lame %.3f s\n", p1 - p0, l1 - l0 }' >"$work/peer-$1.split"
    kill -TERM "$peer_parec"
    wait "$peer_parec" 2>/dev/null || true
    wait "$peer_lame" || true
    peer_parec= peer_lame=
    stop_player
    pactl unload-module "$peer_module"
    peer_module=
    local size
    size=$(stat -c %s "$out")
    [ "$size" -gt $((seconds * 8000)) ] || { echo "recording-cpu: the peer's file is too short ($size bytes)" >&2; exit 1; }
    awk -v p0="$parec0" -v p1="$parec1" -v l0="$lame0" -v l1="$lame1" 'BEGIN { printf "%.3f\n", p1 - p0 + l1 - l0 }'
}

echo "recording system sound to MP3 for $seconds s, window shown; peer: parec ${peer_latency:+$peer_latency }| lame -b 320 (the program's own bit rate)"
ratios=()
for i in $(seq 1 "$pairs"); do
    ours=$(program_run "$i")
    theirs=$(peer_run "$i")
    ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / b }')
    ratios+=("$ratio")
    echo "pair $i: program $ours s CPU ($(awk -v a="$ours" -v s="$seconds" 'BEGIN { printf "%.3f", a / s }') of a core), peer $theirs s; ratio $ratio"
    echo "  program's threads: $(cat "$work/threads-$i"); peer: $(cat "$work/peer-$i.split")"
done
printf '%s\n' "${ratios[@]}" | sort -n | awk '{ r[NR] = $1 } END {
    m = (NR % 2) ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2
    printf "ratio program / peer: min %.2f, median %.2f (target 1.3 or less)\n", r[1], m }'
