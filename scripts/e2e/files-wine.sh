#!/usr/bin/env bash
# Files with the Windows build under Wine, through the common dialogs: a mouse
# stroke, Ctrl+S saves a layered file under the name typed into "Save As" and
# the title names it; Ctrl+Shift+S saves a PNG copy (8-bit RGB, the stroke
# in it); closing the unmodified document writes config.txt beside the program.
# Usage: files-wine.sh PROGRAM.exe
# Uses the Wine prefix in WINEPREFIX when set; otherwise makes a throwaway one.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM.exe"
[ -f "$program" ] || e2e_abort "$program is not a file"
e2e_require_tools wine wineserver Xvfb openbox wmctrl xdotool xwininfo import convert identify

e2e_init
e2e_use_wine "$here/../lib"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}
E2E_PLAIN_WM=1 e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"

run=$E2E_TMP/run
mkdir -p "$run/bin" "$run/cwd" "$run/art" && cp "$program" "$run/bin/" || e2e_abort "could not stage the program"
art=$run/art/sketch.tvl
copy=$run/art/copy.png
# Wine shows the Linux file system as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

e2e_wait_wine_desktop
e2e_start_program "$run/program.out" "$run/cwd" wine "$run/bin/$(basename "$program")"
pid=$E2E_LAST_PID
win=$(e2e_wait_window '^Orvella' 60) || { e2e_show_output "$run"; e2e_abort "no window titled Orvella... appeared within 60 s"; }
sleep 1
read -r wx wy ww wh <<<"$(e2e_window_geometry "$win")"
cx=$((wx + ww / 2))
cy=$((wy + wh / 2))
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true

# save_as KEYS PATH: opens the save dialog with the keys held and types PATH.
save_as() {
    local box k
    for k in $1; do xdotool keydown "$k"; sleep 0.1; done
    e2e_tap s
    for k in $1; do xdotool keyup "$k"; done
    if ! box=$(e2e_wait_window '^Save As$' 20); then
        e2e_fail "no \"Save As\" dialog appeared"
        return 1
    fi
    xdotool windowactivate --sync "$box" >/dev/null 2>&1
    sleep 0.5
    xdotool type --delay 30 "$(winpath "$2")"
    sleep 0.3
    xdotool key Return
    local i
    for ((i = 0; i < 50; i++)); do [ -s "$2" ] && return 0; sleep 0.2; done
    e2e_fail "nothing was written to $2"
    return 1
}

# A stroke across the middle.
xdotool mousemove $((cx - 150)) "$cy"
sleep 0.2
xdotool mousedown 1
for ((i = 1; i <= 15; i++)); do
    xdotool mousemove $((cx - 150 + i * 20)) "$cy"
    sleep 0.05
done
xdotool mouseup 1
xdotool mousemove $((cx - 300)) $((cy + 200))
e2e_expect_title "painted" "Orvella 0.25 - New image *"

save_as ctrl "$art" && echo "saved $art"
e2e_expect_title "saved" "Orvella 0.25 - sketch.tvl"

if save_as "ctrl shift" "$copy"; then
    kind=$(identify -format '%[channels] %z' "$copy" 2>/dev/null)
    case $kind in
        srgb\ 8 | rgb\ 8) echo "PNG copy: $kind" ;;
        *) e2e_fail "the PNG copy is \"$kind\", not 8-bit RGB" ;;
    esac
    # The new 1024 x 724 canvas is centred at 100 %: the window centre shows its centre.
    dark=$(convert "$copy" -crop 1x1+512+362 -format '%[fx:int(255*mean)]' info: 2>/dev/null)
    [ -n "$dark" ] && [ "$dark" -lt 170 ] || e2e_fail "the PNG copy lacks the stroke at the canvas centre (mean $dark)"
fi

wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
if e2e_wait_exit "$pid" 20; then
    [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "the program exited with code $E2E_EXIT_CODE, not 0"
else
    e2e_fail "the program still runs 20 s after the close request (a saved document closes without a question)"
    e2e_stop "$pid"
fi
if [ -f "$run/bin/config.txt" ]; then
    tr -d '\r' <"$run/bin/config.txt" | head -n 1 | grep -qx "version 2" || e2e_fail "config.txt does not start with \"version 2\""
    [ "$(wc -l <"$run/bin/config.txt")" -eq 23 ] || e2e_fail "config.txt does not have 23 lines"
else
    e2e_fail "closing did not write config.txt beside the program"
fi

[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$run"
e2e_finish
