#!/usr/bin/env bash
# Painting with the native program, driven with real mouse and key events and
# checked on screenshots: a mouse stroke paints the primary colour, Ctrl+click
# flood-fills the canvas, Ctrl+Z undoes the fill and then the stroke (also
# when pressed and released within one pass of the main loop), and an
# Alt+click on a dark stroke, with white as the primary colour, picks the
# stroke's colour: the swatch shows it and a stroke in it darkens the canvas.
# Usage: paint-native.sh PROGRAM
set -u
. "$(dirname "$0")/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM"
[ -x "$program" ] || e2e_abort "$program is not an executable file"
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert awk

e2e_init
E2E_PLAIN_WM=1 e2e_start_display 1600x1200x24 || e2e_abort "could not start a private X display"
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
: >"$E2E_TMP/bin/orvella.log"
mkdir -p "$E2E_TMP/cwd"

e2e_launch_program "$staged"

white="255 255 255"
black="0 0 0"
# Away from everything measured: the crosshair follows the pointer.
rest() { xdotool mousemove $((cx - 480)) $((cy + 330)); }

# stroke Y: a left-button drag across the canvas along row Y.
stroke() {
    e2e_stroke $((cx - 200)) "$1" $((cx + 200)) "$1"
    rest
}

rest
e2e_expect_pixel "start" "$cx" $((cy - 100)) "$white" 2

# 1. A stroke in the primary colour, black.
stroke $((cy - 100))
e2e_expect_pixel_where "stroke" "$cx" $((cy - 100)) e2e_dark "darker than 200 in every channel"
e2e_expect_pixel_unchanged "stroke leaves the rest" "$cx" $((cy - 80)) "$white" 2

# 2. Ctrl+click below the stroke fills the white around it with black.
e2e_with_keys ctrl e2e_click "$cx" $((cy + 200))
rest
e2e_expect_pixel "fill" "$cx" $((cy + 200)) "$black" 2
e2e_expect_pixel "fill reaches round the stroke" "$cx" $((cy - 250)) "$black" 2

# 3. Ctrl+Z undoes the fill, then the stroke.
e2e_with_keys ctrl e2e_tap z
e2e_expect_pixel "undo the fill" "$cx" $((cy + 200)) "$white" 2
e2e_expect_pixel_where "the stroke stays" "$cx" $((cy - 100)) e2e_dark "darker than 200 in every channel"
e2e_with_keys ctrl e2e_tap z
e2e_expect_pixel "undo the stroke" "$cx" $((cy - 100)) "$white" 2

# 4. Ctrl+Z pressed and released within one pass of the main loop (no delay
# between the key events) still undoes the stroke.
stroke $((cy - 100))
e2e_expect_pixel_where "stroke again" "$cx" $((cy - 100)) e2e_dark "darker than 200 in every channel"
xdotool key --delay 0 ctrl+z
e2e_expect_pixel "undo by a quick tap" "$cx" $((cy - 100)) "$white" 2

# 5. Alt+click picks the colour under the pointer: with white as the primary
# colour (X swaps the foreground and background swatches), Alt+click on the
# middle of a dark stroke makes its colour the foreground, and a stroke across
# the white canvas paints with it.
stroke $((cy + 50))
e2e_expect_pixel_where "a dark stroke to pick from" "$cx" $((cy + 50)) e2e_dark "darker than 200 in every channel"
e2e_screenshot "$E2E_TMP/pick.png"
picked=$(e2e_pixel "$E2E_TMP/pick.png" "$cx" $((cy + 50)))
e2e_tap x
e2e_expect_pixel "X: the foreground swatch is white" $((wx + 35)) $((wy + 40)) "$white" 2
e2e_with_keys alt e2e_click "$cx" $((cy + 50))
rest
e2e_expect_pixel "the foreground swatch shows the picked colour" $((wx + 35)) $((wy + 40)) "$picked" 3
e2e_stroke $((cx + 150)) $((cy - 150)) $((cx + 150)) $((cy + 250))
rest
# White, were the stroke in the old primary colour or painting nothing.
e2e_expect_pixel_where "stroke in the picked colour" $((cx + 150)) $((cy + 200)) e2e_dark "darker than 200 in every channel"

# The clean-up ends the program; quitting is the smoke test's business.
e2e_finish
