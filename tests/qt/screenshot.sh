#!/bin/sh
# --screenshot on the offscreen platform: a script that makes windows and
# ends leaves one picture per visible window, of the window's inside size;
# on the console the option is refused with a warning and the script runs.
#   screenshot.sh QELSCRIPT
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/err" 2>/dev/null; exit 1; }
export HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_RUNTIME_DIR="$work"
chmod 700 "$work"
cat >"$work/t.qel" <<'QEL'
「ウィンドウ1」を作る
ウィンドウ1の中の大きさは、150,90
ウィンドウ1の背景は、赤
「ウィンドウ2」を「隠す窓」として作る
「隠す窓」を隠れる
QEL
QT_QPA_PLATFORM=offscreen timeout 60 "$qelscript" --screenshot "$work/shots" "$work/t.qel" \
    >"$work/out" 2>"$work/err" || fail "the run failed"
png="$work/shots/ウィンドウ１.png"
[ -f "$png" ] || fail "no picture of ウィンドウ１ ($(ls "$work/shots" 2>&1))"
[ ! -e "$work/shots/隠す窓.png" ] || fail "a hidden window was pictured"
[ ! -e "$work/shots/ウィンドウ０.png" ] || fail "the main window was never shown"
# The width and height stand in the PNG header (big-endian, bytes 16-23).
size=$(od -An -tu1 -j16 -N8 "$png" | awk '{ printf "%d,%d", $3*256+$4, $7*256+$8 }')
[ "$size" = "150,90" ] || fail "the picture is $size, not 150,90"

QT_QPA_PLATFORM=offscreen timeout 60 "$qelscript" --console --screenshot "$work/c" "$work/t.qel" \
    >"$work/out" 2>"$work/err" || fail "the console run failed"
grep -q -- "--screenshot needs a display" "$work/err" || fail "no warning on the console"
[ ! -e "$work/c" ] || fail "the console made the folder"
echo ok
