#!/bin/sh
# End to end under a real X server (run under xvfb-run): xdotool clicks the
# button of a script's real window, the button's procedure changes the
# label, and the script ends.
#   click_window.sh QELSCRIPT
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
cp "$here/click_window.qel" "$work/"
( cd "$work" && timeout 60 "$qelscript" click_window.qel ) &
pid=$!
for i in $(seq 300); do
    [ -f "$work/click.ready" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the script ended before its window came up"
    sleep 0.1
done
[ -f "$work/click.ready" ] || fail "the window did not come up"
window=""
for i in $(seq 100); do
    window=$(xdotool search --name "クリック試験" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window named クリック試験"
xdotool windowactivate --sync "$window" 2>/dev/null || sleep 0.5
# The button's centre, inside the window (the window has no frame here).
xdotool mousemove --window "$window" 70 30 click 1
wait "$pid" || fail "the script ended with status $?"
grep -q "押された" "$work/click.label" 2>/dev/null || fail "the label did not change"
echo "PASS"
