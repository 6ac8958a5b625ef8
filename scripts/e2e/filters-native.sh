#!/usr/bin/env bash
# The filter dialogs of the native program, opened from the Filters menu with
# the mouse (press on the title, drag to the row, release) and checked on
# screenshots: levels and transparency noise preview on the canvas while a
# handle or slider moves, Cancel puts the layer back exactly, OK keeps the
# result (levels: the grey the handles ask for; noise: exactly the preview, on
# most of the stroke) and Ctrl+Z takes it away; noise is refused on the bottom
# layer; the blur shows no preview, its OK spreads the stroke by about half the
# radius, and Ctrl+Z takes that back too.
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

# The levels dialog's maximum handle (neutral mode: the third column, 26..36
# pixels in) sits 200 - 150 * maximum pixels below the dialog's top. Dragged
# from 50 to 170 it sets the maximum to 0.2: white becomes 0.2 of the filter's
# output scale (65152 of 65535) in working values, which the default profile,
# "Rich" (x^e, e sliding from 0.85 in the dark to 1.3 in the bright weighted
# by x^1.4), shows as the display value x whose x^e is that.
levels_grey=$(awk 'BEGIN { w = 0.2 * 65152 / 65535; lo = 0; hi = 1
    for (i = 0; i < 60; i++) { x = (lo + hi) / 2; if (x ^ (0.85 + 0.45 * x ^ 1.4) < w) lo = x; else hi = x }
    printf "%d\n", x * 255 + 0.5 }')

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

# filters_menu ROW: the "Filters" menu's row (its slot starts at x = 423).
filters_menu() { e2e_menu 423 "$1"; }

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

# dark_reach X Y: on the screen now, how far the run of pixels darker than
# white (some channel below 254) through (X,Y) reaches along column X: half
# its length, within 100 pixels either way.
dark_reach() {
    local shot="$E2E_TMP/column.png"
    e2e_screenshot "$shot" || return 1
    convert "$shot" -crop "1x201+$1+$(($2 - 100))" +repage -alpha off -depth 8 txt:- 2>/dev/null | awk '
        /^0,[0-9]+:/ {
            split($1, p, "[,:]")
            if (!match($0, /\([0-9]+,[0-9]+,[0-9]+/)) next
            split(substr($0, RSTART + 1, RLENGTH - 1), v, ",")
            dark[p[2] + 0] = v[1] < 254 || v[2] < 254 || v[3] < 254
        }
        END {
            if (!dark[100]) { print 0; exit }
            for (a = 100; a > 0 && dark[a - 1]; a--) {}
            for (b = 100; b < 200 && dark[b + 1]; b++) {}
            print (b - a + 1) / 2
        }'
}

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
e2e_expect_pixel "levels kept: white became the maximum" "$cx" $((cy - 50)) "$levels_grey $levels_grey $levels_grey" 3
e2e_with_keys ctrl e2e_tap z
e2e_expect_region "levels undone" painted same

# 4. Transparency noise is refused on the bottom layer.
filters_menu 2
rest
expect_no_dialog "noise refused on the bottom layer" $((small_x + 300)) $((small_y + 20))
e2e_expect_unchanged "noise refused: nothing changed" painted

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
e2e_wait_passes && e2e_shot noise-preview
e2e_click $((small_x + 265)) $((small_y + 80))  # OK
rest
e2e_expect_unchanged "noise kept: what the preview showed" noise-preview
# The slider, dragged to its end before, stays there: full strength lowers
# the stroke's alpha by the pattern, by half on average, so the stroke gives
# back about half the darkness it took from the white: a sum of grey levels
# over the region, as the screen shows them.
darkness_between() {
    awk -v a="$(convert "$E2E_TMP/$1.png" -colorspace gray -format '%[fx:mean*w*h]' info:)" \
        -v b="$(convert "$E2E_TMP/$2.png" -colorspace gray -format '%[fx:mean*w*h]' info:)" 'BEGIN { print (a - b) * 255 }'
}
noise_share=$(awk -v stroke="$(darkness_between painted layered)" -v back="$(darkness_between noise-preview layered)" \
    'BEGIN { if (stroke > 0) printf "%.2f\n", back / stroke; else print 0 }')
echo "noise kept: the stroke gave back $noise_share of its darkness"
awk -v s="$noise_share" 'BEGIN { exit !(s >= 0.3 && s <= 0.7) }' ||
    e2e_fail "noise kept: the stroke gave back $noise_share of its darkness, not about half (0.3..0.7)"
e2e_with_keys ctrl e2e_tap z
e2e_expect_region "noise undone" layered same

# 7. Blur: no preview; OK blurs the stroke; Ctrl+Z takes it back. The
# slider's handle dragged to 100 of its 380 pixels sets the radius
# 1 + 511 (100 / 380)^2 = 36. The radius is a rough measure (it sets the
# weights of a recursive filter, not a kernel's size): the thin stroke's
# darkness spreads out by about half of it, 18 to 21 pixels here.
blur_radius=36
filters_menu 3
e2e_expect_pixel "blur dialog" $((small_x + 300)) $((small_y + 20)) "$dialog_grey" 3
e2e_drag $((small_x + 85)) $((small_y + 45)) $((small_x + 115)) $((small_y + 45)) 10 0.5
rest
e2e_expect_unchanged "blur has no preview" layered
reach_before=$(dark_reach "$cx" $((cy + 50)))
e2e_click $((small_x + 265)) $((small_y + 80))  # OK
rest
e2e_expect_region "blurred" layered changed
e2e_wait_passes
reach_after=$(dark_reach "$cx" $((cy + 50)))
spread=$(awk -v a="$reach_after" -v b="$reach_before" 'BEGIN { print int(a - b) }')
echo "blurred: the stroke reaches $reach_before pixels up and down before, $reach_after after: spread $spread"
[ "$spread" -ge $((blur_radius / 3)) ] && [ "$spread" -le "$blur_radius" ] ||
    e2e_fail "blurred: the stroke spread by $spread pixels, not about half the radius $blur_radius ($((blur_radius / 3))..$blur_radius)"
expect_no_dialog "blur closed" $((small_x + 300)) $((small_y + 20))
e2e_with_keys ctrl e2e_tap z
e2e_expect_region "blur undone" layered same

e2e_finish
