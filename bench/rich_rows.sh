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

run() {
    label=$1
    shift
    /usr/bin/time -o "$work/t" -f '%e %M' "$@" >/dev/null 2>&1 || true
    awk -v l="$label" '{ printf "%-28s %6.2f s %7.1f MB\n", l, $1, $2 / 1024 }' "$work/t"
}
for script in base listview grid; do
    run "console $script" "$qelscript" --console --virtual-clock --no-system "$work/$script.qel"
    run "offscreen $script" env QT_QPA_PLATFORM=offscreen "$qelscript" --no-system "$work/$script.qel"
done
