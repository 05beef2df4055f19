#!/usr/bin/env bash
# plovex.exe under Wine on an X server of its own (scripts/with-xvfb.sh), driven by xdotool
# and judged by screenshots and the X server's view of the windows (plovex-inspect): the
# window's shape and place, a whole run to its score, the blink, a drag, the menu at its
# offsets, a right press while a left press holds a button down, the score table, the about
# box, the run's report with the clear it took, re-measure and quit with status 0.
#   win32-e2e.sh                  that session
#   win32-e2e.sh window_manager   the covered score table brought to the front (needs --wm)
# Environment: PLOVEX_EXE, PLOVEX_INSPECT, PLOVEX_WINEPREFIX (prepared by
# scripts/wine-prefix.sh), E2E_ARTIFACTS (screenshots, kept when a check fails).
set -uo pipefail

: "${PLOVEX_EXE:?path of plovex.exe}" "${PLOVEX_INSPECT:?path of plovex-inspect}"
: "${PLOVEX_WINEPREFIX:?the Wine prefix}" "${E2E_ARTIFACTS:?directory for screenshots}"
I=$PLOVEX_INSPECT
A=$E2E_ARTIFACTS
ARTIFACTS=$A
export WINEPREFIX=$PLOVEX_WINEPREFIX WINEDEBUG=-all
pid=""
# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"
at_finish() { [[ -n $pid ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; }

# Wine names the program's X windows after the exe.
CLASS=plovex.exe
TABLE_TITLE=$'\xe6\x88\x90\xe7\xb8\xbe\xe8\xa1\xa8' # 成績表
load_layout # SAI, SHU, FIELD_BOX and the rest, from the program's layout
MARQUEE_BOX=(100 104 312 28) # the status line's row band

face_of() { # face_of IMAGE FRAME_X FRAME_Y: the button's most common colour left of its caption
    in_window dominant "$1" $(($2 + 8)) $(($3 + 9)) 10 9 | cut -d' ' -f1
}

check_running() { # check_running IMAGE WHAT
    local white
    white=$(in_window count "$1" "${MARQUEE_BOX[@]}" white)
    # A craft tile has at most 37 white pixels; the status line's glyphs make hundreds.
    ((white >= 400)) && log "ok: $2: the status line shows ($white white pixels)" ||
        fail "$2: expected the white status line, saw $white white pixels"
    in_window score "$1" >/dev/null 2>&1 && fail "$2: score tiles show while measuring" ||
        log "ok: $2: no score tiles yet"
}

check_finished() { # check_finished IMAGE WHAT; sets SCORE
    SCORE=$(in_window score "$1" 2>&1) || {
        fail "$2: score tiles unreadable: $SCORE"
        return 1
    }
    log "$2: score tiles read $SCORE"
    if ((10#$SCORE >= 350)); then
        local field share
        read -r field share < <(in_window dominant "$1" "${FIELD_BOX[@]}")
        [[ $field == "#000000" ]] && ((share >= 50)) && log "ok: $2: field black ($share%)" ||
            fail "$2: field should be black for a score of 350 or more; most common colour $field ($share%)"
        check "$2: Label3 shows the header, fuchsia on black" in_window blend "$1" 160 103 192 16 black fuchsia 50
    fi
}

# open_menu FRAME_X FRAME_Y PX PY OFFSET_Y WHAT: a right press at (PX, PY) of a button opens
# the menu with its corner at the window's + (PX + 85, PY + OFFSET_Y). Sets MENU MX MY MW MH.
open_menu() {
    click_at $((WX + $1 + $3)) $((WY + $2 + $4)) 3
    MENU=$("$I" wait 3000 find --class "$CLASS" --override 2>&1 | head -1)
    [[ $MENU == 0x* ]] || {
        fail "right press on $6 opened no menu: $MENU"
        return 1
    }
    read -r MX MY MW MH < <("$I" geometry "$MENU")
    local ex=$((WX + $3 + 85)) ey=$((WY + $4 + $5))
    ((MX == ex && MY == ey)) && log "ok: $6: menu at $MX,$MY (${MW}x$MH) for a press at $3,$4" ||
        fail "$6: menu at $MX,$MY, expected $ex,$ey (window $WX,$WY, press $3,$4)"
    sleep 0.3
}
menu_about() { click_at $((MX + 40)) $((MY + 10)); }
menu_table() { click_at $((MX + 40)) $((MY + MH - 10)); }

check_score_table() { # check_score_table WID T_SHOWN
    local x y w h band
    read -r x y w h < <("$I" geometry "$1")
    [[ $w == "${TABLE[0]}" && $h == "${TABLE[1]}" ]] && log "ok: score table client area ${w}x$h" ||
        fail "score table client area ${w}x$h, expected ${TABLE[0]}x${TABLE[1]}"
    band=$(band_of "$SCORE")
    # Sample boxes: the middle of the band's ellipse, and its label's first line.
    local etop=${TABLE_SHAPE_TOP[band]} want=${TABLE_COLOUR[band]}
    local ebox=($((TABLE_SHAPE[0] + 16)) $((etop + 7)) $((TABLE_SHAPE[1] - 32)) $((TABLE_SHAPE[2] - 14)))
    local lbox=("$TABLE_LABEL_LEFT" "${TABLE_LABEL_TOP[band]}" 110 15)
    timed_shot table-rest $(($2 + 300)) "$2" $(($2 + 950)) || return
    timed_shot table-highlight $(($2 + 1300)) $(($2 + 1050)) $(($2 + 1800)) || return
    local t=(--at "$x,$y") e0 e1 r0 r1
    e0=$("$I" "${t[@]}" dominant "$A/table-rest.png" "${ebox[@]}")
    e1=$("$I" "${t[@]}" dominant "$A/table-highlight.png" "${ebox[@]}")
    [[ $e0 == "$want 100" && $e1 == "#ffff00 100" ]] && log "ok: band $band's ellipse: $want, then yellow" ||
        fail "band $band's ellipse: expected $want then #ffff00, saw $e0 then $e1"
    r0=$("$I" "${t[@]}" count "$A/table-rest.png" "${lbox[@]}" red)
    r1=$("$I" "${t[@]}" count "$A/table-highlight.png" "${lbox[@]}" red)
    ((r0 == 0 && r1 >= 20)) && log "ok: band $band's label turns red at the first tick" ||
        fail "band $band's label red pixels: $r0 then $r1, expected 0 then at least 20"
}

# wait_down FRAME_X FRAME_Y MS / wait_up FRAME_X FRAME_Y MS: until the button on that frame
# shows sunk (the frame's gray along its top) or at rest (along its bottom) on the screen.
wait_down() { in_window wait "$3" count :screen $(($1 + 51)) $(($2 + 3)) 1 1 gray 1 >/dev/null; }
wait_up() { in_window wait "$3" count :screen $(($1 + 51)) $(($2 + 25)) 1 1 gray 1 >/dev/null; }
# The button's lowest middle pixel, which a menu opened from it leaves uncovered.
bottom_of() { in_window pixel :screen $(($1 + 51)) $(($2 + 25)); }
# wait_on_top WID MS: until the window manager stacks WID above the program's other windows.
wait_on_top() {
    local deadline=$(($(now) + $2)) id
    while :; do
        id=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*, //; s/.*# //')
        (($(printf '%d' "$id") == $(printf '%d' "$1"))) && return 0
        (($(now) > deadline)) && return 1
        sleep 0.05
    done
}

# Under a window manager: choosing 成績表 while the table is open but covered brings it to
# the front, as it is, without a reset.
window_manager_case() {
    wine "$PLOVEX_EXE" >"$A/plovex.log" 2>&1 &
    pid=$!
    MAIN=$("$I" wait 15000 find --class "$CLASS" --title Plovex 2>&1 | head -1)
    [[ $MAIN == 0x* ]] || abort "no main window titled Plovex: $MAIN"
    read_position
    wait_run_over 20000 || abort "the buttons did not appear within 20 s"
    SCORE=$(in_window score :screen) || abort "score tiles unreadable: $SCORE"
    open_menu "${SAI[@]}" 30 12 140 re-measure || abort "no menu"
    menu_table
    local table tx ty band other
    table=$("$I" wait 3000 find --class "$CLASS" --title "$TABLE_TITLE" 2>&1 | head -1)
    [[ $table == 0x* ]] || abort "成績表 opened no score table: $table"
    read -r tx ty _ < <("$I" geometry "$table")
    band=$(band_of "$SCORE")
    other=$((band == 7 ? 6 : 7))
    # Sample boxes: a band's label's first line, and the middle of its ellipse.
    label_box() { echo "$TABLE_LABEL_LEFT ${TABLE_LABEL_TOP[$1]} 110 15"; }
    shape_box() { echo "$((TABLE_SHAPE[0] + 16)) $((TABLE_SHAPE_TOP[$1] + 7)) $((TABLE_SHAPE[1] - 32)) $((TABLE_SHAPE[2] - 14))"; }
    local t=(--at "$tx,$ty")
    # From the first tick on, the band's label shows its comment in red.
    "$I" "${t[@]}" wait 3000 count :screen $(label_box "$band") red 20 >/dev/null ||
        abort "band $band's label did not turn red in the score table"
    # The body left of the table: the window manager raises the main window over it.
    click_at $((WX + 100)) $((WY + 146))
    wait_on_top "$MAIN" 3000 && log "ok: a click on the body raised the main window over the table" ||
        abort "the main window did not come over the score table"
    read_position
    shot covered
    open_menu "${SAI[@]}" 30 12 140 re-measure-again || abort "no menu the second time"
    menu_table
    wait_on_top "$table" 3000 && log "ok: 成績表 brought the open table to the front" ||
        fail "the score table stayed behind after 成績表"
    shot raised
    check "the raised table shows band $other's ellipse in its colour" \
        "$I" "${t[@]}" count "$A/raised.png" $(shape_box "$other") "${TABLE_COLOUR[other]}" 300
    check "the raised table still shows band $band's comment in red (not reset)" \
        "$I" "${t[@]}" count "$A/raised.png" $(label_box "$band") red 20
}

if [[ ${1:-session} == window_manager ]]; then
    window_manager_case
    finish
fi

# ---- the session -------------------------------------------------------------------------

T_LAUNCH=$(now)
wine "$PLOVEX_EXE" >"$A/plovex.log" 2>&1 &
pid=$!
MAIN=$("$I" wait 15000 find --class "$CLASS" --title Plovex 2>&1 | head -1)
[[ $MAIN == 0x* ]] || abort "no main window titled Plovex: $MAIN"
read_position
log "main window $MAIN at $WX,$WY, $(($(now) - T_LAUNCH)) ms after launch"
((WX == ORIGIN[0] && WY == ORIGIN[1])) && log "ok: centred at $WX,$WY" ||
    fail "window at $WX,$WY, expected ${ORIGIN[0]},${ORIGIN[1]}"
# The window system draws plovex.exe's ellipse: within a pixel of Plovex's.
check "main window's SHAPE is Plovex's ellipse" "$I" check-shape "$MAIN" 1

sleep_until $((T_LAUNCH + 4500))
shot run
check_running "$A/run.png" "first run"

# The finish; the blink: rest for the first second, then the highlight. The timer started
# a little before the buttons were seen, so the highlight's window ends early.
wait_run_over 20000 || abort "the buttons did not appear within 20 s"
log "buttons appeared $((T_FINISH - T_LAUNCH)) ms after launch"
timed_shot rest $((T_FINISH + 300)) $((T_FINISH + 50)) $((T_FINISH + 950)) || abort "the blink cannot be judged"
timed_shot highlight $((T_FINISH + 1300)) $((T_FINISH + 1050)) $((T_FINISH + 1800)) ||
    abort "the blink cannot be judged"
check_finished "$A/rest.png" "finished run"
# The run's report on standard error, as the X11 program leaves it on its window.
report=$(grep -a '^_PLOVEX_PRESENT ' "$A/plovex.log" | tr -d '\r')
[[ $report =~ ^_PLOVEX_PRESENT\ path=gdi\ frames=[1-9][0-9]*\ puts=[0-9]+\ clear=(plain|streaming)$ ]] &&
    log "ok: the run's report: $report" || fail "the run's report on standard error: '$report'"
check "rest phase: re-measure silver with maroon text" \
    in_window blend "$A/rest.png" $((SAI[0] + 25)) $((SAI[1] + 8)) 50 11 silver maroon 20
check "rest phase: quit silver with green text" \
    in_window blend "$A/rest.png" $((SHU[0] + 25)) $((SHU[1] + 8)) 50 11 silver green 20
if ((10#$SCORE >= 350)); then
    # Re-measure takes Label3's colours (fuchsia on black), face and text swapped.
    check "highlight phase: re-measure fuchsia with black text" \
        in_window blend "$A/highlight.png" $((SAI[0] + 25)) $((SAI[1] + 8)) 50 11 fuchsia black 20
else
    face=$(face_of "$A/highlight.png" "${SAI[@]}")
    [[ $face != "#c0c0c0" ]] && log "ok: highlight phase: re-measure left its rest face ($face)" ||
        fail "highlight phase: re-measure still silver"
fi
read -r n x0 y0 x1 y1 < <(in_window diff "$A/rest.png" "$A/highlight.png" 0 0 "${WINDOW[@]}")
((n > 0 && x0 >= SAI[0] && y0 >= SAI[1] && x1 < SHU[0] + FRAME[0] && y1 < SHU[1] + FRAME[1])) &&
    log "ok: the blink changes only the buttons ($n pixels)" ||
    fail "blink: expected changes inside the buttons only; saw $n pixels in ($x0,$y0)-($x1,$y1)"

# A drag of the body moves the window by exactly the drag; leftwards, so that the score
# table, centred on the screen, leaves the buttons uncovered.
check_body_drag 78 46 -240 30

# The menu of each button at its offsets; from re-measure's, the score table.
if open_menu "${SAI[@]}" 30 12 140 re-measure; then
    menu_table
    table=$("$I" wait 3000 find --class "$CLASS" --title "$TABLE_TITLE" 2>&1 | head -1)
    t_shown=$(now)
    if [[ $table == 0x* ]]; then
        check_score_table "$table" "$t_shown"
        read -r tx ty _ < <("$I" geometry "$table")
        click_at $((tx + TABLE_OK[0] + TABLE_OK[2] / 2)) $((ty + TABLE_OK[1] + TABLE_OK[3] / 2))
        wait_gone "$table" 3000 && log "ok: O   K hid the score table" || fail "O   K did not hide the score table"
    else
        fail "成績表 opened no score table: $table"
    fi
fi

# From quit's menu, 40 pixels lower for the same press, the about box with the icon.
if open_menu "${SHU[@]}" 30 12 180 quit; then
    menu_about
    about=$("$I" wait 3000 find --class "$CLASS" --title "About Plovex" 2>&1 | head -1)
    if [[ $about == 0x* ]]; then
        read -r ax ay aw ah < <("$I" geometry "$about")
        log "ok: about box shown at $ax,$ay (${aw}x$ah)"
        check "about box shows the icon's hull" "$I" --at "$ax,$ay" wait 3000 count :screen 0 0 "$aw" "$ah" fuchsia 40
        check "about box shows the icon's dome" "$I" --at "$ax,$ay" count :screen 0 0 "$aw" "$ah" lime 20
        "$I" close "$about"
        wait_gone "$about" 3000 || fail "the about box did not close on WM_DELETE_WINDOW"
    else
        fail "バージョン情報 showed no about box: $about"
    fi
fi

# A right press while the left holds re-measure down: the menu opens where it does for the
# sunk button and the button stays down; the left release, which goes to the menu's loop,
# brings it back and clicks nothing.
xdotool mousemove $((WX + SAI[0] + 50)) $((WY + SAI[1] + 13)) mousedown 1
if wait_down "${SAI[@]}" 3000; then
    log "ok: a left press sank re-measure"
    xdotool mousedown 3
    MENU=$("$I" wait 3000 find --class "$CLASS" --override 2>&1 | head -1)
    if [[ $MENU == 0x* ]]; then
        read -r MX MY _ < <("$I" geometry "$MENU")
        ((MX == WX + 48 + 85 && MY == WY + 11 + 140)) && log "ok: the menu opened for the sunk button" ||
            fail "menu at $MX,$MY for a press at 48,11 of the sunk button (window $WX,$WY)"
        xdotool mouseup 3
        shot pressed-menu
        below=$(bottom_of "${SAI[@]}")
        [[ $below != "#808080" ]] && log "ok: re-measure stays down with the menu open" ||
            fail "re-measure came back while its left press was held and the menu opened"
        # Beside the menu, over the button itself.
        xdotool mousemove $((WX + SAI[0] + 95)) $((WY + SAI[1] + 20)) mouseup 1
        wait_up "${SAI[@]}" 3000 && log "ok: re-measure came back at the left release" ||
            fail "re-measure stays down after the left release: bottom $(bottom_of "${SAI[@]}")"
        xdotool key Escape
        wait_gone "$MENU" 3000 || fail "the menu did not close on Escape"
        check "the left release after the menu clicked nothing (the score still shows)" in_window score :screen
    else
        xdotool mouseup 3 mouseup 1
        fail "a right press during a left press on re-measure opened no menu: $MENU"
    fi
else
    xdotool mouseup 1
    fail "a left press did not sink re-measure"
fi

# Re-measure: the window stays, a new run starts and finishes.
ox=$WX oy=$WY
t_click=$(now)
click_at $((WX + SAI[0] + 50)) $((WY + SAI[1] + 13))
sleep_until $((t_click + 4000))
shot rerun
read_position
((WX == ox && WY == oy)) && log "ok: re-measure did not move the window" ||
    fail "re-measure moved the window from $ox,$oy to $WX,$WY"
check_running "$A/rerun.png" "re-measure"
wait_run_over 20000 || abort "the second run did not finish within 20 s"
sleep 0.3
shot refinished
check_finished "$A/refinished.png" "second run"

# Quit: the program ends with status 0.
click_at $((WX + SHU[0] + 50)) $((WY + SHU[1] + 13))
deadline=$(($(now) + 10000))
while kill -0 "$pid" 2>/dev/null && (($(now) < deadline)); do sleep 0.05; done
if kill -0 "$pid" 2>/dev/null; then
    fail "quit did not end the program within 10 s"
else
    wait "$pid"
    status=$?
    pid=""
    ((status == 0)) && log "ok: quit ended the program with status 0" || fail "quit: exit status $status"
fi
finish
