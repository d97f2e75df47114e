#!/bin/sh
# SVG pictures of a drawing, drawn by an independent renderer (rsvg-convert):
# at their own size they are the PNG of the same surface pixel for pixel, and
# enlarged they keep hard pixel edges (every pixel a 3 × 3 block of its
# colour) rather than blurring the lines. Both pictures are compared as
# netpbm's plain pixel maps.
#   svg_outside.sh QELSCRIPT
set -u
qelscript=$1
for tool in rsvg-convert pngtopnm python3; do
    command -v $tool >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/err" 2>/dev/null; exit 1; }

cat >"$work/draw.qel" <<'QEL'
ウィンドウ０の中の大きさは、120,90
色は、赤
「40,3,45」で枝
「5,5」から「60,40」で塗りつぶして円
「100,80」へ青で塗れ
ウィンドウ０を「a.png」に保存
ウィンドウ０を「a.svg」に保存
ウィンドウ０を「大文字.SVG」に保存
QEL
(cd "$work" && "$qelscript" --console --no-system draw.qel >"$work/out" 2>"$work/err") ||
    fail "the script failed"
[ -s "$work/a.svg" ] || fail "no SVG was written"
[ -s "$work/大文字.SVG" ] || fail "the extension was not recognised in capitals"
python3 - "$work/a.svg" <<'PY' || fail "the SVG is not a well-formed document of 120 × 90"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "{http://www.w3.org/2000/svg}svg", root.tag
assert (root.get("width"), root.get("height")) == ("120", "90"), root.attrib
PY
rsvg-convert "$work/a.svg" -o "$work/b.png" 2>"$work/err" || fail "rsvg-convert refused the SVG"
pngtopnm -plain "$work/a.png" >"$work/a.pnm" 2>/dev/null || fail "pngtopnm refused the PNG"
pngtopnm -plain "$work/b.png" >"$work/b.pnm" 2>/dev/null || fail "pngtopnm refused the drawn SVG"
cmp -s "$work/a.pnm" "$work/b.pnm" || fail "the SVG does not show the PNG's pixels"

rsvg-convert -z 3 "$work/a.svg" -o "$work/c.png" 2>"$work/err" || fail "rsvg-convert -z 3 failed"
pngtopnm -plain "$work/c.png" >"$work/c.pnm" 2>/dev/null || fail "pngtopnm refused the enlarged SVG"
python3 - "$work/a.pnm" "$work/c.pnm" <<'PY' || fail "the enlarged SVG is not crisp"
import sys
def read(path):
    words = open(path).read().split()
    w, h = int(words[1]), int(words[2])
    values = list(map(int, words[4:]))
    return w, h, [tuple(values[i:i + 3]) for i in range(0, len(values), 3)]
w, h, small = read(sys.argv[1])
W, H, big = read(sys.argv[2])
assert (W, H) == (3 * w, 3 * h), (W, H)
wrong = sum(1 for y in range(H) for x in range(W) if big[y * W + x] != small[(y // 3) * w + x // 3])
assert wrong == 0, f"{wrong} blurred pixels"
PY

# Unwritable places are errors that leave no file.
cat >"$work/bad.qel" <<'QEL'
ウィンドウ０を「/no/such/folder/a.svg」に保存
「書けなかった」を表示
QEL
(cd "$work" && "$qelscript" --console --no-system bad.qel >"$work/out" 2>&1)
grep -q "203" "$work/out" || { cat "$work/out"; fail "no error 203 for an unwritable place"; }
echo ok
