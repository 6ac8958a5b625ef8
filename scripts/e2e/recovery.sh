#!/usr/bin/env bash
# Crash recovery, natively or the Windows build under Wine: a stroke on a new
# document; the autosave (every 2 s by config.txt) writes a recovery file in
# the user's folder; the process is killed (kill -9, or the Wine server
# killed with everything it runs); the next start asks "Recover image", and
# OK brings back a canvas identical to the screenshot taken before the kill,
# modified and unnamed; closing it cleanly (OK to the quit question) leaves
# no recovery file behind.
# Usage: recovery.sh native PROGRAM
#        recovery.sh wine PROGRAM.exe   (uses WINEPREFIX when set)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

backend=${1:-}
program=${2:-}
case $backend in
    native) [ -x "$program" ] || e2e_abort "usage: $0 native PROGRAM" ;;
    wine) [ -f "$program" ] || e2e_abort "usage: $0 wine PROGRAM.exe" ;;
    *) e2e_abort "usage: $0 native PROGRAM | $0 wine PROGRAM.exe" ;;
esac
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert compare awk
[ "$backend" = wine ] && e2e_require_tools wine wineserver

e2e_init
if [ "$backend" = wine ]; then
    e2e_use_wine "$here/../lib"
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}
    E2E_PLAIN_WM=1 e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"
else
    E2E_PLAIN_WM=1 e2e_start_display 1600x1200x24 || e2e_abort "could not start a private X display"
fi
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
mkdir -p "$E2E_TMP/cwd"
# Every key up to the interval, in the file's order, so that it is read.
printf '%s\n' "version 2" "window_width 950" "window_height 650" "window_x 0" "window_y 0" \
    "window_maximized 1" "show_overview 0" "overview_size 128" "show_help 1" "show_tooltips 1" \
    "color_profile 2" "force_mouse_coordinates 0" "ui_scale 100" "autosave_seconds 2" >"$E2E_TMP/bin/config.txt"

# recovery_files: the recovery files and their locks in the user's folder.
recovery_files() {
    if [ "$backend" = wine ]; then
        find "$WINEPREFIX/drive_c/users" -path '*/Orvella/recovery-*' 2>/dev/null
    else
        find "$XDG_CONFIG_HOME/orvella" -name 'recovery-*' 2>/dev/null
    fi
}
# A shared Wine prefix may hold what an interrupted run left.
recovery_files | xargs -r rm -f

start_program() {
    if [ "$backend" = wine ]; then
        e2e_wait_wine_desktop
        E2E_WINDOW_WAIT=60 e2e_launch_program wine "$staged"
    else
        e2e_launch_program "$staged"
    fi
}
rest() { xdotool mousemove $((cx - 300)) $((cy + 200)); }
# answer_box TITLE: presses Return (OK) in the message box of that title.
answer_box() {
    if e2e_wait_window_name "$1" 30; then
        wmctrl -a "$1" >/dev/null 2>&1
        sleep 0.3
        xdotool key Return
        echo "answered \"$1\""
    else
        e2e_fail "no message box \"$1\" appeared"
    fi
}

E2E_PIXEL_WAIT=8

# 1. A stroke, then the autosave.
start_program
rest
e2e_stroke $((cx - 200)) $((cy - 100)) $((cx + 200)) $((cy - 60))
rest
e2e_expect_pixel_where "stroke" "$cx" $((cy - 80)) e2e_dark "darker than 200 in every channel"
e2e_expect_title "painted" "Orvella 0.25 - New image *"
for ((i = 0; i < 300; i++)); do recovery_files | grep -q '\.tvl$' && break; sleep 0.1; done
recovery_files | grep -q '\.tvl$' || e2e_fail "no recovery file was written within 30 s"
E2E_REGION="600x300+$((cx - 300))+$((cy - 230))"
e2e_shot before || e2e_abort "could not take the screenshot before the kill"

# 2. The process is killed: nobody is asked, nothing is cleaned up.
if [ "$backend" = wine ]; then
    wineserver -k
else
    kill -9 "$pid"
fi
e2e_wait_exit "$pid" 30 || e2e_abort "the program still runs 30 s after the kill"
left=$(recovery_files | grep '\.tvl$')
[ -n "$left" ] || e2e_fail "the recovery file did not survive the kill"
echo "left behind: $left"

# 3. The next start offers it; OK shows the same canvas, modified and unnamed.
start_program
answer_box "Recover image"
rest
e2e_expect_title "recovered" "Orvella 0.25 - New image *"
e2e_expect_region "recovered canvas" before same

# 4. A clean exit after the quit question removes every recovery file.
wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
answer_box "Confirm quit"
if e2e_wait_exit "$pid" 20; then
    [ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "the program ended with code $E2E_EXIT_CODE, not 0"
else
    e2e_fail "the program still runs 20 s after the close request"
    e2e_stop "$pid"
fi
leftover=$(recovery_files)
[ -z "$leftover" ] || e2e_fail "a clean exit left recovery files: $leftover"

[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$E2E_TMP"
e2e_finish
