#!/usr/bin/env bash
# The tablet of the Windows build under Wine, with the project's scripted
# Wintab32.dll loaded in place of Wine's own:
#  1. the program opens its tablet context as a system context in desktop
#     pixels (y down) with messages on and a 64-packet queue, and turns every
#     scripted packet into a pen sample with the pressure it should read: 1 at
#     the press mark, none below it, rounded halves on both scales, the
#     previous pressure while hovering, the button map and a pressure button
#     beyond 31 honoured, the eraser end's own scale after a cursor change, full
#     pressure when the axis has no span, unknown (-1) after a mouse press and 0
#     after the release; it follows proximity, logs a full queue and closes
#     the context at exit;
#  2. with Wine's own Wintab (no tablet), no Wintab at all, or a context that
#     will not open, it logs why and runs on the mouse.
# The program logs what it receives because orvella.log lies beside it.
# Usage: tablet-wine.sh PROGRAM.exe Wintab32.dll (the DLL built from tests/wintab_test_dll)
# Uses the Wine prefix in WINEPREFIX when set; otherwise makes a throwaway one.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
dll=${2:-}
[ -n "$program" ] && [ -n "$dll" ] || e2e_abort "usage: $0 PROGRAM.exe Wintab32.dll"
[ -f "$program" ] || e2e_abort "$program is not a file"
[ -f "$dll" ] || e2e_abort "$dll is not a file"
e2e_require_tools wine wineserver Xvfb openbox wmctrl xdotool xwininfo

e2e_init

e2e_use_wine "$here/../lib"
base_overrides="mscoree,mshtml="

# A 1024 x 768 screen: the size Wine believes in whichever way its server was started.
e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"

# log_has_in_order LOGFILE LINE...: true when the lines occur in this order (others may lie between).
log_has_in_order() {
    local log=$1
    shift
    tr -d '\r' <"$log" | awk -v want="$(printf '%s\n' "$@")" '
        BEGIN {n = split(want, w, "\n"); i = 1}
        i <= n && $0 == w[i] {i++}
        END {exit !(i > n)}'
}

# log_lacks_after LOGFILE FIRST LINE: true when LINE does not occur after FIRST (nor anywhere when FIRST is empty).
log_lacks_after() {
    tr -d '\r' <"$1" | awk -v first="$2" -v line="$3" '
        first == "" || $0 == first {armed = 1}
        armed && $0 == line {found = 1}
        END {exit found}'
}

# stage DIR [SCRIPT]: the program and an empty log in DIR/bin, with the test
# DLL and SCRIPT as its wintab-script.txt when a script is given.
stage() {
    mkdir -p "$1/bin" "$1/cwd" || return 1
    cp "$program" "$1/bin/" || return 1
    local icon
    icon="$(dirname "$program")/icon-16.ico"
    [ -f "$icon" ] && cp "$icon" "$1/bin/"
    : >"$1/bin/orvella.log"
    if [ -n "${2:-}" ]; then
        cp "$dll" "$1/bin/Wintab32.dll" && printf '%s\n' "$2" >"$1/bin/wintab-script.txt"
    fi
}

show_output() {
    e2e_show_output "$1" 120
    if [ -f "$1/bin/wintab-calls.txt" ]; then
        echo "--- Wintab calls:" >&2
        tr -d '\r' <"$1/bin/wintab-calls.txt" >&2
    fi
}

# start DIR OVERRIDES: starts the staged program; sets pid and win (aborts without a window).
start() {
    e2e_wait_wine_desktop
    WINEDLLOVERRIDES=$2 e2e_start_program "$1/program.out" "$1/cwd" wine "$1/bin/$(basename "$program")"
    pid=$E2E_LAST_PID
    if ! win=$(e2e_wait_window '^Orvella' 60 "$pid"); then
        show_output "$1"
        e2e_abort "no window titled Orvella... appeared within 60 s"
    fi
}

# close DIR WHAT: asks the window to close and expects exit code 0.
close() {
    wmctrl -c Orvella || e2e_fail "$2: wmctrl could not ask the window to close"
    # The pen painted: the program asks before dropping the changes.
    local box
    if box=$(e2e_wait_window '^Confirm quit$' 3 "$pid"); then
        xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
        xdotool key --window "$box" Return
    fi
    if e2e_wait_exit "$pid" 15; then
        [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "$2: the program exited with code $E2E_EXIT_CODE, not 0"
    else
        e2e_fail "$2: the program still runs 15 s after the close request"
        e2e_stop "$pid"
    fi
}

# --- 1. A scripted tablet ---------------------------------------------------
# Cursor 1 is the pen: physical button 2 carries pressure, and the button map
# makes it logical button 0. Cursor 2 is the eraser end with its own press
# mark; cursor 3 names pressure button 40, which no 32-bit state holds.
overflow_packets=$(for ((i = 0; i < 70; i++)); do echo "packet 1 1 $((300 + i)) 400 561"; done)
script="
cursor 1 2 10 100 1 2 0
cursor 2 0 0 500
cursor 3 40 0 1000
pace 60
axis 0 1023
wait 1500
proximity in
packet 1 0 100 200 0
packet 1 1 101 201 100
packet 1 1 102 202 561
packet 1 1 103 203 50
packet 1 0 104 204 900
packet 1 2 105 205 512
cursor-change
packet 2 1 106 206 561
packet 3 256 107 207 512
axis 0 0
info-change
packet 3 2 108 208 700
axis 0 1023
wait-file mouse-down
packet 1 0 109 209 900
packet 1 1 110 210 561
wait-file mouse-up
packet 1 0 111 211 900
hold
$overflow_packets
release
wait 300
proximity out
end"
run=$E2E_TMP/tablet
stage "$run" "$script" || e2e_abort "could not stage the program in $run"
start "$run" "$base_overrides;wintab32=n"
log=$run/bin/orvella.log
calls=$run/bin/wintab-calls.txt

if e2e_wait_log_line "$log" "pen sample x=108 y=208 pressure=255" 30; then
    read -r wx wy ww wh <<<"$(e2e_window_geometry "$win")"
    # A click first: its release clears the last pressure, so the press
    # that follows finds none and marks it unknown.
    xdotool mousemove --sync $((wx + ww / 2)) $((wy + wh / 2)) click 1
    sleep 0.5
    xdotool mousedown 1
    sleep 0.7
    : >"$run/bin/mouse-down"
    e2e_wait_log_line "$log" "pen sample x=110 y=210 pressure=128" 15 || e2e_fail "the packets after the mouse press never arrived"
    xdotool mouseup 1
    sleep 0.7
    : >"$run/bin/mouse-up"
else
    e2e_fail "the scripted packets before the mouse press were not all seen within 30 s"
fi
e2e_wait_log_line "$calls" "script done" 30 || e2e_fail "the scripted tablet did not finish its script within 30 s"
sleep 0.5
close "$run" "with a tablet"

failures_before=$E2E_FAILURES
grep -qx 'WinTab initialized' <(tr -d '\r' <"$log") || e2e_fail "the log lacks \"WinTab initialized\""
open_line=$(tr -d '\r' <"$calls" | grep '^WTOpenA ')
case $open_line in
    'WTOpenA name="SysPress Digitizing '[0-9a-f]*'" options=0xd pktdata=0x5e0 movemask=0x5e0 pktmode=0x0 btndn=0x7 btnup=0x7 out=0,0+1024,-768 window=yes enable=1') ;;
    *) e2e_fail "the context opened is not a messaging system context of cursor, buttons, x, y and pressure over the 1024 x 768 desktop with y down: ${open_line:-none}" ;;
esac
log_has_in_order "$calls" "WTQueueSizeSet 64" "script done" "WTClose" ||
    e2e_fail "the queue was not set to 64 packets, or the context was not closed at exit"

# x y pressure of each expected sample, with why.
expected=(
    "100 200 0|hovering before any press: no pressure"
    "101 201 1|pressed exactly at the press mark: 0 + 1 (the map must make physical button 2 logical 0)"
    "102 202 128|pressed at 561: 461 x 255 / 923 = 127.4 -> 127, + 1"
    "103 203 1|pressed below the press mark: no pressure + 1, not full pressure"
    "104 204 1|hovering keeps the last pressure"
    "105 205 129|a barrel button: the axis scale, 512 x 255 / 1023 = 127.6 -> 128, + 1"
    "106 206 31|the eraser end's scale, read before its first packet: 61 x 255 / 523 = 29.7 -> 30, + 1"
    "107 207 129|pressure button 40 with bit 8 set: still the axis scale"
    "108 208 255|an axis without a span after the information change: full pressure"
    "109 209 -1|after a mouse press, before the pen presses: unknown"
    "110 210 128|the pen presses during the mouse press"
    "111 211 0|after the mouse release: no pressure"
)
lines=("pen in proximity")
for e in "${expected[@]}"; do
    read -r x y p <<<"${e%%|*}"
    line="pen sample x=$x y=$y pressure=$p"
    lines+=("$line")
    if ! log_has_in_order "$log" "pen in proximity" "$line"; then
        seen=$(tr -d '\r' <"$log" | grep "^pen sample x=$x y=$y " | head -n 1)
        e2e_fail "${e#*|}: expected \"$line\", the log has \"${seen:-nothing}\""
    fi
done
log_has_in_order "$log" "${lines[@]}" || e2e_fail "the pen samples are not in the order the packets were sent"
log_has_in_order "$log" "pen sample x=105 y=205 pressure=129" "pen eraser end in use" "pen sample x=106 y=206 pressure=31" ||
    e2e_fail "the cursor change to the eraser end was not noticed before its packet"
log_has_in_order "$log" "pen sample x=111 y=211 pressure=0" "Packet queue overflow (64 packets)" \
    "pen sample x=363 y=400 pressure=128" "pen out of proximity" ||
    e2e_fail "a full queue of 64 packets was not logged and processed before the pen left"
log_lacks_after "$log" "" "pen sample x=364 y=400 pressure=128" ||
    e2e_fail "a packet beyond the 64-packet queue arrived"
[ "$E2E_FAILURES" -eq "$failures_before" ] || show_output "$run"

# --- 2. No tablet -------------------------------------------------------------
# no_tablet NAME OVERRIDES SCRIPT LINE: runs the program, closes it and expects LINE (and no context) in its log.
no_tablet() {
    local dir=$E2E_TMP/$1 before=$E2E_FAILURES
    stage "$dir" "$3" || e2e_abort "could not stage the program in $dir"
    start "$dir" "$2"
    close "$dir" "$1"
    log_has_in_order "$dir/bin/orvella.log" "$4" || e2e_fail "$1: the log lacks \"$4\""
    ! tr -d '\r' <"$dir/bin/orvella.log" | grep -qx 'WinTab initialized' || e2e_fail "$1: the log says a context is open"
    [ "$E2E_FAILURES" -eq "$before" ] || show_output "$dir"
}
no_tablet wine-wintab "$base_overrides" "" "WinTab not available"
no_tablet no-wintab "$base_overrides;wintab32=" "" "Couldn't load Wintab32.dll"
no_tablet context-refused "$base_overrides;wintab32=n" "open-fails" "WinTab failed to init"

e2e_finish
