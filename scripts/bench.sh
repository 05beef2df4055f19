#!/usr/bin/env bash
# Measures Plovex against the raw reference loop on one private Xvfb:
#   scripts/bench.sh [--runs N] [--no-setup]
# Builds Plovex (and the reference loop from ../shared/refloop when it is there), then
# alternates whole Plovex runs and 8.8 s reference runs, N of each (default 3). Plovex's
# score is read the way a user reads it: from the digit tiles in a screenshot. Also
# prints each run's start-up time (process start to first frame on screen) and peak
# resident memory, and the Google Benchmark figures of the frame's drawing work against a
# bare fill and AND/OR loop. The last line is the median ratio of Plovex score to
# reference fps.
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
        "$root/scripts/setup.sh"
    fi
    "$root/scripts/build.sh" >/dev/null
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

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%g\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
now_ms() { date +%s%3N; }

# plovex_run N: one whole run; sets SCORE, STARTUP and RSS_MB.
plovex_run() {
    local out=$work/probe-$1.txt shot=$work/shot-$1.png
    "$probe" "$build/plovex" >"$out" 2>"$work/plovex-$1.log" &
    local pid=$! launched
    launched=$(now_ms)
    local window="" i
    for i in $(seq 200); do
        window=$(sed -n 's/^window=//p' "$out")
        [[ -n $window ]] && grep -q '^startup_ms=' "$out" && break
        sleep 0.05
    done
    [[ -n $window ]] || { echo "run $1: no Plovex window appeared" >&2; kill "$pid"; return 1; }
    # The run lasts 8.8 s from its first frame; after that the window no longer changes.
    sleep "$(awk -v t="$launched" -v n="$(now_ms)" 'BEGIN { s = (t + 9400 - n) / 1000; print (s > 0 ? s : 0) }')"
    local x y w h
    read -r x y w h < <("$inspect" geometry "$window")
    import -window root "$shot"
    SCORE=$("$inspect" --at "$x,$y" score "$shot") || { echo "run $1: cannot read the score" >&2; kill "$pid"; return 1; }
    "$inspect" close "$window"
    wait "$pid" || { echo "run $1: Plovex ended with status $?" >&2; return 1; }
    STARTUP=$(sed -n 's/^startup_ms=//p' "$out")
    RSS_MB=$(sed -n 's/^peak_rss_kb=\([0-9]*\).*/\1/p' "$out" | awk '{ printf "%.1f", $1 / 1024 }')
    SCORE=$((10#$SCORE))
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

printf '%-4s %8s %11s %9s %12s %7s\n' run score startup_ms rss_MB refloop_fps ratio
scores=() startups=() rss=() fps=() ratios=()
for n in $(seq "$RUNS"); do
    plovex_run "$n"
    scores+=("$SCORE") startups+=("$STARTUP") rss+=("$RSS_MB")
    f=n/a r=n/a
    if [[ -n $REFLOOP ]]; then
        f=$("$REFLOOP" 8.8 --shape | sed -n 's/.*fps=\([0-9.]*\).*/\1/p' | tail -1)
        r=$(awk -v s="$SCORE" -v f="$f" 'BEGIN { printf "%.3f", s / f }')
        fps+=("$f") ratios+=("$r")
    fi
    printf '%-4s %8s %11s %9s %12s %7s\n' "$n" "$SCORE" "$STARTUP" "$RSS_MB" "$f" "$r"
done
echo "median Plovex score: $(printf '%s\n' "${scores[@]}" | median)"
echo "median start-up to first frame: $(printf '%s\n' "${startups[@]}" | median) ms"
echo "median peak resident memory: $(printf '%s\n' "${rss[@]}" | median) MB"
if [[ -n $REFLOOP ]]; then
    echo "median reference fps: $(printf '%s\n' "${fps[@]}" | median)"
    echo "median ratio (Plovex score / reference fps): $(printf '%s\n' "${ratios[@]}" | median)"
fi
