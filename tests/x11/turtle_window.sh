#!/bin/sh
# End to end under a real X server (run under xvfb-run): a script's turtle
# draws on a real window with its icon shown, a click on the window's button
# reaches the script while the turtle is still walking (events run between
# its steps), and the saved drawing holds the line drawn first.
#   turtle_window.sh QELSCRIPT
set -u
qelscript=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Sanitizer builds: faults inside the X and D-Bus libraries are not ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$here/sanitizer.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/leaks.supp"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY (run under xvfb-run)"
command -v xdotool >/dev/null || fail "xdotool is not installed"
command -v pngtopnm >/dev/null || fail "pngtopnm (netpbm) is not installed"
cp "$here/turtle_window.qel" "$work/"
( cd "$work" && timeout 100 "$qelscript" turtle_window.qel ) &
pid=$!
for i in $(seq 300); do
    [ -f "$work/turtle.ready" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the script ended before its window came up"
    sleep 0.1
done
[ -f "$work/turtle.ready" ] || fail "the window did not come up"
window=""
for i in $(seq 100); do
    window=$(xdotool search --name "カメ試験" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window named カメ試験"
xdotool windowactivate --sync "$window" 2>/dev/null || sleep 0.5
xdotool mousemove --window "$window" 40 15 click 1
wait "$pid" || fail "the script ended with status $?"
[ -f "$work/turtle.done" ] || fail "the script left no note"
IFS=, read -r stopped steps <"$work/turtle.done"
steps=$(printf '%s' "$steps" | tr -d '\r')
[ "$stopped" = 1 ] || fail "the click did not reach the script while the turtle walked"
[ "$steps" -lt 200000 ] || fail "the turtle finished before the click was seen ($steps steps)"
# The picture: 300 × 300, the column from the centre up is red, (150,40) is
# still the white background.
pngtopnm -plain "$work/turtle.png" >"$work/t.pnm" 2>/dev/null || fail "the saved picture is unreadable"
python3 - "$work/t.pnm" <<'PY' || fail "the saved drawing is not the turtle's"
import sys
words = open(sys.argv[1]).read().split()
w, h = int(words[1]), int(words[2])
assert (w, h) == (300, 300), (w, h)
v = list(map(int, words[4:]))
px = lambda x, y: tuple(v[(y * w + x) * 3:(y * w + x) * 3 + 3])
for y in range(50, 150):
    assert px(150, y) == (255, 0, 0), (y, px(150, y))
assert px(150, 40) == (255, 255, 255), px(150, 40)
PY
echo "PASS"
