#!/usr/bin/env bash
# Smoke test of the native program: it opens its window on a private X
# display with the icon from beside the program, draws the new white canvas
# centred on the grey clear colour, and
# quits without a question when the window manager asks it to close an
# unmodified document; when another program takes its window away (xkill) it
# ends with exit code 0 and its settings written.
# Usage: smoke-native.sh PROGRAM
set -u
. "$(dirname "$0")/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM"
[ -x "$program" ] || e2e_abort "$program is not an executable file"
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo xprop import convert python3

e2e_init
e2e_start_display || e2e_abort "could not start a private X display"

staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
# An existing orvella.log beside the program switches its log on: shown below when a check fails.
: >"$E2E_TMP/bin/orvella.log"
mkdir -p "$E2E_TMP/cwd"


e2e_window_names >"$E2E_TMP/windows.before"
e2e_start_program "$E2E_TMP/program.out" "$E2E_TMP/cwd" "$staged"
pid=$E2E_LAST_PID

if ! win=$(e2e_wait_window '^Orvella' 20 "$pid"); then
    boxes=$(e2e_new_window_names "$E2E_TMP/windows.before")
    [ -z "$boxes" ] || echo "windows on the display: $boxes" >&2
    e2e_show_output "$E2E_TMP"
    if e2e_wait_exit "$pid" 0; then
        e2e_abort "the program ended with exit code $E2E_EXIT_CODE before its window appeared"
    fi
    e2e_abort "no window titled Orvella... appeared within 20 s"
fi

if geometry=$(e2e_window_geometry "$win"); then
    read -r wx wy ww wh <<<"$geometry"
    # The new document is opaque white and centred at 100 %; the grey clear
    # colour shows around it.
    cx=$((wx + ww / 2))
    cy=$((wy + wh / 2))
    if ! seen=$(e2e_wait_pixel "$cx" "$cy" "255 255 255" 2 10); then
        e2e_fail "the window centre ($cx,$cy) shows RGB $seen, not the white of the new canvas (255 255 255, +-2)"
    fi
    bx=$((wx + 4))
    by=$((wy + wh - 4))
    if ! seen=$(e2e_wait_pixel "$bx" "$by" "204 204 204" 2 10); then
        e2e_fail "the window's bottom-left corner ($bx,$by) shows RGB $seen, not the 0.8 grey clear colour (204 204 204, +-2)"
    fi
else
    e2e_fail "could not read the geometry of window $win"
fi

# The program was started from another directory: the icon comes from beside it.
why=$(e2e_icon_matches "$win" "$E2E_TMP/bin/icon-16.ico" 2>&1) || e2e_fail "$why"

boxes=$(e2e_new_window_names "$E2E_TMP/windows.before" '^Orvella')
[ -z "$boxes" ] || e2e_fail "unexpected windows after start-up: $boxes"

wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
if e2e_wait_exit "$pid" 10; then
    [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "the program exited with code $E2E_EXIT_CODE after the close request, not 0"
else
    boxes=$(e2e_new_window_names "$E2E_TMP/windows.before" '^Orvella')
    if [ -n "$boxes" ]; then
        e2e_fail "the program still runs 10 s after the close request; it shows: $boxes (an unmodified document must close without a question)"
    else
        e2e_fail "the program still runs 10 s after the close request"
    fi
fi

# Another program takes the window away (as xkill does): the program ends as
# after a close request nobody can answer, keeping its settings, not with an abort.
rm -f "$E2E_TMP/bin/config.txt"
: >"$E2E_TMP/bin/orvella.log"
e2e_start_program "$E2E_TMP/program.out" "$E2E_TMP/cwd" "$staged"
pid=$E2E_LAST_PID
if win=$(e2e_wait_window '^Orvella' 20 "$pid"); then
    # Taken away while the painter works, not while the window is still being
    # set up (its GL context is made after it shows, slowly under ASan).
    e2e_wait_log_line "$E2E_TMP/bin/orvella.log" "enter message loop ------------ USAGE START" 20 ||
        e2e_fail "the program did not reach its main loop on the second start"
    xdotool windowkill "$win" || e2e_fail "xdotool could not kill the window's connection"
    if e2e_wait_exit "$pid" 10; then
        [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "after its window was taken away the program exited with code $E2E_EXIT_CODE, not 0"
        [ -s "$E2E_TMP/bin/config.txt" ] || e2e_fail "after its window was taken away the program wrote no config.txt"
    else
        e2e_fail "the program still runs 10 s after its window was taken away"
    fi
else
    e2e_fail "no window titled Orvella... appeared within 20 s on the second start"
fi

[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$E2E_TMP"
e2e_finish
