#!/bin/sh
# A list view and a grid each filled with 100,000 rows from a script, on the
# virtual widgets (console) and on Qt offscreen: seconds and peak memory.
#   bench/rich_rows.sh [path/to/qelscript]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qelscript=$(realpath "${1:-$here/../build/qelscript}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_RUNTIME_DIR="$work"
chmod 700 "$work"

# $1: the kind word; $2: the statements before the loop.
fill() {
    cat <<QEL
「ウィンドウ1」を作る
「$1」を作る
$2
Iに1から100000まで繰り返
　「$1」に「行［I］,［I］」を追加
繰り返し終わり
QEL
}
fill リストビュー1 "リストビュー1の見た目は、「詳細」" >"$work/listview.qel"
fill 表1 "" >"$work/grid.qel"
fill ボタン1 "" | sed 's/「ボタン1」に.*/Ｘは、I/' >"$work/base.qel"
# The list view again, each row showing a 32 × 32 picture of its image list.
python3 -c '
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
raw = b"".join(b"\0" + b"\xff\0\0" * 32 for _ in range(32))
sys.stdout.buffer.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 32, 32, 8, 2, 0, 0, 0))
                        + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))' >"$work/red.png"
fill リストビュー1 "「リストビュー1の大きい絵」に「red.png」を追加" |
    sed 's/^\(　「リストビュー1」に.*\)$/\1\n　リストビュー1の［I］番目の大きいアイコンは、1/' >"$work/icons.qel"

run() {
    label=$1
    shift
    /usr/bin/time -o "$work/t" -f '%e %M' "$@" >/dev/null 2>&1 || true
    awk -v l="$label" '{ printf "%-28s %6.2f s %7.1f MB\n", l, $1, $2 / 1024 }' "$work/t"
}
for script in base listview icons grid; do
    run "console $script" "$qelscript" --console --virtual-clock --no-system "$work/$script.qel"
    run "offscreen $script" env QT_QPA_PLATFORM=offscreen "$qelscript" --no-system "$work/$script.qel"
done
