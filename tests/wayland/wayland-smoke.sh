#!/usr/bin/env bash
# Wayland smoke: plovex-harness (the program with its instruments) on a headless weston of
# its own with Qt's Wayland platform: a full run, a screenshot taken by the compositor that
# must show the run's score, and quit. Weston's headless backend has no input an outside
# program can drive, so the quit click comes from inside, through Qt's window system
# interface (plovex-harness --control). The program must write nothing to standard error
# and must repaint every frame before drawing the next, as on X11.
# Environment: PLOVEX_HARNESS, PLOVEX_INSPECT (binaries), WAYLAND_ARTIFACTS (logs and
# pictures, kept when the smoke fails or WAYLAND_KEEP=1).
set -uo pipefail

: "${PLOVEX_HARNESS:?path of plovex-harness}" "${PLOVEX_INSPECT:?path of plovex-inspect}"
: "${WAYLAND_ARTIFACTS:?directory for logs and pictures}"
I=$PLOVEX_INSPECT
A=$WAYLAND_ARTIFACTS
rm -rf "$A"
mkdir -p "$A"

runtime=$(mktemp -d /tmp/plovex-weston.XXXXXX)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
unset DISPLAY WAYLAND_DISPLAY
socket=plovex-wayland
weston_pid=""
pid=""
failures=0
t0=$(date +%s%3N)

log() { printf '[%6d ms] %s\n' $(($(date +%s%3N) - t0)) "$*"; }
fail() {
    log "FAIL: $*"
    failures=$((failures + 1))
}
finish() {
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    [[ -n "$weston_pid" ]] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$runtime"
    if ((failures)); then
        log "$failures check(s) failed; logs and pictures kept in $A"
        exit 1
    fi
    [[ ${WAYLAND_KEEP:-0} == 1 ]] || rm -rf "$A"
    log "all checks passed"
    exit 0
}
abort() {
    fail "$*"
    finish
}
trap 'abort "interrupted"' INT TERM

# wait_for MS COMMAND...: until the command holds.
wait_for() {
    local deadline=$(($(date +%s%3N) + $1))
    shift
    until "$@"; do
        (($(date +%s%3N) > deadline)) && return 1
        sleep 0.05
    done
}
said() { grep -q "$1" "$A/harness.out"; }

# No panel: nothing of the compositor's own over the window.
cat >"$runtime/weston.ini" <<INI
[core]
idle-time=0
[shell]
panel-position=none
locking=false
INI
weston --config="$runtime/weston.ini" --backend=headless-backend.so --use-pixman \
    --width=1280 --height=1024 --socket="$socket" --idle-time=0 --debug >"$A/weston.log" 2>&1 &
weston_pid=$!
wait_for 10000 test -S "$runtime/$socket" || abort "weston did not open its socket"
log "weston (headless) is up"

mkfifo "$runtime/control"
exec 3<>"$runtime/control"
WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland "$PLOVEX_HARNESS" --control \
    <"$runtime/control" >"$A/harness.out" 2>"$A/harness.err" &
pid=$!

wait_for 25000 said "run 1 finished" || abort "the run did not finish within 25 s"
score=$(sed -n 's/.*run 1 finished: score \([0-9]*\),.*/\1/p' "$A/harness.out")
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

echo quit >&3
if wait_for 5000 bash -c "! kill -0 $pid 2>/dev/null"; then
    wait "$pid"
    status=$?
    pid=""
    ((status == 0)) && log "ok: a click on quit ended the program with status 0" ||
        fail "quit ended the program with status $status"
else
    fail "a click on quit did not end the program within 5 s"
fi

summary=$(grep 'frames drawn without a repaint between' "$A/harness.out")
log "$summary"
[[ $summary == *"between: 0" ]] || fail "frames were drawn without a repaint between them"
if [[ -s "$A/harness.err" ]]; then
    fail "the program wrote to standard error: $(head -c 2000 "$A/harness.err")"
else
    log "ok: nothing on standard error"
fi
finish
