#!/bin/sh
# 起動中プログラム一覧 and 起動中 on a real X server (run under xvfb-run): the
# caption of a window of our own is listed, in UTF-8.
#   window_captions.sh QELSCRIPT KEY_TARGET
set -u
qelscript=$1
target=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/transcript" 2>/dev/null; exit 1; }
# Sanitizer builds: faults inside the X and D-Bus libraries are not ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$here/sanitizer.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/leaks.supp"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY (run under xvfb-run)"
export HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_DATA_HOME="$work/.local/share"

"$target" "キャプション確認 ①" "$work/typed" &
pid=$!
for i in $(seq 300); do
    [ -f "$work/typed.ready" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the target window program ended"
    sleep 0.1
done
[ -f "$work/typed.ready" ] || fail "the target window did not come up"
cat >"$work/t.qel" <<'QEL'
「一覧:」＆起動中プログラム一覧を表示
起動中(「キャプション確認」)を表示
起動中(「無いウィンドウ」)を表示
QEL
( cd "$work" && timeout 60 "$qelscript" --console --transcript "$work/transcript" t.qel >/dev/null 2>&1 )
# Other programs' windows may be listed too; ours must be one whole item.
grep -q '^MSG	0	Qelvane	一覧:\(.*,\)\{0,1\}キャプション確認 ①\(,.*\)\{0,1\}	1$' "$work/transcript" ||
    fail "our caption is not in the list"
[ "$(sed -n 2,3p "$work/transcript")" = "$(printf 'MSG\t0\tQelvane\t1\t1\nMSG\t0\tQelvane\t0\t1')" ] ||
    fail "起動中 by caption"
echo ok
