#!/usr/bin/env bash
# Painting with the native program, driven with real mouse and key events and
# checked on screenshots: a mouse stroke paints the primary colour, Ctrl+click
# flood-fills the canvas, Ctrl+Z undoes the fill and then the stroke (also
# when pressed and released within one pass of the main loop), and an
# Alt+click picks the colour under the pointer (a stroke in the picked white
# leaves the white canvas white).
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
e2e_expect_pixel "start" "$cx" $((cy - 100)) "$white" 2 || true

# 1. A stroke in the primary colour, black.
stroke $((cy - 100))
e2e_expect_pixel "stroke" "$cx" $((cy - 100)) "$black" 90
e2e_expect_pixel "stroke leaves the rest" "$cx" $((cy - 80)) "$white" 2

# 2. Ctrl+click below the stroke fills the white around it with black.
e2e_with_keys ctrl e2e_click "$cx" $((cy + 200))
rest
e2e_expect_pixel "fill" "$cx" $((cy + 200)) "$black" 2
e2e_expect_pixel "fill reaches round the stroke" "$cx" $((cy - 250)) "$black" 2

# 3. Ctrl+Z undoes the fill, then the stroke.
e2e_with_keys ctrl e2e_tap z
e2e_expect_pixel "undo the fill" "$cx" $((cy + 200)) "$white" 2
e2e_expect_pixel "the stroke stays" "$cx" $((cy - 100)) "$black" 90
e2e_with_keys ctrl e2e_tap z
e2e_expect_pixel "undo the stroke" "$cx" $((cy - 100)) "$white" 2

# 4. Ctrl+Z pressed and released within one pass of the main loop (no delay
# between the key events) still undoes the stroke.
stroke $((cy - 100))
e2e_expect_pixel "stroke again" "$cx" $((cy - 100)) "$black" 90
xdotool key --delay 0 ctrl+z
e2e_expect_pixel "undo by a quick tap" "$cx" $((cy - 100)) "$white" 2

# 5. Alt+click on the white canvas picks white; a stroke in it leaves no mark.
e2e_with_keys alt e2e_click $((cx + 300)) $((cy + 200))
rest
stroke $((cy + 50))
sleep 0.3
e2e_expect_pixel "stroke in the picked white" "$cx" $((cy + 50)) "$white" 2

# The clean-up ends the program; quitting is the smoke test's business.
e2e_finish
