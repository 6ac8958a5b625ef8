#!/usr/bin/env bash
# The brush and the colour picking without Alt+click, under openbox's own
# default configuration (which takes Alt+click for moving windows): ] makes
# strokes wider, Shift+[ softer and Shift+] harder, Q opens the brush popup
# whose square sets the brush with a plain click, and P held while clicking
# picks the colour under the pointer; the background colour shows beside
# the foreground swatch.
# Usage: brush-keys-native.sh PROGRAM
set -u
. "$(dirname "$0")/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM"
[ -x "$program" ] || e2e_abort "$program is not an executable file"
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert awk

e2e_init
e2e_start_display 1600x1200x24 || e2e_abort "could not start a private X display"
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
mkdir -p "$E2E_TMP/cwd"

e2e_launch_program "$staged"

white="255 255 255"
rest() { xdotool mousemove $((cx - 480)) $((cy + 330)); }

# stroke Y: a left-button drag across the canvas along row Y.
stroke() {
    e2e_stroke $((cx - 150)) "$1" $((cx + 150)) "$1"
    rest
}

# profile Y: "COVERED PARTIAL" of the column through the canvas centre within
# 60 pixels of row Y: pixels darker than white at all, and of those the ones
# between dark and white (a soft edge has many, a hard one few).
profile() {
    e2e_screenshot "$E2E_TMP/profile.png"
    convert "$E2E_TMP/profile.png" -crop "1x121+$cx+$(($1 - 60))" +repage -alpha off -depth 8 txt:- |
        awk '/^[0-9]+,[0-9]+:/ {
                 if (!match($0, /\([0-9]+,[0-9]+,[0-9]+/)) next
                 split(substr($0, RSTART + 1, RLENGTH - 1), v, ",")
                 m = v[1]; if (v[2] < m) m = v[2]; if (v[3] < m) m = v[3]
                 if (m < 245) covered++
                 if (m >= 40 && m < 215) partial++
             }
             END { print covered + 0, partial + 0 }'
}

# press KEY N: taps KEY N times, each tap and each pause between taps long
# enough for a pass of the main loop to see it.
press() {
    local k
    for ((k = 0; k < $2; k++)); do
        e2e_tap "$1"
        sleep 0.15
    done
}

rest
e2e_expect_pixel "start" "$cx" $((cy - 100)) "$white" 2

# 1. [ down to the smallest brush (size step 0 whatever the settings held),
# then eight steps larger with ] (step 32 of 99, a radius of 14).
press bracketleft 12
stroke $((cy - 250))
read -r thin _ <<<"$(profile $((cy - 250)))"
press bracketright 8
stroke $((cy - 150))
read -r wide _ <<<"$(profile $((cy - 150)))"
echo "stroke width: smallest $thin, after ] x8 $wide"
[ "$thin" -ge 1 ] && [ "$thin" -le 4 ] || e2e_fail "the smallest stroke is $thin pixels wide, expected 1..4"
[ "$wide" -ge 20 ] || e2e_fail "after ] x8 the stroke is $wide pixels wide, expected 20 or more"

# 2. Shift+[ down to the softest, Shift+] up to the hardest brush.
e2e_with_keys shift press bracketleft 8
stroke $((cy - 50))
read -r _ soft <<<"$(profile $((cy - 50)))"
e2e_with_keys shift press bracketright 10
stroke $((cy + 50))
read -r _ hard <<<"$(profile $((cy + 50)))"
echo "pixels between dark and white across the stroke: soft $soft, hard $hard"
[ "$soft" -ge $((hard + 8)) ] || e2e_fail "Shift+[ / Shift+] did not change the edge: soft $soft, hard $hard"

# 3. Q opens the popup with the current brush (size step 32, the hardest
# edge at 99) under the pointer; a plain click at the square's top left
# corner makes the smallest brush without painting there.
mx=$((cx + 300)) my=$((cy + 150))
xdotool mousemove "$mx" "$my"
sleep 0.2
e2e_tap q
e2e_click $((mx - 99)) $((my - 32))
rest
e2e_expect_pixel "a click in the popup paints nothing" $((mx - 99)) $((my - 32)) "$white" 2
stroke $((cy + 150))
read -r fine _ <<<"$(profile $((cy + 150)))"
echo "stroke width after the popup's smallest brush: $fine"
[ "$fine" -ge 1 ] && [ "$fine" -le 4 ] || e2e_fail "after the popup click the stroke is $fine pixels wide, expected 1..4"

# 3b. The popup's presets: Q opens it again, now with the smallest and
# softest brush (the square's corner) under the pointer, so the square's top
# left is the pointer; a click on the sixth slot (the broad flat, radius 18,
# nearly hard) makes that brush.
mx=$((cx + 300)) my=$((cy - 100))
xdotool mousemove "$mx" "$my"
sleep 0.2
e2e_tap q
e2e_click $((mx + 15 * 5 + 6)) $((my + 132 + 6))
rest
stroke $((cy + 250))
read -r flat flatEdge <<<"$(profile $((cy + 250)))"
echo "stroke width after the broad flat preset: $flat ($flatEdge partly covered)"
[ "$flat" -ge 28 ] && [ "$flat" -le 46 ] || e2e_fail "after the sixth preset the stroke is $flat pixels wide, expected 28..46"

# 4. With white as the primary colour (X), P held while clicking on the wide
# dark stroke picks its colour: the swatch shows it.
e2e_screenshot "$E2E_TMP/pick.png"
picked=$(e2e_pixel "$E2E_TMP/pick.png" "$cx" $((cy - 150)))
e2e_expect_pixel "the background swatch beside it is white" $((wx + 70)) $((wy + 50)) "$white" 2
e2e_tap x
e2e_expect_pixel "X: the foreground swatch is white" $((wx + 35)) $((wy + 40)) "$white" 2
e2e_expect_pixel "X: the background swatch is black" $((wx + 70)) $((wy + 50)) "0 0 0" 2
e2e_with_keys p e2e_click "$cx" $((cy - 150))
rest
e2e_expect_pixel "P+click: the swatch shows the picked colour" $((wx + 35)) $((wy + 40)) "$picked" 3

e2e_finish
