#!/usr/bin/env bash
# View navigation of the native program, driven with real keys and mouse
# events and checked on screenshots: the new white canvas is measured by its
# edges on the grey background while Numpad + and the wheel zoom it about the
# window centre, Numpad * brings it home, Space+drag scrolls it and F mirrors
# it about the window centre, with a mark painted on it.
# Usage: view-native.sh PROGRAM
set -u
. "$(dirname "$0")/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM"
[ -x "$program" ] || e2e_abort "$program is not an executable file"
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert identify awk

# The new document.
canvas_w=1024
canvas_h=724

e2e_init
# Large enough that the canvas at zoom step 28 (about 2.89 x) still fits in
# the maximized window with its edges on screen.
e2e_start_display 3600x2400x24 || e2e_abort "could not start a private X display"

staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
: >"$E2E_TMP/bin/orvella.log"
mkdir -p "$E2E_TMP/cwd"


e2e_launch_program "$staged"
# The canvas draws a crosshair at the pointer: keep it off the row and column
# that are measured.
xdotool mousemove $((cx - 700)) $((cy + 300))

# The zoom factor a zoom step eases towards: 2^((1 + (step - 20) / 20)^2) - 1, exactly 1 at step 20.
zoom_factor() {
    awk -v s="$1" 'BEGIN { if (s == 20) print 1; else { e = (1 + (s - 20) * 0.05); printf "%.6f\n", 2 ^ (e * e) - 1 } }'
}

# measure: screenshots the screen and sets left right top bottom (screen
# pixels, the boundaries of the white canvas: first pixel, last pixel + 1)
# along the row and column through the window centre; 1 when the centre is
# not white.
shot="$E2E_TMP/screen.png"
measure() {
    local e
    e2e_screenshot "$shot" || return 1
    e=$(e2e_color_extent "$shot" "$cx" "$cy" "255 255 255" 3) || return 1
    read -r left right top bottom <<<"$e"
    right=$((right + 1))
    bottom=$((bottom + 1))
}

# within A B TOL: |A - B| <= TOL (numbers may be fractional).
within() {
    awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t) }'
}

# wait_canvas SECONDS EXP_LEFT EXP_RIGHT EXP_TOP EXP_BOTTOM TOL: measures until
# every edge is within TOL of the expected one (easing animations run for a
# while); 1 on timeout, with the last measurement left in the edge variables.
wait_canvas() {
    local end=$((SECONDS + $1))
    while :; do
        if measure && within "$left" "$2" "$6" && within "$right" "$3" "$6" &&
            within "$top" "$4" "$6" && within "$bottom" "$5" "$6"; then
            return 0
        fi
        [ $SECONDS -ge $end ] && return 1
        sleep 0.2
    done
}

# expect_mark STEP X Y dark|white: waits (5 s) until the darkest pixel of the
# 9 x 9 box around (X,Y) is dark (every channel below 200: the soft brush's
# thin stroke) or white (every channel 250 or more). The box allows for the
# stroke's width and the pixel a reflection may shift it by.
expect_mark() {
    local end=$((SECONDS + 5)) darkest=""
    while :; do
        if e2e_screenshot "$shot"; then
            darkest=$(convert "$shot" -crop "9x9+$(($2 - 4))+$(($3 - 4))" +repage -alpha off -colorspace gray \
                -depth 8 -format '%[fx:int(255*minima+0.5)]' info: 2>/dev/null)
            if [ -n "$darkest" ]; then
                [ "$4" = dark ] && [ "$darkest" -lt 200 ] && break
                [ "$4" = white ] && [ "$darkest" -ge 250 ] && break
            fi
        fi
        if [ $SECONDS -ge $end ]; then
            e2e_fail "$1: expected the box around ($2,$3) to be $4, its darkest pixel is ${darkest:-?}"
            return 1
        fi
        sleep 0.2
    done
    echo "$1: the box around ($2,$3) is $4 (darkest $darkest)"
}

seen() {
    if [ -n "${left:-}" ]; then
        echo "left $left right $right top $top bottom $bottom ($((right - left)) x $((bottom - top)))"
    else
        echo "no white canvas at the window centre"
    fi
}

# Edges of a canvas of the document's size times FACTOR whose centre is
# offset by (DX, DY) from the window centre.
expected_edges() {
    awk -v f="$1" -v dx="$2" -v dy="$3" -v w="$canvas_w" -v h="$canvas_h" -v cx="$cx" -v cy="$cy" \
        'BEGIN { printf "%.1f %.1f %.1f %.1f\n", cx + dx - w * f / 2, cx + dx + w * f / 2, cy + dy - h * f / 2, cy + dy + h * f / 2 }'
}

# check_zoom NAME STEP: the canvas at STEP's factor, centred on the window
# centre: size within 3 %, centre within 3 pixels.
check_zoom() {
    local f exp ew eh
    f=$(zoom_factor "$2")
    read -r el er et eb <<<"$(expected_edges "$f" 0 0)"
    ew=$(awk -v f="$f" -v w="$canvas_w" 'BEGIN { print w * f }')
    eh=$(awk -v f="$f" -v h="$canvas_h" 'BEGIN { print h * f }')
    # Wait for the eased zoom to settle on a size within 3 %.
    local tol
    tol=$(awk -v w="$ew" 'BEGIN { print w * 0.03 / 2 + 3 }')
    wait_canvas 8 "$el" "$er" "$et" "$eb" "$tol" || true
    if [ -z "${left:-}" ]; then
        e2e_fail "$1: $(seen)"
        return 1
    fi
    local ok=0
    within $((right - left)) "$ew" "$(awk -v w="$ew" 'BEGIN { print w * 0.03 }')" ||
        { e2e_fail "$1: canvas width $((right - left)), expected $ew (zoom step $2, factor $f, +-3 %)"; ok=1; }
    within $((bottom - top)) "$eh" "$(awk -v h="$eh" 'BEGIN { print h * 0.03 }')" ||
        { e2e_fail "$1: canvas height $((bottom - top)), expected $eh (zoom step $2, factor $f, +-3 %)"; ok=1; }
    within "$(((left + right) / 2))" "$cx" 3 ||
        { e2e_fail "$1: canvas centre x $(((left + right) / 2)), expected the window centre $cx (+-3); $(seen)"; ok=1; }
    within "$(((top + bottom) / 2))" "$cy" 3 ||
        { e2e_fail "$1: canvas centre y $(((top + bottom) / 2)), expected the window centre $cy (+-3); $(seen)"; ok=1; }
    echo "$1: $(seen), expected factor $f"
    return $ok
}

# 1. The new canvas at 100 %, centred.
read -r el er et eb <<<"$(expected_edges 1 0 0)"
if wait_canvas 10 "$el" "$er" "$et" "$eb" 2; then
    echo "start: $(seen)"
else
    e2e_show_output "$E2E_TMP"
    e2e_abort "start: expected the ${canvas_w} x ${canvas_h} canvas centred in the window, edges $el $er $et $eb (+-2); seen $(seen)"
fi

# 2. Numpad + twice: step 20 -> 28. The mouse rests well away from the centre,
# and the zoom keeps the window centre fixed, not the point under the mouse.
e2e_tap KP_Add
sleep 0.1
e2e_tap KP_Add
check_zoom "Numpad + twice" 28
w28=$((right - left))

# 3. One wheel notch down: step 28 -> 26.
xdotool click 5
if check_zoom "wheel down" 26; then
    exp_ratio=$(awk -v a="$(zoom_factor 26)" -v b="$(zoom_factor 28)" 'BEGIN { print a / b }')
    within "$(awk -v a=$((right - left)) -v b="$w28" 'BEGIN { print a / b }')" "$exp_ratio" 0.03 ||
        e2e_fail "wheel down: width went from $w28 to $((right - left)), expected a ratio of $exp_ratio (+-0.03)"
fi

# 4. Numpad * brings the view home: 100 %, centred.
e2e_tap KP_Multiply
sleep 1.5
read -r el er et eb <<<"$(expected_edges 1 0 0)"
wait_canvas 5 "$el" "$er" "$et" "$eb" 2 ||
    e2e_fail "Numpad *: expected the canvas back at 100 % and centred, edges $el $er $et $eb (+-2); seen $(seen)"
echo "Numpad *: $(seen)"

# 5. A mark in the shape of an L lying on its back (a bar with a leg down at
# its right end), clear of the row and column measured; then Space + left
# drag by (+100, +50) scrolls the canvas by as much at 100 %.
home_left=$left home_right=$right home_top=$top home_bottom=$bottom
e2e_stroke $((cx + 150)) $((cy - 200)) $((cx + 300)) $((cy - 200)) $((cx + 300)) $((cy - 120))
xdotool mousemove $((cx - 700)) $((cy + 300))
expect_mark "the mark's leg" $((cx + 300)) $((cy - 150)) dark
sx=$((cx - 300)) sy=$((cy - 200))
xdotool mousemove "$sx" "$sy"
sleep 0.2
xdotool keydown space
sleep 0.15
xdotool mousedown 1
sleep 0.15
for ((i = 1; i <= 10; i++)); do
    xdotool mousemove $((sx + i * 10)) $((sy + i * 5))
    sleep 0.05
done
# The grabbed point follows the mouse with easing: let it catch up.
sleep 0.6
xdotool mouseup 1
sleep 0.1
xdotool keyup space
if wait_canvas 5 $((home_left + 100)) $((home_right + 100)) $((home_top + 50)) $((home_bottom + 50)) 2; then
    echo "Space+drag: $(seen)"
    # Scrolled with the canvas, the leg stands at x + 400 from y - 150 to - 70.
    xdotool mousemove $((cx - 700)) $((cy + 300))
    expect_mark "scrolled: the mark's leg" $((cx + 400)) $((cy - 100)) dark
    expect_mark "scrolled: no leg at the bar's other end" $((cx + 250)) $((cy - 100)) white
    # F mirrors about the window centre: each edge goes to the reflection of
    # the other, and the mark with them: its bar runs from x - 400 to - 250,
    # its leg now at the left end. A canvas merely moved to the mirrored place
    # would show the leg at the right end.
    scrolled_left=$left scrolled_right=$right
    e2e_tap f
    ml=$((2 * cx - scrolled_right)) mr=$((2 * cx - scrolled_left))
    wait_canvas 5 "$ml" "$mr" "$top" "$bottom" 2 ||
        e2e_fail "F: expected the scrolled canvas mirrored about the window centre x $cx, edges left $ml right $mr (+-2), top and bottom unchanged; seen $(seen)"
    echo "F: $(seen)"
    xdotool mousemove $((cx - 700)) $((cy + 300))
    expect_mark "F: the mark's bar" $((cx - 325)) $((cy - 150)) dark
    expect_mark "F: the mark's leg, reflected" $((cx - 400)) $((cy - 100)) dark
    expect_mark "F: no leg at the bar's right end" $((cx - 250)) $((cy - 100)) white
    # Numpad * brings the scrolled and mirrored view home as well.
    e2e_tap KP_Multiply
    sleep 1.5
    wait_canvas 5 "$home_left" "$home_right" "$home_top" "$home_bottom" 2 ||
        e2e_fail "Numpad * after scrolling: expected the canvas back centred, edges $home_left $home_right $home_top $home_bottom (+-2); seen $(seen)"
    echo "Numpad * after scrolling: $(seen)"
else
    e2e_fail "Space+drag by (+100,+50): expected the canvas moved to edges $((home_left + 100)) $((home_right + 100)) $((home_top + 50)) $((home_bottom + 50)) (+-2); seen $(seen)"
fi

# 6. A close request, with the discarding of the mark confirmed, ends the
# program with exit code 0.
wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
if e2e_wait_window_name "Confirm quit" 10; then
    wmctrl -a "Confirm quit" >/dev/null 2>&1
    sleep 0.3
    xdotool key Return
else
    e2e_fail "closing with the mark painted asked no \"Confirm quit\" question"
fi
if e2e_wait_exit "$pid" 10; then
    [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "the program exited with code $E2E_EXIT_CODE after the close request, not 0"
else
    e2e_fail "the program still runs 10 s after the close request"
fi

[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$E2E_TMP"
e2e_finish
