#!/bin/sh
# Script windows and controls: the cost of a property access, the memory of
# a control, and what an idle 待機 with a window open costs.
#   bench/ui_properties.sh [path/to/qelscript]
# Each figure comes from whole runs compared with a run that does all but
# the thing measured, so start-up, parsing and the loop itself drop out.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qelscript=$(realpath "${1:-$here/../build/qelscript}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_RUNTIME_DIR="$work"
chmod 700 "$work"

# $1: what each pass does besides naming the button.
accesses() {
    cat <<QEL
「ウィンドウ1」を作る
Iに1から1000まで繰り返
　「ボタン［I］」を作る
繰り返し終わり
Jに1から100まで繰り返
　Iに1から1000まで繰り返
　　「ボタン［I］」を使う
$1
　繰り返し終わり
繰り返し終わり
QEL
}
accesses "" >"$work/base.qel"
accesses "　　それの幅は、J
　　Ｗは、それの幅" >"$work/full.qel"

# $1 label; the rest: the command. Prints the median user+sys seconds of 3 runs.
seconds() {
    label=$1
    shift
    for run in 1 2 3; do
        /usr/bin/time -o "$work/t" -f '%U %S' "$@" >/dev/null 2>&1 || true
        awk '{ print $1 + $2 }' "$work/t"
    done | sort -n | sed -n 2p
}

for host in console offscreen; do
    if [ $host = console ]; then set -- "$qelscript" --console; else
        set -- env QT_QPA_PLATFORM=offscreen "$qelscript"; fi
    base=$(seconds base "$@" "$work/base.qel")
    full=$(seconds full "$@" "$work/full.qel")
    awk -v h=$host -v b="$base" -v f="$full" 'BEGIN {
        printf "%-9s 1,000 buttons x 100 passes: %.2f s without, %.2f s with 幅 set and read: %.2f us per access\n",
            h, b, f, (f - b) * 1e6 / 200000 }'
done

# Memory: 10,000 labels against none, on the console (peak resident set).
controls() {
    printf '「ウィンドウ1」を作る\nIに1から%s まで繰り返\n　「ラベル［I］」を作る\n繰り返し終わり\n' "$1"
}
controls 1 >"$work/one.qel"
controls 10000 >"$work/many.qel"
/usr/bin/time -o "$work/m1" -f '%M' "$qelscript" --console "$work/one.qel" >/dev/null
/usr/bin/time -o "$work/m2" -f '%M' "$qelscript" --console "$work/many.qel" >/dev/null
awk -v a="$(cat "$work/m1")" -v b="$(cat "$work/m2")" 'BEGIN {
    printf "console   memory per control: %.0f bytes (peak RSS %d KB with 1, %d KB with 10,000)\n",
        (b - a) * 1024 / 9999, a, b }'

# Idle: a window open and 待機 for 10 s on the offscreen desktop.
printf '「ウィンドウ1」を作る\n「ボタン1」を作る\n待機\n' >"$work/idle.qel"
/usr/bin/time -o "$work/idle" -f '%U %S' env QT_QPA_PLATFORM=offscreen \
    timeout -s TERM 10 "$qelscript" "$work/idle.qel" >/dev/null 2>&1 || true
# (time notes the exit status of the killed run on a line of its own first)
tail -n 1 "$work/idle" |
    awk '{ printf "offscreen idle 待機 for 10 s: %.2f s processor (%.2f %%)\n", $1 + $2, ($1 + $2) * 10 }'
