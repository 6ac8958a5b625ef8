#!/usr/bin/env bash
# The Windows clipboard with the Windows build under Wine, and a small
# Windows program (clipboard_test.exe) standing in for a browser or an image
# editor: a "PNG" another program puts there becomes the document on Ctrl+V,
# transparency included; Ctrl+Shift+C puts the picture there as "PNG" and as
# a bitmap (CF_DIB), which the other program reads back whole; a PNG that
# cannot be read gets an error box instead of nothing.
# Usage: clipboard-wine.sh PROGRAM.exe CLIPBOARD_TEST.exe
# Uses the Wine prefix in WINEPREFIX when set; otherwise makes a throwaway one.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
helper=${2:-}
[ -n "$program" ] && [ -n "$helper" ] || e2e_abort "usage: $0 PROGRAM.exe CLIPBOARD_TEST.exe"
[ -f "$program" ] || e2e_abort "$program is not a file"
[ -f "$helper" ] || e2e_abort "$helper is not a file"
e2e_require_tools wine wineserver Xvfb openbox wmctrl xdotool xwininfo import convert identify

e2e_init
e2e_use_wine "$here/../lib"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}
e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"

run=$E2E_TMP/run
art=$run/art
mkdir -p "$run/bin" "$run/cwd" "$art" && cp "$program" "$helper" "$run/bin/" || e2e_abort "could not stage the programs"
helper=$run/bin/$(basename "$helper")
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# other ARGS...: the other program, its output kept for a failed check.
other() { wine "$helper" "$@" >>"$run/clipboard_test.out" 2>&1 </dev/null; }

red="200 40 40"
green="30 160 60"
convert -size 700x500 "xc:rgb(200,40,40)" "$art/red.png"
convert -size 300x200 xc:none -fill "rgb(30,160,60)" -draw "rectangle 0,0 149,199" "png32:$art/half.png"
printf 'not a picture' >"$art/broken.png"

pixel() {
    local p="p{$2,$3}"
    convert "$1" -alpha on -format "%[fx:round(255*$p.r)] %[fx:round(255*$p.g)] %[fx:round(255*$p.b)] %[fx:round(255*$p.a)]" info: 2>/dev/null
}
expect_file_pixel() {
    local seen
    seen=$(pixel "$2" "$3" "$4")
    [ "$seen" = "$5" ] && echo "$1: ($3,$4) of $(basename "$2") is $seen" ||
        e2e_fail "$1: ($3,$4) of $(basename "$2") is \"$seen\", not \"$5\""
}
ctrl_v() { e2e_with_keys ctrl e2e_tap v; }
# copy_out STEP: Ctrl+Shift+C, then waits until the clipboard holds the program's picture.
copy_out() {
    # Something else first, so that the wait sees the program's change.
    other put OrvellaTestMark "$(winpath "$art/broken.png")"
    e2e_with_keys "ctrl shift" e2e_tap c
    local i
    for ((i = 0; i < 25; i++)); do
        wine "$helper" formats >"$run/formats.raw" 2>&1 </dev/null
        tr -d '\r' <"$run/formats.raw" >"$run/formats.txt"
        grep -qx PNG "$run/formats.txt" && return 0
        sleep 0.2
    done
    e2e_fail "$1: after Ctrl+Shift+C the clipboard holds $(tr '\n' ' ' <"$run/formats.txt")"
    return 1
}

e2e_wait_wine_desktop
e2e_start_program "$run/program.out" "$run/cwd" wine "$run/bin/$(basename "$program")"
pid=$E2E_LAST_PID
win=$(e2e_wait_window '^Orvella' 60) || { e2e_show_output "$run"; e2e_abort "no window titled Orvella... appeared within 60 s"; }
sleep 1
read -r wx wy ww wh <<<"$(e2e_window_geometry "$win")"
cx=$((wx + ww / 2))
cy=$((wy + wh / 2))
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
xdotool mousemove $((wx + 20)) $((wy + wh - 20))

# 1. A PNG from another program becomes the document.
other put PNG "$(winpath "$art/red.png")" || e2e_fail "the other program could not put the PNG on the clipboard"
ctrl_v
e2e_expect_pixel "PNG pasted" "$cx" "$cy" "$red" 3 10

# 2. Ctrl+Shift+C: the other program reads the picture back as PNG and as a bitmap.
if copy_out "opaque picture"; then
    other get PNG "$(winpath "$art/out.png")" || e2e_fail "no PNG could be taken from the clipboard"
    other get DIB "$(winpath "$art/out.bmp")" || e2e_fail "no bitmap could be taken from the clipboard"
    for f in out.png out.bmp; do
        size=$(identify -format '%wx%h' "$art/$f" 2>/dev/null)
        [ "$size" = 700x500 ] || e2e_fail "$f is \"$size\", not 700x500"
        expect_file_pixel "copied $f" "$art/$f" 350 250 "$red 255"
    done
fi

# 3. Transparency survives the way in and the way out.
other put PNG "$(winpath "$art/half.png")" || e2e_fail "the other program could not put the PNG on the clipboard"
ctrl_v
e2e_expect_pixel "transparent PNG pasted" $((cx - 75)) "$cy" "$green" 3 10
if copy_out "transparent picture"; then
    other get PNG "$(winpath "$art/half-out.png")" || e2e_fail "no PNG could be taken from the clipboard"
    expect_file_pixel "copied PNG, opaque half" "$art/half-out.png" 50 100 "$green 255"
    a=$(pixel "$art/half-out.png" 250 100)
    [ "${a##* }" = 0 ] && echo "copied PNG, transparent half: alpha 0" ||
        e2e_fail "copied PNG, transparent half: \"$a\", alpha not 0"
fi

# 4. A PNG that cannot be read is refused with a message.
other put PNG "$(winpath "$art/broken.png")"
ctrl_v
if box=$(e2e_wait_window '^Error$' 10); then
    echo "unreadable PNG: error box"
    xdotool windowactivate --sync "$box" >/dev/null 2>&1
    sleep 0.3
    xdotool key Return
else
    e2e_fail "an unreadable clipboard picture brought no error box"
fi
e2e_expect_pixel "unreadable PNG: the document stays" $((cx - 75)) "$cy" "$green" 3

wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
e2e_wait_exit "$pid" 20 || { e2e_fail "the program still runs 20 s after the close request"; e2e_stop "$pid"; }
if [ "$E2E_FAILURES" -ne 0 ]; then
    e2e_show_output "$run"
    echo "--- clipboard_test output:"
    cat "$run/clipboard_test.out"
fi
e2e_finish
