#!/usr/bin/env bash
# Runs a command on a private Xvfb server of its own, on a free display number, and
# stops the server afterwards, whether the command passed or not.
# Usage: with-xvfb.sh [--screen WxH] [--wm] [--no-shm] COMMAND [ARGS...]
#   --screen WxH  screen size (default 1280x1024)
#   --wm          also run a window manager (openbox) on the server
#   --no-shm      a server without MIT-SHM, as a remote display looks to a program
set -euo pipefail

screen=1280x1024
want_wm=0
extensions=(+extension SHAPE)
while [[ $# -gt 0 ]]; do
    case "$1" in
        --screen) screen=$2; shift 2 ;;
        --wm) want_wm=1; shift ;;
        --no-shm) extensions+=(-extension MIT-SHM); shift ;;
        *) break ;;
    esac
done
[[ $# -gt 0 ]] || { echo "usage: $0 [--screen WxH] [--wm] [--no-shm] COMMAND [ARGS...]" >&2; exit 2; }

runtime=$(mktemp -d /tmp/plovex-xvfb.XXXXXX)
chmod 700 "$runtime"
xvfb_pid=""
wm_pid=""
cleanup() {
    [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT INT TERM

# -displayfd lets the server pick a free display number and tell us which.
exec 3> "$runtime/display"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -ac "${extensions[@]}" >"$runtime/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [[ -s "$runtime/display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$runtime/xvfb.log" >&2; exit 1; }
    sleep 0.05
done
display=":$(tr -d '\n' < "$runtime/display")"

export DISPLAY=$display
export XDG_RUNTIME_DIR=$runtime
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

if [[ $want_wm == 1 ]]; then
    openbox >"$runtime/wm.log" 2>&1 &
    wm_pid=$!
    sleep 0.5
fi

set +e
"$@"
status=$?
exit $status
