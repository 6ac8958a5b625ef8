#!/usr/bin/env bash
# The Linux package as a user gets it: scripts/package-linux packages the
# tested build; lintian, desktop-file-validate and appstreamcli find nothing
# wrong with it; apt-get installs it; the installed /usr/bin/orvella converts
# a .tvl to PNG, its thumbnailer entry writes a thumbnail, the desktop's
# databases know the .tvl type and the menu entry, and the menu entry's
# command opens a .tvl under Xvfb with the fonts and icon from
# /usr/share/orvella (its menu bar drawn as the build folder's program draws
# it), keeping the settings in the user's folder, not beside the program;
# purging the package leaves none of its files, directories or database
# entries behind.
#
# It installs a package system-wide, so it needs root (or sudo without a
# password; otherwise it is skipped, exit 77), refuses to run while a
# package named orvella is installed, and removes the package again however
# it ends.
# Usage: package-linux.sh PROGRAM   (PROGRAM in the build folder to package)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
[ -x "$program" ] || e2e_abort "usage: $0 PROGRAM"
build=$(cd "$(dirname "$program")" && pwd)
program=$build/$(basename "$program")
e2e_require_tools dpkg-deb dpkg-query apt-get lintian desktop-file-validate appstreamcli \
    Xvfb openbox wmctrl xdotool xprop import convert compare identify python3

root=()
if [ "$(id -u)" -ne 0 ]; then
    sudo -n true 2>/dev/null || { echo "SKIP: installing a package needs root or sudo without a password"; exit 77; }
    root=(sudo -n)
fi
installed() { [ "$(dpkg-query -W -f='${Status}' orvella 2>/dev/null)" = "install ok installed" ]; }
installed && e2e_abort "a package named orvella is installed already; this check would replace it (apt-get remove --purge orvella first)"

apt=("${root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300)
e2e_init
# Whatever happens, the package does not outlive the check.
purge_if_installed() {
    installed && "${apt[@]}" remove --purge orvella >"$E2E_TMP/purge-at-exit.log" 2>&1
    e2e_cleanup
}
trap purge_if_installed EXIT

# ---- The package and its files, before installing
# apt reads a local .deb as its own unprivileged user: the folder must let it.
debs=$E2E_TMP/debs
mkdir -p "$debs" && chmod 755 "$E2E_TMP" "$debs"
deb=$("$here/../package-linux" --from "$build" "$debs" 2>"$E2E_TMP/package.log") ||
    { cat "$E2E_TMP/package.log" >&2; e2e_abort "scripts/package-linux failed"; }
[[ $(basename "$deb") =~ ^orvella_[0-9.]+_amd64\.deb$ ]] || e2e_fail "the package is named $(basename "$deb"), not orvella_VERSION_amd64.deb"
version=$(dpkg-deb -f "$deb" Version)
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KB, depends on: $(dpkg-deb -f "$deb" Depends)"

if ! lintian --fail-on error,warning "$deb" >"$E2E_TMP/lintian.log" 2>&1; then
    cat "$E2E_TMP/lintian.log" >&2
    e2e_fail "lintian found errors or warnings"
fi
tree=$E2E_TMP/tree
dpkg-deb -x "$deb" "$tree" || e2e_abort "could not unpack $deb"
desktop-file-validate "$tree/usr/share/applications/orvella.desktop" >"$E2E_TMP/desktop.log" 2>&1 &&
    [ ! -s "$E2E_TMP/desktop.log" ] || { cat "$E2E_TMP/desktop.log" >&2; e2e_fail "desktop-file-validate found problems"; }
# The metainfo file with the desktop entry it launches (which validate-tree
# checks exists); with no network the check of its URLs is left out.
appstreamcli validate-tree --no-net "$tree" >"$E2E_TMP/appstream.log" 2>&1 ||
    { cat "$E2E_TMP/appstream.log" >&2; e2e_fail "appstreamcli validate-tree found problems"; }
# The version is kept in four places besides the build: they move together.
metainfo_version=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$tree"/usr/share/metainfo/*.metainfo.xml | head -n 1)
changelog_version=$(zcat "$tree/usr/share/doc/orvella/changelog.gz" | sed -n '1s/^orvella (\([^)]*\)).*/\1/p')
manual_version=$(zcat "$tree/usr/share/man/man1/orvella.1.gz" | sed -n 's/^\.TH .* "Orvella \([^"]*\)".*/\1/p')
[ "$metainfo_version" = "$version" ] && [ "$changelog_version" = "$version" ] && [ "$manual_version" = "$version" ] ||
    e2e_fail "version $version, but the metainfo's newest release is '$metainfo_version', the changelog's '$changelog_version' and the manual page's '$manual_version'"

# ---- Installed
"${apt[@]}" install "$deb" >"$E2E_TMP/install.log" 2>&1 || { tail -n 30 "$E2E_TMP/install.log" >&2; e2e_abort "apt-get install $deb failed"; }
installed || e2e_abort "apt-get install succeeded, yet dpkg does not list orvella as installed"
dpkg-query -L orvella >"$E2E_TMP/paths" || e2e_abort "dpkg -L orvella failed"
[ "$(command -v orvella)" = /usr/bin/orvella ] || e2e_fail "orvella on the PATH is '$(command -v orvella)', not /usr/bin/orvella"

work=$E2E_TMP/work
mkdir -p "$work" && cd "$work" || e2e_abort "could not make $work"
convert -size 120x80 gradient:red-blue -fill white -draw 'rectangle 10,10 40,30' "PNG24:start.png" ||
    e2e_abort "could not make the start picture"
env -u DISPLAY /usr/bin/orvella --export start.png picture.tvl >"$E2E_TMP/export.log" 2>&1 &&
    env -u DISPLAY /usr/bin/orvella --export picture.tvl back.png >>"$E2E_TMP/export.log" 2>&1 ||
    { cat "$E2E_TMP/export.log" >&2; e2e_fail "/usr/bin/orvella --export failed"; }
n=$(compare -metric AE start.png back.png null: 2>&1)
[ "$n" = 0 ] || e2e_fail "the PNG through the installed program's .tvl differs in $n pixels"

# The thumbnailer entry as a file manager runs it: Exec with %i %o %s filled in.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/thumbnailers/orvella.thumbnailer)
thumb_command=${exec_line//%i/$work/picture.tvl}
thumb_command=${thumb_command//%o/$work/thumb.png}
thumb_command=${thumb_command//%s/64}
# shellcheck disable=SC2086  # the command is words, as the file manager splits it
env -u DISPLAY $thumb_command >"$E2E_TMP/thumb.log" 2>&1 || { cat "$E2E_TMP/thumb.log" >&2; e2e_fail "the thumbnailer command '$thumb_command' failed"; }
[ "$(identify -format '%m %wx%h' thumb.png 2>/dev/null)" = "PNG 64x43" ] ||
    e2e_fail "the thumbnailer wrote $(identify -format '%m %wx%h' thumb.png 2>&1), not a 64x43 PNG"

# The desktop's databases took the package's files in (dpkg's triggers).
grep -qxF 'image/x-orvella-tvl' /usr/share/mime/types 2>/dev/null && grep -q ':image/x-orvella-tvl:\*\.tvl$' /usr/share/mime/globs2 ||
    e2e_fail "the shared MIME database does not know .tvl files as image/x-orvella-tvl"
grep -q '^image/x-orvella-tvl=.*orvella\.desktop' /usr/share/applications/mimeinfo.cache 2>/dev/null ||
    e2e_fail "the desktop's MIME cache does not name orvella.desktop for .tvl files"

# Opening a .tvl from elsewhere: the build folder's program (fonts beside
# it) first, then the installed one as the desktop does, by the menu entry's
# Exec line with %f filled in; both draw the same menu bar, which holds text.
# The installed program's log is switched on by the file in the user's
# folder, where it also keeps its settings.
e2e_start_display || e2e_abort "could not start a private X display"
mkdir -p "$E2E_TMP/cwd" "$XDG_CONFIG_HOME/orvella"
: >"$XDG_CONFIG_HOME/orvella/orvella.log"
staged=$(e2e_stage_program "$program" "$E2E_TMP/bin") || e2e_abort "could not copy $program"
: >"$E2E_TMP/bin/orvella.log"
show_installed_output() {
    echo "--- program output:" >&2
    tail -n 40 "$E2E_TMP/program.out" >&2
    echo "--- program log:" >&2
    tail -n 60 "$XDG_CONFIG_HOME/orvella/orvella.log" >&2
}
close_program() {
    wmctrl -c Orvella || e2e_fail "wmctrl could not ask $1 to close"
    e2e_wait_exit "$pid" 10 && [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "$1 did not end with exit code 0 after a close request"
}

e2e_launch_program "$staged" "$work/picture.tvl"
e2e_wait_passes || e2e_fail "the build folder's program drew no passes"
e2e_shot menu-build "${ww}x17+$wx+$wy" || e2e_fail "no screenshot of the build folder's program"
close_program "the build folder's program"

stray_before=false
[ -e /usr/bin/config.txt ] && stray_before=true
desktop_exec=$(sed -n 's/^Exec=//p' /usr/share/applications/orvella.desktop)
# shellcheck disable=SC2086  # the command is words, as the desktop splits it
e2e_launch_program ${desktop_exec//%f/$work/picture.tvl}
e2e_expect_title "the menu entry's command opened the picture" "Orvella $version - picture.tvl"
e2e_wait_log_line "$XDG_CONFIG_HOME/orvella/orvella.log" "enter message loop ------------ USAGE START" 20 ||
    e2e_fail "the installed program wrote no log line of its main loop to \$XDG_CONFIG_HOME/orvella/orvella.log"
e2e_wait_passes || e2e_fail "the installed program drew no passes"
e2e_shot menu-installed "${ww}x17+$wx+$wy" || e2e_fail "no screenshot of the installed program"
why=$(e2e_icon_matches "$win" /usr/share/orvella/icon-16.ico 2>&1) || e2e_fail "the installed program's window icon: $why"
close_program "the installed program"
# The menu bar's text: dark pixels inside its frame, on its light grey
# gradient: about 700 with the fonts, 65 without them (a mark near its
# right end is drawn without text).
inked=$(convert "$E2E_TMP/menu-installed.png" -crop "$((ww - 4))x13+2+2" +repage -alpha off -depth 8 txt:- |
    awk -F'[(),]' 'NR > 1 && $3 < 100 && $4 < 100 && $5 < 100 {n++} END {print n + 0}')
[ "${inked:-0}" -ge 200 ] || e2e_fail "the installed program's menu bar holds ${inked:-no} dark pixels: no text was drawn (fonts not found?)"
n=$(e2e_differing menu-build menu-installed)
[ "$n" = 0 ] || e2e_fail "the installed program's menu bar differs from the build folder's in ${n:-?} pixels"
[ -s "$XDG_CONFIG_HOME/orvella/config.txt" ] || e2e_fail "the installed program kept no settings in \$XDG_CONFIG_HOME/orvella/config.txt"
if ! $stray_before && [ -e /usr/bin/config.txt ]; then
    e2e_fail "the installed program wrote /usr/bin/config.txt beside itself"
    "${root[@]}" rm -f /usr/bin/config.txt
fi
[ "$E2E_FAILURES" -eq 0 ] || show_installed_output
cd "$E2E_TMP" || e2e_abort "could not leave $work"

# ---- Purged
"${apt[@]}" remove --purge orvella >"$E2E_TMP/remove.log" 2>&1 || { tail -n 30 "$E2E_TMP/remove.log" >&2; e2e_fail "apt-get remove --purge orvella failed"; }
installed && e2e_fail "orvella is still installed after apt-get remove --purge"
# Every file is gone; a directory may stay only while another package owns
# it or it holds others' files.
while IFS= read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    if [ -d "$path" ] && ! [ -L "$path" ]; then
        [ -n "$(ls -A "$path")" ] || dpkg-query -S "$path" >/dev/null 2>&1 || e2e_fail "the empty directory $path was left behind"
    else
        e2e_fail "$path was left behind"
    fi
done <"$E2E_TMP/paths"
grep -q 'orvella' /usr/share/mime/types /usr/share/mime/globs2 2>/dev/null && e2e_fail "the shared MIME database still knows the .tvl type"
grep -q 'orvella\.desktop' /usr/share/applications/mimeinfo.cache 2>/dev/null && e2e_fail "the desktop's MIME cache still names orvella.desktop"

e2e_finish
