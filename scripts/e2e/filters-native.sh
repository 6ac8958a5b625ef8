#!/usr/bin/env bash
# The filter dialogs of the native program, opened from the Filters menu with
# the mouse (press on the title, drag to the row, release) and checked on
# screenshots: levels and transparency noise preview on the canvas while a
# handle or slider moves, Cancel puts the layer back exactly, OK keeps the
# result and Ctrl+Z takes it away; noise is refused on the bottom layer; the
# blur's OK blurs the stroke, and Ctrl+Z takes that back too.
# Usage: filters-native.sh PROGRAM
set -u
. "$(dirname "$0")/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM"
[ -x "$program" ] || e2e_abort "$program is not an executable file"
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert compare awk

e2e_init
E2E_PLAIN_WM=1 e2e_start_display 1600x1200x24 || e2e_abort "could not start a private X display"
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
: >"$E2E_TMP/bin/orvella.log"
mkdir -p "$E2E_TMP/cwd"

e2e_launch_program "$staged"

# The dialogs sit 10 pixels inside the bottom right corner of the window.
small_x=$((wx + ww - 410))
small_y=$((wy + wh - 110))
levels_x=$((wx + ww - 410))
levels_y=$((wy + wh - 290))
dialog_grey="230 230 230"

# The screen region compared before and after: both strokes, clear of the
# menus, the panels, the dialogs and the pointer's resting place.
E2E_REGION="520x280+$((cx - 260))+$((cy - 170))"

# Away from everything measured: the crosshair follows the pointer.
rest() {
    xdotool mousemove $((cx - 480)) $((cy + 330))
    sleep 0.2
}

# stroke Y: a left-button drag across the canvas along row Y.
stroke() {
    e2e_stroke $((cx - 200)) "$1" $((cx + 200)) "$1"
    rest
}

# filters_menu ROW: the "Filters" menu's row (its slot starts at x = 383).
filters_menu() { e2e_menu 383 "$1"; }

# expect_darker STEP X Y LIMIT: waits until the pixel's channel sum is below LIMIT.
expect_darker() {
    local limit=$4
    sum_below() { [ $(($1 + $2 + $3)) -lt "$limit" ]; }
    e2e_expect_pixel_where "$1" "$2" "$3" sum_below "darker than a sum of $4"
}

expect_no_dialog() {
    local seen shot="$E2E_TMP/dialog.png"
    sleep 0.5
    e2e_screenshot "$shot" || return
    seen=$(e2e_pixel "$shot" "$2" "$3")
    if e2e_color_near "$seen" "$dialog_grey" 3; then
        e2e_fail "$1: a dialog face is at ($2,$3)"
    else
        echo "$1: no dialog at ($2,$3) ($seen)"
    fi
}

white="255 255 255"

rest
e2e_expect_pixel "start" "$cx" $((cy - 50)) "$white" 2

# 1. A stroke on the bottom layer.
stroke $((cy - 100))
expect_darker "stroke" "$cx" $((cy - 100)) 450
e2e_shot painted

# 2. Levels: the dialog opens with a preview; lowering the maximum darkens the
# white canvas; Cancel puts the layer back exactly.
filters_menu 1
e2e_expect_pixel "levels dialog" $((levels_x + 380)) $((levels_y + 20)) "$dialog_grey" 3
e2e_drag $((levels_x + 31)) $((levels_y + 50)) $((levels_x + 31)) $((levels_y + 170)) 10 0.5
expect_darker "levels preview" "$cx" $((cy - 50)) 700
e2e_click $((levels_x + 355)) $((levels_y + 260))  # Cancel
rest
e2e_expect_region "levels cancelled" painted same
expect_no_dialog "levels closed" $((levels_x + 380)) $((levels_y + 20))

# 3. Levels again with OK: the darker canvas stays; Ctrl+Z takes it away.
filters_menu 1
e2e_expect_pixel "levels dialog again" $((levels_x + 380)) $((levels_y + 20)) "$dialog_grey" 3
e2e_drag $((levels_x + 31)) $((levels_y + 50)) $((levels_x + 31)) $((levels_y + 170)) 10 0.5
e2e_click $((levels_x + 265)) $((levels_y + 260))  # OK
rest
expect_darker "levels kept" "$cx" $((cy - 50)) 700
e2e_expect_region "levels kept" painted changed
e2e_with_keys ctrl e2e_tap z
e2e_expect_region "levels undone" painted same

# 4. Transparency noise is refused on the bottom layer.
filters_menu 2
rest
expect_no_dialog "noise refused on the bottom layer" $((small_x + 300)) $((small_y + 20))
e2e_expect_region "noise refused: nothing changed" painted same

# 5. A new layer (the add button above the bottom layer's row, whose top is
# 80 + 90 pixels above the window's bottom edge) with a stroke.
e2e_click $((wx + 130)) $((wy + wh - 180))
rest
stroke $((cy + 50))
expect_darker "stroke on the new layer" "$cx" $((cy + 50)) 450
e2e_shot layered

# 6. Noise: the first frame previews, a slider drag previews again, Cancel
# restores; then OK keeps it and Ctrl+Z takes it away.
filters_menu 2
e2e_expect_pixel "noise dialog" $((small_x + 300)) $((small_y + 20)) "$dialog_grey" 3
e2e_expect_region "noise opened" layered changed
cp "$E2E_TMP/changed.png" "$E2E_TMP/noise-first.png"
e2e_drag $((small_x + 85)) $((small_y + 45)) $((small_x + 395)) $((small_y + 45)) 10 0.5
e2e_expect_region "noise slider" noise-first changed
e2e_click $((small_x + 355)) $((small_y + 80))  # Cancel
rest
e2e_expect_region "noise cancelled" layered same
filters_menu 2
e2e_expect_region "noise again" layered changed
e2e_click $((small_x + 265)) $((small_y + 80))  # OK
rest
e2e_expect_region "noise kept" layered changed
e2e_with_keys ctrl e2e_tap z
e2e_expect_region "noise undone" layered same

# 7. Blur: no preview; OK blurs the stroke's edges; Ctrl+Z takes it back.
filters_menu 3
e2e_expect_pixel "blur dialog" $((small_x + 300)) $((small_y + 20)) "$dialog_grey" 3
e2e_drag $((small_x + 85)) $((small_y + 45)) $((small_x + 265)) $((small_y + 45)) 10 0.5
rest
e2e_expect_region "blur has no preview" layered same
e2e_click $((small_x + 265)) $((small_y + 80))  # OK
rest
e2e_expect_region "blurred" layered changed
expect_no_dialog "blur closed" $((small_x + 300)) $((small_y + 20))
e2e_with_keys ctrl e2e_tap z
e2e_expect_region "blur undone" layered same

e2e_finish
