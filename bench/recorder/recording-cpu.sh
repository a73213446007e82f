#!/usr/bin/env bash
# CPU of the program recording system sound to MP3, with its window shown
# and minimised, against peers doing the same job: the same music-like input
# (tones, noise, a changing envelope) played into a null sink, captured from
# its monitor with the program's fragment (2048 frames, 46 ms: one wake-up
# per fragment, as the program's capture), encoded at the bit rate of the
# program's own recording (read from its first file), for the same length:
#   parec | lame                   capture and encoding alone, the peer of
#                                  the program minimised;
#   parec | bench_livewave | lame  the same with a live waveform drawn 20
#                                  times a second, as the program's pane is:
#                                  the peer of the program shown;
# and the sound server's own CPU over the same seconds on every side, since
# the program's loop-back device (a null sink whose monitor is looped back to
# the real output, so the user still hears it) makes the server work more
# than a plain null sink does. Each ratio is printed without the server's CPU
# and with it. Runs alternate (shown, minimised, peer, peer with display);
# each prints its figures and the end min / median ratios, taken round by
# round.
#
# Needs a display and a private sound server, e.g. through the tests' runner:
#   tests/support/run-test.sh --sound --xvfb -- bench/recorder/recording-cpu.sh
#   tests/support/run-test.sh --pipewire --xvfb -- bench/recorder/recording-cpu.sh
# A window manager is started on the display when none runs (openbox), so
# that the window can be minimised.
# Options: --seconds N (recording length, 20), --pairs N (rounds, 3),
#          --program PATH (build/bin/velmora-audio-recorder),
#          --livewave PATH (build/bin/bench_livewave),
#          --peer-fragment-frames N (parec's fragment, 2048 as the
#          program's QRecordAudioObject::FragmentFrames).
# Extra tools: lame, parec/paplay/pactl, xdotool, xprop, xwininfo, openbox,
# ffmpeg (the input), ffprobe (the program's bit rate). KEEP_WORK=1 keeps the work folder (recordings, logs).
#
# Every figure is CPU time (user+sys, all threads) read from /proc at the
# start and end of the same N-second window, which opens once the output
# file grows: the program's one process, the peer's processes summed, and the
# server's processes (PulseAudio's daemon, or PipeWire with its pulse server
# and session manager, from the test fixture's pid files). Start-up and
# shut-down are counted on no side.
set -euo pipefail

seconds=20 pairs=3 peer_fragment=2048
here=$(cd "$(dirname "$0")" && pwd)
program=$here/../../build/bin/velmora-audio-recorder
livewave=$here/../../build/bin/bench_livewave
while [ $# -gt 0 ]; do
    case $1 in
    --seconds) seconds=$2; shift ;;
    --pairs) pairs=$2; shift ;;
    --program) program=$2; shift ;;
    --livewave) livewave=$2; shift ;;
    --peer-fragment-frames) peer_fragment=$2; shift ;;
    *) echo "recording-cpu: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
for tool in lame parec paplay pactl xdotool xprop xwininfo ffmpeg ffprobe; do
    command -v $tool >/dev/null || { echo "recording-cpu: $tool is missing" >&2; exit 2; }
done
[ -n "${DISPLAY:-}" ] || { echo "recording-cpu: no display" >&2; exit 2; }
[ -x "$program" ] || { echo "recording-cpu: no program at $program" >&2; exit 2; }
[ -x "$livewave" ] || { echo "recording-cpu: no live display at $livewave" >&2; exit 2; }

# The sound server's processes, as the test fixture recorded them.
server_pids=
[ -f "${PULSE_RUNTIME_PATH:-/nonexistent}/pid" ] && server_pids=$(cat "$PULSE_RUNTIME_PATH/pid")
[ -f "${XDG_RUNTIME_DIR:-/nonexistent}/pids" ] && server_pids="$server_pids $(cat "$XDG_RUNTIME_DIR/pids")"
# PipeWire's pulse server writes a pid file too: each process counts once.
server_pids=$(for p in $server_pids; do [ -r "/proc/$p/stat" ] && echo "$p"; done | sort -un | xargs)
[ -n "$server_pids" ] || { echo "recording-cpu: the sound server's processes are not known (run through tests/support/run-test.sh)" >&2; exit 2; }

work=$(mktemp -d /tmp/velmora-reccpu.XXXXXX)
peer_module=
player=
app=
peer=()
wm=
cleanup() {
    for p in "${peer[@]}"; do kill "$p" 2>/dev/null; done
    [ -n "$player" ] && kill "$player" 2>/dev/null
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "$peer_module" ] && pactl unload-module "$peer_module" 2>/dev/null
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    [ -n "${KEEP_WORK:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

wait_until() {   # tries every 100 ms for up to 10 s
    for _ in $(seq 1 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
if ! wm_running; then
    command -v openbox >/dev/null || { echo "recording-cpu: no window manager runs and openbox is missing" >&2; exit 2; }
    openbox --sm-disable </dev/null >"$work/openbox.log" 2>&1 &
    wm=$!
    wait_until wm_running || { echo "recording-cpu: openbox did not start" >&2; exit 1; }
fi

tick=$(getconf CLK_TCK)
# utime + stime of processes, all their threads, in seconds.
cpu_of() {
    local p
    for p in "$@"; do cat "/proc/$p/stat"; done \
        | awk -v t="$tick" '{ sub(/.*\) /, ""); s += $12 + $13 } END { printf "%.3f\n", s / t }'
}
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
# Waits until a file grows past 1 KiB.
grows() { [ -f "$1" ] && [ "$(stat -c %s "$1")" -gt 1024 ]; }
# The CPU of the processes and of the server over the measured window:
# "<processes> <server>".
measure() {
    local p0 s0 p1 s1
    p0=$(cpu_of "$@") s0=$(cpu_of $server_pids)
    sleep "$seconds"
    p1=$(cpu_of "$@") s1=$(cpu_of $server_pids)
    awk -v a="$p0" -v b="$p1" -v c="$s0" -v d="$s1" 'BEGIN { printf "%.3f %.3f\n", b - a, d - c }'
}
check_size() {
    local size
    size=$(stat -c %s "$1")
    [ "$size" -gt $((seconds * 8000)) ] || { echo "recording-cpu: $2 is too short ($size bytes)" >&2; exit 1; }
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

# program_run NAME shown|minimised: prints "<program> <server>".
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
    echo "$file" >"$work/file-$1"
    if [ "$2" = minimised ]; then
        xdotool windowminimize "$wid"
        wait_until sh -c "xwininfo -id $wid | grep -q IsUnMapped" \
            || { echo "recording-cpu: the window was not minimised" >&2; exit 1; }
    fi
    local figures
    threads_of "$app" >"$work/threads-$1.before"
    figures=$(measure "$app")
    threads_of "$app" >"$work/threads-$1.after"
    thread_shares "$work/threads-$1.before" "$work/threads-$1.after" "$app" >"$work/threads-$1"
    kill -TERM "$app"
    wait "$app" || true
    app=
    stop_player
    check_size "$file" "the recording"
    echo "$figures"
}

# peer_run NAME plain|display: prints "<peer> <server>".
peer_run() {
    peer_module=$(pactl load-module module-null-sink sink_name=velmora_bench_peer)
    start_player velmora_bench_peer
    local out=$work/peer-$1.mp3 pcm=$work/peer-$1.pcm shown=$work/peer-$1.shown
    mkfifo "$pcm"
    peer=()
    if [ "$2" = display ]; then
        mkfifo "$shown"
        lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b "$kbps" - "$out" <"$shown" 2>"$work/lame-$1.log" &
        peer+=($!)
        "$livewave" <"$pcm" >"$shown" 2>"$work/livewave-$1.log" &
        peer+=($!)
    else
        lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b "$kbps" - "$out" <"$pcm" 2>"$work/lame-$1.log" &
        peer+=($!)
    fi
    # --latency is the fragment in bytes for a record stream: 4 a frame here.
    parec -d velmora_bench_peer.monitor --latency=$((peer_fragment * 4)) --raw --format=s16le --rate=44100 --channels=2 >"$pcm" &
    peer+=($!)
    wait_until grows "$out" || { echo "recording-cpu: the peer's file does not grow" >&2; exit 1; }
    local figures
    figures=$(measure "${peer[@]}")
    local parec=${peer[-1]}
    kill -TERM "$parec"
    for p in "${peer[@]}"; do wait "$p" 2>/dev/null || true; done
    peer=()
    stop_player
    pactl unload-module "$peer_module"
    peer_module=
    check_size "$out" "the peer's file"
    echo "$figures"
}

# The program's recording as it wrote it: "<bit rate in kbit/s> <rate> <channels>".
recording_format() {
    ffprobe -v error -select_streams a:0 -show_entries stream=bit_rate,sample_rate,channels \
        -of default=noprint_wrappers=1 "$1" \
        | awk -F= '{ v[$1] = $2 } END { printf "%d %d %d\n", v["bit_rate"] / 1000, v["sample_rate"], v["channels"] }'
}

echo "recording system sound to MP3 for $seconds s, $pairs rounds"
echo "server: $(for p in $server_pids; do tr -d '\0' </proc/$p/comm | tr '\n' ' '; done)"
results=$work/results
: >"$results"
kbps=
for i in $(seq 1 "$pairs"); do
    shown=$(program_run "shown-$i" shown)
    if [ -z "$kbps" ]; then
        read -r kbps rate channels < <(recording_format "$(cat "$work/file-shown-$i")")
        [ "$kbps" -gt 0 ] && [ "$rate" = 44100 ] && [ "$channels" = 2 ] \
            || { echo "recording-cpu: the program recorded $kbps kbit/s, $rate Hz, $channels channels; the peers take 44100 Hz stereo" >&2; exit 1; }
        echo "peers: parec --latency=$((peer_fragment * 4)) ($peer_fragment frames, $(awk -v f="$peer_fragment" 'BEGIN { printf "%.1f", f / 44.1 }') ms) | [bench_livewave |] lame -b $kbps (the program's recording: $kbps kbit/s, $rate Hz, $channels channels)"
    fi
    minimised=$(program_run "min-$i" minimised)
    plain=$(peer_run "plain-$i" plain)
    display=$(peer_run "display-$i" display)
    echo "$shown $minimised $plain $display" >>"$results"
    echo "round $i (CPU s, process + server): shown ${shown/ / + }, minimised ${minimised/ / + }, parec|lame ${plain/ / + }, with display ${display/ / + }"
    echo "  program's threads, shown: $(cat "$work/threads-shown-$i")"
done
# Columns: shown, its server, minimised, its server, plain peer, its server,
# peer with display, its server. Each program side against the peer doing
# its work: shown against the peer with display, minimised against the plain
# peer; without and with the server's CPU.
awk -v s="$seconds" '
    function add(name, v) { n[name]++; x[name, n[name]] = v }
    function sorted(name,   i, j, t) {
        for (i = 1; i <= n[name]; i++) for (j = i + 1; j <= n[name]; j++)
            if (x[name, j] < x[name, i]) { t = x[name, i]; x[name, i] = x[name, j]; x[name, j] = t } }
    function med(name,   k) { sorted(name); k = n[name]
        return (k % 2) ? x[name, (k + 1) / 2] : (x[name, k / 2] + x[name, k / 2 + 1]) / 2 }
    function show(label, name) { sorted(name); printf "  %-58s min %.2f, median %.2f\n", label, x[name, 1], med(name) }
    {
        add("shown", $1 / $7); add("shown_s", ($1 + $2) / ($7 + $8))
        add("min", $3 / $5); add("min_s", ($3 + $4) / ($5 + $6))
        add("server_shown", $2 / $8); add("server_min", $4 / $6)
        add("shown_plain", $1 / $5)
        add("cpu_shown", $1); add("cpu_min", $3); add("cpu_plain", $5); add("cpu_display", $7)
        add("srv_shown", $2); add("srv_min", $4); add("srv_plain", $6); add("srv_display", $8)
    }
    END {
        printf "median CPU over %d s: program shown %.3f s (server %.3f), minimised %.3f s (server %.3f); parec|lame %.3f s (server %.3f); with display %.3f s (server %.3f)\n",
            s, med("cpu_shown"), med("srv_shown"), med("cpu_min"), med("srv_min"), med("cpu_plain"), med("srv_plain"), med("cpu_display"), med("srv_display")
        print "ratios program / peer doing the same work:"
        show("window shown / peer with display", "shown")
        show("window shown + server / peer with display + server", "shown_s")
        show("minimised / parec|lame", "min")
        show("minimised + server / parec|lame + server", "min_s")
        show("server alone: program shown / peer with display", "server_shown")
        show("server alone: program minimised / parec|lame", "server_min")
        print "not the same work (the peer draws no waveform):"
        show("window shown / parec|lame", "shown_plain")
    }' "$results"
