#!/usr/bin/env bash
# On the current X display: starts the program, waits until its measurement run is over,
# saves a PNG of the window, then ends the program.
# Usage: screenshot-run.sh PROGRAM OUTPUT.png
set -euo pipefail
program=$1
output=$2

"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=""
for _ in $(seq 100); do
    window=$(xdotool search --pid "$pid" --onlyvisible --name 'Plovex' 2>/dev/null | head -n 1) || true
    [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || { echo "the program's window did not appear" >&2; exit 1; }

# A run lasts 8.8 s; the buttons are then shown in their rest colours for a second.
sleep 9.4
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output"
