#!/usr/bin/env bash
# An idle window costs next to nothing: once the program has settled, with no
# input, its process uses under IDLE_LIMIT per cent of a core (default 5; the
# aim is under 2) over 10 seconds. A key press still redraws at once: Alt
# shows the brush popup within KEY_LIMIT ms (default 300) in the best of
# three tries (a program that woke only at the end of its longest wait, a
# second, would mostly take longer).
# Usage: idle.sh native PROGRAM
#        idle.sh wine PROGRAM.exe
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

backend=${1:-}
program=${2:-}
case $backend in
    native | wine) [ -f "$program" ] || e2e_abort "usage: $0 native|wine PROGRAM" ;;
    *) e2e_abort "usage: $0 native PROGRAM | $0 wine PROGRAM.exe" ;;
esac
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo awk getconf
[ "$backend" = wine ] && e2e_require_tools wine wineserver
idle_limit=${IDLE_LIMIT:-5}
key_limit=${KEY_LIMIT:-300}

e2e_init
e2e_start_display 1280x1024x24 || e2e_abort "could not start a private X display"
if [ "$backend" = wine ]; then
    unset WINEPREFIX
    e2e_use_wine "$here/../lib"
fi
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
log=$E2E_TMP/bin/orvella.log
: >"$log"  # the program logs when the file exists
mkdir -p "$E2E_TMP/cwd"
if [ "$backend" = native ]; then
    e2e_launch_program "$staged"
else
    e2e_wait_wine_desktop
    E2E_WINDOW_WAIT=60 e2e_launch_program wine "$staged"
fi
# The process that draws: the window's own (under Wine not the launcher).
drawer=$(xdotool getwindowpid "$win" 2>/dev/null) || drawer=$pid
[ -r "/proc/$drawer/stat" ] || e2e_abort "no process $drawer to measure"

# cpu_ticks PID: user plus system time so far, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

# The pointer rests away from every control; the program settles (the
# overview slides away, the pointer's prediction ends).
xdotool mousemove $((cx + 100)) $((cy + 50))
sleep 3
t0=$(cpu_ticks "$drawer")
sleep 10
t1=$(cpu_ticks "$drawer")
hz=$(getconf CLK_TCK)
percent=$(awk -v d=$((t1 - t0)) -v hz="$hz" 'BEGIN { printf "%.1f", 100 * d / hz / 10 }')
echo "idle: $percent % of a core over 10 s ($((t1 - t0)) ticks at $hz per second); load: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v p="$percent" -v l="$idle_limit" 'BEGIN { exit !(p < l) }' || e2e_fail "idle program used $percent % of a core, limit $idle_limit %"

# Alt opens the brush popup, which the log notes as the pass draws it: the
# time from the key to that line, the best of three, each from an idle
# program. Polling a file is quick, so the figure is close to the truth.
best=""
for round in 1 2 3; do
    sleep 1.5  # idle again
    lines=$(wc -l <"$log")
    start=$(date +%s%N)
    xdotool keydown Alt_L
    seen=""
    for ((i = 0; i < 300; i++)); do
        if [ "$(grep -c '^.*Alt popup:' "$log")" -gt "$(head -n "$lines" "$log" | grep -c '^.*Alt popup:')" ]; then
            seen=$((($(date +%s%N) - start) / 1000000))
            break
        fi
        sleep 0.01
    done
    xdotool keyup Alt_L
    [ -n "$seen" ] || { e2e_fail "round $round: Alt opened no popup within 3 s"; continue; }
    echo "round $round: the popup was drawn $seen ms after the key"
    if [ -z "$best" ] || [ "$seen" -lt "$best" ]; then best=$seen; fi
done
if [ -n "$best" ]; then
    echo "key to redraw: best $best ms"
    [ "$best" -le "$key_limit" ] || e2e_fail "a key press took $best ms to show, limit $key_limit ms"
fi

e2e_finish
