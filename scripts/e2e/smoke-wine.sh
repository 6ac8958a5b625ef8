#!/usr/bin/env bash
# Smoke test of the Windows build under Wine, on a private X display with a
# window manager:
#  1. started from another directory, the program opens its window maximized
#     with the icon the exe carries (at both the large and the small size), draws the new white canvas in the
#     middle and the clear colour around it up to the window's corner, logs its window's life, and quits with exit
#     code 0 and no question when the window manager asks an unmodified
#     document to close; minimised from maximized and then closed, it keeps
#     the maximized state and the restored placement in config.txt;
#  2. on a display without OpenGL it says "Could not create window" in a box
#     titled ERROR, leaves no window behind, and ends once the box is answered.
# Usage: smoke-wine.sh PROGRAM.exe
# Uses the Wine prefix in WINEPREFIX when set (scripts/test prepares one and
# keeps its server running); otherwise makes a throwaway one.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM.exe"
[ -f "$program" ] || e2e_abort "$program is not a file"
icon="$here/../../resources/orvella.ico"
e2e_require_tools wine wineserver Xvfb openbox wmctrl xdotool xwininfo xprop import convert python3

e2e_init

e2e_use_wine "$here/../lib"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}

# Wine keeps its idea of the screen size for as long as its server runs, and a
# server first used without a display believes in 1024 x 768. A screen of that
# size keeps Wine's maximized window and the X window the same size however
# the server was started.
e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"

# Stages a fresh copy of the program and an empty log file (which
# switches the log on) in DIR/bin, and an empty DIR/cwd to start it from.
stage() {
    mkdir -p "$1/bin" "$1/cwd" && cp "$program" "$1/bin/" && : >"$1/bin/orvella.log"
}

# log_has_in_order LOGFILE LINE...: true when the lines occur in this order (others may lie between).
log_has_in_order() {
    local log=$1
    shift
    # Windows' C runtime ends lines with CR LF.
    tr -d '\r' <"$log" | awk -v want="$(printf '%s\n' "$@")" '
        BEGIN {n = split(want, w, "\n"); i = 1}
        i <= n && $0 == w[i] {i++}
        END {exit !(i > n)}'
}

# The program's lines for creating its window, context and teardown.
creation_lines=(
    "CreateGLWindow: start" "CreateGLWindow: register class" "CreateGLWindow: adjustwindowrect"
    "CreateGLWindow: create window" 'title="Orvella"' "ravel_winx=0" "ravel_winy=0" "width=950"
    "height=650" "CreateGLWindow: dc stuff")
teardown_lines=("release DC" "destroy main window" "unregister main class")

# --- 1. Start, draw, close -------------------------------------------------
run=$E2E_TMP/run
stage "$run" || e2e_abort "could not copy the program into $run"
e2e_window_names >"$E2E_TMP/windows.before"
e2e_wait_wine_desktop
e2e_start_program "$run/program.out" "$run/cwd" wine "$run/bin/$(basename "$program")"
pid=$E2E_LAST_PID

if ! win=$(e2e_wait_window '^Orvella' 60); then
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; echo "the program ended with exit code $?" >&2; }
    boxes=$(e2e_new_window_names "$E2E_TMP/windows.before")
    [ -z "$boxes" ] || echo "windows on the display: $boxes" >&2
    e2e_show_output "$run"
    e2e_abort "no window titled Orvella... appeared within 60 s"
fi

state=$(xprop -id "$win" _NET_WM_STATE 2>/dev/null)
case $state in
    *_NET_WM_STATE_MAXIMIZED_VERT*_NET_WM_STATE_MAXIMIZED_HORZ* | *_NET_WM_STATE_MAXIMIZED_HORZ*_NET_WM_STATE_MAXIMIZED_VERT*) ;;
    *) e2e_fail "with no settings the window must open maximized; its state is: ${state:-unknown}" ;;
esac

if geometry=$(e2e_window_geometry "$win"); then
    read -r wx wy ww wh <<<"$geometry"
    # The new white canvas sits in the middle at 100 %; the far corner of the
    # client area, outside it, shows the grey clear colour: the picture must
    # cover the whole window, not just the size it was created at.
    for spot in "$((wx + ww / 2)) $((wy + wh / 2)) centre 255 255 255 white-canvas" \
        "$((wx + ww - 4)) $((wy + wh - 4)) bottom-right-corner 204 204 204 0.8-grey-clear-colour"; do
        read -r px py where r g b what <<<"$spot"
        if ! seen=$(e2e_wait_pixel "$px" "$py" "$r $g $b" 2 10); then
            e2e_fail "the window's ${where//-/ } ($px,$py) shows RGB $seen, not the ${what//-/ } ($r $g $b, +-2)"
        fi
    done
else
    e2e_fail "could not read the geometry of window $win"
fi

# The exe's own icon resource, not a file beside it; Wine hands the window
# manager the large (32) and the small (16) one, each at its size.
why=$(e2e_icon_matches "$win" "$icon" 16x16 32x32 2>&1) || e2e_fail "$why"

boxes=$(e2e_new_window_names "$E2E_TMP/windows.before" '^(Orvella( .*)?|Default IME)$')
[ -z "$boxes" ] || e2e_fail "unexpected windows after start-up: $boxes"

wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
if e2e_wait_exit "$pid" 15; then
    [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "the program exited with code $E2E_EXIT_CODE after the close request, not 0"
    log_has_in_order "$run/bin/orvella.log" "${creation_lines[@]}" "CreateGLWindow: init gl" "CreateGLWindow: done" \
        "delete OpenGL context" "${teardown_lines[@]}" ||
        e2e_fail "the log lacks the window's creation and teardown lines, in order"
    # Frames are not held to the vertical retrace where the driver lets us choose (Wine's does).
    log_has_in_order "$run/bin/orvella.log" "CreateGLWindow: dc stuff" "CreateGLWindow: swap interval 0" \
        "CreateGLWindow: init gl" || e2e_fail "the log does not show the swap interval set to 0"
else
    boxes=$(e2e_new_window_names "$E2E_TMP/windows.before" '^(Orvella( .*)?|Default IME)$')
    e2e_fail "the program still runs 15 s after the close request${boxes:+; it shows: $boxes} (an unmodified document must close without a question)"
    e2e_stop "$pid"
fi
[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$run"

# --- 1b. Minimised from maximized, then closed --------------------------------
# The settings keep the window maximized and the placement it comes back to
# when restored (950 x 650 at 0, 0 without earlier settings), not the
# maximized rectangle.
failures_before=$E2E_FAILURES
run=$E2E_TMP/minimised
stage "$run" || e2e_abort "could not copy the program into $run"
e2e_start_program "$run/program.out" "$run/cwd" wine "$run/bin/$(basename "$program")"
pid=$E2E_LAST_PID
if win=$(e2e_wait_window '^Orvella' 60); then
    sleep 1
    xdotool windowminimize --sync "$win" || e2e_fail "xdotool could not minimise the window"
    sleep 1
    wmctrl -c Orvella || e2e_fail "wmctrl could not ask the minimised window to close"
    if e2e_wait_exit "$pid" 15; then
        config=$run/bin/config.txt
        for line in "window_maximized 1" "window_width 950" "window_height 650" "window_x 0" "window_y 0"; do
            tr -d '\r' <"$config" 2>/dev/null | grep -qx "$line" ||
                e2e_fail "closed while minimised from maximized, config.txt lacks \"$line\": $(tr -d '\r' <"$config" 2>/dev/null | grep '^window' | tr '\n' ' ')"
        done
    else
        e2e_fail "the minimised program still runs 15 s after the close request"
        e2e_stop "$pid"
    fi
else
    e2e_fail "no window titled Orvella... appeared within 60 s for the minimise check"
fi
[ "$E2E_FAILURES" -eq "$failures_before" ] || e2e_show_output "$run"

# --- 2. No OpenGL on the display --------------------------------------------
failures_before=$E2E_FAILURES
# A second display, started like lib.sh's but without the GLX extension, so
# no pixel format can be chosen.
fdfile=$E2E_TMP/noglx.display
: >"$fdfile"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -extension GLX 3>"$fdfile" >"$E2E_TMP/noglx-xvfb.log" 2>&1 &
e2e_track $!
for ((i = 0; i < 100; i++)); do
    n=$(tr -dc 0-9 <"$fdfile")
    [ -n "$n" ] && break
    sleep 0.1
done
[ -n "$n" ] || { cat "$E2E_TMP/noglx-xvfb.log" >&2; e2e_abort "could not start a display without OpenGL"; }
export DISPLAY=":$n"
openbox --sm-disable >"$E2E_TMP/noglx-openbox.log" 2>&1 &
e2e_track $!
for ((i = 0; i < 100; i++)); do
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.1
done

run=$E2E_TMP/noglx
stage "$run" || e2e_abort "could not copy the program into $run"
e2e_wait_wine_desktop
e2e_start_program "$run/program.out" "$run/cwd" wine "$run/bin/$(basename "$program")"
pid=$E2E_LAST_PID
if box=$(e2e_wait_window '^ERROR$' 60); then
    left=$(e2e_window_names | grep -x 'Orvella.*')
    [ -z "$left" ] || e2e_fail "without OpenGL the window must be gone before the error box; still there: $left"
    xdotool windowfocus --sync "$box" 2>/dev/null
    xdotool key Return
    if e2e_wait_exit "$pid" 15; then
        [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "without OpenGL the program exited with code $E2E_EXIT_CODE, not 0"
    else
        e2e_fail "without OpenGL the program still runs 15 s after its error box was answered"
        e2e_stop "$pid"
    fi
    log_has_in_order "$run/bin/orvella.log" "${creation_lines[@]}" "#### CreateGLWindow: failed to choose pixel format" \
        "${teardown_lines[@]}" ||
        e2e_fail "without OpenGL the log lacks the failed pixel format and the teardown, in order"
    ! tr -d '\r' <"$run/bin/orvella.log" | grep -qx 'CreateGLWindow: done' ||
        e2e_fail "without OpenGL the log says the window was made"
else
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; echo "the program ended with exit code $?" >&2; }
    e2e_fail "without OpenGL no box titled ERROR appeared within 60 s; windows: $(e2e_window_names | tr '\n' ' ')"
fi
[ "$E2E_FAILURES" -eq "$failures_before" ] || e2e_show_output "$run"

e2e_finish
