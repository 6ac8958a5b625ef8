#!/usr/bin/env bash
# The system clipboard with the native program and other X11 programs
# (xclip standing in for a browser or an image editor): a PNG another
# program offers becomes the document on Ctrl+V, transparency included;
# Ctrl+Shift+C offers the picture as PNG and BMP, which other programs read
# back whole; a PNG that cannot be read gets an error box instead of nothing.
# Usage: clipboard-native.sh PROGRAM
set -u
. "$(dirname "$0")/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM"
[ -x "$program" ] || e2e_abort "$program is not an executable file"
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert identify xclip

e2e_init
e2e_start_display 1280x1024x24 || e2e_abort "could not start a private X display"
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
mkdir -p "$E2E_TMP/cwd" "$E2E_TMP/art"
art=$E2E_TMP/art

red="200 40 40"
green="30 160 60"
# Large enough to go in pieces both ways.
convert -size 700x500 "xc:rgb(200,40,40)" "$art/red.png"
# The left half opaque green, the right half transparent.
convert -size 300x200 xc:none -fill "rgb(30,160,60)" -draw "rectangle 0,0 149,199" "png32:$art/half.png"
printf 'not a picture' >"$art/broken.png"

# offer FILE TYPE: another program puts FILE on the clipboard as TYPE.
offer() {
    xclip -quiet -selection clipboard -t "$2" -i "$1" >"$E2E_TMP/xclip.log" 2>&1 &
    e2e_track $!
    local i
    for ((i = 0; i < 50; i++)); do
        xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx "$2" && return 0
        sleep 0.1
    done
    e2e_fail "xclip did not offer $1 as $2"
}
# take TYPE FILE: another program pastes the clipboard's TYPE into FILE.
take() { xclip -selection clipboard -t "$1" -o >"$2" 2>/dev/null && [ -s "$2" ]; }
# pixel FILE X Y: "R G B A" of a picture file, 0..255.
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
# copy_out: Ctrl+Shift+C, then waits until the program offers its picture.
copy_out() {
    : >"$E2E_TMP/xclip.log"
    e2e_with_keys "ctrl shift" e2e_tap c
    local i
    for ((i = 0; i < 50; i++)); do
        xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx image/bmp && return 0
        sleep 0.1
    done
    e2e_fail "$1: after Ctrl+Shift+C the clipboard offers $(xclip -selection clipboard -t TARGETS -o 2>&1 | tr '\n' ' ')"
    return 1
}

e2e_launch_program "$staged"
rest() { xdotool mousemove $((wx + 20)) $((wy + wh - 20)); }
rest

# 1. A PNG from another program becomes the document.
offer "$art/red.png" image/png
ctrl_v
e2e_expect_pixel "PNG pasted" "$cx" "$cy" "$red" 3
e2e_expect_title "PNG pasted" "Orvella 0.25 - New image"

# 2. Ctrl+Shift+C: other programs read the picture back as PNG and as BMP.
if copy_out "opaque picture"; then
    take image/png "$art/out.png" || e2e_fail "no PNG could be taken from the clipboard"
    take image/bmp "$art/out.bmp" || e2e_fail "no BMP could be taken from the clipboard"
    for f in out.png out.bmp; do
        size=$(identify -format '%wx%h' "$art/$f" 2>/dev/null)
        [ "$size" = 700x500 ] || e2e_fail "$f is \"$size\", not 700x500"
        expect_file_pixel "copied $f" "$art/$f" 350 250 "$red 255"
    done
fi

# 3. Transparency survives the way in and the way out.
offer "$art/half.png" image/png
ctrl_v
e2e_expect_pixel "transparent PNG pasted" $((cx - 75)) "$cy" "$green" 3
if copy_out "transparent picture"; then
    take image/png "$art/half-out.png" || e2e_fail "no PNG could be taken from the clipboard"
    expect_file_pixel "copied PNG, opaque half" "$art/half-out.png" 50 100 "$green 255"
    a=$(pixel "$art/half-out.png" 250 100)
    [ "${a##* }" = 0 ] && echo "copied PNG, transparent half: alpha 0" ||
        e2e_fail "copied PNG, transparent half: \"$a\", alpha not 0"
fi

# 4. A PNG that cannot be read is refused with a message.
offer "$art/broken.png" image/png
ctrl_v
if e2e_wait_window_name "Error" 10; then
    echo "unreadable PNG: error box"
    wmctrl -a Error >/dev/null 2>&1
    sleep 0.3
    xdotool key Return
else
    e2e_fail "an unreadable clipboard picture brought no error box"
fi
e2e_expect_pixel "unreadable PNG: the document stays" $((cx - 75)) "$cy" "$green" 3

wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
e2e_wait_exit "$pid" 10 || { e2e_fail "the program still runs 10 s after the close request"; e2e_stop "$pid"; }
[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$E2E_TMP"
e2e_finish
