#!/usr/bin/env bash
# Measures again every figure the documents give, on this machine, and prints them with
# the date and the machine: Plovex against plovex-limit (free and on one processor, with
# what a frame is made of), the drawing's benchmarks, start-up time and memory, native
# Wayland against XWayland on one compositor, and plovex.exe under Wine; it redraws
# docs/free-and-one-cpu.svg. About 6 minutes.
# Run it on an idle machine, after scripts/build.sh -DBUILD_TESTING=ON and
# scripts/build-windows.sh (the Wayland and Windows parts are skipped without them).
#   scripts/figures.sh [RUNS]     (default 3 of each)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
build=$root/build
section() { printf '\n## %s\n\n' "$*"; }

section "Machine"
echo "$(date -u '+%Y-%m-%d %H:%M UTC'); $(lscpu | sed -n 's/^Model name: *//p' | head -1)," \
    "$(nproc) cores; $(. /etc/os-release && echo "$PRETTY_NAME");" \
    "Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null | cut -d+ -f1);" \
    "Xvfb $(dpkg-query -W -f='${Version}' xvfb 2>/dev/null); $(uname -sr)"
uptime

work=$(mktemp -d /tmp/plovex-figures.XXXXXX)
trap 'rm -rf "$work"' EXIT

section "Plovex and plovex-limit, free (plovex-bench --xvfb --runs $runs)"
"$build/plovex-bench" --xvfb --runs "$runs" --json "$work/free.json"

section "Plovex and plovex-limit on one processor (plovex-bench --xvfb --one-cpu --runs $runs)"
"$build/plovex-bench" --xvfb --one-cpu --runs "$runs" --json "$work/one.json"

section "The two compared (the picture in docs/free-and-one-cpu.svg)"
(cd "$work" && "$build/plovex-bench" --compare free.json one.json --force \
    --svg "$root/docs/free-and-one-cpu.svg")

section "Drawing (bench_frame, medians of $runs)"
if [[ -x $build/bench/bench_frame ]]; then
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_frame" --benchmark_repetitions="$runs" \
        --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '^(Benchmark|-|BM_.*_median)'
else
    echo "bench_frame is not built (Google Benchmark missing)"
fi

section "Start-up to the first frame and peak memory (plovex-probe, $runs starts)"
probe() {
    for ((i = 1; i <= runs; ++i)); do
        "$build/bench/plovex-probe" "$build/plovex" >"$work/probe" 2>&1 &
        local probe=$!
        local main
        main=$("$build/plovex-inspect" wait 15000 find --class Plovex --title Plovex | head -1)
        "$build/plovex-inspect" wait 30000 finished "$main" >/dev/null
        "$build/plovex-inspect" close "$main"
        wait "$probe"
        tr '\n' ' ' <"$work/probe"
        echo
    done
}
export -f probe
export build runs work
if [[ -x $build/bench/plovex-probe ]]; then
    XDG_RUNTIME_DIR=$work "$root/scripts/with-xvfb.sh" bash -c probe
else
    echo "plovex-probe is not built (libXdamage missing)"
fi

section "Native Wayland against XWayland on one weston (plovex-harness, $runs rounds)"
harness=$build/tests/harness/plovex-harness
if [[ -x $harness ]] && command -v weston >/dev/null; then
    runtime=$work/wayland
    mkdir -m 700 "$runtime"
    printf '[core]\nidle-time=0\n[shell]\npanel-position=none\nlocking=false\n' >"$runtime/weston.ini"
    XDG_RUNTIME_DIR=$runtime weston --config="$runtime/weston.ini" --backend=headless-backend.so \
        --use-pixman --width=1280 --height=1024 --socket=figures --idle-time=0 --xwayland \
        >"$runtime/weston.log" 2>&1 &
    weston=$!
    for _ in $(seq 100); do
        grep -q "xserver listening on display" "$runtime/weston.log" && break
        sleep 0.1
    done
    xdisplay=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$runtime/weston.log" | head -1)
    score_of() { sed -n 's/.*run 1 finished: score \([0-9]*\),.*/\1/p'; }
    for ((i = 1; i <= runs; ++i)); do
        native=$(env -u DISPLAY XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=figures \
            timeout 15 "$harness" 2>/dev/null | score_of)
        x11=$(XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=figures DISPLAY=$xdisplay \
            XDG_SESSION_TYPE=wayland timeout 15 "$harness" 2>/dev/null | score_of)
        awk -v i="$i" -v n="$native" -v x="$x11" \
            'BEGIN { printf "round %d: native Wayland %d, XWayland %d, ratio %.2f\n", i, n, x, n / x }'
    done
    kill "$weston"
    wait "$weston" 2>/dev/null
else
    echo "skipped: needs weston and the test build (plovex-harness)"
fi

section "plovex.exe under Wine against the X11 program (scripts/bench-windows.sh $runs)"
if [[ -e $root/build-win32/win32/plovex.exe ]]; then
    "$root/scripts/bench-windows.sh" "$runs"
else
    echo "skipped: build plovex.exe first (scripts/build-windows.sh)"
fi
