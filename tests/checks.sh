# Sourced by the end-to-end scripts (tests/e2e/e2e.sh, tests/win32/win32-e2e.sh,
# tests/wayland/wayland-smoke.sh): logging, checks, and the one way a case ends.
#
# The script sets ARTIFACTS before it sources this (the folder for its screenshots and logs,
# emptied here, removed when every check passed unless KEEP=1) and may define at_finish, which runs first whenever the case ends: it
# stops what the script started and checks what it left behind (it may still call fail).
# A failed check is counted and the case goes on; abort is for a failure after which the
# rest of the case makes no sense. The case ends with status 1 if any check failed.
#
# With an X display, the helpers below the first part look at Plovex's main window:
# PLOVEX_INSPECT is plovex-inspect, MAIN the window's id, WX and WY its corner (set by
# read_position), and load_layout sets the places the checks look at from the program's
# own layout (WINDOW, ORIGIN, SAI, SHU, FIELD_BOX, TABLE..., see plovex-inspect layout).

failures=0
t0=$(date +%s%3N)
rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS"

now() { date +%s%3N; }
log() { printf '[%6d ms] %s\n' $(($(now) - t0)) "$*"; }
fail() {
    log "FAIL: $*"
    failures=$((failures + 1))
}
finish() {
    trap - INT TERM
    declare -F at_finish >/dev/null && at_finish
    if ((failures)); then
        log "$failures check(s) failed; screenshots and logs kept in $ARTIFACTS"
        exit 1
    fi
    [[ ${KEEP:-0} == 1 ]] || rm -rf "$ARTIFACTS"
    log "all checks passed"
    exit 0
}
abort() {
    fail "$*"
    [[ -n ${DISPLAY:-} ]] && import -window root "$ARTIFACTS/at-abort.png" 2>/dev/null
    finish
}
trap 'abort "interrupted"' INT TERM

# check DESCRIPTION COMMAND...: the command must hold; its complaint is logged if not.
check() {
    local what=$1 out
    shift
    if out=$("$@" 2>&1); then
        log "ok: $what"
    else
        fail "$what: $out"
    fi
}
# check_not DESCRIPTION COMMAND...: the command must not hold.
check_not() {
    local what=$1 out
    shift
    if out=$("$@" 2>&1); then
        fail "$what: it did hold ($out)"
    else
        log "ok: $what"
    fi
}
# wait_for MS COMMAND...: until the command holds; fails after MS milliseconds.
wait_for() {
    local deadline=$(($(now) + $1))
    shift
    until "$@"; do
        (($(now) > deadline)) && return 1
        sleep 0.05
    done
}
# sleep_until MS: sleeps until the given time (ms since the epoch).
sleep_until() {
    local left=$(($1 - $(now)))
    ((left > 0)) && sleep "$(printf '%d.%03d' $((left / 1000)) $((left % 1000)))"
    return 0
}

# ---- X displays -------------------------------------------------------------------------

load_layout() {
    local layout
    layout=$("$PLOVEX_INSPECT" layout) || abort "plovex-inspect layout: $layout"
    eval "$layout"
}

# shot NAME: a screenshot of the root window in $ARTIFACTS/NAME.png; SHOT_START and
# SHOT_END are the times (ms) between which it was taken. (xwd -root shows Qt's dialogs and
# Wine's menus black; import does not.)
shot() {
    SHOT_START=$(now)
    import -window root "$ARTIFACTS/$1.png" || abort "import failed"
    SHOT_END=$(now)
}
# timed_shot NAME AT FROM TO: a shot started at AT that must lie wholly within FROM..TO, or
# its checks would judge the wrong phase.
timed_shot() {
    sleep_until "$2"
    shot "$1"
    log "shot $1 at $((SHOT_START - $3))..$((SHOT_END - $3)) ms of a $(($4 - $3)) ms window"
    ((SHOT_START >= $3 && SHOT_END <= $4)) && return 0
    fail "shot $1 was taken at $((SHOT_START - $3))..$((SHOT_END - $3)) ms into a window of" \
        "$(($4 - $3)) ms (machine too busy?); its checks are not meaningful"
    return 1
}

in_window() { "$PLOVEX_INSPECT" --at "$WX,$WY" "$@"; }
read_position() {
    local w h
    read -r WX WY w h < <("$PLOVEX_INSPECT" geometry "$MAIN") || abort "main window $MAIN vanished"
    [[ $w == "${WINDOW[0]}" && $h == "${WINDOW[1]}" ]] ||
        fail "main window is ${w}x$h, expected ${WINDOW[0]}x${WINDOW[1]}"
}
# wait_run_over MS: until the main window shows its run is over; T_FINISH is then the time
# that was first seen.
wait_run_over() {
    "$PLOVEX_INSPECT" wait "$1" finished "$MAIN" >/dev/null || return 1
    T_FINISH=$(now)
}

# click_at X Y [BUTTON]: press and release in screen coordinates.
click_at() {
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool mousedown "${3:-1}"
    sleep 0.15
    xdotool mouseup "${3:-1}"
}
# drag X Y DX DY: a left drag in screen coordinates, in small steps.
drag() {
    local x=$1 y=$2 i
    xdotool mousemove "$x" "$y"
    sleep 0.2
    xdotool mousedown 1
    sleep 0.3
    for i in 1 2 3 4 5; do
        xdotool mousemove $((x + $3 * i / 5)) $((y + $4 * i / 5))
        sleep 0.1
    done
    sleep 0.2
    xdotool mouseup 1
    sleep 0.3
}
# check_body_drag X Y DX DY [WHERE]: a left drag from window point (X, Y) must move the window
# by exactly (DX, DY).
check_body_drag() {
    local ox=$WX oy=$WY where=${5:+ $5}
    drag $((WX + $1)) $((WY + $2)) "$3" "$4"
    read_position
    ((WX == ox + $3 && WY == oy + $4)) && log "ok: a drag on the body$where moved the window by $3,$4" ||
        fail "a drag by $3,$4 on the body$where moved the window from $ox,$oy to $WX,$WY"
}
# wait_gone WID MS: until the window is no longer viewable.
wait_gone() {
    local deadline=$(($(now) + $2))
    while "$PLOVEX_INSPECT" list | grep -q "^$1 .* viewable "; do
        (($(now) > deadline)) && return 1
        sleep 0.05
    done
    return 0
}
# band_of SCORE: the score table's band of the score.
band_of() {
    local band
    for band in 8 7 6 5 4 3 2 1; do
        ((10#$1 >= TABLE_EDGE[band])) && break
    done
    echo "$band"
}
