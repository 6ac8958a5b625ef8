#!/usr/bin/env bash
# Files with the native program, through its real dialogs (zenity) and message
# boxes: Ctrl+S on a new document asks for a name and saves a layered file,
# the title names it; a later change is dropped by Ctrl+O of the same file
# after the "Confirm open image" question; closing writes config.txt; a
# second start with the file on the command line shows the saved picture,
# also under a name holding double quotes; a named file that is missing or
# damaged gets the "Error" box the open command shows; switching the colour
# profile keeps the look of a flat save.
# Usage: files-native.sh PROGRAM
set -u
. "$(dirname "$0")/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM"
[ -x "$program" ] || e2e_abort "$program is not an executable file"
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert awk zenity

e2e_init
E2E_PLAIN_WM=1 e2e_start_display 1600x1200x24 || e2e_abort "could not start a private X display"
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
bin=$E2E_TMP/bin
rm -f "$bin/config.txt"
mkdir -p "$E2E_TMP/cwd" "$E2E_TMP/art"
art=$E2E_TMP/art/sketch.tvl
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

E2E_PIXEL_WAIT=8
white="255 255 255"

start_program() { e2e_launch_program "$staged" "$@"; }
rest() { xdotool mousemove $((cx - 480)) $((cy + 330)); }
ctrl_tap() { e2e_with_keys ctrl e2e_tap "$1"; }
# stroke Y: a left-button drag across the canvas along row Y.
stroke() {
    e2e_stroke $((cx - 200)) "$1" $((cx + 200)) "$1"
    rest
}
# answer_box TITLE: presses Return (OK) in the message box of that title.
answer_box() {
    if e2e_wait_window_name "$1" 10; then
        wmctrl -a "$1" >/dev/null 2>&1
        sleep 0.3
        xdotool key Return
        echo "answered \"$1\""
    else
        e2e_fail "no message box \"$1\" appeared"
    fi
}
# dialog_path TITLE PATH: types PATH into the zenity file dialog of that title.
dialog_path() {
    local box
    if ! box=$(e2e_wait_window "^$1\$" 15); then
        e2e_fail "no file dialog \"$1\" appeared"
        return 1
    fi
    xdotool windowactivate --sync "$box" >/dev/null 2>&1
    sleep 0.5
    xdotool key ctrl+l
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 20 "$2"
    sleep 0.3
    xdotool key Return
    echo "chose $2 in \"$1\""
}

# 1. A stroke on the new document, then Ctrl+S asks for a name.
start_program
rest
e2e_expect_title "start" "Orvella 0.25 - New image"
stroke $((cy - 100))
e2e_expect_pixel_where "stroke" "$cx" $((cy - 100)) e2e_dark "darker than 200 in every channel"
e2e_expect_title "modified" "Orvella 0.25 - New image *"
ctrl_tap s
dialog_path "Save As" "$art"
for ((i = 0; i < 50; i++)); do [ -s "$art" ] && break; sleep 0.2; done
[ -s "$art" ] || e2e_fail "Ctrl+S did not write $art"
e2e_expect_title "saved" "Orvella 0.25 - sketch.tvl"

# 2. Another stroke, then Ctrl+O of the saved file drops it after the question.
xdotool windowactivate --sync "$win" >/dev/null 2>&1
stroke $((cy + 100))
e2e_expect_pixel_where "second stroke" "$cx" $((cy + 100)) e2e_dark "darker than 200 in every channel"
ctrl_tap o
answer_box "Confirm open image"
dialog_path "Open" "$art"
e2e_expect_pixel "reopened: the second stroke is gone" "$cx" $((cy + 100)) "$white" 2
e2e_expect_pixel_where "reopened: the first stroke is back" "$cx" $((cy - 100)) e2e_dark "darker than 200 in every channel"
e2e_expect_title "reopened" "Orvella 0.25 - sketch.tvl"

# 3. Closing an unmodified document asks nothing, ends with code 0 and writes
# config.txt.
wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
if e2e_wait_exit "$pid" 10; then
    [ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "the program ended with code $E2E_EXIT_CODE after the close request, not 0"
else
    e2e_fail "the program still runs 10 s after the close request"
    e2e_stop "$pid"
fi
if [ -f "$bin/config.txt" ]; then
    head -n 1 "$bin/config.txt" | grep -qx "version 2" || e2e_fail "config.txt does not start with \"version 2\""
    [ "$(wc -l <"$bin/config.txt")" -eq 23 ] || e2e_fail "config.txt has $(wc -l <"$bin/config.txt") lines, not 23"
    grep -qx "window_maximized 1" "$bin/config.txt" || e2e_fail "config.txt does not keep the maximized window"
    grep -qx "color_profile 2" "$bin/config.txt" || e2e_fail "config.txt does not keep the colour profile"
else
    e2e_fail "closing did not write config.txt beside the program"
fi

# 4. The file on the command line opens at start-up.
start_program "$art"
rest
e2e_expect_title "command line" "Orvella 0.25 - sketch.tvl"
e2e_expect_pixel_where "command line: the stroke" "$cx" $((cy - 100)) e2e_dark "darker than 200 in every channel"
e2e_expect_pixel "command line: no second stroke" "$cx" $((cy + 100)) "$white" 2

# close_program: asks the unmodified document's window to close and waits.
close_program() {
    wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
    e2e_wait_exit "$pid" 10 || { e2e_fail "the program still runs 10 s after the close request"; e2e_stop "$pid"; }
}

# 5. A name holding double quotes comes through whole.
close_program
quoted=$E2E_TMP/art/'"quoted" sketch.tvl'
cp "$art" "$quoted"
start_program "$quoted"
rest
e2e_expect_title "quoted name" 'Orvella 0.25 - "quoted" sketch.tvl'
e2e_expect_pixel_where "quoted name: the stroke" "$cx" $((cy - 100)) e2e_dark "darker than 200 in every channel"

# 6. A file that cannot be opened gets the open command's error box, and the
# program goes on with a new document.
close_program
printf 'not a picture' >"$E2E_TMP/art/damaged.png"
for name in missing.tvl damaged.png; do
    start_program "$E2E_TMP/art/$name"
    answer_box "Error"
    e2e_expect_title "$name on the command line" "Orvella 0.25 - New image"
    close_program
done

start_program "$art"
rest
# 7. Switching the colour profile re-encodes the document into the new
# profile's working values, so that it looks the same: a flat PNG saved
# before the switch and one saved after it agree within one level per
# channel. The soft stroke's edges hold the mid greys whose stored values the
# switch changes ("Neon", row 4 of the "Color profile" menu, is far from the
# starting "Rich"); black and white stay in every profile.
save_flat() {
    e2e_with_keys "ctrl shift" e2e_tap s
    dialog_path "Save As" "$1"
    for ((i = 0; i < 50; i++)); do [ -s "$1" ] && break; sleep 0.2; done
    [ -s "$1" ] || e2e_fail "Ctrl+Shift+S did not write $1"
    xdotool windowactivate --sync "$win" >/dev/null 2>&1
    rest
}
flat_before=$E2E_TMP/art/before.png flat_after=$E2E_TMP/art/after.png
save_flat "$flat_before"
e2e_shot profile-before "250x15+$((wx + 134))+$((wy + 1))"
e2e_menu 173 4
rest
e2e_wait_passes || e2e_fail "the program drew no further passes after the profile switch"
e2e_shot profile-after "250x15+$((wx + 134))+$((wy + 1))"
[ "$(e2e_differing profile-before profile-after)" -gt 0 ] || e2e_fail "the \"Color profile\" title still names the old profile"
save_flat "$flat_after"
if [ -s "$flat_before" ] && [ -s "$flat_after" ]; then
    mid=$(convert "$flat_before" -alpha off -colorspace gray -depth 8 txt:- 2>/dev/null |
        awk -F'[(,]' '/^[0-9]/ { if ($3 >= 20 && $3 <= 235) n++ } END { print n + 0 }')
    # The peak difference of any channel, in levels of 255.
    peak=$(compare -metric PAE "$flat_before" "$flat_after" null: 2>&1 | awk '{ printf "%d\n", $1 / 257 + 0.5 }')
    echo "profile switch: the flat saves differ by at most $peak level(s); $mid pixels of mid grey"
    [ "$mid" -ge 100 ] || e2e_fail "profile switch: the flat save holds only $mid pixels of mid grey"
    [ "${peak:-99}" -le 1 ] || e2e_fail "profile switch: the flat saves before and after differ by up to $peak levels, not 1"
fi

[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$E2E_TMP"
e2e_finish
