#!/usr/bin/env bash
# A painter's session, from a first start without config.txt to reopening the
# saved file, driven with real mouse and key events and checked on
# screenshots and on the files written; natively, or the Windows build under
# Wine with the scripted Wintab32.dll as the tablet:
#   1. start without config.txt; tooltips off through Settings
#   2. a broader brush from the Alt popup's brush square; a stroke on the
#      bottom layer (under Wine with the pen: light where it presses lightly)
#      and a grey one from the colour editor
#   3. two layers from the layer panel's add buttons
#   4. a closed rectangle outline (line art) on the top layer
#   5. the middle layer made current; red from the colour editor; Ctrl+click
#      fills inside the outline and not outside it
#   6. Alt+click picks white from the canvas; a stroke in it shows white
#   7. the middle layer's blend mode set to Multiply from its list: red over
#      the black stroke turns black
#   8. the middle layer's opacity lowered with its slider: the faded red
#      multiplies the grey stroke
#   9. Ctrl+Z takes a stroke away; painting goes on afterwards
#  10. the "Color profile" menu switches the profile: the document keeps its
#      look, except where layers blend
#  11. Settings > Animation; the top layer's "animate" toggle; "Add" frames
#      with their own durations and marks; the arrow keys step through them
#  11a. a layer removed comes back with Ctrl+Z and goes again with Ctrl+Y and
#      Ctrl+Shift+Z; a stroke on frame 3 is undone from frame 1, which shows
#      frame 3 again; the Edit menu redoes and undoes it
#  12. "Export full" writes one numbered file per time step
#  13. Ctrl+Shift+S saves a .tvl file; the title names it
#  14. closing writes config.txt with the window and interface settings
#  15. a start with the file on the command line shows the same canvas
# Every failure names its step.
# Usage: workflow.sh native PROGRAM
#        workflow.sh wine PROGRAM.exe Wintab32.dll   (the DLL built from tests/wintab_test_dll)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

backend=${1:-}
program=${2:-}
dll=${3:-}
case $backend in
    native) [ -x "$program" ] || e2e_abort "usage: $0 native PROGRAM" ;;
    wine) [ -f "$program" ] && [ -f "$dll" ] || e2e_abort "usage: $0 wine PROGRAM.exe Wintab32.dll" ;;
    *) e2e_abort "usage: $0 native PROGRAM | $0 wine PROGRAM.exe Wintab32.dll" ;;
esac
e2e_require_tools Xvfb openbox wmctrl xdotool xwininfo import convert compare identify awk
if [ "$backend" = native ]; then
    e2e_require_tools zenity
else
    e2e_require_tools wine wineserver
fi

e2e_init
E2E_PLAIN_WM=1 e2e_start_display 1600x1200x24 || e2e_abort "could not start a private X display"
if [ "$backend" = wine ]; then
    # A prefix of its own, made while the display runs: Wine keeps the screen
    # size it finds when the prefix is made, and a prefix made without a
    # display believes in 1024 x 768, where the document would not fit.
    unset WINEPREFIX
    e2e_use_wine "$here/../lib"
    export WINEDLLOVERRIDES="mscoree,mshtml=;wintab32=n"
fi
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
bin=$E2E_TMP/bin
rm -f "$bin/config.txt"
: >"$bin/orvella.log"
mkdir -p "$E2E_TMP/cwd" "$E2E_TMP/art" "$E2E_TMP/shots"
art=$E2E_TMP/art/workflow.tvl
frames=$E2E_TMP/art/frames.png
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
if [ "$backend" = wine ]; then
    # The pen: cursor 1 presses with logical button 0 from raw pressure 0 of
    # the 0..1023 axis. Its strokes come from pen-stroke.txt, written once the
    # window's place on the screen is known.
    cp "$dll" "$bin/Wintab32.dll" || e2e_abort "could not copy $dll"
    printf '%s\n' "cursor 1 0 0 0" "pace 20" "play-file pen-stroke.txt" >"$bin/wintab-script.txt"
fi

white="255 255 255"
black="0 0 0"
red="255 0 0"
grey="128 128 128"
current_row="255 204 178"  # the current layer's row box
panel_grey="229 229 229"   # the animation panel's face
profile_row=4              # "Neon" in the "Color profile" menu

# ---- Steps ----

step_name=""
step() {
    step_name=$1
    echo "== step $step_name"
}
# E2E_KEEP_SHOTS=DIR keeps a screenshot of every failure there.
failures_kept=0
fail() {
    e2e_fail "step $step_name: $*"
    if [ -n "${E2E_KEEP_SHOTS:-}" ] && mkdir -p "$E2E_KEEP_SHOTS"; then
        failures_kept=$((failures_kept + 1))
        e2e_screenshot "$E2E_KEEP_SHOTS/failure-$failures_kept.png"
        echo "  kept $E2E_KEEP_SHOTS/failure-$failures_kept.png" >&2
    fi
}
fatal() {
    e2e_show_output "$E2E_TMP"
    e2e_abort "step $step_name: $*"
}

E2E_PIXEL_WAIT=6
E2E_FAIL=fail

# ---- The program and its window ----

# Wine shows the Linux file system as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# start_program [FILE]: starts it, waits for its window and its final size;
# sets pid win wx wy ww wh cx cy.
start_program() {
    if [ "$backend" = native ]; then
        e2e_launch_program "$staged" "$@"
    else
        e2e_wait_wine_desktop
        E2E_WINDOW_WAIT=60 e2e_launch_program wine "$staged" ${1:+"$(winpath "$1")"}
    fi
}
focus_program() {
    xdotool windowactivate --sync "$win" >/dev/null 2>&1 || xdotool windowfocus --sync "$win" >/dev/null 2>&1
    sleep 0.2
}

# The pointer's resting place: left of the document, clear of the panels.
# The brush outline follows the pointer, so every screenshot is taken with
# the pointer here.
rest_x=225
rest() {
    xdotool mousemove $((wx + rest_x)) "$cy"
    sleep 0.2
}

# ---- Mouse and keys ----

stroke() {
    e2e_stroke "$@"
    rest
}
tap() {
    e2e_tap "$1"
    sleep 0.1
}
menu() {
    e2e_menu "$@"
    rest
}
settings_menu() { menu 85 "$1"; }
profile_menu() { menu 173 "$1"; }

# ---- The layer panel ----

# row_top LAYER: window y of the layer's row box (layer 0 is the lowest row,
# 80 + 90 pixels above the window's bottom edge, the panel unscrolled).
row_top() { echo $((wy + wh - 80 - 90 * ($1 + 1))); }
# The spot of a row box that no control, name or thumbnail covers.
row_spot_x() { echo $((wx + 128)); }
row_spot_y() { echo $(($(row_top "$1") + 64)); }

# add_layer_above LAYER: the add button above the layer's row.
add_layer_above() {
    e2e_click $((wx + 130)) $(($(row_top "$1") - 10))
    rest
}

# The interface holds the layer buttons off for 15 frames after one acted:
# wait until the new current row shows before the next click.
expect_current_layer() {
    local i
    e2e_expect_pixel "layer $1 is current" "$(row_spot_x)" "$(row_spot_y "$1")" "$current_row" 3
    for ((i = 0; i < layer_count; i++)); do
        [ "$i" -eq "$1" ] && continue
        e2e_expect_pixel "layer $i is not current" "$(row_spot_x)" "$(row_spot_y "$i")" "$white" 3
    done
}

# ---- The animation panel ----

anim_top() { echo $((wy + wh - 75)); }
add_frame() {
    e2e_click $((wx + 375)) $(($(anim_top) + 13))
    rest
}
# set_duration N: opens the current frame's duration field, replaces its
# text with the digit N and closes it with Return.
set_duration() {
    e2e_click $((wx + 505)) $(($(anim_top) + 38))
    rest
    tap BackSpace
    tap "$1"
    tap Return
    sleep 0.2
}

# ---- Screen checks ----

# expect_between STEP X Y LOW HIGH: waits until every channel of the pixel
# lies in LOW..HIGH.
expect_between() {
    local low=$4 high=$5
    within() { (($1 >= low && $1 <= high && $2 >= low && $2 <= high && $3 >= low && $3 <= high)); }
    e2e_expect_pixel_where "$1" "$2" "$3" within "to lie in $4..$5"
}

# expect_faded_fill STEP X Y: the red fill multiplied over white at part
# opacity: full red, green and blue between the ends.
expect_faded_fill() {
    faded() { (($1 >= 235 && $2 >= 60 && $2 <= 215 && $3 >= 60 && $3 <= 215)); }
    e2e_expect_pixel_where "$1" "$2" "$3" faded "to show the faded red fill"
}

# The document is 1024 x 724 at zoom 1, centred in the window; the region
# compared between screenshots lies inside it (set once the window is known).
E2E_SHOTS=$E2E_TMP/shots

# dialog_path TITLE PATH: types PATH into the file dialog of that title
# (zenity's, or the common dialog under Wine) and waits until it has gone.
dialog_path() {
    local box i
    box=$(e2e_wait_window "^$1\$" 20) || { fail "no file dialog \"$1\" appeared"; return 1; }
    xdotool windowactivate --sync "$box" >/dev/null 2>&1
    sleep 0.5
    if [ "$backend" = native ]; then
        xdotool key ctrl+l
        sleep 0.3
        xdotool key ctrl+a
        xdotool type --delay 20 "$2"
    else
        xdotool type --delay 30 "$(winpath "$2")"
    fi
    sleep 0.3
    xdotool key Return
    echo "chose $2 in \"$1\""
    for ((i = 0; i < 50; i++)); do
        e2e_window_names | grep -qxF -- "$1" || break
        sleep 0.2
    done
    focus_program
}

# ---- The pen (Wine) ----

wait_log() { e2e_wait_log_line "$bin/orvella.log" "$@"; }

# pen_stroke Y X0 X1 XMID: a pen stroke along the row from X0 to X1, pressing
# at raw 512 (pressure 128 of 255) up to XMID and fully after it. The driver's
# mouse emulation is played with xdotool: the button goes down once the pen
# hovers and up before the pen leaves, as a tablet's system context does.
pen_stroke() {
    local y=$1 x0=$2 x1=$3 xmid=$4 x lines=()
    xdotool mousemove "$x0" "$y"
    sleep 0.2
    lines+=("proximity in" "packet 1 0 $x0 $y 0" "wait-file pen-down")
    for ((x = x0; x <= x1; x += 8)); do
        lines+=("packet 1 1 $x $y $([ "$x" -lt "$xmid" ] && echo 512 || echo 1023)")
    done
    lines+=("packet 1 1 $x1 $y 1023" "wait-file pen-lifted" "packet 1 0 $x1 $y 0" "proximity out")
    printf '%s\n' "${lines[@]}" >"$bin/pen-stroke.tmp" && mv "$bin/pen-stroke.tmp" "$bin/pen-stroke.txt"
    wait_log "pen sample x=$x0 y=$y pressure=0" 150 || { fail "the pen never hovered over the stroke's start"; return 1; }
    xdotool mousedown 1
    sleep 0.2
    : >"$bin/pen-down"
    wait_log "pen sample x=$x1 y=$y pressure=255" 30 || fail "the pen's last pressing sample never arrived"
    xdotool mouseup 1
    sleep 0.2
    : >"$bin/pen-lifted"
    wait_log "pen out of proximity" 30 || fail "the pen never left"
    rest
}

# ---- Exported files ----

# png_green FILE X Y: the largest green value in the 21 x 11 box around the
# document pixel: 255 on a white mark, far less on the faded red fill.
png_green() {
    convert "$1" -crop "21x11+$(($2 - 10))+$(($3 - 5))" +repage -alpha off -channel G -separate \
        -format '%[fx:int(255*maxima)]' info: 2>/dev/null
}

# ---- The session ----

step "1 start without config.txt"
start_program
E2E_REGION="1000x700+$((cx - 500))+$((cy - 350))"
rest
e2e_expect_title "start" "Orvella 0.25 - New image"
e2e_expect_pixel "white canvas" "$cx" "$cy" "$white" 2
layer_count=1
expect_current_layer 0
settings_menu 0  # Tooltips off: none may appear over the measured screen

step "2 a broader brush; a stroke on the bottom layer"
# Alt held at the resting place opens the popup 150 pixels left of and 50
# below the pointer (10 from the window's left edge at least, then 20 lower);
# a press in its brush square sets hardness (across) and size (down, radius
# 1 + 126 (y / 99)^2): 0.9 and about 6.
popup_x=$((rest_x - 150)) popup_y=$((cy - wy + 50))
[ "$popup_x" -lt 10 ] && popup_x=10 popup_y=$((popup_y + 20))
e2e_with_keys alt e2e_click $((wx + popup_x + 90)) $((wy + popup_y + 20))
rest
# Where the stroke presses fully: its solid core is measured there, and later
# steps look at the layers over it there.
solid_x=$cx
if [ "$backend" = native ]; then
    stroke $((cx - 200)) $((cy - 100)) $((cx + 200)) $((cy - 100))
else
    pen_stroke $((cy - 100)) $((cx - 200)) $((cx + 200)) "$cx"
    # Half pressure lays (1.2 x 0.5)^2.5 = 0.28 of the colour.
    expect_between "pressing lightly" $((cx - 100)) $((cy - 100)) 140 235
    solid_x=$((cx + 100))
fi
e2e_expect_pixel "stroke" "$solid_x" $((cy - 100)) "$black" 3
e2e_expect_pixel "beside the stroke" "$solid_x" $((cy - 80)) "$white" 2
if extent=$(e2e_color_extent "$E2E_TMP/wait-pixel.png" "$solid_x" $((cy - 100)) "$black" 3); then
    read -r _ _ y0 y1 <<<"$extent"
    [ $((y1 - y0 + 1)) -ge 8 ] || fail "the stroke's solid core is $((y1 - y0 + 1)) pixels high: the brush stayed thin"
else
    fail "no solid stroke to measure"
fi

# A grey stroke above it: a mid-tone for the Multiply step. The foreground
# swatch opens the colour editor on black; value 128 of its value strip
# makes grey; a press outside the editor closes it.
grey_y=$((cy - 140))
e2e_click $((wx + 35)) $((wy + 40))
e2e_click $((wx + 120)) $((wy + 110 + 128))
e2e_expect_pixel "the foreground swatch is grey" $((wx + 35)) $((wy + 40)) "$grey" 3
e2e_click $((wx + rest_x)) "$cy"
rest
stroke $((cx - 200)) "$grey_y" $((cx + 200)) "$grey_y"
e2e_expect_pixel "grey stroke" $((cx - 100)) "$grey_y" "$grey" 3
# Back to black (value 0) for the line art.
e2e_click $((wx + 35)) $((wy + 40))
e2e_click $((wx + 120)) $((wy + 110))
e2e_expect_pixel "the foreground swatch is black" $((wx + 35)) $((wy + 40)) "$black" 3
e2e_click $((wx + rest_x)) "$cy"
rest

step "3 two layers from the add buttons"
add_layer_above 0
layer_count=2
expect_current_layer 1
add_layer_above 1
layer_count=3
expect_current_layer 2

step "4 line art on the top layer"
# A closed outline in one stroke; it runs on past its start so that the
# corner where it closes has no gap.
left=$((cx - 250)) right=$((cx + 250)) top=$((cy - 200)) bottom=$((cy + 150))
stroke $((left + 40)) "$top" "$right" "$top" "$right" "$bottom" "$left" "$bottom" "$left" "$top" $((left + 80)) "$top"
e2e_expect_pixel "left edge" "$left" "$cy" "$black" 3
e2e_expect_pixel "bottom edge" "$cx" "$bottom" "$black" 3
e2e_expect_pixel "inside" "$cx" "$cy" "$white" 2
e2e_shot outline

step "5 fill inside the outline with red on the middle layer"
e2e_click $((wx + 50)) $(($(row_top 1) + 30))
rest
expect_current_layer 1
# Full saturation and full value at the hue of black (red) make the colour
# red.
e2e_click $((wx + 35)) $((wy + 40))
e2e_click $((wx + 80)) $((wy + 110 + 255))
e2e_click $((wx + 120)) $((wy + 110 + 255))
e2e_expect_pixel "the foreground swatch is red" $((wx + 35)) $((wy + 40)) "$red" 3
e2e_click $((wx + rest_x)) "$cy"
rest
e2e_with_keys ctrl e2e_click $((cx + 100)) $((cy + 50))
rest
e2e_expect_pixel "filled inside" "$cx" $((cy + 50)) "$red" 3
e2e_expect_pixel "filled in the far corner" $((left + 15)) $((top + 15)) "$red" 3
e2e_expect_pixel "the fill covers the bottom stroke" "$solid_x" $((cy - 100)) "$red" 3
e2e_expect_pixel_unchanged "nothing outside" "$cx" $((bottom + 40)) "$white" 2
e2e_expect_pixel "nothing left of the outline" $((left - 20)) "$cy" "$white" 2 0

step "6 pick white with Alt+click"
e2e_with_keys alt e2e_click "$cx" $((bottom + 60))
rest
# A stroke in the picked colour across the fill and the bottom layer's stroke.
stroke $((cx + 50)) $((top + 20)) $((cx + 50)) $((bottom - 30))
e2e_expect_pixel "white over the fill" $((cx + 50)) "$cy" "$white" 2
e2e_expect_pixel "white over the bottom stroke" $((cx + 50)) $((cy - 100)) "$white" 2

step "7 Multiply from the middle layer's blend list"
e2e_shot blend-before "52x12+$((wx + 77))+$(($(row_top 1) + 1))"
# Press on the button (the list opens over it), move to the second row of
# the list and release there.
e2e_drag $((wx + 100)) $(($(row_top 1) + 6)) $((wx + 100)) $(($(row_top 1) + 17))
rest
# The middle layer multiplied over the bottom layer's black stroke is black
# (red and white alike); over the white canvas white stays white.
e2e_expect_pixel "multiplied over the stroke" $((cx + 50)) $((cy - 100)) "$black" 3
e2e_expect_pixel "red multiplied over the stroke" "$solid_x" $((cy - 100)) "$black" 3
e2e_expect_pixel "red multiplied over white" "$cx" $((cy + 50)) "$red" 3
e2e_expect_pixel "multiplied over white" $((cx + 50)) "$cy" "$white" 2
e2e_shot blend-after "52x12+$((wx + 77))+$(($(row_top 1) + 1))"
[ "$(e2e_differing blend-before blend-after)" -gt 0 ] || fail "the blend button still shows the same name"

step "8 lower the middle layer's opacity"
# The slider: 255 at the row's top + 15, 0 at + 55; about half at + 35.
e2e_drag $((wx + 117)) $(($(row_top 1) + 20)) $((wx + 117)) $(($(row_top 1) + 35))
rest
expect_faded_fill "half the fill" "$cx" "$cy"
e2e_expect_pixel "the bottom stroke stays black" "$solid_x" $((cy - 100)) "$black" 3
# The faded red multiplied over grey darkens green and blue well below the
# grey (a darken or a plain mix would leave them at or above it).
multiplied_grey() { (($1 >= 110 && $1 <= 145 && $2 <= 100 && $3 <= 100)); }
e2e_expect_pixel_where "faded red times grey" $((cx - 100)) "$grey_y" multiplied_grey \
    "to be the grey times the faded red"
e2e_expect_pixel "outside stays white" "$cx" $((bottom + 40)) "$white" 2
e2e_shot faded

step "9 Ctrl+Z and paint again"
stroke $((cx - 200)) $((cy + 100)) $((cx - 20)) $((cy + 100))
e2e_expect_pixel "stroke" $((cx - 100)) $((cy + 100)) "$white" 2
e2e_with_keys ctrl tap z
e2e_expect_region "undone" faded same
stroke $((cx - 200)) $((cy + 70)) $((cx - 20)) $((cy + 70))
e2e_expect_pixel "painted again" $((cx - 100)) $((cy + 70)) "$white" 2
expect_faded_fill "no stroke where the undone one was" $((cx - 100)) $((cy + 100))

step "10 switch the colour profile"
# The switch re-encodes every layer into the new profile's working values, so
# each layer alone looks as before; blending happens on working values, so
# where layers blend the look changes. On the grey stroke under the faded red
# Multiply layer, red shows the grey alone (grey times full red, mixed with
# grey) and green the grey times the faded layer's share of it: with the
# profile's curve p (x^e, e sliding from a dark to a bright exponent weighted
# by x^1.4), green shows p^-1(p(grey) k), k = 1 - opacity. The start's
# profile, "Rich", has the exponents 0.85 and 1.3, "Neon" 0.6 and 3.
blend_x=$((cx - 100))
e2e_wait_passes || fail "the program drew no further passes"
e2e_screenshot "$E2E_TMP/profile-before.png"
read -r grey_shown green_shown _ <<<"$(e2e_pixel "$E2E_TMP/profile-before.png" "$blend_x" "$grey_y")"
green_expected=$(awk -v g="$grey_shown" -v m="$green_shown" '
    function p(x, d, b) { return x ^ (d + (b - d) * x ^ 1.4) }
    function shown(w, d, b,   lo, hi, x, i) {
        lo = 0; hi = 1
        for (i = 0; i < 60; i++) { x = (lo + hi) / 2; if (p(x, d, b) < w) lo = x; else hi = x }
        return x
    }
    BEGIN { k = p(m / 255, 0.85, 1.3) / p(g / 255, 0.85, 1.3); printf "%d\n", shown(p(g / 255, 0.6, 3) * k, 0.6, 3) * 255 + 0.5 }')
echo "before the switch: grey $grey_shown under the faded red shows green $green_shown; expected after: $green_expected"
e2e_shot profile-before "250x15+$((wx + 134))+$((wy + 1))"
profile_menu "$profile_row"
e2e_shot profile-after "250x15+$((wx + 134))+$((wy + 1))"
[ "$(e2e_differing profile-before profile-after)" -gt 0 ] || fail "the \"Color profile\" title still names the old profile"
e2e_expect_pixel "black stays black" "$left" "$cy" "$black" 3
e2e_expect_pixel "white stays white" $((cx - 100)) $((cy + 70)) "$white" 2
reencoded() { (($1 >= grey_shown - 1 && $1 <= grey_shown + 1 && $2 >= green_expected - 3 && $2 <= green_expected + 3 && $3 == $2)); }
e2e_expect_pixel_where "the grey keeps its look, its blend with the faded red changes" "$blend_x" "$grey_y" reencoded \
    "to show red $grey_shown (+-1), green and blue $green_expected (+-3)"
expect_faded_fill "the faded fill" "$cx" "$cy"

step "11 animation"
settings_menu 1
e2e_expect_pixel "the animation panel" $((wx + 186)) $(($(anim_top) + 50)) "$panel_grey" 3
# The top layer's "animate" toggle (which also makes the layer current).
e2e_click $((wx + 101)) $(($(row_top 2) + 35))
rest
e2e_expect_pixel "the top layer is animated" $((wx + 97)) $(($(row_top 2) + 31)) "$black" 3
expect_current_layer 2
# Frame 1 of 3: the outline and a mark; it lasts two time steps.
marks_y=$((cy + 20))
mark0=$((cx - 150)) mark1=$((cx - 75)) mark2=$((cx + 150))
mark() { stroke $(($1 - 30)) "$marks_y" $(($1 + 30)) "$marks_y"; }
mark "$mark0"
e2e_expect_pixel "frame 1: its mark" "$mark0" "$marks_y" "$white" 2
set_duration 2
# Frame 2: the new frame is empty in the animated layer.
add_frame
expect_faded_fill "frame 2: no mark of frame 1" "$mark0" "$marks_y"
expect_between "frame 2: no outline" "$left" "$cy" 60 255
set_duration 1
mark "$mark1"
e2e_expect_pixel "frame 2: its mark" "$mark1" "$marks_y" "$white" 2
# Frame 3.
add_frame
expect_faded_fill "frame 3: no mark of frame 2" "$mark1" "$marks_y"
mark "$mark2"
e2e_expect_pixel "frame 3: its mark" "$mark2" "$marks_y" "$white" 2
e2e_shot frame3
# The arrow keys: Right wraps round to frame 1, Left goes back to frame 3.
tap Right
e2e_expect_pixel "Right: frame 1's outline" "$left" "$cy" "$black" 3
e2e_expect_pixel "Right: frame 1's mark" "$mark0" "$marks_y" "$white" 2
expect_faded_fill "Right: no mark of frame 3" "$mark2" "$marks_y"
tap Right
e2e_expect_pixel "Right: frame 2's mark" "$mark1" "$marks_y" "$white" 2
expect_faded_fill "Right: no mark of frame 1" "$mark0" "$marks_y"
tap Left
tap Left
e2e_expect_region "Left twice: frame 3" frame3 same

step "11a undo and redo: a removed layer, a stroke on another frame"
# The middle layer's remove button; Ctrl+Z brings the layer back, Ctrl+Y and
# Ctrl+Shift+Z take it away again.
e2e_click $((wx + 141)) $(($(row_top 1) + 30))
rest
layer_count=2
e2e_expect_pixel "removed: no fill" "$cx" $((cy + 50)) "$white" 2
e2e_with_keys ctrl tap z
layer_count=3
e2e_expect_region "Ctrl+Z: the layer is back" frame3 same
e2e_with_keys ctrl tap y
e2e_expect_pixel "Ctrl+Y: removed again" "$cx" $((cy + 50)) "$white" 2
e2e_with_keys ctrl tap z
e2e_expect_region "Ctrl+Z: back again" frame3 same
e2e_with_keys "ctrl shift" tap z
e2e_expect_pixel "Ctrl+Shift+Z: removed again" "$cx" $((cy + 50)) "$white" 2
e2e_with_keys ctrl tap z
e2e_expect_region "Ctrl+Z: back once more" frame3 same
expect_current_layer 2
# A stroke on frame 3, then to frame 1: undo shows frame 3 without it. The
# Edit menu's rows (e2e_menu presses 40 pixels right of the number given)
# redo and undo it again.
history_y=$((cy + 120))
expect_faded_fill "frame 3: fill where the stroke goes" $((cx - 100)) "$history_y"
stroke $((cx - 200)) "$history_y" $((cx - 30)) "$history_y"
e2e_expect_pixel "frame 3: the stroke" $((cx - 100)) "$history_y" "$white" 2
tap Right
e2e_expect_pixel "Right: frame 1's mark" "$mark0" "$marks_y" "$white" 2
e2e_with_keys ctrl tap z
e2e_expect_region "Ctrl+Z on frame 1: frame 3 without the stroke" frame3 same
menu 10 1
e2e_expect_pixel "Edit > Redo: the stroke is back" $((cx - 100)) "$history_y" "$white" 2
menu 10 0
e2e_expect_region "Edit > Undo: frame 3 without it" frame3 same

step "12 Export full"
e2e_click $((wx + 734)) $(($(anim_top) + 13))
dialog_path "Save As" "$frames"
rest
# Durations 2, 1, 1: frame 1 twice, then frames 2 and 3.
for ((i = 0; i < 50; i++)); do [ -s "${frames%.png}004.png" ] && break; sleep 0.2; done
for n in 001 002 003 004; do
    [ -s "${frames%.png}$n.png" ] || fail "no ${frames%.png}$n.png"
done
extra=$(find "$E2E_TMP/art" -name 'frames*' ! -name 'frames00[1-4].png' -printf '%f ')
[ -z "$extra" ] || fail "more files than time steps: $extra"
if [ -s "${frames%.png}004.png" ]; then
    size=$(identify -format '%w %h' "${frames%.png}001.png")
    [ "$size" = "1024 724" ] || fail "frames001.png is $size, not 1024 x 724"
    # Document coordinates of the marks: the document is centred.
    dx=$((512 - cx)) dy=$((362 - cy))
    expect_marks() {
        local file="${frames%.png}$1.png" k x v
        for k in 0 1 2; do
            eval "x=\$mark$k"
            v=$(png_green "$file" $((x + dx)) $((marks_y + dy)))
            echo "frames$1.png: greenest near the mark of frame $((k + 1)): $v"
            if [ "$k" -eq "$2" ]; then
                [ "${v:-0}" -ge 250 ] || fail "frames$1.png lacks the mark of frame $(($2 + 1)) (green $v)"
            else
                [ "${v:-255}" -le 230 ] || fail "frames$1.png has the mark of frame $((k + 1)) (green $v)"
            fi
        done
    }
    expect_marks 001 0
    expect_marks 002 0
    expect_marks 003 1
    expect_marks 004 2
    n=$(compare -metric AE "${frames%.png}001.png" "${frames%.png}002.png" null: 2>&1 | awk '{print int($1)}')
    [ "$n" = 0 ] || fail "frames001.png and frames002.png, both frame 1, differ in $n pixels"
    echo "exported: $(cd "$E2E_TMP/art" && echo frames*)"
    # The last file is frame 3 as the screen showed it (within rounding).
    convert "${frames%.png}004.png" -crop "1000x700+$((cx - 500 + dx))+$((cy - 350 + dy))" +repage \
        "$E2E_TMP/shots/exported3.png"
    n=$(e2e_differing exported3 frame3 1)
    [ "$n" = 0 ] || fail "frames004.png differs from the screen's frame 3 in ${n:-?} pixels"
fi
# Under Wine the screen has been seen to take more than the usual 5 s to
# show the frame again after the export's four saves (once in a clean run;
# the later steps found it right): allow it longer to catch up.
E2E_PIXEL_WAIT=20 e2e_expect_region "the current frame stays" frame3 same

step "13 save as .tvl with Ctrl+Shift+S"
e2e_with_keys "ctrl shift" tap s
dialog_path "Save As" "$art"
for ((i = 0; i < 50; i++)); do [ -s "$art" ] && break; sleep 0.2; done
[ -s "$art" ] || fail "Ctrl+Shift+S did not write $art"
e2e_expect_title "saved" "Orvella 0.25 - workflow.tvl"
rest
sleep 0.5
e2e_shot before-quit

step "14 quit; config.txt"
wmctrl -c Orvella || fail "wmctrl could not ask the window to close"
e2e_wait_exit "$pid" 20 || { fail "the program still runs 20 s after the close request"; e2e_stop "$pid"; }
[ "${E2E_EXIT_CODE:-}" = 0 ] || fail "the program ended with code ${E2E_EXIT_CODE:-?}"
config=$E2E_TMP/config.txt
if [ -f "$bin/config.txt" ]; then
    tr -d '\r' <"$bin/config.txt" >"$config"
    [ "$(head -n 1 "$config")" = "version 2" ] || fail "config.txt does not start with \"version 2\""
    [ "$(wc -l <"$config")" -eq 23 ] || fail "config.txt has $(wc -l <"$config") lines, not 23"
    for line in "window_width $ww" "window_height $wh" "window_maximized 1" "show_help 1" "show_tooltips 0" \
        "color_profile $profile_row" "undo_memory_mb 0"; do
        grep -qxF "$line" "$config" || fail "config.txt lacks the line \"$line\""
    done
    echo "config.txt: $(tr '\n' ',' <"$config")"
else
    fail "closing did not write config.txt beside the program"
fi

step "15 start again with the file"
# The pen's script would play its stroke again.
rm -f "$bin/wintab-script.txt"
size_before="${ww}x$wh"
start_program "$art"
[ "${ww}x$wh" = "$size_before" ] || fail "the window came back ${ww}x$wh, not $size_before"
rest
e2e_expect_title "command line" "Orvella 0.25 - workflow.tvl"
e2e_expect_pixel "animation mode" $((wx + 186)) $(($(anim_top) + 50)) "$panel_grey" 3
# The canvas as it was before quitting; a few pixels may differ where the
# interface draws over it.
e2e_expect_region "the canvas as saved" before-quit same 50 1

[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$E2E_TMP"
e2e_finish
