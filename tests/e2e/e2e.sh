#!/usr/bin/env bash
# End-to-end cases for plovex on an X server of their own (scripts/with-xvfb.sh):
#   e2e.sh session            a full run, the finish controls, menu, score table, re-measure, quit
#   e2e.sh close_during_run   a close request to the main window while a run is measured
#   e2e.sh window_manager     dragging and quitting under a window manager (needs --wm)
#   e2e.sh small_screen       a screen smaller than the window (needs --screen 400x240)
#   e2e.sh scaled_desktop     a desktop asking for scale 2 (QT_SCALE_FACTOR=2 and the like)
#   e2e.sh no_shared_memory   a display without MIT-SHM (needs --no-shm)
# Input comes only from xdotool; results are judged on screenshots and the X server's data.
# In every case the program must write nothing to standard output or error (Qt's warnings
# go there).
# Environment: PLOVEX, PLOVEX_INSPECT (binaries), E2E_ARTIFACTS (screenshots and the
# program's output, kept when a case fails or E2E_KEEP=1).
set -uo pipefail

: "${PLOVEX:?path of the plovex binary}" "${PLOVEX_INSPECT:?path of plovex-inspect}"
: "${E2E_ARTIFACTS:?directory for screenshots}"
case_name=${1:?case name}
I=$PLOVEX_INSPECT
A=$E2E_ARTIFACTS
ARTIFACTS=$A
KEEP=${E2E_KEEP:-0}
pid=""
# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"

# The main window and the about box both carry the application's title; the main
# window's type is NORMAL, the about box's DIALOG.
MAIN_TITLE=Plovex
TABLE_TITLE=$'\xe6\x88\x90\xe7\xb8\xbe\xe8\xa1\xa8'  # 成績表
ABOUT_TITLE=Plovex

# Where the checks look, from the program's layout: SAI, SHU, FIELD_BOX and the rest.
load_layout
# Sample boxes inside the labels' text and the status line's row band at 29 pixels.
LABEL3_BOX=(160 103 192 16) # inside Label3's header rectangle, centred
LABEL1_BOX=(206 121 100 40) # inside Label1's first two lines, centred
MARQUEE_BOX=(100 104 312 28)

# Stops the program; it must have written nothing.
at_finish() {
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    if [[ -s "$A/plovex.log" ]]; then
        fail "the program wrote output: $(head -c 2000 "$A/plovex.log")"
    fi
}

start_plovex() {
    T_LAUNCH=$(now)
    "$PLOVEX" >"$A/plovex.log" 2>&1 &
    pid=$!
    MAIN=$("$I" wait 10000 find --class plovex --title "$MAIN_TITLE" --type NORMAL 2>&1 | head -1) ||
        abort "no main window titled '$MAIN_TITLE' with class plovex: $MAIN"
    [[ $MAIN == 0x* ]] || abort "no main window: $MAIN"
    read_position
    log "main window $MAIN at $WX,$WY"
    # What task bars and window lists show: the application's title and class.
    "$I" list | grep -q "^$MAIN .* plovex/Plovex \"Plovex\"$" &&
        log "ok: the desktop sees the title Plovex and the class plovex/Plovex" ||
        fail "main window's title or class: $("$I" list | grep "^$MAIN ")"
}
alive() { kill -0 "$pid" 2>/dev/null; }

# The buttons' face colours in the highlight phase come from the labels, set by the score.
SAI_HI="fuchsia black"
SHU_HI="tooltip black"

# button_is IMAGE FRAME_X FRAME_Y FACE TEXT: the button on that frame shows a flat FACE
# beside its caption (patches left and right of it, inside the ellipse) and a caption in
# TEXT on FACE.
button_is() {
    local img=$1 fx=$2 fy=$3 face=$4 text=$5 want left right
    want="$("$I" colour "$face") 100"
    left=$(in_window dominant "$img" $((fx + 8)) $((fy + 9)) 10 9) || return 2
    right=$(in_window dominant "$img" $((fx + 82)) $((fy + 9)) 10 9) || return 2
    if [[ $left != "$want" || $right != "$want" ]]; then
        echo "face beside the caption: expected $want%, saw $left% / $right%" >&2
        return 1
    fi
    in_window blend "$img" $((fx + 25)) $((fy + 8)) 50 11 "$face" "$text" 20
}

# Whether IMAGE shows either button in either blink phase.
buttons_shown() {
    local img=$1
    button_is "$img" "${SAI[@]}" silver maroon || button_is "$img" "${SAI[@]}" $SAI_HI ||
        button_is "$img" "${SHU[@]}" silver green || button_is "$img" "${SHU[@]}" $SHU_HI
} >/dev/null 2>&1

# wait_finished: returns when the run is over (the re-measure button shows at rest);
# T_FINISH is then the time the buttons were first seen.
wait_finished() {
    wait_run_over 20000 || abort "the buttons did not appear within 20 s"
    log "buttons appeared $((T_FINISH - T_LAUNCH)) ms after launch"
}

# open_menu FRAME_X FRAME_Y PX PY EXPECT_DY: right press at (PX, PY) of the button whose
# frame is at FRAME_X, FRAME_Y; the menu must open at the window's corner + (PX + 85,
# PY + EXPECT_DY). Sets MENU, MX, MY, MW, MH.
open_menu() {
    local fx=$1 fy=$2 px=$3 py=$4 dy=$5 what=$6
    click_at $((WX + fx + px)) $((WY + fy + py)) 3
    MENU=$("$I" wait 3000 find --class plovex --override 2>&1 | head -1)
    if [[ $MENU != 0x* ]]; then
        fail "right click on $what opened no popup window: $MENU"
        return 1
    fi
    read -r MX MY MW MH < <("$I" geometry "$MENU")
    local ex=$((WX + px + 85)) ey=$((WY + py + dy))
    if ((MX == ex && MY == ey)); then
        log "ok: $what menu opened at $MX,$MY (${MW}x$MH) for a press at $px,$py"
    else
        fail "$what menu opened at $MX,$MY, expected $ex,$ey (window $WX,$WY, press $px,$py)"
    fi
    shot "menu-$what"
    return 0
}
# The menu's first item is "バージョン情報", after the separator comes "成績表".
menu_about() { click_at $((MX + 40)) $((MY + 10)); }
menu_table() { click_at $((MX + 40)) $((MY + MH - 10)); }

# wait_no_menu MS: until no popup of the program is shown.
wait_no_menu() {
    local deadline=$(($(now) + $1))
    while "$I" find --class plovex --override >/dev/null 2>&1; do
        (($(now) > deadline)) && return 1
        sleep 0.05
    done
    return 0
}
# wait_at_rest FRAME_X FRAME_Y MS: until the live screen shows the button on that frame at
# rest, its frame's gray crescent along the bottom and its face at the top. REST tells
# what was seen last.
wait_at_rest() {
    local fx=$1 fy=$2 deadline=$(($(now) + $3)) top bottom
    while :; do
        read -r top bottom < <(in_window pixel :screen $((fx + 51)) $((fy + 3)) $((fx + 51)) $((fy + 25)) | tr '\n' ' ')
        [[ $top != "#808080" && $bottom == "#808080" ]] && return 0
        REST="frame top $top (expected the face), bottom $bottom (expected #808080)"
        (($(now) > deadline)) && return 1
        sleep 0.05
    done
}

# wait_exit MS: waits for plovex to end; sets EXIT_STATUS (empty if it did not end).
wait_exit() {
    local deadline=$(($(now) + $1))
    EXIT_STATUS=""
    while alive; do
        (($(now) > deadline)) && return 1
        sleep 0.05
    done
    wait "$pid"
    EXIT_STATUS=$?
    pid=""
    return 0
}

# ---- checks shared by the cases -----------------------------------------------------

# check_changes_within WHAT BEFORE AFTER X0 Y0 X1 Y1: between the two shots, pixels of
# the area around the quit button changed only inside (X0,Y0)-(X1,Y1), window coordinates.
check_changes_within() {
    local what=$1 n x0 y0 x1 y1
    read -r n x0 y0 x1 y1 < <(in_window diff "$2" "$3" 196 216 126 45)
    if ((n == 0)) || ((x0 >= $4 && y0 >= $5 && x1 <= $6 && y1 <= $7)); then
        log "ok: $what: changes stay inside ($4,$5)-($6,$7)"
    else
        fail "$what: $n pixels changed in ($x0,$y0)-($x1,$y1), expected changes only inside ($4,$5)-($6,$7)"
    fi
}

# The status line is scrolling and the buttons are absent (IMAGE taken mid-run).
check_running() {
    local img=$1 what=$2 white
    white=$(in_window count "$img" "${MARQUEE_BOX[@]}" white)
    # A craft tile has at most 37 white pixels; the status line's glyphs make a thousand.
    if ((white >= 400)); then
        log "ok: $what: status line shows ($white white pixels in Label3's row band)"
    else
        fail "$what: expected the white status line in rows ${MARQUEE_BOX[1]}..$((MARQUEE_BOX[1] + MARQUEE_BOX[3])), saw only $white white pixels"
    fi
    if buttons_shown "$img"; then
        fail "$what: the buttons show while the run is under way"
    else
        log "ok: $what: no buttons"
    fi
    check_not "$what: no score tiles yet" in_window score "$img"
}

# The finished window: score tiles, colours of the score's band, the two oval buttons.
# Sets SCORE: the whole score, the tiles' four digits completed by the frames the program
# reports (a score of 10235 shows 0235, which alone would judge band 5).
check_finished() {
    local img=$1 what=$2
    SCORE=$(in_window score "$img" "$MAIN" 2>&1) || {
        fail "$what: score tiles unreadable: $SCORE"
        return 1
    }
    log "$what: score tiles read $SCORE"
    if ((10#$SCORE >= 350)); then
        local field
        read -r field share < <(in_window dominant "$img" "${FIELD_BOX[@]}")
        if [[ $field == "#000000" ]] && ((share >= 50)); then
            log "ok: $what: field black ($share%)"
        else
            fail "$what: field should be black for a score of 350 or more; most common colour $field ($share%)"
        fi
        check "$what: Label3 shows the header, fuchsia on black" in_window blend "$img" "${LABEL3_BOX[@]}" black fuchsia 50
        check "$what: Label1 text in the tooltip colour on black" in_window blend "$img" "${LABEL1_BOX[@]}" black tooltip 50
    else
        # Below 350 the band's colours apply; they are checked by the unit tests.
        log "note: $what: score $SCORE is below 350; band colours not checked here"
        SAI_HI=""
        SHU_HI=""
    fi
    # Oval buttons: flat face with the caption; the corners of the frame show the field,
    # and the frame's gray crescent lies along the lower right.
    local b
    for b in SAI SHU; do
        local -n frame=$b
        local fx=${frame[0]} fy=${frame[1]} corner low high
        read -r corner low high < <(in_window pixel "$img" $((fx + 1)) $((fy + 1)) $((fx + 51)) $((fy + 25)) \
            $((fx + 51)) $((fy + 3)) | tr '\n' ' ')
        if [[ $low == "#808080" && $high != "#808080" && $corner != "#808080" && $corner != "#c0c0c0" ]]; then
            log "ok: $what: $b is oval with its crescent below"
        else
            fail "$what: $b frame corner $corner (expected the field), crescent point $low (expected #808080)," \
                "top edge $high (expected the face)"
        fi
    done
}

# check_path PATH: the finished window says which way its frames reached the screen.
check_path() {
    local present
    present=$(xprop -id "$MAIN" _PLOVEX_PRESENT 2>&1)
    [[ $present == *"\"path=$1 frames="* ]] && log "ok: frames went the $1 way: ${present#*= }" ||
        fail "expected _PLOVEX_PRESENT to say path=$1: $present"
}

# check_expose_keeps_frame WHAT: hiding and showing the finished window again repaints the
# last frame with its labels, pixel for pixel (above the blinking buttons).
check_expose_keeps_frame() {
    shot before-expose
    xdotool windowunmap --sync "$MAIN"
    xdotool windowmap --sync "$MAIN"
    local deadline=$(($(now) + 3000)) n
    while :; do
        shot after-expose
        read -r n _ < <(in_window diff "$A/before-expose.png" "$A/after-expose.png" 0 0 "${WINDOW[0]}" "${SAI[1]}")
        ((n == 0 || $(now) > deadline)) && break
        sleep 0.05
    done
    ((n == 0)) && log "ok: $1: shown again, the window repaints its last frame and labels" ||
        fail "$1: shown again, $n pixels above the buttons differ from before"
}

# ---- cases ----------------------------------------------------------------------------

case_session() {
    start_plovex
    ((WX == ORIGIN[0] && WY == ORIGIN[1])) && log "ok: centred at $WX,$WY" ||
        fail "window at $WX,$WY, expected centred at ${ORIGIN[0]},${ORIGIN[1]}"

    # While measuring.
    sleep_until $((T_LAUNCH + 3500))
    shot run
    check_running "$A/run.png" "first run"

    # The finish, and the blink: rest for the first second, then highlight.
    wait_finished
    ((T_FINISH - T_LAUNCH >= 8800)) || fail "buttons appeared $((T_FINISH - T_LAUNCH)) ms after launch, before 8.8 s"
    local rest_ok=0 hi_ok=0
    timed_shot rest $((T_FINISH + 300)) $((T_FINISH + 50)) $((T_FINISH + 900)) && rest_ok=1
    timed_shot highlight $((T_FINISH + 1300)) $((T_FINISH + 1050)) $((T_FINISH + 1900)) && hi_ok=1
    check_finished "$A/rest.png" "finished run"
    if ((rest_ok)); then
        check "rest phase: re-measure silver with maroon text" button_is "$A/rest.png" "${SAI[@]}" silver maroon
        check "rest phase: quit silver with green text" button_is "$A/rest.png" "${SHU[@]}" silver green
    fi
    if ((hi_ok)) && [[ -n $SAI_HI ]]; then
        # shellcheck disable=SC2086
        check "highlight phase: re-measure in Label3's colours ($SAI_HI)" button_is "$A/highlight.png" "${SAI[@]}" $SAI_HI
        # shellcheck disable=SC2086
        check "highlight phase: quit in Label1's colours ($SHU_HI)" button_is "$A/highlight.png" "${SHU[@]}" $SHU_HI
    fi
    if ((rest_ok && hi_ok)); then
        local d sai shu
        d=$(in_window diff "$A/rest.png" "$A/highlight.png" 0 0 "${WINDOW[@]}")
        sai=$(in_window diff "$A/rest.png" "$A/highlight.png" "${SAI[@]}" "${FRAME[@]}" | cut -d' ' -f1)
        shu=$(in_window diff "$A/rest.png" "$A/highlight.png" "${SHU[@]}" "${FRAME[@]}" | cut -d' ' -f1)
        read -r n x0 y0 x1 y1 <<<"$d"
        if ((n > 0 && sai > 0 && shu > 0 && x0 >= SAI[0] && y0 >= SAI[1] && x1 < SHU[0] + FRAME[0] &&
            y1 < SHU[1] + FRAME[1])); then
            log "ok: blink changes only the buttons ($n pixels in ($x0,$y0)-($x1,$y1))"
        else
            fail "blink: expected changes in both buttons and nowhere else; saw $n pixels in ($x0,$y0)-($x1,$y1)," \
                "$sai in re-measure, $shu in quit"
        fi
    fi

    check_path shm
    check_expose_keeps_frame "finished run"

    # Shape: the X server's region, and a drag that starts just outside the corner.
    check "main window's SHAPE is Plovex's ellipse" "$I" check-shape "$MAIN"
    local ox=$WX oy=$WY
    drag $((WX + 72)) $((WY + 40)) 50 30
    read_position
    ((WX == ox && WY == oy)) && log "ok: a drag from just outside the ellipse does not reach the window" ||
        fail "a drag from (72,40), outside the ellipse, moved the window from $ox,$oy to $WX,$WY"

    # Dragging the body (no window manager: the program follows the pointer). Leftwards,
    # so that the score table, centred on the screen, does not cover the buttons later.
    check_body_drag 78 46 -240 30

    # Pressed look: press quit, slide off, release. The button sinks and comes back, and
    # nothing is clicked. Around the buttons nothing else may change: no frames are drawn
    # now, so the field beneath stays as it was.
    ox=$WX oy=$WY
    xdotool mousemove $((WX + SHU[0] + 50)) $((WY + SHU[1] + 13))
    sleep 0.2
    shot before-press
    xdotool mousedown 1
    sleep 0.3
    shot pressed
    # The frame's ellipse (2,2)-(100,27) while pressed, the button's (2,2)-(98,25) after.
    check_changes_within "pressed quit button" "$A/before-press.png" "$A/pressed.png" \
        $((SHU[0] + 2)) $((SHU[1] + 2)) $((SHU[0] + 99)) $((SHU[1] + 26))
    local top bottom
    read -r top bottom < <(in_window pixel "$A/pressed.png" $((SHU[0] + 51)) $((SHU[1] + 3)) $((SHU[0] + 51)) \
        $((SHU[1] + 25)) | tr '\n' ' ')
    [[ $top == "#808080" && $bottom != "#808080" ]] && log "ok: pressed quit button sank (crescent at its top)" ||
        fail "pressed quit button: frame top $top (expected #808080), bottom $bottom (expected the face)"
    xdotool mousemove $((WX + 120)) $((WY + 150))
    sleep 0.2
    xdotool mouseup 1
    sleep 0.6
    alive || abort "releasing the quit button away from it ended the program"
    shot released
    check_changes_within "released quit button" "$A/before-press.png" "$A/released.png" \
        $((SHU[0] + 2)) $((SHU[1] + 2)) $((SHU[0] + 97)) $((SHU[1] + 24))
    read -r top bottom < <(in_window pixel "$A/released.png" $((SHU[0] + 51)) $((SHU[1] + 3)) $((SHU[0] + 51)) \
        $((SHU[1] + 25)) | tr '\n' ' ')
    [[ $top != "#808080" && $bottom == "#808080" ]] && log "ok: released quit button came back" ||
        fail "released quit button: frame top $top (expected the face), bottom $bottom (expected #808080)"
    read_position
    ((WX == ox && WY == oy)) && log "ok: press and release on a button did not move the window" ||
        fail "press on quit and release off it moved the window from $ox,$oy to $WX,$WY"

    # A right press during a left press: the menu opens and takes the pointer, and the
    # button stays down until the left release, which goes to the menu (here beside it).
    xdotool mousemove $((WX + SAI[0] + 50)) $((WY + SAI[1] + 13)) mousedown 1 mousedown 3
    if "$I" wait 3000 find --class plovex --override >/dev/null; then
        xdotool mouseup 3
        # The menu covers the button's top; its bottom shows the face while it is down.
        local below
        below=$(in_window pixel :screen $((SAI[0] + 51)) $((SAI[1] + 25)))
        [[ $below != "#808080" ]] && log "ok: re-measure stays down while the menu is open" ||
            fail "re-measure came back while its left press was held and the menu opened"
        xdotool mousemove $((WX + SAI[0] + 95)) $((WY + SAI[1] + 20)) mouseup 1
        wait_at_rest "${SAI[@]}" 3000 && log "ok: re-measure is back at rest at the left release" ||
            fail "re-measure stays sunk after the left release went to the menu: $REST"
        xdotool key Escape
        wait_no_menu 3000 || fail "the menu did not close on Escape"
        alive || abort "the interrupted press ended the program"
    else
        xdotool mouseup 3 mouseup 1
        fail "a right press during a left press on re-measure opened no menu"
    fi

    # Context menu of re-measure, then the score table.
    if open_menu "${SAI[@]}" 30 12 140 re-measure; then
        menu_table
        local table
        table=$("$I" wait 3000 find --title "$TABLE_TITLE" 2>&1 | head -1)
        local t_show
        t_show=$(now)
        if [[ $table != 0x* ]]; then
            fail "成績表 opened no score table window: $table"
        else
            check_score_table "$table" "$t_show"
            # A close request only hides it.
            "$I" close "$table"
            if wait_gone "$table" 3000; then log "ok: WM_DELETE_WINDOW hid the score table"; else fail "score table still shown after WM_DELETE_WINDOW"; fi
            sleep 0.3
            alive && log "ok: program still running" || abort "closing the score table ended the program"
            "$I" find --class plovex --title "$MAIN_TITLE" --type NORMAL >/dev/null && log "ok: main window still shown" ||
                fail "main window gone after closing the score table"
        fi
    fi
    "$I" find --class plovex --override >/dev/null 2>&1 && fail "the menu is still open after choosing an item"

    # The score table again, and with it open, the about box from the menu of quit (40
    # pixels lower for the same press position). The about box holds only the main window:
    # the table's O K still hides the table.
    local table=""
    if open_menu "${SAI[@]}" 60 20 140 re-measure-again; then
        menu_table
        table=$("$I" wait 3000 find --title "$TABLE_TITLE" 2>&1 | head -1)
        [[ $table == 0x* ]] || fail "成績表 opened no score table window the second time: $table"
    fi
    if [[ $table == 0x* ]] && open_menu "${SHU[@]}" 30 12 180 quit; then
        menu_about
        local about
        about=$("$I" wait 3000 find --managed --class plovex --title "$ABOUT_TITLE" --type DIALOG 2>&1 | head -1)
        if [[ $about == 0x* ]]; then
            local ax ay aw ah
            read -r ax ay aw ah < <("$I" geometry "$about")
            log "ok: about box shown at $ax,$ay (${aw}x$ah)"
            # It carries the window icon: a lime dome over a fuchsia hull.
            check "about box shows the icon" "$I" --at "$ax,$ay" wait 3000 count :screen 0 0 "$aw" "$ah" fuchsia 40
            check "about box shows the icon's dome" "$I" --at "$ax,$ay" count :screen 0 0 "$aw" "$ah" lime 20
            shot about
            local face
            face=$("$I" --at "$ax,$ay" dominant "$A/about.png" 0 0 "$aw" "$ah")
            [[ $face != "#000000 "* ]] && log "ok: about box painted (most common colour $face%)" ||
                fail "about box is not painted: most common colour $face%"
            local tx ty ok_x ok_y
            read -r tx ty _ < <("$I" geometry "$table")
            ok_x=$((tx + TABLE_OK[0] + TABLE_OK[2] / 2)) ok_y=$((ty + TABLE_OK[1] + TABLE_OK[3] / 2))
            ((ok_x >= ax && ok_x < ax + aw && ok_y >= ay && ok_y < ay + ah)) &&
                fail "the about box covers the score table's O K at $ok_x,$ok_y"
            click_at "$ok_x" "$ok_y"
            wait_gone "$table" 3000 && log "ok: O   K hid the score table while the about box was open" ||
                fail "O   K did not hide the score table while the about box was open"
            "$I" close "$about"
            wait_gone "$about" 3000 || fail "about box did not close on WM_DELETE_WINDOW"
        else
            fail "バージョン情報 showed no window titled Plovex: $about"
        fi
    fi

    # Re-measure: a plain left click; the window stays, a new run starts and finishes.
    ox=$WX oy=$WY
    local t_click
    t_click=$(now)
    click_at $((WX + SAI[0] + 50)) $((WY + SAI[1] + 13))
    sleep_until $((t_click + 3500))
    shot rerun
    read_position
    ((WX == ox && WY == oy)) && log "ok: clicking re-measure did not move the window" ||
        fail "clicking re-measure moved the window from $ox,$oy to $WX,$WY"
    check_running "$A/rerun.png" "re-measure"
    T_LAUNCH=$t_click
    wait_finished
    sleep 0.3
    shot refinished
    check_finished "$A/refinished.png" "second run"

    # Quit while the score table is open.
    if open_menu "${SHU[@]}" 30 12 180 quit-final; then
        menu_table
        "$I" wait 3000 find --title "$TABLE_TITLE" >/dev/null || fail "score table did not open before quitting"
    fi
    sleep 0.3
    quit_by_click "score table open"
}

# check_score_table WID T_SHOW: geometry, band colours and the blink of the current band.
check_score_table() {
    local table=$1 t_show=$2 x y w h
    read -r x y w h < <("$I" geometry "$table")
    [[ $w == "${TABLE[0]}" && $h == "${TABLE[1]}" ]] && log "ok: score table client area ${w}x$h" ||
        fail "score table client area ${w}x$h, expected ${TABLE[0]}x${TABLE[1]}"
    local band
    band=$(band_of "$SCORE")
    # Sample boxes: the middle of the band's ellipse, and its label's first line.
    local sx=${TABLE_SHAPE[0]} sw=${TABLE_SHAPE[1]} sh=${TABLE_SHAPE[2]} etop=${TABLE_SHAPE_TOP[band]}
    local ebox=($((sx + 16)) $((etop + 7)) $((sw - 32)) $((sh - 14)))
    local lbox=("$TABLE_LABEL_LEFT" "${TABLE_LABEL_TOP[band]}" 110 15)
    local shots=() ok=1 i
    for i in 0 1 2; do
        timed_shot "table-$i" $((t_show + 300 + 1000 * i)) $((t_show + 1000 * i + 100)) $((t_show + 1000 * i + 900)) || ok=0
        shots+=("$A/table-$i.png")
    done
    ((ok)) || return
    local t=(--at "$x,$y")
    local e0 e1 e2
    e0=$("$I" "${t[@]}" dominant "${shots[0]}" "${ebox[@]}")
    e1=$("$I" "${t[@]}" dominant "${shots[1]}" "${ebox[@]}")
    e2=$("$I" "${t[@]}" dominant "${shots[2]}" "${ebox[@]}")
    local want
    want=${TABLE_COLOUR[band]}
    if [[ $e0 == "$want 100" && $e1 == "#ffff00 100" && $e2 == "$want 100" ]]; then
        log "ok: band $band's ellipse: $want, then yellow, then $want again"
    else
        fail "band $band's ellipse over three seconds: expected $want / #ffff00 / $want, saw $e0 / $e1 / $e2"
    fi
    local red0 red1 red2
    red0=$("$I" "${t[@]}" count "${shots[0]}" "${lbox[@]}" red)
    red1=$("$I" "${t[@]}" count "${shots[1]}" "${lbox[@]}" red)
    red2=$("$I" "${t[@]}" count "${shots[2]}" "${lbox[@]}" red)
    ((red0 == 0 && red1 >= 20 && red2 >= 20)) && log "ok: band $band's label turns red at the first tick and stays" ||
        fail "band $band's label red pixels over three seconds: $red0 / $red1 / $red2, expected 0 / >=20 / >=20"
    local n x0 y0 x1 y1
    read -r n x0 y0 x1 y1 < <("$I" "${t[@]}" diff "${shots[1]}" "${shots[2]}" 0 0 "${TABLE[@]}")
    ((n > 0 && x0 >= sx && y0 >= etop && x1 < sx + sw && y1 < etop + sh)) &&
        log "ok: the second tick changes only band $band's ellipse" ||
        fail "second tick: expected changes only in band $band's ellipse ($sx,$etop)-($((sx + sw - 1)),$((etop + sh - 1))); saw $n pixels in ($x0,$y0)-($x1,$y1)"
    # The other rows keep their band colours.
    local b seen
    for b in 1 2 3 4 5 6 7 8; do
        ((b == band)) && continue
        seen=$("$I" "${t[@]}" pixel "${shots[2]}" $((sx + sw / 2)) $((TABLE_SHAPE_TOP[b] + sh / 2)))
        [[ $seen == "${TABLE_COLOUR[b]}" ]] || fail "band $b's ellipse centre is $seen, expected ${TABLE_COLOUR[b]}"
    done
}

case_close_during_run() {
    start_plovex
    sleep_until $((T_LAUNCH + 3500))
    shot run
    check_running "$A/run.png" "run"
    "$I" close "$MAIN"
    if wait_exit 5000; then
        ((EXIT_STATUS == 0)) && log "ok: WM_DELETE_WINDOW during the run ended the program with status 0" ||
            fail "WM_DELETE_WINDOW during the run: exit status $EXIT_STATUS"
    else
        fail "WM_DELETE_WINDOW to the main window did not end the program within 5 s"
    fi
}

case_window_manager() {
    pgrep -x openbox >/dev/null || abort "no window manager running (run under with-xvfb.sh --wm)"
    start_plovex
    wait_finished
    sleep 0.3
    shot finished
    check_finished "$A/finished.png" "run under openbox"
    check "main window's SHAPE is Plovex's ellipse" "$I" check-shape "$MAIN"
    check_body_drag 100 146 60 40 "under the window manager"
    sleep 0.3
    check_table_placement
    quit_by_click
}

# The score table under a window manager: centred by its outer size, frame included, from
# the moment it is first shown; shown again, it stays where it was moved to.
check_table_placement() {
    open_menu "${SAI[@]}" 30 12 140 re-measure || return
    menu_table
    local table x y w h
    table=$("$I" wait 3000 find --title "$TABLE_TITLE" 2>&1 | head -1)
    [[ $table == 0x* ]] || { fail "成績表 opened no score table window: $table"; return; }
    read -r x y w h < <("$I" frame "$table")
    local cx=$(((SCREEN[0] - w) / 2)) cy=$(((SCREEN[1] - h) / 2))
    if ((w > TABLE[0] && h > TABLE[1] && x == cx && y == cy)); then
        log "ok: the score table's frame (${w}x$h) is centred at $x,$y"
    else
        fail "the score table's frame (${w}x$h) is at $x,$y; centred by its outer size it would be at $cx,$cy"
    fi
    xdotool windowmove "$table" 100 120
    local deadline=$(($(now) + 3000)) mx=$x my=$y
    while ((mx == x && my == y && $(now) < deadline)); do
        sleep 0.05
        read -r mx my _ < <("$I" frame "$table")
    done
    ((mx != x || my != y)) || { fail "the score table did not move"; return; }
    local tx ty
    read -r tx ty _ < <("$I" geometry "$table")
    click_at $((tx + TABLE_OK[0] + TABLE_OK[2] / 2)) $((ty + TABLE_OK[1] + TABLE_OK[3] / 2))
    wait_gone "$table" 3000 || { fail "O   K did not hide the score table"; return; }
    open_menu "${SAI[@]}" 30 12 140 re-measure-again || return
    menu_table
    table=$("$I" wait 3000 find --title "$TABLE_TITLE" 2>&1 | head -1)
    [[ $table == 0x* ]] || { fail "成績表 did not show the score table again: $table"; return; }
    read -r x y _ < <("$I" frame "$table")
    ((x == mx && y == my)) && log "ok: shown again, the score table stays at $x,$y" ||
        fail "shown again, the score table's frame is at $x,$y, not where it was moved to ($mx,$my)"
    read -r tx ty _ < <("$I" geometry "$table")
    click_at $((tx + TABLE_OK[0] + TABLE_OK[2] / 2)) $((ty + TABLE_OK[1] + TABLE_OK[3] / 2))
    wait_gone "$table" 3000 || fail "O   K did not hide the score table"
}

# quit_by_click [NOTE]: a click on the quit button must end the program with status 0.
quit_by_click() {
    local note=${1:+ ($1)}
    click_at $((WX + SHU[0] + 50)) $((WY + SHU[1] + 13))
    if wait_exit 5000; then
        ((EXIT_STATUS == 0)) && log "ok: quit ended the program with status 0$note" ||
            fail "quit ended the program with status $EXIT_STATUS$note"
    else
        fail "the quit button did not end the program within 5 s$note"
    fi
}

case_small_screen() {
    start_plovex
    local sw=${SCREEN[0]} sh=${SCREEN[1]}
    ((sw < WINDOW[0] && sh < WINDOW[1])) || abort "the screen is ${sw}x$sh; run with --screen 400x240"
    ((WX == 0 && WY == 0)) && log "ok: on a ${sw}x$sh screen the window is at its top-left corner" ||
        fail "on a ${sw}x$sh screen the window is at $WX,$WY, expected 0,0"
    check "main window's SHAPE is Plovex's ellipse" "$I" check-shape "$MAIN"
    wait_finished
    sleep 0.3
    shot finished
    local score
    score=$(in_window score "$A/finished.png" 2>&1) && log "ok: score tiles read $score" ||
        fail "score tiles unreadable: $score"
    # The quit button's upper half is still on the screen.
    quit_by_click
}

# A display the program shares no memory with (as a remote one): frames go through Qt's
# back buffer, and look the same.
case_no_shared_memory() {
    xdpyinfo | grep -q MIT-SHM && abort "the X server offers MIT-SHM; run with --no-shm"
    start_plovex
    wait_finished
    sleep 0.3
    shot finished
    check_finished "$A/finished.png" "run without shared memory"
    check_path qt
    check_expose_keeps_frame "run without shared memory"
    quit_by_click
}

case_scaled_desktop() {
    [[ ${QT_SCALE_FACTOR:-} == 2 ]] || abort "run with QT_SCALE_FACTOR=2 in the environment"
    start_plovex
    ((WX == ORIGIN[0] && WY == ORIGIN[1])) && log "ok: 512x293 device pixels, centred at $WX,$WY" ||
        fail "window at $WX,$WY, expected centred at ${ORIGIN[0]},${ORIGIN[1]}"
    check "main window's SHAPE is Plovex's ellipse" "$I" check-shape "$MAIN"
    wait_finished
    sleep 0.3
    shot finished
    # Tiles, labels and buttons where the unscaled layout puts them.
    check_finished "$A/finished.png" "run at scale 2"
    quit_by_click
}

case "$case_name" in
session) case_session ;;
close_during_run) case_close_during_run ;;
window_manager) case_window_manager ;;
small_screen) case_small_screen ;;
scaled_desktop) case_scaled_desktop ;;
no_shared_memory) case_no_shared_memory ;;
*)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
finish
