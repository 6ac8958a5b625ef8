#!/usr/bin/env bash
# Running out of memory is a message, not the end of the program: the native
# program runs under a 2 GB address-space limit (ulimit -v, in a subshell)
# with a stroke on its canvas, and is asked for a 16384 x 16384 canvas, to
# open a small PNG that really is 16384 x 16384, crafted PNG and JPEG headers
# declaring 30000 x 30000 over a few bytes, and a .tvl
# declaring 16384 x 16384, and for Filters > Invert on an 8000 x 8000 canvas
# (whose whole-layer undo copy does not fit). Each gets an "Error" box ("Not
# enough memory" in the log where memory is the reason), and after each the
# process still runs and the canvas still shows what it showed.
# Then the painter goes on with that big canvas: the autosave (every 2 s) has
# no room for its copy of it and pauses, saying so once in the log, while
# strokes and a save go on as usual; on a small canvas it writes again.
# Usage: memory-native.sh PROGRAM
set -u
. "$(dirname "$0")/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM"
[ -x "$program" ] || e2e_abort "$program is not an executable file"
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert awk zenity python3

e2e_init
E2E_PLAIN_WM=1 e2e_start_display 1600x1200x24 || e2e_abort "could not start a private X display"
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
bin=$E2E_TMP/bin
log=$bin/orvella.log
: >"$log"
# Every key up to the autosave's interval, in the file's order, so that it is read.
printf '%s\n' "version 2" "window_width 950" "window_height 650" "window_x 0" "window_y 0" \
    "window_maximized 1" "show_overview 0" "overview_size 128" "show_help 1" "show_tooltips 1" \
    "color_profile 2" "force_mouse_coordinates 0" "ui_scale 0" "autosave_seconds 2" >"$bin/config.txt"
mkdir -p "$E2E_TMP/cwd" "$E2E_TMP/art"
art=$E2E_TMP/art
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
E2E_PIXEL_WAIT=8
white="255 255 255"

# The files: a real 1-bit PNG of 16384 x 16384 (about 33 KB: all black
# compresses well), small pictures whose headers were changed to declare
# huge sizes, and a .tvl header for 16384 x 16384 with room for its tiles.
python3 - "$art" <<'PY' || e2e_abort "could not make the test files"
import struct, subprocess, sys, zlib
art = sys.argv[1]

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

def png(w, h, depth, colour, rows):
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))

side = 16384
open(art + "/black-16384.png", "wb").write(png(side, side, 1, 0, bytes(side * (1 + side // 8))))
small = png(16, 16, 8, 2, bytes(16 * (1 + 48)))
for w, h in ((30000, 30000),):
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)
    crafted = small[:16] + ihdr + struct.pack(">I", zlib.crc32(b"IHDR" + ihdr)) + small[33:]
    open("%s/declares-%d.png" % (art, w), "wb").write(crafted)

subprocess.run(["convert", "-size", "16x16", "xc:gray", art + "/small.jpg"], check=True)
jpeg = bytearray(open(art + "/small.jpg", "rb").read())
for w, h in ((30000, 30000),):
    at = 2
    while not (0xC0 <= jpeg[at + 1] <= 0xC2):
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3])
    jpeg[at + 5:at + 9] = struct.pack(">HH", h, w)
    open("%s/declares-%d.jpg" % (art, w), "wb").write(jpeg)

tiles = ((side + 128) // 126) ** 2
header = struct.pack("<iiii", 5, 128, side, side) + b"Linear RGB".ljust(64, b"\0")
header += struct.pack("<6f", *[1.0] * 6) + struct.pack("<ii", tiles, 1) + bytes([0, 0]) + struct.pack("<iii", 0, 0, 0)
open(art + "/declares-16384.tvl", "wb").write(header + bytes(tiles * (20 + 4 * 134) + 75))
PY

rest() { xdotool mousemove $((cx - 480)) $((cy + 330)); }
ctrl_tap() { e2e_with_keys ctrl e2e_tap "$1"; }
answer_box() {
    if e2e_wait_window_name "$1" 20; then
        wmctrl -a "$1" >/dev/null 2>&1
        sleep 0.3
        xdotool key Return
        echo "answered \"$1\""
    else
        e2e_fail "no message box \"$1\" appeared"
    fi
}
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
}
shortages() { tr -d '\r' <"$log" | grep -cxF "Not enough memory"; }
# refused STEP SHORTAGE: the program still runs, said "Not enough memory"
# (SHORTAGE yes) or not, and the canvas shows what it showed before: the
# stroke along row $stroke (when set) and white below it.
refused() {
    local before=$seen
    answer_box "Error"
    seen=$(shortages)
    if [ "$2" = yes ] && [ "$seen" -le "$before" ]; then
        e2e_fail "$1: no \"Not enough memory\" in the log"
    elif [ "$2" = no ] && [ "$seen" -gt "$before" ]; then
        e2e_fail "$1: \"Not enough memory\" where the file itself is at fault"
    fi
    kill -0 "$pid" 2>/dev/null || e2e_abort "$1: the program ended"
    rest
    [ -n "$stroke" ] && e2e_expect_pixel_where "$1: the stroke is still there" "$cx" "$stroke" e2e_dark "darker than 200 in every channel"
    e2e_expect_pixel "$1: the canvas around it is still white" "$cx" $((cy + 100)) "$white" 2
    e2e_expect_title "$1: the title" "$title"
}
# Keys are read as held state once per pass: each is held a moment.
tap() {
    e2e_tap "$1"
    sleep 0.1
}
# type_field X Y TEXT: clicks the dialog's text field at window position
# (X, Y), empties it and types TEXT.
type_field() {
    local i
    e2e_click $((wx + $1)) $((wy + $2))
    sleep 0.5
    for ((i = 0; i < 6; i++)); do tap BackSpace; done
    for ((i = 0; i < ${#3}; i++)); do tap "${3:i:1}"; done
}
# new_canvas W H [modified]: the new-canvas dialog (centred, 250 x 100) filled in and
# confirmed with its OK button.
new_canvas() {
    local x=$((ww / 2 - 125)) y=$((wh / 2 - 50))
    ctrl_tap n
    [ "${3:-}" = modified ] && answer_box "Confirm new image"
    sleep 1
    type_field $((x + 180)) $((y + 35)) "$1"
    type_field $((x + 180)) $((y + 50)) "$2"
    e2e_click $((wx + x + 125)) $((wy + y + 80))
}
open_file() {
    ctrl_tap o
    answer_box "Confirm open image"
    dialog_path "Open" "$1"
}

e2e_launch_program bash -c 'ulimit -v 2097152 && exec "$0"' "$staged"
rest
stroke=$cy
e2e_stroke $((cx - 200)) "$stroke" $((cx + 200)) "$stroke"
rest
e2e_expect_pixel_where "stroke" "$cx" "$stroke" e2e_dark "darker than 200 in every channel"
title="Orvella 0.25 - New image *"
e2e_expect_title "painted" "$title"
seen=$(shortages)

new_canvas 16384 16384 modified
refused "16384 x 16384 canvas" yes
open_file "$art/black-16384.png"
refused "16384 x 16384 PNG" yes
open_file "$art/declares-16384.tvl"
refused "16384 x 16384 .tvl" yes
for f in declares-30000.png declares-30000.jpg; do
    open_file "$art/$f"
    refused "$f" no
done

# A canvas that fits, but not twice: the filter's undo copy is refused, and
# the white canvas does not turn black.
new_canvas 8000 8000 modified
title="Orvella 0.25 - New image"
e2e_expect_title "8000 x 8000 canvas" "$title"
stroke=
# The first passes over the new canvas take a while; the menu wants a live window.
sleep 3
e2e_menu 423 0
refused "Invert on 8000 x 8000" yes

# The autosave's copy of the 8000 x 8000 canvas does not fit either: it waits,
# and the painter's strokes and saves go on.
logged() { tr -d '\r' <"$log" | grep -cxF "$1"; }
recovery_files() { find "$XDG_CONFIG_HOME/orvella" -name 'recovery-*.tvl' 2>/dev/null; }
paused="Autosave paused: not enough memory"
e2e_stroke $((cx - 200)) $((cy - 100)) $((cx + 200)) $((cy - 100))
rest
e2e_expect_pixel_where "stroke on 8000 x 8000" "$cx" $((cy - 100)) e2e_dark "darker than 200 in every channel"
for ((i = 0; i < 200; i++)); do [ "$(logged "$paused")" -gt 0 ] && break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null || e2e_abort "the program ended while the autosave copied 8000 x 8000"
[ "$(logged "$paused")" -gt 0 ] || e2e_fail "no \"$paused\" in the log within 20 s"
e2e_stroke $((cx - 200)) $((cy + 50)) $((cx + 200)) $((cy + 50))
rest
e2e_expect_pixel_where "stroke while the autosave waits" "$cx" $((cy + 50)) e2e_dark "darker than 200 in every channel"
# The stroke and the save take some intervals: each try finds no room again
# and says nothing more.
ctrl_tap s
dialog_path "Save As" "$art/big.tvl"
for ((i = 0; i < 100; i++)); do [ -s "$art/big.tvl" ] && break; sleep 0.2; done
[ -s "$art/big.tvl" ] || e2e_fail "Ctrl+S did not write big.tvl while the autosave waits"
e2e_expect_title "saved while the autosave waits" "Orvella 0.25 - big.tvl"
kill -0 "$pid" 2>/dev/null || e2e_abort "the program ended after the save"
[ "$(logged "$paused")" -eq 1 ] || e2e_fail "\"$paused\" logged $(logged "$paused") times, not once"
[ -z "$(recovery_files)" ] || e2e_fail "a recovery file was written for a canvas that does not fit twice"

# Back on a small canvas the memory is there again, and so is the autosave.
new_canvas 1000 700
sleep 1
rest
e2e_stroke $((cx - 200)) $((cy - 100)) $((cx + 200)) $((cy - 100))
for ((i = 0; i < 200; i++)); do [ -n "$(recovery_files)" ] && break; sleep 0.1; done
[ -n "$(recovery_files)" ] || e2e_fail "no recovery file for the small canvas within 20 s"
[ "$(logged "Autosave resumed")" -eq 1 ] || e2e_fail "\"Autosave resumed\" logged $(logged "Autosave resumed") times, not once"

e2e_stop "$pid"
e2e_finish
