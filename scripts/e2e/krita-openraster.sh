#!/usr/bin/env bash
# OpenRaster against a real peer, Krita, both ways, on a "Linear RGB"
# document (the profile in which the program blends display values, as
# Krita does). A six-layer picture with every blend mode, partial opacities,
# partly transparent edges, an offset layer and a hidden layer is put
# together here as .ora;
#  1. the program opens it and saves it as .ora and as a flat PNG; Krita
#     exports the program's .ora to PNG, which matches the program's PNG;
#  2. Krita opens the picture and saves it as .ora itself (cropped layers at
#     offsets); the program opens Krita's file with the same layers (count,
#     names, visibility, opacities), and its flat PNG matches the merged
#     picture Krita stored in that file.
# Tolerance: at most 2 levels (of 255) per channel. Krita blends 8-bit
# layers and rounds after each one, with opacities held as n/255; the
# program blends 16-bit samples and rounds once at the end. Five visible
# layers of half-level rounding each can add up to two levels; a wrong
# blend mode, opacity, offset or layer order is tens of levels off.
# Usage: krita-openraster.sh PROGRAM
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

program=${1:-}
[ -f "$program" ] || e2e_abort "usage: $0 PROGRAM"
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
e2e_require_tools krita Xvfb openbox wmctrl convert python3

e2e_init
e2e_start_display 1024x768x24 || e2e_abort "could not start a private X display"
work=$E2E_TMP/work
mkdir -p "$work" || e2e_abort "could not make $work"
cd "$work" || e2e_abort "could not enter $work"

# Krita keeps settings and a resource database in the user's folders: give it
# its own, made afresh here (its first start fills them).
home=$E2E_TMP/krita-home
mkdir -p "$home/run" && chmod 700 "$home/run"
krita_run() {
    env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" \
        XDG_RUNTIME_DIR="$home/run" timeout 400 krita "$@" >>"$E2E_TMP/krita.log" 2>&1
}

# The picture's layers, drawn by ImageMagick; topmost first in stack.xml.
convert -size 64x48 gradient:'#204080-#e0c040' PNG32:bg.png &&
    convert -size 64x48 xc:none -fill '#ff8040' -draw 'circle 20,20 20,4' PNG32:mul.png &&
    convert -size 40x30 xc:none -fill 'rgba(40,200,90,0.6)' -draw 'rectangle 2,2 30,25' PNG32:scr.png &&
    convert -size 64x48 xc:none -fill '#103060' -draw 'ellipse 40,30 18,10 0,360' PNG32:dark.png &&
    convert -size 64x48 xc:none -fill '#c0c0ff' -draw 'polygon 5,40 30,44 20,30' PNG32:light.png &&
    convert -size 64x48 xc:none -fill red -draw 'rectangle 0,20 63,27' PNG32:hid.png ||
    e2e_abort "could not draw the layers"
python3 - <<'PY' || e2e_abort "could not put the .ora together"
import zipfile
stack = '''<?xml version='1.0' encoding='UTF-8'?>
<image version="0.0.5" w="64" h="48"><stack>
<layer name="Hidden bar" src="data/hid.png" visibility="hidden"/>
<layer name="Light shape" src="data/light.png" composite-op="svg:lighten" opacity="0.9"/>
<layer name="Dark oval" src="data/dark.png" composite-op="svg:darken" opacity="0.7"/>
<layer name="Screen box" src="data/scr.png" composite-op="svg:screen" opacity="0.8" x="20" y="12"/>
<layer name="Multiply dot" src="data/mul.png" composite-op="svg:multiply" opacity="0.5"/>
<layer name="Background" src="data/bg.png"/>
</stack></image>'''
with zipfile.ZipFile('picture.ora', 'w') as z:
    z.writestr(zipfile.ZipInfo('mimetype'), 'image/openraster', compress_type=zipfile.ZIP_STORED)
    z.writestr('stack.xml', stack, compress_type=zipfile.ZIP_DEFLATED)
    for name in ['hid', 'light', 'dark', 'scr', 'mul', 'bg']:
        z.write(name + '.png', 'data/' + name + '.png')
PY

# compare_pictures A B: prints the largest channel difference, or "size" when
# the pictures differ in size; alpha is left out (both are opaque pictures).
compare_pictures() {
    python3 - "$1" "$2" <<'PY'
import subprocess, sys
def pixels(path):
    size = subprocess.run(['identify', '-format', '%wx%h', path], capture_output=True, text=True).stdout
    data = subprocess.run(['convert', path, '-alpha', 'off', '-depth', '8', 'rgb:-'], capture_output=True).stdout
    return size, data
(sa, a), (sb, b) = pixels(sys.argv[1]), pixels(sys.argv[2])
print('size' if sa != sb or len(a) != len(b) or not a else max(abs(x - y) for x, y in zip(a, b)))
PY
}

# The layers of an .ora as "name|visibility|opacity in 255ths" lines, topmost first.
layers_of() {
    python3 - "$1" <<'PY'
import sys, zipfile, xml.etree.ElementTree as ET
root = ET.fromstring(zipfile.ZipFile(sys.argv[1]).read('stack.xml'))
for layer in root.iter('layer'):
    print('%s|%s|%d' % (layer.get('name'), layer.get('visibility', 'visible'), round(float(layer.get('opacity', '1')) * 255)))
PY
}

# 1. The program's .ora, read by Krita.
"$program" --export picture.ora ours.ora && "$program" --export picture.ora ours.png ||
    e2e_abort "the program could not convert the picture"
start=$(date +%s)
krita_run ours.ora --export --export-filename krita-of-ours.png || e2e_fail "Krita could not export the program's .ora"
echo "Krita export of the program's .ora: $(($(date +%s) - start)) s (the first start fills its database)"
difference=$(compare_pictures ours.png krita-of-ours.png)
echo "program's flat PNG against Krita's export of its .ora: $difference"
[[ $difference =~ ^[0-9]+$ ]] && [ "$difference" -le 2 ] ||
    e2e_fail "Krita shows the program's .ora differently: largest difference $difference (2 allowed)"

# 2. Krita's .ora, read by the program.
start=$(date +%s)
krita_run picture.ora --export --export-filename krita.ora || e2e_fail "Krita could not save the picture as .ora"
echo "Krita save as .ora: $(($(date +%s) - start)) s"
[ -s krita.ora ] || e2e_abort "Krita wrote no .ora"
"$program" --export krita.ora mine.ora && "$program" --export krita.ora mine.png ||
    e2e_abort "the program could not open Krita's .ora"
expected=$(layers_of krita.ora)
[ "$(echo "$expected" | wc -l)" -eq 6 ] || e2e_fail "Krita's file does not hold the six layers: $expected"
[ "$(layers_of mine.ora)" = "$expected" ] ||
    e2e_fail "the layers differ; Krita's file: $expected; as the program read it: $(layers_of mine.ora)"
python3 -c 'import sys, zipfile; open("krita-merged.png", "wb").write(zipfile.ZipFile("krita.ora").read("mergedimage.png"))' ||
    e2e_fail "Krita's file has no merged picture"
difference=$(compare_pictures krita-merged.png mine.png)
echo "program's flat PNG of Krita's .ora against Krita's merged picture: $difference"
[[ $difference =~ ^[0-9]+$ ]] && [ "$difference" -le 2 ] ||
    e2e_fail "the program shows Krita's .ora differently: largest difference $difference (2 allowed)"

e2e_finish
