#!/usr/bin/env bash
# On the current X display: starts the program, waits until its measurement run is over,
# saves a PNG of the window, then ends the program.
# Usage: screenshot-run.sh PROGRAM OUTPUT.png
#   PLOVEX_INSPECT: plovex-inspect (default: the one built beside PROGRAM)
set -euo pipefail
program=$1
output=$2
inspect=${PLOVEX_INSPECT:-$(dirname "$program")/plovex-inspect}

"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=$("$inspect" wait 10000 find --class plovex --title Plovex --type NORMAL | head -n 1) ||
    { echo "the program's window did not appear" >&2; exit 1; }
"$inspect" wait 30000 finished "$window" >/dev/null ||
    { echo "the program's run did not end within 30 s" >&2; exit 1; }
read -r x y width height < <("$inspect" geometry "$window")
import -window root -crop "${width}x${height}+${x}+${y}" +repage "$output"
