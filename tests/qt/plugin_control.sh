#!/bin/sh
# A control plug-in on the desktop, run by the real program (offscreen): the
# run ends with the lamp still on its window, so the end takes the plug-in's
# last object away while the lamp's label (with the plug-in's code in it)
# still lives in its picture. The run must end cleanly and leave a picture
# of the window.
#   plugin_control.sh QELSCRIPT PLUGIN_FOLDER
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/err" 2>/dev/null; exit 1; }
export HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_RUNTIME_DIR="$work"
export QELSCRIPT_PLUGIN_PATH="$2"
chmod 700 "$work"
cat >"$work/t.qel" <<'QEL'
「qelsample」を使う
「ウィンドウ1」を作る
ウィンドウ1の中の大きさは、220,80
「ランプ1」を作る
ランプ1の位置は、10,10
ランプ1の大きさは、200,60
ランプ1の点灯は、1
QEL
QT_QPA_PLATFORM=offscreen timeout 60 "$qelscript" --screenshot "$work/shots" "$work/t.qel" \
    >"$work/out" 2>"$work/err"
status=$?
[ "$status" = 0 ] || fail "the run ended with status $status"
[ -f "$work/shots/ウィンドウ１.png" ] || fail "no picture of ウィンドウ１"
echo "ok"
