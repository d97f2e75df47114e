#!/bin/sh
# 入力 and 入力２ on a real X server (run under xvfb-run): keys typed into a
# window of our own, found by caption and by task number, must arrive as
# written; a window that does not exist is reported as error 94. Then the
# desktop host end to end: a script's question and input boxes are real
# windows, answered by keys another script types.
#   send_keys.sh QELSCRIPT KEY_TARGET
set -u
qelscript=$1
target=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Sanitizer builds: the X keyboard library's own fault is not ours to report.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$here/sanitizer.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/leaks.supp"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY (run under xvfb-run)"

"$target" "キー受信テスト" "$work/typed" &
pid=$!
# (A loaded machine, or a sanitizer build, can take many seconds to start Qt.)
for i in $(seq 300); do
    [ -f "$work/typed.ready" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the target window program ended"
    sleep 0.1
done
[ -f "$work/typed.ready" ] || fail "the target window did not come up"

timeout 60 "$qelscript" --console --transcript "$work/transcript" "$here/keys.qel" "$pid" \
    >"$work/out" 2>&1
for i in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
expected=$(printf 'acbeF\nQ\nhello\nかな漢字\nEND')
if [ "$(cat "$work/typed" 2>/dev/null)" != "$expected" ]; then
    echo "typed:"; cat "$work/typed" 2>/dev/null
    echo "qelscript said:"; cat "$work/out"
    fail "the window received other keys"
fi
grep -c "エラー番号" "$work/transcript" | grep -qx 1 || { cat "$work/transcript"; fail "expected exactly one error"; }
grep -q "「無い窓」というウィンドウが見つかりません。.*エラー番号94" "$work/transcript" ||
    { cat "$work/transcript"; fail "no error 94 for the missing window"; }

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
timeout 60 "$qelscript" --console "$here/listen.qel" >"$work/listened" 2>&1 &
listener=$!
timeout 60 "$qelscript" "$here/dialogs.qel" >"$work/dialogs" 2>&1 &
timeout 60 "$qelscript" --console "$here/drive.qel" >"$work/driven" 2>&1 || fail "drive status $?"
wait $listener
[ "$(cat "$work/listened")" = "7,太郎" ] || {
    cat "$work/listened" "$work/dialogs" "$work/driven"
    fail "the boxes did not answer what was typed"
}
echo ok
