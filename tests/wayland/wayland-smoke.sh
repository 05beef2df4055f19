#!/usr/bin/env bash
# Wayland smoke: plovex-harness (the program with its instruments) on a headless weston of
# its own, which also serves X clients through XWayland, and which display the program
# takes there:
#   - with no X server to reach, native Wayland: a full run, a screenshot taken by the
#     compositor that must show the run's score, and quit;
#   - on the same desktop with XWayland reachable (DISPLAY set, a Wayland session), X11:
#     a full run in an X window with the elliptic shape, and quit;
#   - an explicit QT_QPA_PLATFORM=wayland wins over the X server;
#   - no display at all, or an X server that does not answer: plovex says so in one line
#     and ends with status 1.
# Weston's headless backend has no input an outside program can drive, so clicks come
# from inside, through Qt's window system interface (plovex-harness --control). The
# program must write nothing to standard error but, on native Wayland, one line saying
# that its score is not comparable with X11 scores there, and must repaint every frame
# before drawing the next, as on X11.
# Environment: PLOVEX, PLOVEX_HARNESS, PLOVEX_INSPECT (binaries), WAYLAND_ARTIFACTS (logs
# and pictures, kept when the smoke fails or WAYLAND_KEEP=1).
set -uo pipefail

: "${PLOVEX:?path of plovex}" "${PLOVEX_HARNESS:?path of plovex-harness}"
: "${PLOVEX_INSPECT:?path of plovex-inspect}"
: "${WAYLAND_ARTIFACTS:?directory for logs and pictures}"
I=$PLOVEX_INSPECT
A=$WAYLAND_ARTIFACTS
ARTIFACTS=$A
KEEP=${WAYLAND_KEEP:-0}

runtime=$(mktemp -d /tmp/plovex-weston.XXXXXX)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE
socket=plovex-wayland
weston_pid=""
pid=""
# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"
at_finish() {
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    [[ -n "$weston_pid" ]] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$runtime"
}

said() { grep -q "$1" "$A/${2:-native}.out"; }

# start_harness NAME ENV...: plovex-harness --control with the given environment, its
# commands from the FIFO on descriptor 3, its output in $A/NAME.out and NAME.err.
start_harness() {
    local name=$1
    shift
    [[ -p "$runtime/control" ]] || mkfifo "$runtime/control"
    exec 3<>"$runtime/control"
    env "$@" "$PLOVEX_HARNESS" --control <"$runtime/control" >"$A/$name.out" 2>"$A/$name.err" &
    pid=$!
}
# On native Wayland the program says once what its score counts there, and nothing else.
wayland_note="plovex: on native Wayland the score counts how fast the compositor turns over the toolkit's buffers; it is not comparable with scores on X11"
# stderr_is NAME EXPECTED: the program's standard error is exactly EXPECTED (a line, or
# nothing).
stderr_is() {
    local said
    said=$(head -c 2000 "$A/$1.err")
    if [[ $said == "$2" ]]; then
        log "ok: $1: standard error as expected${2:+ (the Wayland note)}"
    else
        fail "$1: the program wrote to standard error: '$said', expected '${2}'"
    fi
}
# quit_harness NAME [EXPECTED_STDERR]: a click on quit must end it with status 0, every
# frame repainted and nothing else on standard error.
quit_harness() {
    local name=$1 status summary
    echo quit >&3
    if wait_for 5000 bash -c "! kill -0 $pid 2>/dev/null"; then
        wait "$pid"
        status=$?
        pid=""
        ((status == 0)) && log "ok: $name: a click on quit ended the program with status 0" ||
            fail "$name: quit ended the program with status $status"
    else
        fail "$name: a click on quit did not end the program within 5 s"
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
        pid=""
    fi
    summary=$(grep 'frames drawn without a repaint between' "$A/$name.out")
    log "$name: $summary"
    [[ $summary == *"between: 0" ]] || fail "$name: frames were drawn without a repaint between them"
    stderr_is "$name" "${2:-}"
}
# platform_is NAME PLATFORM: the harness says which platform Qt runs on.
platform_is() {
    wait_for 10000 said "plovex-harness: platform" "$1" || { fail "$1: the program did not start"; return 1; }
    local seen
    seen=$(sed -n 's/^plovex-harness: platform //p' "$A/$1.out")
    [[ $seen == "$2" ]] && log "ok: $1: Qt runs on $seen" || fail "$1: Qt runs on '$seen', expected $2"
}

# No panel: nothing of the compositor's own over the window.
cat >"$runtime/weston.ini" <<INI
[core]
idle-time=0
[shell]
panel-position=none
locking=false
INI
weston --config="$runtime/weston.ini" --backend=headless-backend.so --use-pixman \
    --width=1280 --height=1024 --socket="$socket" --idle-time=0 --debug --xwayland \
    >"$A/weston.log" 2>&1 &
weston_pid=$!
wait_for 10000 test -S "$runtime/$socket" || abort "weston did not open its socket"
wait_for 10000 grep -q "xserver listening on display" "$A/weston.log" ||
    abort "weston did not offer XWayland (is the package xwayland installed?)"
xdisplay=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$A/weston.log" | head -1)
log "weston (headless) is up, XWayland on $xdisplay"

# Native Wayland: no X server to reach, and nothing chosen by the user.
start_harness native WAYLAND_DISPLAY=$socket XDG_SESSION_TYPE=wayland
platform_is native wayland

wait_for 25000 said "run 1 finished" || abort "the run did not finish within 25 s"
score=$(sed -n 's/.*run 1 finished: score \([0-9]*\),.*/\1/p' "$A/native.out")
log "run finished with score $score"

# What the program drew, and what the compositor shows: the field with its score tiles
# and the labels above the (blinking) buttons must match pixel for pixel.
sleep 0.3
echo "grab $A/window.png" >&3
wait_for 5000 said "grab saved" || abort "the program saved no picture of its window"
(cd "$A" && WAYLAND_DISPLAY=$socket weston-screenshooter) || abort "weston-screenshooter failed"
shot=$(ls "$A"/wayland-screenshot-*.png 2>/dev/null | head -1)
[[ -n "$shot" ]] || abort "weston-screenshooter wrote no picture"
mv "$shot" "$A/screen.png"
if where=$("$I" locate "$A/screen.png" "$A/window.png" 120 30 272 150 2>&1); then
    read -r wx wy <<<"$where"
    log "ok: the compositor shows the window's field and labels at $wx,$wy"
    digits=$("$I" --at "$wx,$wy" score "$A/screen.png" 2>&1)
    expected=$(printf '%04d' $((score % 10000)))
    [[ $digits == "$expected" ]] && log "ok: the screenshot's score tiles read $digits" ||
        fail "the screenshot's score tiles read '$digits', expected $expected"
else
    fail "the window's field does not show on the compositor's screen: $where"
fi

# What cannot work here must fail quietly: a drag by the body (the window does not move
# without a compositor-side move), the context menu, and the score table, which the
# program centres (the compositor places it). Standard error is checked at the end.
for command in "press 1 150 150" "move 200 190" "move 240 220" "release 1 240 220" \
    "press 3 258 196" "release 3 258 196" "press 1 4 4" "release 1 4 4" table; do
    echo "$command" >&3
    sleep 0.2
done
kill -0 "$pid" 2>/dev/null && log "ok: still running after a drag, the menu and the score table" ||
    abort "the program ended during the drag, menu and score table"

quit_harness native "$wayland_note"

# The same desktop with XWayland: the program runs through the X server, in an X window
# cut to the ellipse.
start_harness xwayland WAYLAND_DISPLAY=$socket DISPLAY=$xdisplay XDG_SESSION_TYPE=wayland
platform_is xwayland xcb
window=$(DISPLAY=$xdisplay "$I" wait 10000 find --class Plovex --title Plovex --type NORMAL 2>&1 | head -1)
if [[ $window == 0x* ]]; then
    log "ok: xwayland: the main window is X window $window"
    out=$(DISPLAY=$xdisplay "$I" check-shape "$window" 2>&1) && log "ok: xwayland: its SHAPE is the ellipse" ||
        fail "xwayland: $out"
else
    fail "xwayland: no X window titled Plovex: $window"
fi
wait_for 25000 said "run 1 finished" xwayland && log "ok: xwayland: the run finished" ||
    fail "xwayland: the run did not finish within 25 s"
quit_harness xwayland

# The user's QT_QPA_PLATFORM wins over the X server.
start_harness explicit WAYLAND_DISPLAY=$socket DISPLAY=$xdisplay QT_QPA_PLATFORM=wayland
platform_is explicit wayland
# Mid-run the quit button is hidden: end the program from outside.
kill "$pid" && wait "$pid" 2>/dev/null
pid=""
stderr_is explicit "$wayland_note"

# No display: one line naming what was tried, status 1.
# no_display WHAT EXPECTED_LINE ENV...: plovex in the given environment.
no_display() {
    local what=$1 expected=$2 status
    shift 2
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$PLOVEX" >"$A/no-display.out" 2>&1
    status=$?
    if ((status == 1)) && [[ $(cat "$A/no-display.out") == "$expected" ]]; then
        log "ok: $what: status 1 and one line: $expected"
    else
        fail "$what: status $status (expected 1), output: $(head -c 2000 "$A/no-display.out") (expected: $expected)"
    fi
}
no_display "neither DISPLAY nor WAYLAND_DISPLAY" \
    "plovex: cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set"
unserved=:5000 # far above the numbers servers pick for themselves
while [[ -e /tmp/.X11-unix/X${unserved#:} ]]; do unserved=:$((${unserved#:} + 1)); done
no_display "an X server that does not answer" "plovex: cannot open the display \"$unserved\"" \
    DISPLAY=$unserved
finish
