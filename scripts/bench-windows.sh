#!/usr/bin/env bash
# plovex.exe under Wine against the X11 program, alternating whole runs on one private Xvfb:
# each pair prints both scores as their digit tiles show them and plovex.exe's as a share
# of the X11 program's. Both draw the same frames with the same engine; what differs is the
# way to the X server (Wine's GDI against the program's own shared-memory presenter). A
# figure of Wine on this machine, not a Windows score; run it on an idle machine.
#   scripts/bench-windows.sh [RUNS]      (default 3; needs build-win32/ and build/ built,
#                                         scripts/build-windows.sh and scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
exe=$root/build-win32/win32/plovex.exe
plovex=$root/build/plovex
inspect=$root/build/plovex-inspect
for need in "$exe" "$plovex" "$inspect"; do
    [[ -e $need ]] || { echo "missing $need" >&2; exit 1; }
done
prefix=$root/build-win32/wineprefix
"$root/scripts/wine-prefix.sh" "$prefix" >/dev/null

# run_once CLASS COMMAND...: one whole run; prints its score.
run_once() {
    local class=$1 main x y score
    shift
    "$@" >/dev/null 2>&1 &
    local pid=$!
    main=$("$inspect" wait 15000 find --class "$class" --title Plovex | head -1)
    "$inspect" wait 30000 finished "$main" >/dev/null
    read -r x y _ < <("$inspect" geometry "$main")
    score=$("$inspect" --at "$x,$y" score :screen "$main")
    "$inspect" close "$main"
    wait "$pid" || true
    echo "$score"
}
measure() {
    export WINEPREFIX=$prefix WINEDEBUG=-all XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
    local i native wine_score
    for ((i = 1; i <= runs; ++i)); do
        native=$(run_once Plovex "$plovex")
        wine_score=$(run_once plovex.exe wine "$exe")
        awk -v i="$i" -v n="$native" -v w="$wine_score" \
            'BEGIN { printf "run %d: plovex (X11) %d, plovex.exe (Wine) %d, ratio %.2f\n", i, n, w, w / n }'
    done
    # Wine's own processes end before the X server does.
    wineserver -w
}
export -f measure run_once
export runs exe plovex inspect prefix
"$root/scripts/with-xvfb.sh" bash -c measure
