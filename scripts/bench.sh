#!/usr/bin/env bash
# Measures Plovex against the raw reference loop on one private Xvfb:
#   scripts/bench.sh [--runs N] [--no-setup]
# Builds Plovex (and the reference loop from ../shared/refloop when it is there), then
# alternates, N times (default 3): a whole Plovex run, an 8.8 s run of the serial
# reference (put a frame, wait until the server has read it) and one of the pipelined
# reference (two shared-memory images: draw the next while the server reads the last).
# Plovex's score is read the way a user reads it: from the digit tiles in a screenshot.
# For each run it prints the frame rates, Plovex's score as a share of each reference,
# and the processor time per frame of the program and of the X server over the same
# interval, read from /proc from outside; then the medians. Also each Plovex run's
# start-up time (process start to first frame on screen) and peak resident memory, and
# the Google Benchmark figures of the frame's drawing work against a bare loop.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

runs=3
setup=1
while [[ $# -gt 0 ]]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --no-setup) setup=0; shift ;;
        --inner) break ;;
        *) echo "usage: $0 [--runs N] [--no-setup]" >&2; exit 2 ;;
    esac
done

if [[ ${1:-} != --inner ]]; then
    ((runs >= 1)) || { echo "--runs needs at least 1" >&2; exit 2; }
    if ((setup)); then
        "$root/scripts/setup.sh" --tests
    fi
    "$root/scripts/build.sh" -DBUILD_TESTING=ON >/dev/null
    refloop=""
    if [[ -x "$root/../shared/refloop/build.sh" || -f "$root/../shared/refloop/build.sh" ]]; then
        refloop=$(mktemp /tmp/plovex-refloop.XXXXXX)
        bash "$root/../shared/refloop/build.sh" "$refloop" >/dev/null
    else
        echo "note: ../shared/refloop is not here; Plovex is measured alone"
    fi
    status=0
    REFLOOP=$refloop RUNS=$runs "$root/scripts/with-xvfb.sh" "$0" --inner || status=$?
    [[ -n "$refloop" ]] && rm -f "$refloop"
    exit $status
fi

# From here on: inside the private server.
build=$root/build
probe=$build/bench/plovex-probe
inspect=$build/tests/e2e/plovex-inspect
for tool in "$probe" "$inspect" "$build/plovex"; do
    [[ -x $tool ]] || { echo "missing $tool (build incomplete?)" >&2; exit 1; }
done
work=$(mktemp -d /tmp/plovex-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
xvfb=$(pgrep -P "$PPID" -x Xvfb) || { echo "cannot find the Xvfb this runs on" >&2; exit 1; }
tick=$(getconf CLK_TCK)

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%g\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# cpu_ticks PID: user + system time of a process so far, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# per_frame TICKS FRAMES: microseconds per frame.
per_frame() { awk -v t="$1" -v f="$2" -v hz="$tick" 'BEGIN { printf "%.0f", (f > 0 ? t / hz * 1e6 / f : 0) }'; }

# plovex_run N: one whole run; sets SCORE, FRAMES, WAITED, CLIENT_US, SERVER_US, STARTUP
# and RSS_MB. The processor time is taken from the window's appearance to the finish
# frame, which is when the program publishes how it presented its frames.
plovex_run() {
    local out=$work/probe-$1.txt shot=$work/shot-$1.png
    "$probe" "$build/plovex" >"$out" 2>"$work/plovex-$1.log" &
    local probe_pid=$! window="" i
    for i in $(seq 400); do
        window=$(sed -n 's/^window=//p' "$out")
        [[ -n $window ]] && break
        sleep 0.01
    done
    [[ -n $window ]] || { echo "run $1: no Plovex window appeared" >&2; kill "$probe_pid"; return 1; }
    local pid
    pid=$(xprop -id "$window" _NET_WM_PID | sed -n 's/.*= //p')
    [[ -n $pid ]] || { echo "run $1: the window names no process" >&2; kill "$probe_pid"; return 1; }
    local c0 x0 present=""
    c0=$(cpu_ticks "$pid") x0=$(cpu_ticks "$xvfb")
    # Asking the server costs it and the processors time, so not before the run nears its end.
    sleep 8.5
    for i in $(seq 1500); do
        present=$(xprop -id "$window" _PLOVEX_PRESENT 2>/dev/null | sed -n 's/.*= "\(.*\)"/\1/p')
        [[ -n $present ]] && break
        sleep 0.01
    done
    local c1 x1
    c1=$(cpu_ticks "$pid") x1=$(cpu_ticks "$xvfb")
    [[ -n $present ]] || { echo "run $1: the run did not finish" >&2; kill "$probe_pid"; return 1; }
    FRAMES=$(sed -n 's/.*frames=\([0-9]*\).*/\1/p' <<<"$present")
    WAITED=$(sed -n 's/.*waited=\([0-9]*\).*/\1/p' <<<"$present")
    [[ $present == path=shm* ]] || WAITED="${present%% *}"
    CLIENT_US=$(per_frame $((c1 - c0)) "$FRAMES") SERVER_US=$(per_frame $((x1 - x0)) "$FRAMES")
    local x y w h
    read -r x y w h < <("$inspect" geometry "$window")
    # The finish frame's repaint follows the property at once; read the tiles once it shows.
    for i in $(seq 50); do
        import -window root "$shot"
        SCORE=$("$inspect" --at "$x,$y" score "$shot" 2>/dev/null) && break
        sleep 0.02
    done
    [[ -n $SCORE ]] || { echo "run $1: cannot read the score" >&2; kill "$probe_pid"; return 1; }
    "$inspect" close "$window"
    wait "$probe_pid" || { echo "run $1: Plovex ended with status $?" >&2; return 1; }
    STARTUP=$(sed -n 's/^startup_ms=//p' "$out")
    RSS_MB=$(sed -n 's/^peak_rss_kb=\([0-9]*\).*/\1/p' "$out" | awk '{ printf "%.1f", $1 / 1024 }')
    SCORE=$((10#$SCORE))
}

# reference_run [--pipeline]: one 8.8 s run of the reference loop; sets FPS, CLIENT_US and
# SERVER_US. Its processor time comes from the shell's account of its children.
reference_run() {
    local x0 x1 out
    x0=$(cpu_ticks "$xvfb")
    out=$( (REFLOOP_ARGS="$*" bash -c '"$REFLOOP" 8.8 --shape $REFLOOP_ARGS; times') 2>&1)
    x1=$(cpu_ticks "$xvfb")
    FPS=$(sed -n 's/.*fps=\([0-9.]*\).*/\1/p' <<<"$out" | tail -1)
    local frames
    frames=$(sed -n 's/.*frames=\([0-9]*\).*/\1/p' <<<"$out" | tail -1)
    # The last line of `times`: the children's user and system time, as 0m1.234s.
    CLIENT_US=$(tail -1 <<<"$out" | awk -v f="$frames" '{
        split($1, u, "[ms]"); split($2, s, "[ms]")
        printf "%.0f", (u[1] * 60 + u[2] + s[1] * 60 + s[2]) * 1e6 / f }')
    SERVER_US=$(per_frame $((x1 - x0)) "$frames")
}

echo "Plovex benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
echo "X server: Xvfb $(xdpyinfo 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9x]*\).*/\1/p'), load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# The drawing work alone, in one binary: medians of 5 repetitions, as ratios to the bare loop.
if [[ -x $build/bench/bench_frame ]]; then
    "$build/bench/bench_frame" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
        --benchmark_min_time=0.2 2>/dev/null | awk '
        / *BM_.*_median / { name = $1; sub(/^BM_/, "", name); sub(/_median$/, "", name); t[name] = $2; order[++n] = name }
        END {
            for (i = 1; i <= n; ++i) {
                r = (order[i] == "DrawTile" || !t["BareBaseline"]) ? "" : sprintf("  %.2fx the bare loop", t[order[i]] / t["BareBaseline"])
                printf "%-22s %10.0f ns%s\n", order[i], t[order[i]], r
            }
        }'
else
    echo "(bench_frame not built: libbenchmark-dev missing)"
fi

echo
echo "Per run. fps: frames per second (Plovex: its score); us: processor time per frame of the"
echo "program and of the X server; waited: Plovex frames that had to wait for the server."
format='%-4s %7s %8s %8s %6s %6s %9s %9s %9s %9s %8s %7s %6s\n'
printf "$format" run score serial pipelin /pipe /ser "plovex_us" "xsrv_us" "serial_us" "xsrv_us" waited startup rss_MB
declare -A column
for n in $(seq "$RUNS"); do
    plovex_run "$n"
    plovex_us=$CLIENT_US plovex_x_us=$SERVER_US
    column[score]+="$SCORE " column[plovex_us]+="$plovex_us " column[plovex_x_us]+="$plovex_x_us "
    serial=n/a pipelined=n/a to_serial=n/a to_pipelined=n/a serial_us=n/a serial_x_us=n/a
    if [[ -n $REFLOOP ]]; then
        reference_run
        serial=$FPS serial_us=$CLIENT_US serial_x_us=$SERVER_US
        reference_run --pipeline
        pipelined=$FPS
        to_serial=$(awk -v s="$SCORE" -v f="$serial" 'BEGIN { printf "%.2f", s / f }')
        to_pipelined=$(awk -v s="$SCORE" -v f="$pipelined" 'BEGIN { printf "%.2f", s / f }')
        column[serial]+="$serial " column[pipelined]+="$pipelined " column[to_serial]+="$to_serial "
        column[to_pipelined]+="$to_pipelined " column[serial_us]+="$serial_us " column[serial_x_us]+="$serial_x_us "
    fi
    printf "$format" "$n" "$SCORE" "${serial%.*}" "${pipelined%.*}" "$to_pipelined" "$to_serial" \
        "$plovex_us" "$plovex_x_us" "$serial_us" "$serial_x_us" "$WAITED" "$STARTUP" "$RSS_MB"
done
med() { tr ' ' '\n' <<<"${column[$1]}" | grep . | median; }
printf "$format" median "$(med score)" "$(med serial)" "$(med pipelined)" "$(med to_pipelined)" "$(med to_serial)" \
    "$(med plovex_us)" "$(med plovex_x_us)" "$(med serial_us)" "$(med serial_x_us)" "" "" ""
if [[ -n $REFLOOP ]]; then
    echo "median score / pipelined reference: $(med to_pipelined); / serial reference: $(med to_serial)"
    echo "client time per frame, Plovex / serial reference: $(awk -v p="$(med plovex_us)" -v s="$(med serial_us)" 'BEGIN { printf "%.2f", p / s }')"
fi
