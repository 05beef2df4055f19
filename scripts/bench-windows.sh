#!/usr/bin/env bash
# plovex.exe against the bare Win32 loop (../shared/refloop-win32), alternating whole runs
# under Wine on a private Xvfb: each pair prints the loop's frames a second, Plovex's score
# as its digit tiles show it, and the score as a share of the loop's rate. A figure of
# Wine's GDI on this machine, not a Windows score; run it on an idle machine.
#   scripts/bench-windows.sh [RUNS]      (default 3; needs build-win32/ and build/ built,
#                                         scripts/build-windows.sh and scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
exe=$root/build-win32/win32/plovex.exe
inspect=$root/build/plovex-inspect
refloop=$root/../shared/refloop-win32
for need in "$exe" "$inspect" "$refloop/build.sh"; do
    [[ -e $need ]] || { echo "missing $need" >&2; exit 1; }
done
work=$(mktemp -d /tmp/plovex-bench-windows.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$refloop/build.sh" "$work/refloop-win32.exe" >/dev/null
prefix=$root/build-win32/wineprefix
"$root/scripts/wine-prefix.sh" "$prefix" >/dev/null

measure() {
    export WINEPREFIX=$prefix WINEDEBUG=-all
    local i loop score main x y
    for ((i = 1; i <= runs; ++i)); do
        loop=$(wine "$work/refloop-win32.exe" 8.8 | sed -n 's/.*fps=\([0-9.]*\).*/\1/p')
        wine "$exe" >/dev/null 2>&1 &
        local pid=$!
        main=$("$inspect" wait 15000 find --class plovex.exe --title Plovex | head -1)
        "$inspect" wait 30000 finished "$main" >/dev/null
        read -r x y _ < <("$inspect" geometry "$main")
        score=$("$inspect" --at "$x,$y" score :screen)
        "$inspect" close "$main"
        wait "$pid" || true
        awk -v i="$i" -v l="$loop" -v s="$score" \
            'BEGIN { printf "run %d: refloop-win32 %.1f fps, plovex.exe %d, ratio %.2f\n", i, l, s, s / l }'
    done
    # Wine's own processes end before the X server does.
    wineserver -w
}
export -f measure
export runs exe inspect work prefix
"$root/scripts/with-xvfb.sh" bash -c measure
