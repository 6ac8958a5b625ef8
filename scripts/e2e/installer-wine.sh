#!/usr/bin/env bash
# The Windows installer under Wine. scripts/package-windows builds it; a
# silent install (/S) puts the program's files, and nothing else, in the
# user's own %LOCALAPPDATA%\Programs\Orvella, a Start-menu entry, the .tvl
# and .ora associations (icon and open command), and an uninstall entry;
# the installed exe carries the program's icon as a resource. The installed
# program started with a .tvl, as the association's command does, opens it:
# its title names it, and it writes its settings beside itself. A silent uninstall
# removes the program's files, the entry and the keys, leaves the painter's
# config.txt and pictures in the folder, and leaves another program's .ora
# association as it found it.
# Usage: installer-wine.sh PROGRAM.exe   (the build folder holding it is packed)
# Uses the Wine prefix in WINEPREFIX when set; otherwise makes a throwaway one.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
[ -n "$program" ] || e2e_abort "usage: $0 PROGRAM.exe"
[ -f "$program" ] || e2e_abort "$program is not a file"
e2e_require_tools wine wineserver winepath makensis wrestool identify convert Xvfb openbox wmctrl xdotool
icon="$here/../../resources/orvella.ico"

e2e_init
e2e_use_wine "$here/../lib"
# Wine turns Start-menu entries and associations into Linux desktop entries
# with winemenubuilder: off, and any it writes would stay in the run's folder.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
export XDG_DATA_HOME=$E2E_TMP/data-home

# wine_quiet COMMAND...: a Wine command whose output only matters on failure.
wine_quiet() { timeout 120 wine "$@" </dev/null >"$E2E_TMP/wine.out" 2>&1; }

# classes: HKCU\Software\Classes as lines "KEY|" and "KEY|NAME|DATA", sorted.
classes() {
    timeout 60 wine reg query 'HKCU\Software\Classes' /s </dev/null 2>/dev/null | tr -d '\r' |
        awk -F '    ' '/^HKEY_/ {key = substr($0, length("HKEY_CURRENT_USER\\Software\\Classes\\") + 1); print key "|"; next}
                      NF >= 3 {print key "|" $2 "|" $4}' | LC_ALL=C sort
}

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvella'

# In a shared prefix a failed run must not leave the program installed for the next test.
scrub() {
    if ! ${E2E_OWN_WINE:-true} && [ -n "${inst:-}" ] && [ -d "$inst" ]; then
        for k in Orvella.tvl Orvella.ora .tvl .ora; do wine_quiet reg delete "HKCU\\Software\\Classes\\$k" /f; done
        wine_quiet reg delete "$uninstall_key" /f
        rm -rf "$inst" "$menu/Orvella.lnk"
    fi
    e2e_stop_own_wine
}
trap scrub EXIT

# Every Wine program here starts with the display, so Wine's desktop process
# has one when the program's window comes.
e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"
e2e_wait_wine_desktop

echo "=== building the installer ($SECONDS s)"
setup=$E2E_TMP/orvella-win64-setup.exe
"$here/../package-windows" "$(dirname "$program")" "$E2E_TMP/orvella-win64.zip" "$setup" >/dev/null ||
    e2e_abort "scripts/package-windows failed"

folders=$(timeout 60 wine cmd /c 'echo %LOCALAPPDATA%& echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')
{ read -r local_appdata; read -r appdata; } <<<"$folders"
[ -n "$local_appdata" ] && [ -n "$appdata" ] || e2e_abort "Wine names no LOCALAPPDATA or APPDATA: \"$folders\""
inst_win="$local_appdata\\Programs\\Orvella"
inst=$(winepath -u "$inst_win" 2>/dev/null)
menu="$(winepath -u "$appdata" 2>/dev/null)/Microsoft/Windows/Start Menu/Programs"
[ ! -e "$inst" ] || e2e_abort "$inst already exists before the install"

# Another program holds .ora already: the install must offer itself beside it
# and the uninstall leave it as it was.
wine_quiet reg add 'HKCU\Software\Classes\.ora' /ve /d Other.ora /f || e2e_abort "could not set another .ora program"
classes >"$E2E_TMP/classes.before"

echo "=== silent install ($SECONDS s)"
wine_quiet "$setup" /S || { cat "$E2E_TMP/wine.out"; e2e_abort "the installer exited with code $?"; }
listing=$(cd "$inst" 2>/dev/null && ls | LC_ALL=C sort | tr '\n' ' ')
[ "$listing" = "README.txt Uninstall.exe font.tga font150.tga font200.tga fontsmall.tga fontsmall150.tga fontsmall200.tga orvella.exe " ] ||
    e2e_fail "$inst holds \"$listing\", not the program, its fonts, the read-me and the uninstaller"
cmp -s "$program" "$inst/orvella.exe" || e2e_fail "the installed orvella.exe is not the built one"
[ -f "$menu/Orvella.lnk" ] || e2e_fail "no Start-menu entry $menu/Orvella.lnk"

exe_win="$inst_win\\orvella.exe"
{
    for ext in ora tvl; do
        echo ".$ext|"
        echo ".$ext\\OpenWithProgids|"
        echo ".$ext\\OpenWithProgids|Orvella.$ext|"
        echo "Orvella.$ext|"
        echo "Orvella.$ext\\DefaultIcon|"
        echo "Orvella.$ext\\DefaultIcon|(Default)|$exe_win,0"
        echo "Orvella.$ext\\shell|"
        echo "Orvella.$ext\\shell\\open|"
        echo "Orvella.$ext\\shell\\open\\command|"
        echo "Orvella.$ext\\shell\\open\\command|(Default)|\"$exe_win\" \"%1\""
    done
    echo ".ora|(Default)|Other.ora"
    echo ".tvl|(Default)|Orvella.tvl"
    echo "Orvella.ora|(Default)|OpenRaster picture"
    echo "Orvella.tvl|(Default)|Orvella picture"
} | LC_ALL=C sort >"$E2E_TMP/classes.expected"
classes >"$E2E_TMP/classes.installed"
diff -u "$E2E_TMP/classes.expected" "$E2E_TMP/classes.installed" >"$E2E_TMP/classes.diff" ||
    { cat "$E2E_TMP/classes.diff"; e2e_fail "HKCU\\Software\\Classes after the install is not as expected (diff above)"; }
registered=$(timeout 60 wine reg query "$uninstall_key" /v QuietUninstallString </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *QuietUninstallString *REG_SZ *//p')
[ "$registered" = "\"$inst_win\\Uninstall.exe\" /S" ] || e2e_fail "the uninstall entry's QuietUninstallString is \"$registered\""

echo "=== the icon resource ($SECONDS s)"
# The group icon written back as an .ico holds the same images as the source.
if wrestool -x -t 14 -o "$E2E_TMP/resource.ico" "$inst/orvella.exe" 2>"$E2E_TMP/wrestool.err" && [ -s "$E2E_TMP/resource.ico" ]; then
    images() { identify -format '%wx%h %#\n' "$1" 2>/dev/null | LC_ALL=C sort; }
    [ "$(images "$E2E_TMP/resource.ico")" = "$(images "$icon")" ] ||
        e2e_fail "the exe's icon resource holds $(images "$E2E_TMP/resource.ico" | cut -d' ' -f1 | tr '\n' ' '), not the images of $icon"
else
    e2e_fail "orvella.exe has no icon resource: $(cat "$E2E_TMP/wrestool.err")"
fi

echo "=== opening a .tvl with the installed program ($SECONDS s)"
pictures="$E2E_TMP/my pictures"
mkdir -p "$pictures" "$E2E_TMP/cwd"
convert -size 64x48 xc:'#3060c0' "$E2E_TMP/start.png"
wine_quiet "$inst/orvella.exe" --export "$(winepath -w "$E2E_TMP/start.png")" "$(winepath -w "$pictures/sketch.tvl")" ||
    { cat "$E2E_TMP/wine.out"; e2e_abort "the installed program could not write a .tvl to open"; }
# Explorer runs the association's open command (checked above) with the
# file for %1. Wine's own ShellExecute reads only the machine-wide classes,
# so the command is run here as Explorer would.
e2e_start_program "$E2E_TMP/program.out" "$E2E_TMP/cwd" wine "$inst/orvella.exe" "$(winepath -w "$pictures/sketch.tvl")"
pid=$E2E_LAST_PID
if win=$(e2e_wait_window '^Orvella' 60 "$pid"); then
    e2e_expect_title "opened from the installed path" "Orvella 0.25 - sketch.tvl"
    wmctrl -c Orvella || e2e_fail "wmctrl could not ask the window to close"
    if ! e2e_wait_exit "$pid" 20; then
        e2e_fail "the program still runs 20 s after the close request"
        e2e_stop "$pid"
    fi
    [ -f "$inst/config.txt" ] || e2e_fail "the installed program wrote no config.txt beside itself"
else
    cat "$E2E_TMP/program.out"
    e2e_fail "no Orvella window appeared within 60 s of opening sketch.tvl"
fi
# A picture the painter kept in the program's folder.
cp "$E2E_TMP/start.png" "$inst/my drawing.png"

echo "=== silent uninstall ($SECONDS s)"
# _?= runs the uninstaller in place, so wine returns once it has finished.
wine_quiet "$inst/Uninstall.exe" /S "_?=$inst_win" || { cat "$E2E_TMP/wine.out"; e2e_fail "the uninstaller exited with code $?"; }
# The uninstaller cannot delete itself while it runs in place.
left=$(cd "$inst" 2>/dev/null && ls | grep -vxF Uninstall.exe | LC_ALL=C sort | tr '\n' '|')
[ "$left" = "config.txt|my drawing.png|" ] ||
    e2e_fail "after the uninstall the folder holds \"$left\", not just the painter's config.txt and picture"
[ ! -e "$menu/Orvella.lnk" ] || e2e_fail "the Start-menu entry is still there"
classes >"$E2E_TMP/classes.after"
diff -u "$E2E_TMP/classes.before" "$E2E_TMP/classes.after" >"$E2E_TMP/classes.diff" ||
    { cat "$E2E_TMP/classes.diff"; e2e_fail "the uninstall left HKCU\\Software\\Classes otherwise than it found it (diff above)"; }
wine_quiet reg query "$uninstall_key" && e2e_fail "the uninstall entry is still registered"

echo "=== done ($SECONDS s)"
[ "$E2E_FAILURES" -eq 0 ] || { echo "--- program output:"; tail -n 40 "$E2E_TMP/program.out" 2>/dev/null; } >&2
e2e_finish
