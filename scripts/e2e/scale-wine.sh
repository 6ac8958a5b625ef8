#!/usr/bin/env bash
# The interface scale of the Windows build under Wine: with the display
# scaling set to 200 % (LogPixels 192, as Windows' display settings and
# winecfg write it) the program reads 192 DPI and starts at 200 %: its menu
# bar is 34 pixels high, and config.txt keeps the scale unchosen (0), so
# that the display still decides at the next start.
# Usage: scale-wine.sh PROGRAM.exe   (the fonts beside it)
# Uses the Wine prefix in WINEPREFIX when set (scripts/test prepares one and
# keeps its server running), putting its LogPixels value back at the end;
# otherwise makes a throwaway one.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM.exe"
[ -f "$program" ] || e2e_abort "$program is not a file"
e2e_require_tools wine wineserver Xvfb openbox wmctrl xdotool xwininfo import convert awk

e2e_init
e2e_use_wine "$here/../lib"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}

key='HKCU\Control Panel\Desktop'
old_dpi=$(wine reg query "$key" /v LogPixels 2>/dev/null </dev/null | tr -d '\r' | awk '$1 == "LogPixels" {print $3}')
restore_dpi() {
    if [ -n "$old_dpi" ]; then
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$((old_dpi))" /f >/dev/null 2>&1 </dev/null
    else
        wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1 </dev/null
    fi
}
trap 'restore_dpi; e2e_stop_own_wine' EXIT
wine reg add "$key" /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1 </dev/null ||
    e2e_abort "could not set LogPixels in the Wine prefix"

# Wine keeps its idea of the screen size for as long as its server runs (see
# smoke-wine.sh): a 1024 x 768 screen fits either way.
e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"

staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
log=$E2E_TMP/bin/orvella.log
: >"$log"
mkdir -p "$E2E_TMP/cwd"
e2e_wait_wine_desktop
e2e_start_program "$E2E_TMP/program.out" "$E2E_TMP/cwd" wine "$staged"
pid=$E2E_LAST_PID
win=$(e2e_wait_window '^Orvella' 60) || { e2e_show_output "$E2E_TMP"; e2e_abort "no window titled Orvella... appeared within 60 s"; }
e2e_wait_log_line "$log" "display: 192 dpi" 20 || e2e_fail "the program did not read 192 DPI: $(tr -d '\r' <"$log" | grep display)"
read -r wx wy ww wh <<<"$(e2e_window_geometry "$win")"
xdotool mousemove $((wx + ww / 2)) $((wy + wh - 20))

# The bar's black outline, at a column with no text (unit 340, between the
# colour profile's title and Filters), ends at row 33: 17 units at 200 %.
bottom=-1
for ((i = 0; i < 50; i++)); do
    e2e_screenshot "$E2E_TMP/bar.png" &&
        bottom=$(convert "$E2E_TMP/bar.png" -crop "1x40+$((wx + 680))+$wy" +repage -alpha off -depth 8 txt:- 2>/dev/null | awk '
            /^[0-9]+,[0-9]+:/ {
                split($1, p, "[,:]")
                if (!match($0, /\([0-9]+,[0-9]+,[0-9]+/)) next
                split(substr($0, RSTART + 1, RLENGTH - 1), v, ",")
                if (v[1] < 40 && v[2] < 40 && v[3] < 40) last = p[2]
            }
            END { print (last == "" ? -1 : last) }')
    [ "$bottom" = 33 ] && break
    sleep 0.2
done
[ "$bottom" = 33 ] || e2e_fail "at 192 DPI the menu bar's outline ends at row $bottom, expected 33 (200 %)"

wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
e2e_wait_exit "$pid" 20 || e2e_abort "the program did not end after the close request"
tr -d '\r' <"$E2E_TMP/bin/config.txt" 2>/dev/null | grep -qx "ui_scale 0" ||
    e2e_fail "config.txt should leave the scale to the display (ui_scale 0): $(tr '\r\n' '  ' <"$E2E_TMP/bin/config.txt" 2>/dev/null)"
e2e_finish
