#!/usr/bin/env bash
# Runs a command on a private Xvfb server of its own, on a free display number, and
# stops the server afterwards, whether the command passed or not. When the server does
# not come up, names no display or does not answer (or the window manager does not
# start), it says so and ends with status 1 without running the command.
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
    [[ -n "$wm_pid" ]] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null || true
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# give_up WHAT LOG: the reason, the server's or window manager's own words, status 1.
give_up() {
    echo "with-xvfb.sh: $1; the command was not run" >&2
    [[ -s $2 ]] && sed 's/^/    /' "$2" >&2
    exit 1
}
now() { date +%s%3N; }

# -displayfd lets the server pick a free display number and write it, with a newline,
# once it accepts connections. -noreset: by default the server resets whenever its last
# client leaves and turns away whoever connects meanwhile, so a short-lived client (the
# check below, xdotool, plovex-inspect) could make the program's own connection fail.
exec 3>"$runtime/display"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset -ac "${extensions[@]}" \
    >"$runtime/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
number=""
deadline=$(($(now) + 10000))
until read -r number <"$runtime/display" 2>/dev/null; do
    kill -0 "$xvfb_pid" 2>/dev/null || give_up "Xvfb ended before it named a display" "$runtime/xvfb.log"
    (($(now) < deadline)) || give_up "Xvfb named no display within 10 s" "$runtime/xvfb.log"
    sleep 0.05
done
[[ $number =~ ^[0-9]+$ ]] || give_up "Xvfb named no display (it wrote \"$number\")" "$runtime/xvfb.log"

export DISPLAY=:$number
export XDG_RUNTIME_DIR=$runtime
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# The server named its display: it must also answer there, and be the one we started.
xdotool getdisplaygeometry >/dev/null 2>"$runtime/answer.log" ||
    give_up "the X server on $DISPLAY does not answer" "$runtime/answer.log"
kill -0 "$xvfb_pid" 2>/dev/null || give_up "Xvfb ended after naming $DISPLAY" "$runtime/xvfb.log"

if [[ $want_wm == 1 ]]; then
    openbox >"$runtime/wm.log" 2>&1 &
    wm_pid=$!
    # A window manager that has taken over names its check window on the root.
    deadline=$(($(now) + 10000))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        kill -0 "$wm_pid" 2>/dev/null || give_up "openbox ended before it managed $DISPLAY" "$runtime/wm.log"
        (($(now) < deadline)) || give_up "openbox did not manage $DISPLAY within 10 s" "$runtime/wm.log"
        sleep 0.05
    done
fi

set +e
"$@"
status=$?
exit $status
