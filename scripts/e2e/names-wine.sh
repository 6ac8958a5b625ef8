#!/usr/bin/env bash
# File names in any script with the Windows build under Wine. On a Western
# system (code page 1252): Save As through the real dialog as "эскиз.tvl",
# "草稿.png" and "skizze-ä.tvl" writes exactly those files (and nothing else),
# the title names each, Open reopens them, and each opens from the command
# line. Under a Russian locale (code page 1251, where "ä" has only the
# look-alike "a"): Save As "skizze-ä.tvl" beside an existing "skizze-a.tvl"
# writes the new file and leaves the other as it was, and a program kept in a
# folder named "程序" writes its settings beside itself.
# Usage: names-wine.sh PROGRAM.exe
# Uses the Wine prefix in WINEPREFIX when set; otherwise makes a throwaway one.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM.exe"
[ -f "$program" ] || e2e_abort "$program is not a file"
e2e_require_tools wine wineserver Xvfb openbox wmctrl xdotool xclip xwininfo identify convert localedef cmp

e2e_init
# The Russian locale from the system's locale sources, into the run's own
# folder: no root needed, nothing changed on the machine.
export LOCPATH=$E2E_TMP/locale
mkdir -p "$LOCPATH"
localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" >"$E2E_TMP/localedef.log" 2>&1 ||
    { cat "$E2E_TMP/localedef.log"; e2e_abort "could not build the ru_RU.UTF-8 locale (package locales)"; }
western=C.UTF-8
russian=ru_RU.UTF-8
export LC_ALL=$western LANG=$western

e2e_use_wine "$here/../lib"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES-mscoree,mshtml=}
E2E_PLAIN_WM=1 e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"

run=$E2E_TMP
mkdir -p "$run/cwd" "$run/art" "$run/ru" || e2e_abort "could not make the run's folders"
exe=$(e2e_stage_program "$program" "$run/bin") || e2e_abort "could not stage the program"
# An existing orvella.log beside the program switches its log on: shown when a check fails.
: >"$run/bin/orvella.log"
sketch="эскиз.tvl"
draft="草稿.png"
umlaut="skizze-ä.tvl"
lookalike="skizze-a.tvl"
prefix="Orvella 0.25 - "
# Wine shows the Linux file system as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# no_error_box STEP: fails (and answers) when the program shows its "Error" box.
no_error_box() {
    if e2e_window_names | grep -qxF Error; then
        e2e_fail "$1: the program showed a message box titled Error"
        local box
        box=$(e2e_wait_window '^Error$' 2) && xdotool windowactivate --sync "$box" >/dev/null 2>&1 && xdotool key Return
    fi
}

# enter_name TEXT: puts TEXT into the focused field as a user pasting it
# would. Typing it with xdotool loses characters beyond ASCII under Wine
# (each one remaps a key, which Wine can read after the mapping is undone).
enter_name() {
    printf '%s' "$1" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
    e2e_track $!
    sleep 0.3
    xdotool key ctrl+v
}

# in_dialog TITLE PATH: waits for the common dialog TITLE and types PATH into it.
in_dialog() {
    local box
    if ! box=$(e2e_wait_window "^$1\$" 20); then
        e2e_fail "no \"$1\" dialog appeared"
        return 1
    fi
    xdotool windowactivate --sync "$box" >/dev/null 2>&1
    sleep 0.5
    enter_name "$(winpath "$2")"
    sleep 0.3
    xdotool key Return
}

# to_window: gives the main window the keyboard back (a closing dialog may
# not have yet).
to_window() {
    xdotool windowactivate --sync "$win" >/dev/null 2>&1 || xdotool windowfocus --sync "$win" >/dev/null 2>&1
    sleep 0.3
}

# save_as FOLDER NAME: Save As (Ctrl+Shift+S) into FOLDER under NAME; waits for the title to name it.
save_as() {
    to_window
    e2e_with_keys "ctrl shift" e2e_tap s
    in_dialog "Save As" "$1/$2" || return 1
    e2e_expect_title "saved as $2" "$prefix$2"
    no_error_box "saving $2"
}

# open_file FOLDER NAME: Open (Ctrl+O) FOLDER/NAME; waits for the title to name it.
open_file() {
    to_window
    e2e_with_keys ctrl e2e_tap o
    in_dialog "Open" "$1/$2" || return 1
    e2e_expect_title "opened $2" "$prefix$2"
    no_error_box "opening $2"
}

# close_program: asks the window to close and waits for the program to end.
close_program() {
    wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
    if ! e2e_wait_exit "$pid" 20; then
        e2e_fail "the program still runs 20 s after the close request"
        e2e_stop "$pid"
    fi
}

# paint: a stroke across the middle of the window.
paint() {
    e2e_stroke $((cx - 150)) "$cy" $((cx + 150)) "$cy"
    xdotool mousemove $((cx - 300)) $((cy + 200))
    e2e_expect_title "painted" "${prefix}New image *"
}

e2e_wait_wine_desktop
echo "=== a Western system (code page 1252) ($SECONDS s)"
e2e_launch_program wine "$exe"
paint
for name in "$sketch" "$draft" "$umlaut"; do save_as "$run/art" "$name"; done
kind=$(identify -format '%m' "$run/art/$draft" 2>/dev/null)
[ "$kind" = PNG ] || e2e_fail "\"$draft\" is \"$kind\", not a PNG"
listed=$(cd "$run/art" && ls -A | sort | tr '\n' '|')
expected=$(printf '%s\n' "$sketch" "$draft" "$umlaut" | sort | tr '\n' '|')
[ "$listed" = "$expected" ] || e2e_fail "the folder holds \"$listed\", not just \"$expected\""
for name in "$sketch" "$draft" "$umlaut"; do open_file "$run/art" "$name"; done
close_program

# The third name opens from the command line under the Russian locale below.
for name in "$sketch" "$umlaut"; do
    echo "--- command line: $name ($SECONDS s)"
    e2e_launch_program wine "$exe" "$(winpath "$run/art/$name")"
    e2e_expect_title "started with $name" "$prefix$name"
    no_error_box "starting with $name"
    close_program
done

echo "=== a Russian system (code page 1251) ($SECONDS s)"
export LC_ALL=$russian LANG=$russian
# Files of its own, so this part shows its result whatever happened above.
printf 'the other file\n' >"$run/other" && cp "$run/other" "$run/ru/$lookalike" &&
    convert -size 64x48 xc:white "$run/ru/$draft" ||
    e2e_abort "could not place the Russian part's files"
# The program itself in a folder whose name no code page here holds: it
# must still find itself, and so write its settings beside itself.
home="$run/ru/程序"
exe_ru=$(e2e_stage_program "$program" "$home") || e2e_abort "could not stage the program in $home"
e2e_launch_program wine "$exe_ru" "$(winpath "$run/ru/$draft")"
e2e_expect_title "started with $draft" "$prefix$draft"
no_error_box "starting with $draft"
save_as "$run/ru" "$umlaut"
[ -s "$run/ru/$umlaut" ] || e2e_fail "Save As \"$umlaut\" wrote no such file"
cmp -s "$run/other" "$run/ru/$lookalike" || e2e_fail "Save As \"$umlaut\" changed the other file \"$lookalike\""
close_program
[ -f "$home/config.txt" ] || e2e_fail "the program in \"$home\" wrote no config.txt beside itself"

echo "=== done ($SECONDS s)"
[ "$E2E_FAILURES" -eq 0 ] || e2e_show_output "$run"
e2e_finish
