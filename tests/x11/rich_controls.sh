#!/bin/sh
# End to end under a real X server (run under xvfb-run): xdotool clicks a list
# view, moves to a grid's cell, opens a tree node and types into a rich text
# box of a script's real window; each procedure adds what it saw to the
# script's log, and the typing ends the script.
#   rich_controls.sh QELSCRIPT
set -u
qelscript=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/rich.log" 2>/dev/null; echo; exit 1; }
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$here/sanitizer.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/leaks.supp"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY (run under xvfb-run)"
command -v xdotool >/dev/null || fail "xdotool is not installed"
cp "$here/rich_controls.qel" "$work/"
( cd "$work" && timeout 60 "$qelscript" rich_controls.qel ) &
pid=$!
for i in $(seq 300); do
    [ -f "$work/rich.ready" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the script ended before its window came up"
    sleep 0.1
done
[ -f "$work/rich.ready" ] || fail "the window did not come up"
window=""
for i in $(seq 100); do
    window=$(xdotool search --name "部品試験" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window named 部品試験"
xdotool windowactivate --sync "$window" 2>/dev/null || sleep 0.5
# Places inside the window (it has no frame here), from the script's layout:
# the list view's free space, the grid's cell 2,2 (60 × 20 cells behind a
# one-pixel frame), the tree's first node, the rich text box.
xdotool mousemove --window "$window" 60 80 click 1
sleep 0.3
xdotool mousemove --window "$window" 371 61 click 1
sleep 0.3
xdotool mousemove --window "$window" 50 131 click --repeat 2 --delay 80 1
sleep 0.3
xdotool mousemove --window "$window" 320 170 click 1
sleep 0.3
xdotool type --delay 50 abc
wait "$pid" || fail "the script ended with status $?"
log=$(tr -d '\r\n' <"$work/rich.log" 2>/dev/null)
[ "$log" = "クリック;セル2,2;展開;文字abc;" ] || fail "the log reads \"$log\""
echo "PASS"
