#!/usr/bin/env bash
# Sets up, builds and starts the benchmark. With no display it runs the program on a
# private Xvfb until its run is over and saves a screenshot of the window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DBUILD_TESTING=OFF

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$root/build/plovex"
fi

mkdir -p "$root/out"
shot="$root/out/plovex-$(date +%Y%m%d-%H%M%S).png"
echo "No display: running on a private Xvfb."
"$root/scripts/with-xvfb.sh" "$root/scripts/screenshot-run.sh" "$root/build/plovex" "$shot"
echo "Screenshot of the finished run: $shot"
