# Shared helpers for the end-to-end tests: a private X display (Xvfb) with a
# window manager (openbox), programs started in the background, windows,
# screenshots and pixels. Source it from bash; every wait is bounded and
# e2e_init arranges that everything started here is stopped on exit.
#
# A test script typically does:
#   . "$(dirname "$0")/lib.sh"
#   e2e_init
#   e2e_start_display || e2e_abort "no X display"
#   e2e_start_program "$E2E_TMP/out.log" "$dir" ./program; pid=$E2E_LAST_PID
#   win=$(e2e_wait_window '^Title' 20) || e2e_fail "no window"
#   ...
#   e2e_finish

E2E_FAILURES=0
E2E_PIDS=()
E2E_TMP=""

# e2e_init: makes the run's temporary directory $E2E_TMP and installs the clean-up trap.
e2e_init() {
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/orvella-e2e.XXXXXX") || { echo "e2e: cannot make a temporary directory" >&2; exit 1; }
    # The program's per-user files (recovery files) stay with the run, not the user.
    export XDG_CONFIG_HOME="$E2E_TMP/config-home"
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# e2e_fail MESSAGE...: reports a failed check and counts it (the script goes on).
e2e_fail() {
    echo "FAIL: $*" >&2
    E2E_FAILURES=$((E2E_FAILURES + 1))
}

# e2e_abort MESSAGE...: reports a failure that makes the remaining checks pointless and exits 1.
e2e_abort() {
    echo "FAIL: $*" >&2
    exit 1
}

# e2e_finish: exits 0 when no check failed, else prints the count and exits 1.
e2e_finish() {
    if [ "$E2E_FAILURES" -eq 0 ]; then
        echo "PASS"
        exit 0
    fi
    echo "$E2E_FAILURES check(s) failed" >&2
    exit 1
}

# e2e_require_tools TOOL...: aborts naming every tool that is not installed.
e2e_require_tools() {
    local missing=() t
    for t in "$@"; do command -v "$t" >/dev/null 2>&1 || missing+=("$t"); done
    [ ${#missing[@]} -eq 0 ] || e2e_abort "missing tools: ${missing[*]} (scripts/test installs them)"
}

# e2e_track PID: stops the process at clean-up (TERM, then KILL after 2 s).
e2e_track() {
    E2E_PIDS+=("$1")
}

# e2e_stop PID [GRACE_SECONDS]: sends TERM to the process (and its group when it leads one), waits up to GRACE seconds (default 2), then KILLs.
e2e_stop() {
    local pid=$1 grace=${2:-2} i
    kill -0 "$pid" 2>/dev/null || return 0
    e2e_signal TERM "$pid"
    for ((i = 0; i < grace * 10; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && e2e_signal KILL "$pid"
    wait "$pid" 2>/dev/null
    return 0
}

# e2e_signal SIGNAL PID: signals the process group PID leads, or the process alone when it leads none.
e2e_signal() {
    kill -"$1" -- "-$2" 2>/dev/null || kill -"$1" "$2" 2>/dev/null
}

# e2e_cleanup: stops every tracked process, newest first, and removes $E2E_TMP (the EXIT trap).
e2e_cleanup() {
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do e2e_stop "${E2E_PIDS[i]}"; done
    E2E_PIDS=()
    [ -n "$E2E_TMP" ] && rm -rf "$E2E_TMP"
    E2E_TMP=""
}

# e2e_start_display [SCREEN]: starts Xvfb on a free display (default 1280x1024x24) and openbox on it; exports DISPLAY.
# A display that takes no client (seen once on a busy machine: Xvfb gave its
# number, then openbox could not open it) is stopped and another one started,
# up to three tries.
e2e_start_display() {
    local try
    for ((try = 1; try <= 3; try++)); do
        e2e_try_display "${1:-1280x1024x24}" && return 0
        echo "e2e: display try $try of 3 failed" >&2
    done
    return 1
}

# e2e_try_display SCREEN: one try of e2e_start_display; stops what it started when it fails.
e2e_try_display() {
    local screen=$1 fdfile="$E2E_TMP/xvfb.display" i n="" xvfb wm
    : >"$fdfile"
    # -displayfd lets the server take the first free display number itself,
    # so parallel tests never race for one.
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    xvfb=$!
    e2e_track $xvfb
    for ((i = 0; i < 100; i++)); do
        n=$(tr -dc 0-9 <"$fdfile")
        [ -n "$n" ] && break
        sleep 0.1
    done
    if [ -z "$n" ]; then
        echo "e2e: Xvfb did not start:" >&2
        cat "$E2E_TMP/xvfb.log" >&2
        e2e_stop $xvfb
        return 1
    fi
    export DISPLAY=":$n"
    unset WAYLAND_DISPLAY
    # E2E_PLAIN_WM=1: a window manager without mouse or key bindings, so that
    # Alt+click reaches the program instead of starting a window move.
    local config=()
    if [ "${E2E_PLAIN_WM:-0}" = 1 ]; then
        printf '%s\n' '<?xml version="1.0"?>' '<openbox_config xmlns="http://openbox.org/3.4/rc">' \
            '<keyboard></keyboard><mouse></mouse></openbox_config>' >"$E2E_TMP/openbox-plain.xml"
        config=(--config-file "$E2E_TMP/openbox-plain.xml")
    fi
    openbox --sm-disable "${config[@]}" >"$E2E_TMP/openbox.log" 2>&1 &
    wm=$!
    e2e_track $wm
    for ((i = 0; i < 100; i++)); do
        wmctrl -m >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "e2e: openbox did not start on $DISPLAY:" >&2
    cat "$E2E_TMP/openbox.log" >&2
    kill -0 $xvfb 2>/dev/null || echo "e2e: Xvfb on $DISPLAY has ended:" >&2
    cat "$E2E_TMP/xvfb.log" >&2
    e2e_stop $wm
    e2e_stop $xvfb
    return 1
}

# e2e_start_program LOGFILE DIR COMMAND...: runs COMMAND in DIR in the background in its own process group, output to LOGFILE; sets E2E_LAST_PID.
e2e_start_program() {
    local log=$1 dir=$2
    shift 2
    # Its own process group, so that clean-up also reaches what it forks
    # (SDL shows its message boxes from a child process).
    (cd "$dir" && exec setsid "$@") </dev/null >"$log" 2>&1 &
    E2E_LAST_PID=$!
    e2e_track "$E2E_LAST_PID"
}

# e2e_wait_exit PID SECONDS: waits for the process to end; sets E2E_EXIT_CODE; returns 1 if it is still running.
e2e_wait_exit() {
    local pid=$1 i
    E2E_EXIT_CODE=""
    for ((i = 0; ; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" 2>/dev/null
            E2E_EXIT_CODE=$?
            return 0
        fi
        [ "$i" -ge $(($2 * 10)) ] && return 1
        sleep 0.1
    done
}

# e2e_wait_window REGEX SECONDS [PID]: prints the id of the first visible window whose title matches; 1 on timeout or once PID has ended.
e2e_wait_window() {
    local end=$((SECONDS + $2)) id
    while :; do
        id=$(timeout 2 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        [ -n "${3:-}" ] && ! kill -0 "$3" 2>/dev/null && return 1
        [ $SECONDS -ge $end ] && return 1
        sleep 0.1
    done
}

# e2e_window_names: prints the title of every named window on the display, one a line (also finds SDL message boxes, which xdotool misses).
e2e_window_names() {
    xwininfo -root -tree 2>/dev/null | sed -n 's/^ *0x[0-9a-f]* "\(.*\)": (.*/\1/p' | sort -u
}

# e2e_wait_window_name NAME SECONDS: waits until a window titled exactly NAME exists; 1 on timeout.
e2e_wait_window_name() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        e2e_window_names | grep -qxF -- "$1" && return 0
        sleep 0.1
    done
    return 1
}

# e2e_new_window_names BASELINE_FILE [IGNORE_REGEX]: prints window titles not in the baseline (from e2e_window_names) nor matching IGNORE_REGEX.
e2e_new_window_names() {
    local names
    names=$(e2e_window_names | grep -vxF -f "$1")
    [ -n "${2:-}" ] && names=$(printf '%s\n' "$names" | grep -vE -- "$2")
    printf '%s\n' "$names" | sed '/^$/d'
}

# e2e_window_geometry ID: prints "X Y WIDTH HEIGHT" of the window's client area on the screen.
e2e_window_geometry() {
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X:/ {x = $NF} /Absolute upper-left Y:/ {y = $NF}
        /^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF}
        END {if (w != "") print x, y, w, h; else exit 1}'
}

# e2e_screenshot FILE: saves the whole screen as an image (PNG when FILE ends in .png).
e2e_screenshot() {
    timeout 20 import -silent -window root "$1" 2>/dev/null
}

# e2e_pixel FILE X Y: prints the pixel's "R G B", 0..255 each.
e2e_pixel() {
    convert "$1" -crop "1x1+$2+$3" +repage -alpha off -depth 8 txt:- 2>/dev/null |
        sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# e2e_color_near "R G B" "R G B" TOLERANCE: true when every channel differs by at most TOLERANCE.
e2e_color_near() {
    local a b i d
    read -r -a a <<<"$1"
    read -r -a b <<<"$2"
    [ ${#a[@]} -eq 3 ] && [ ${#b[@]} -eq 3 ] || return 1
    for i in 0 1 2; do
        d=$((a[i] - b[i]))
        [ "${d#-}" -le "$3" ] || return 1
    done
}

# e2e_wait_pixel X Y "R G B" TOLERANCE SECONDS: screenshots until the screen pixel matches; prints the last colour seen; 1 on timeout.
e2e_wait_pixel() {
    local shot="$E2E_TMP/wait-pixel.png" seen="" end=$((SECONDS + $5))
    while :; do
        if e2e_screenshot "$shot"; then
            seen=$(e2e_pixel "$shot" "$1" "$2")
            if e2e_color_near "$seen" "$3" "$4"; then
                echo "$seen"
                return 0
            fi
        fi
        [ $SECONDS -ge $end ] && break
        sleep 0.2
    done
    echo "${seen:-none}"
    return 1
}

# e2e_icon_matches WINDOW ICOFILE [SIZE...]: the window manager's icons of
# WINDOW (one per size) are the .ico's images of those sizes, pixel for pixel;
# at least one size, and every SIZE (e.g. 16x16) asked for, is shown. Only the .ico's uncompressed images are compared
# (the PNG-stored ones are the large sizes no title bar shows).
e2e_icon_matches() {
    xprop -id "$1" -notype 32c _NET_WM_ICON 2>/dev/null | python3 -c '
import re, struct, sys
text = sys.stdin.read()
if "=" not in text:
    sys.exit("the window has no icon")
values = [int(v) for v in re.findall(r"\d+", text.split("=", 1)[1])]
shown = {}
i = 0
while i + 2 <= len(values):
    w, h = values[i], values[i + 1]
    shown[(w, h)] = values[i + 2 : i + 2 + w * h]
    i += 2 + w * h
data = open(sys.argv[1], "rb").read()
images = {}
for n in range(struct.unpack_from("<H", data, 4)[0]):
    width, height = [v or 256 for v in data[6 + 16 * n : 8 + 16 * n]]
    offset = struct.unpack_from("<I", data, 6 + 16 * n + 12)[0]
    if data[offset : offset + 4] == b"\x89PNG":
        continue
    header = struct.unpack_from("<I", data, offset)[0]
    pixels = []
    for y in range(height):
        row = offset + header + (height - 1 - y) * width * 4  # the .ico stores rows bottom up
        for x in range(width):
            b, g, r, a = data[row + 4 * x : row + 4 * x + 4]
            pixels.append(a << 24 | r << 16 | g << 8 | b)
    images[(width, height)] = pixels
sizes = lambda keys: " ".join("%dx%d" % k for k in sorted(keys))
common = shown.keys() & images.keys()
if not common:
    sys.exit("the window shows icons of %s, none of the sizes of %s (%s)" % (sizes(shown), sys.argv[1], sizes(images)))
missing = [tuple(map(int, a.split("x"))) for a in sys.argv[2:]]
missing = [k for k in missing if k not in common]
if missing:
    sys.exit("the window shows icons of %s, not of %s from %s" % (sizes(shown), sizes(missing), sys.argv[1]))
wrong = [k for k in common if shown[k] != images[k]]
if wrong:
    sys.exit("the window shows another %s icon than %s" % (sizes(wrong), sys.argv[1]))
' "$2" "${@:3}"
}

# e2e_stage_program PROGRAM DIR: copies the program and the data files the program keeps beside itself into DIR; prints the copy's path.
e2e_stage_program() {
    local src=$1 dir=$2 f
    mkdir -p "$dir" || return 1
    cp "$src" "$dir/" || return 1
    # A private copy keeps the settings the program writes beside itself out of
    # the build tree, and stale settings out of the test.
    for f in font.tga fontsmall.tga font150.tga fontsmall150.tga font200.tga fontsmall200.tga icon-16.ico; do
        [ -f "$(dirname "$src")/$f" ] && cp "$(dirname "$src")/$f" "$dir/"
    done
    echo "$dir/$(basename "$src")"
}

# e2e_color_extent FILE X Y "R G B" TOLERANCE: prints "LEFT RIGHT TOP BOTTOM", the first and last pixels of the run of that colour through (X,Y) along row Y and column X; 1 when (X,Y) does not match.
e2e_color_extent() {
    local file=$1 x=$2 y=$3 size w h row col
    size=$(identify -format '%w %h' "$file" 2>/dev/null) || return 1
    read -r w h <<<"$size"
    row=$(e2e_color_run "$file" "${w}x1+0+$y" 1 "$x" "$4" "$5") || return 1
    col=$(e2e_color_run "$file" "1x${h}+$x+0" 2 "$y" "$4" "$5") || return 1
    echo "$row $col"
}

# e2e_color_run FILE GEOMETRY AXIS INDEX "R G B" TOLERANCE: prints the first and last coordinate (AXIS 1 = x, 2 = y) of the run of that colour through INDEX in the cropped strip; 1 when INDEX does not match.
e2e_color_run() {
    convert "$1" -crop "$2" +repage -alpha off -depth 8 txt:- 2>/dev/null | awk -v axis="$3" -v at="$4" -v want="$5" -v tol="$6" '
        function near(v, w) { return (v - w <= tol && w - v <= tol) }
        BEGIN { split(want, c, " ") }
        /^[0-9]+,[0-9]+:/ {
            split($1, p, "[,:]")
            if (!match($0, /\([0-9]+,[0-9]+,[0-9]+/)) next
            split(substr($0, RSTART + 1, RLENGTH - 1), v, ",")
            n = p[axis] + 0
            ok[n] = near(v[1], c[1]) && near(v[2], c[2]) && near(v[3], c[3])
            if (n > last) last = n
        }
        END {
            if (!ok[at]) exit 1
            for (a = at; a > 0 && ok[a - 1]; a--) {}
            for (b = at; b < last && ok[b + 1]; b++) {}
            print a, b
        }'
}

# e2e_show_output DIR [LINES]: the program's output (DIR/program.out) and log (DIR/bin/orvella.log), for a failed check.
e2e_show_output() {
    echo "--- program output:" >&2
    tail -n 40 "$1/program.out" >&2
    echo "--- program log:" >&2
    tr -d '\r' <"$1/bin/orvella.log" | tail -n "${2:-60}" >&2
}

# Wine's desktop process (explorer.exe /desktop) chooses the graphics driver for
# every program of the prefix. One started without a display (by making the
# prefix, or by a unit test) has none, and while it lives no window can be made.
e2e_displayless_wine_desktop_runs() {
    local p env
    for p in $(pgrep -f 'explorer\.exe'); do
        env=$(tr '\0' '\n' 2>/dev/null <"/proc/$p/environ") || continue
        grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$env" && ! grep -q '^DISPLAY=.' <<<"$env" && return 0
    done
    return 1
}

# e2e_wait_wine_desktop: waits (30 s at most) until no display-less Wine desktop of $WINEPREFIX runs; aborts otherwise.
e2e_wait_wine_desktop() {
    local i
    for ((i = 0; i < 300; i++)); do
        e2e_displayless_wine_desktop_runs || return 0
        sleep 0.1
    done
    e2e_abort "Wine's desktop process without a display still runs after 30 s; windows cannot be made"
}

# e2e_launch_program COMMAND...: starts the staged program (or wine with it)
# in $E2E_TMP/cwd, waits for its window to reach its final size and focuses
# it; sets pid win wx wy ww wh cx cy (the window centre). Aborts when no window
# comes within E2E_WINDOW_WAIT seconds (default 20).
e2e_launch_program() {
    local wait=${E2E_WINDOW_WAIT:-20}
    e2e_start_program "$E2E_TMP/program.out" "$E2E_TMP/cwd" "$@"
    pid=$E2E_LAST_PID
    if ! win=$(e2e_wait_window '^Orvella' "$wait" "$pid"); then
        e2e_show_output "$E2E_TMP"
        e2e_abort "no window titled Orvella... appeared within $wait s"
    fi
    local g geometry="" i
    for ((i = 0; i < 50; i++)); do
        g=$(e2e_window_geometry "$win") || g=""
        [ -n "$g" ] && [ "$g" = "$geometry" ] && break
        geometry=$g
        sleep 0.2
    done
    [ -n "$geometry" ] || e2e_abort "could not read the geometry of window $win"
    read -r wx wy ww wh <<<"$geometry"
    cx=$((wx + ww / 2))
    cy=$((wy + wh / 2))
    echo "window ${ww}x${wh} at ($wx,$wy), centre ($cx,$cy)"
    xdotool windowactivate --sync "$win" >/dev/null 2>&1 || xdotool windowfocus --sync "$win" >/dev/null 2>&1
}

# e2e_tap KEY: holds KEY for a moment. Keys are read as held state once per
# pass of the main loop, so a quick tap could fall between two passes.
e2e_tap() {
    xdotool keydown "$1"
    sleep 0.15
    xdotool keyup "$1"
}

# e2e_expect_pixel STEP X Y "R G B" TOLERANCE [SECONDS]: waits (5 s by
# default) until the screen pixel matches; reports the step either way.
# A script may set E2E_PIXEL_WAIT (seconds) and E2E_FAIL (its own failure
# reporter) for these checks.
e2e_expect_pixel() {
    local seen
    if seen=$(e2e_wait_pixel "$2" "$3" "$4" "$5" "${6:-${E2E_PIXEL_WAIT:-5}}"); then
        echo "$1: ($2,$3) is $seen"
    else
        "${E2E_FAIL:-e2e_fail}" "$1: expected ($2,$3) to be $4 (+-$5), seen $seen"
    fi
}

# e2e_expect_title STEP TITLE: waits (10 s) until the window $win has the title.
e2e_expect_title() {
    local i t=""
    for ((i = 0; i < 50; i++)); do
        t=$(xdotool getwindowname "$win" 2>/dev/null)
        [ "$t" = "$2" ] && { echo "$1: title \"$t\""; return 0; }
        sleep 0.2
    done
    "${E2E_FAIL:-e2e_fail}" "$1: expected the title \"$2\", seen \"$t\""
}

# e2e_use_wine LIBDIR: uses the Wine prefix in WINEPREFIX when set, otherwise
# makes a throwaway one that the exit trap removes; quiets Wine.
e2e_use_wine() {
    E2E_OWN_WINE=false
    trap e2e_stop_own_wine EXIT
    if [ -z "${WINEPREFIX:-}" ]; then
        . "$1/wine.sh"
        E2E_OWN_WINE=true
        start_wine "$E2E_TMP" || e2e_abort "Wine would not start"
    fi
    export WINEDEBUG=${WINEDEBUG--all}
}
e2e_stop_own_wine() {
    e2e_cleanup
    if ${E2E_OWN_WINE:-false}; then stop_wine; fi
}

# ---- Pointer gestures (window positions need wx and wy) ----

# e2e_click X Y: a left click, each step held long enough for a pass to see it.
e2e_click() {
    xdotool mousemove "$1" "$2"
    sleep 0.15
    xdotool mousedown 1
    sleep 0.15
    xdotool mouseup 1
    sleep 0.15
}

# e2e_stroke X0 Y0 X1 Y1 [X2 Y2 ...]: one left-button drag through the
# points, in steps of about 10 pixels.
e2e_stroke() {
    local x=$1 y=$2 nx ny n k
    shift 2
    xdotool mousemove "$x" "$y"
    sleep 0.15
    xdotool mousedown 1
    sleep 0.1
    while [ $# -ge 2 ]; do
        nx=$1 ny=$2
        shift 2
        n=$((nx > x ? nx - x : x - nx))
        k=$((ny > y ? ny - y : y - ny))
        [ "$k" -gt "$n" ] && n=$k
        n=$(((n + 9) / 10))
        [ "$n" -lt 1 ] && n=1
        for ((k = 1; k <= n; k++)); do
            xdotool mousemove $((x + (nx - x) * k / n)) $((y + (ny - y) * k / n))
            sleep 0.03
        done
        x=$nx y=$ny
    done
    sleep 0.1
    xdotool mouseup 1
    sleep 0.1
}

# e2e_with_keys "KEY..." COMMAND...: runs the command while the keys are
# held (keys are read as held state once per pass, so each is held for a few
# passes).
e2e_with_keys() {
    local keys=$1 k
    shift
    for k in $keys; do
        xdotool keydown "$k"
        sleep 0.1
    done
    sleep 0.1
    "$@"
    sleep 0.1
    for k in $keys; do xdotool keyup "$k"; done
    sleep 0.1
}

# e2e_drag X0 Y0 X1 Y1 [STEPS] [REST]: presses at the first point, moves in
# STEPS steps (default 6) to the second, rests there REST seconds (default
# 0.3; the filter dialogs preview after 20 passes of rest) and releases.
e2e_drag() {
    local steps=${5:-6} k
    xdotool mousemove "$1" "$2"
    sleep 0.15
    xdotool mousedown 1
    sleep 0.15
    for ((k = 1; k <= steps; k++)); do
        xdotool mousemove $(($1 + ($3 - $1) * k / steps)) $(($2 + ($4 - $2) * k / steps))
        sleep 0.04
    done
    sleep "${6:-0.3}"
    xdotool mouseup 1
    sleep 0.2
}

# e2e_menu SLOT_X ROW: presses on the menu title whose slot starts SLOT_X
# pixels into the window, drags down to row ROW (17 pixels high, the first
# at y = 17) and releases there: menus act on release.
e2e_menu() {
    local x=$((wx + $1 + 40)) y=$((wy + 17 * $2 + 25)) k
    xdotool mousemove "$x" $((wy + 8))
    sleep 0.2
    xdotool mousedown 1
    sleep 0.2
    for ((k = 1; k <= 5; k++)); do
        xdotool mousemove "$x" $((wy + 8 + (y - wy - 8) * k / 5))
        sleep 0.05
    done
    sleep 0.2
    xdotool mouseup 1
    sleep 0.3
}

# ---- Screen regions and pixels ----
# A script sets E2E_REGION (WIDTHxHEIGHT+X+Y), the part of the screen its
# shots compare; named shots go to E2E_SHOTS (default $E2E_TMP).

# e2e_shot NAME [GEOMETRY]: the region (or GEOMETRY) of the screen now, as NAME.png.
e2e_shot() {
    local whole="$E2E_TMP/whole.png"
    e2e_screenshot "$whole" && convert "$whole" -crop "${2:-$E2E_REGION}" +repage "${E2E_SHOTS:-$E2E_TMP}/$1.png"
}

# e2e_differing A B [FUZZ%]: the number of pixels that differ between two shots.
e2e_differing() {
    local dir=${E2E_SHOTS:-$E2E_TMP}
    compare -metric AE -fuzz "${3:-0}%" "$dir/$1.png" "$dir/$2.png" null: 2>&1 | awk '{print int($1)}'
}

# e2e_expect_region STEP REFERENCE same|changed [ALLOWED] [FUZZ%]: waits
# (E2E_PIXEL_WAIT seconds, default 5) until the region is the reference (at
# most ALLOWED pixels differ, default 0) or differs from it. The shot that
# differed is kept as changed.png; one that failed as failed-REFERENCE.png.
e2e_expect_region() {
    local n="" end=$((SECONDS + ${E2E_PIXEL_WAIT:-5})) allowed=${4:-0} dir=${E2E_SHOTS:-$E2E_TMP}
    while :; do
        if e2e_shot now; then
            n=$(e2e_differing now "$2" "${5:-0}")
            if [ "$3" = same ] && [ -n "$n" ] && [ "$n" -le "$allowed" ]; then
                echo "$1: $n pixels differ from \"$2\""
                return 0
            fi
            if [ "$3" = changed ] && [ -n "$n" ] && [ "$n" -gt 0 ]; then
                echo "$1: $n pixels differ from \"$2\""
                cp "$dir/now.png" "$dir/changed.png"
                return 0
            fi
        fi
        [ $SECONDS -ge $end ] && break
        sleep 0.2
    done
    cp "$dir/now.png" "$dir/failed-$2.png" 2>/dev/null
    "${E2E_FAIL:-e2e_fail}" "$1: expected the region to be $3 against \"$2\", ${n:-?} pixels differ"
    return 1
}

# e2e_wait_passes [SECONDS]: returns once the program has drawn two passes
# after all the input sent so far, so that a change that input makes is on
# screen: the pointer hovers over the "Filters" menu title (the menu bar lies
# over everything) until the title shows highlighted, then goes back to where
# it was until the title shows plain again. Needs wx and wy; 1 on timeout
# (SECONDS each way, default 10).
e2e_wait_passes() {
    local X Y SCREEN WINDOW state title="50x11+$((wx + 445))+$((wy + 3))" n="" end
    eval "$(xdotool getmouselocation --shell)"
    e2e_shot pass-plain "$title" || return 1
    for state in highlighted plain; do
        if [ "$state" = highlighted ]; then xdotool mousemove $((wx + 430)) $((wy + 8)); else xdotool mousemove "$X" "$Y"; fi
        end=$((SECONDS + ${1:-10}))
        while :; do
            sleep 0.1
            e2e_shot pass-now "$title" && n=$(e2e_differing pass-now pass-plain)
            if [ -n "$n" ]; then
                [ "$state" = highlighted ] && [ "$n" -gt 0 ] && break
                [ "$state" = plain ] && [ "$n" -eq 0 ] && break
            fi
            if [ $SECONDS -ge $end ]; then
                echo "e2e: the \"Filters\" title never showed $state (${n:-?} pixels differ from plain)" >&2
                return 1
            fi
        done
    done
}

# e2e_expect_unchanged STEP REFERENCE [ALLOWED] [FUZZ%]: once the program has
# drawn the passes after the input sent so far (e2e_wait_passes), the region
# must be the reference: one comparison, no waiting for it to turn so.
e2e_expect_unchanged() {
    e2e_wait_passes || { "${E2E_FAIL:-e2e_fail}" "$1: the program drew no further passes"; return 1; }
    E2E_PIXEL_WAIT=0 e2e_expect_region "$1" "$2" same "${3:-0}" "${4:-0}"
}

# e2e_expect_pixel_unchanged STEP X Y "R G B" TOLERANCE: as e2e_expect_unchanged, for one pixel.
e2e_expect_pixel_unchanged() {
    e2e_wait_passes || { "${E2E_FAIL:-e2e_fail}" "$1: the program drew no further passes"; return 1; }
    e2e_expect_pixel "$1" "$2" "$3" "$4" "$5" 0
}

# e2e_dark R G B: every channel below 200, as the middle of a black stroke of
# the default soft brush shows over white. How dark exactly depends on how
# many dabs the stroke got, which depends on how fast the program ran.
e2e_dark() { (($1 < 200 && $2 < 200 && $3 < 200)); }

# e2e_expect_pixel_where STEP X Y TEST WHAT: waits (E2E_PIXEL_WAIT seconds,
# default 5) until the command "TEST R G B" accepts the screen pixel; WHAT
# says what was expected when it never does.
e2e_expect_pixel_where() {
    local seen="" shot="$E2E_TMP/pixel-where.png" end=$((SECONDS + ${E2E_PIXEL_WAIT:-5})) r g b
    while :; do
        if e2e_screenshot "$shot"; then
            seen=$(e2e_pixel "$shot" "$2" "$3")
            read -r r g b <<<"$seen"
            if [ -n "${b:-}" ] && "$4" "$r" "$g" "$b"; then
                echo "$1: ($2,$3) is $seen"
                return 0
            fi
        fi
        [ $SECONDS -ge $end ] && break
        sleep 0.2
    done
    "${E2E_FAIL:-e2e_fail}" "$1: expected ($2,$3) $5, seen ${seen:-none}"
    return 1
}

# e2e_wait_log_line FILE LINE SECONDS: waits until the log (CRLF or LF) holds LINE.
e2e_wait_log_line() {
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        tr -d '\r' <"$1" 2>/dev/null | grep -qxF -- "$2" && return 0
        sleep 0.1
    done
    return 1
}
