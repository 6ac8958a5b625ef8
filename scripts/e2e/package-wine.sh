#!/usr/bin/env bash
# The Windows package: scripts/package-windows zips the build; the zip is
# unpacked into an empty folder and started from elsewhere under Wine. The
# window must open with the new canvas and with text in its menu bar (the
# fonts came from the package), and close without a question.
# Usage: package-wine.sh PROGRAM.exe   (the build folder holding it is packed)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM.exe"
[ -f "$program" ] || e2e_abort "$program is not a file"
e2e_require_tools wine wineserver Xvfb openbox wmctrl xdotool xwininfo import convert python3

e2e_init
e2e_use_wine "$here/../lib"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}

zip=$E2E_TMP/orvella-win64.zip
"$here/../package-windows" "$(dirname "$program")" "$zip" "$E2E_TMP/orvella-win64-setup.exe" >/dev/null || e2e_abort "scripts/package-windows failed"
unpacked=$E2E_TMP/unpacked
mkdir -p "$unpacked" "$E2E_TMP/cwd"
python3 -m zipfile -e "$zip" "$unpacked" || e2e_abort "the package would not unpack"
listing=$(cd "$unpacked" && ls | LC_ALL=C sort | tr '\n' ' ')
[ "$listing" = "README.txt font.tga font150.tga font200.tga fontsmall.tga fontsmall150.tga fontsmall200.tga orvella.exe " ] ||
    e2e_fail "the package holds \"$listing\", not the program, its fonts and the read-me"

e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"
e2e_wait_wine_desktop
e2e_start_program "$E2E_TMP/program.out" "$E2E_TMP/cwd" wine "$unpacked/orvella.exe"
pid=$E2E_LAST_PID
win=$(e2e_wait_window '^Orvella 0.25 - New image$' 60) || { e2e_show_output "$E2E_TMP"; e2e_abort "no window titled \"Orvella 0.25 - New image\" appeared within 60 s"; }
sleep 1
read -r wx wy ww wh <<<"$(e2e_window_geometry "$win")"
seen=$(e2e_wait_pixel $((wx + ww / 2)) $((wy + wh / 2)) "255 255 255" 2 10) ||
    e2e_fail "the window centre shows $seen, not the white canvas"

# The menu bar's titles are the only dark pixels in its first rows besides
# its outline: without the fonts there are none.
shot=$E2E_TMP/screen.png
e2e_screenshot "$shot"
dark=$(convert "$shot" -crop 540x11+$((wx + 2))+$((wy + 3)) +repage -colorspace gray -threshold 40% \
    -format '%[fx:round(w*h*(1-mean))]' info: 2>/dev/null)
[ -n "$dark" ] && [ "$dark" -gt 40 ] || e2e_fail "the menu bar shows no text ($dark dark pixels): the fonts were not found beside the program"

wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
if e2e_wait_exit "$pid" 20; then
    [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "the program exited with code $E2E_EXIT_CODE, not 0"
else
    e2e_fail "the program still runs 20 s after the close request"
    e2e_stop "$pid"
fi
[ -f "$unpacked/config.txt" ] || e2e_fail "the program did not write config.txt beside itself"
e2e_finish
