#!/bin/sh
# End to end under a real X server (run under xvfb-run): a script's window
# with a menu bar gets Ctrl+O from xdotool, the shortcut runs the menu
# entry's procedure, its file dialog is answered by typing a name, and the
# name the script was given is checked in the note it leaves.
#   menu_shortcut.sh QELSCRIPT
set -u
qelscript=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$here/sanitizer.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/leaks.supp"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY (run under xvfb-run)"
command -v xdotool >/dev/null || fail "xdotool is not installed"
cp "$here/menu_shortcut.qel" "$work/"
echo picked > "$work/pick.txt"

# The window (or dialog) with this name, once it is mapped.
window_named() {
    for i in $(seq 100); do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    return 1
}

( cd "$work" && QT_QPA_PLATFORMTHEME= timeout 60 "$qelscript" menu_shortcut.qel ) &
pid=$!
for i in $(seq 300); do
    [ -f "$work/menu.ready" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the script ended before its window came up"
    sleep 0.1
done
window=$(window_named "メニュー試験") || fail "no window named メニュー試験"
xdotool windowfocus --sync "$window" 2>/dev/null || sleep 0.5
sleep 0.3
xdotool key --clearmodifiers ctrl+o
dialog=$(window_named "開く試験") || fail "Ctrl+O did not open the file dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null || sleep 0.5
sleep 0.3
xdotool type --delay 20 "pick.txt"
xdotool key Return
wait "$pid" || fail "the script ended with status $?"
result=$(tr -d "\r" < "$work/menu.result" 2>/dev/null)
[ "$result" = "$work/pick.txt|0" ] || fail "the script was told \"$result\", not $work/pick.txt|0"
echo "PASS"
