#!/usr/bin/env bash
# The command line without a window: --help and --version answer, unknown
# options and wrong arguments are refused with one line on standard error,
# --export converts between the formats (a PNG comes back unchanged through
# the layered format and OpenRaster), --thumbnail writes a PNG of the asked size, and a
# failed conversion leaves the target as it was. Natively it runs with no X
# display at all, so opening a window would fail; the Windows build runs
# under Wine from the same folder.
# Usage: command-line.sh native|wine PROGRAM
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

mode=${1:-}
program=${2:-}
case $mode in native | wine) ;; *) e2e_abort "usage: $0 native|wine PROGRAM" ;; esac
[ -f "$program" ] || e2e_abort "$program is not a file"
e2e_require_tools convert identify compare

e2e_init
work=$E2E_TMP/work
mkdir -p "$work" && cp "$program" "$work/" || e2e_abort "could not stage the program"
exe=$work/$(basename "$program")
if [ "$mode" = wine ]; then
    e2e_require_tools wine wineserver
    e2e_use_wine "$here/../lib"
fi

# run ARG...: runs the program in the work folder with no display; sets rc,
# and out and err to what it wrote.
run() {
    if [ "$mode" = wine ]; then
        (cd "$work" && env -u DISPLAY timeout 120 wine "$exe" "$@" >"$E2E_TMP/out" 2>"$E2E_TMP/err")
    else
        (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$exe" "$@" >"$E2E_TMP/out" 2>"$E2E_TMP/err")
    fi
    rc=$?
    out=$(cat "$E2E_TMP/out")
    err=$(cat "$E2E_TMP/err")
}

# expect_refusal RC ARG...: the exit code is RC and stderr is one line beginning "orvella: ".
expect_refusal() {
    local want=$1
    shift
    run "$@"
    [ "$rc" -eq "$want" ] || e2e_fail "'$*' exited with $rc, not $want"
    [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] && [[ $err == "orvella: "* ]] ||
        e2e_fail "'$*' wrote this to stderr, not one line: $err"
}

run --help
[ "$rc" -eq 0 ] && [[ $out == *"--export IN OUT"* ]] || e2e_fail "--help: exit $rc, output: $out $err"
run --version
[ "$rc" -eq 0 ] && [[ $out == "Orvella "[0-9]* ]] || e2e_fail "--version: exit $rc, output: $out $err"
expect_refusal 2 --no-such-option
expect_refusal 2 --export only-one.png
expect_refusal 2 picture.png --export
expect_refusal 2 --thumbnail a.tvl t.png big

# A picture with distinct colours, through the layered format and back.
convert -size 300x200 gradient:red-blue -fill white -draw 'rectangle 20,20 80,60' "PNG24:$work/start.png" ||
    e2e_abort "could not make the start picture"
run --export start.png layered.tvl
[ "$rc" -eq 0 ] && [ -s "$work/layered.tvl" ] || e2e_fail "PNG to .tvl: exit $rc: $err"
run --export layered.tvl back.png
[ "$rc" -eq 0 ] || e2e_fail ".tvl to PNG: exit $rc: $err"
diff_pixels=$(compare -metric AE "$work/start.png" "$work/back.png" null: 2>&1)
[ "$diff_pixels" = 0 ] || e2e_fail "PNG through .tvl changed $diff_pixels pixels"
# On through OpenRaster and back: the picture stays the same.
run --export layered.tvl layered.ora
[ "$rc" -eq 0 ] && [ "$(head -c 54 "$work/layered.ora" | tail -c 16)" = image/openraster ] ||
    e2e_fail ".tvl to .ora: exit $rc: $err"
run --export layered.ora from-ora.tvl
[ "$rc" -eq 0 ] || e2e_fail ".ora to .tvl: exit $rc: $err"
run --export from-ora.tvl from-ora.png
diff_pixels=$(compare -metric AE "$work/start.png" "$work/from-ora.png" null: 2>&1)
[ "$rc" -eq 0 ] && [ "$diff_pixels" = 0 ] || e2e_fail "PNG through .ora: exit $rc, $diff_pixels pixels changed: $err"
run --thumbnail layered.ora thumb-ora.png 100
size=$(identify -format '%wx%h' "$work/thumb-ora.png" 2>/dev/null)
[ "$rc" -eq 0 ] && [ "$size" = 100x67 ] || e2e_fail "--thumbnail of .ora: exit $rc, made '$size': $err"
run --export layered.tvl flat.jpg
[ "$rc" -eq 0 ] && [ "$(identify -format '%m %wx%h' "$work/flat.jpg" 2>/dev/null)" = "JPEG 300x200" ] ||
    e2e_fail ".tvl to JPEG: exit $rc: $err"

run --thumbnail layered.tvl thumb.png 128
size=$(identify -format '%m %wx%h' "$work/thumb.png" 2>/dev/null)
[ "$rc" -eq 0 ] && [ "$size" = "PNG 128x85" ] || e2e_fail "--thumbnail: exit $rc, made '$size': $err"

# Failures leave the target as it was.
echo keep >"$work/kept.png"
expect_refusal 1 --export missing.tvl kept.png
printf 'not a picture' >"$work/broken.tvl"
expect_refusal 1 --export broken.tvl kept.png
expect_refusal 1 --thumbnail broken.tvl kept.png 64
[ "$(cat "$work/kept.png")" = keep ] || e2e_fail "a failed conversion changed its target"
expect_refusal 1 --export start.png picture.xyz
[ -e "$work/picture.xyz" ] && e2e_fail "a refused format was written"

e2e_finish
