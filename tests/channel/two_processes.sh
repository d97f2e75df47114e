#!/bin/sh
# The message channel between real qelscript processes of one user:
#  1. two receivers each see every message of a sender once, in order;
#  2. a sender killed while it floods the channel never leaves a receiver
#     with half a message, and leaves no stray files behind but its last
#     temporary one at most.
set -u
qelscript=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
unset DISPLAY WAYLAND_DISPLAY
fail() { echo "FAIL: $*"; exit 1; }

receive() {  # receive NAME: a receiver in the background, its output in $work/NAME
    timeout 30 "$qelscript" --console "$here/receiver.qel" >"$work/$1" 2>&1 &
}

# 1. Two receivers, one sender.
receive r1
receive r2
sleep 1
timeout 30 "$qelscript" --console "$here/sender.qel" || fail "sender status $?"
wait
expected=$(printf '一通目\n二通目 Ｘ\n終わり')
for r in r1 r2; do
    [ "$(cat "$work/$r")" = "$expected" ] || { cat "$work/$r"; fail "$r saw something else"; }
done

# 2. A sender killed in the middle of its flood.
receive r3
sleep 0.5
"$qelscript" --console "$here/flood.qel" &
flood=$!
sleep 1.5
kill -9 $flood
wait $flood 2>/dev/null
timeout 30 "$qelscript" --console "$here/ending.qel" || fail "ending status $?"
wait
grep -q 壊れた "$work/r3" && { head -3 "$work/r3"; fail "a receiver read half a message"; }
grep -q 検査済み "$work/r3" || { cat "$work/r3"; fail "the receiver saw none of the flood"; }
[ "$(tail -1 "$work/r3")" = 終わり ] || { tail -3 "$work/r3"; fail "the receiver did not see the end"; }
strays=$(ls -A "$work/runtime/qelscript/channels" | grep -v '^ch-' | wc -l)
[ "$strays" -le 1 ] || { ls -A "$work/runtime/qelscript/channels"; fail "temporary files left behind"; }
echo "ok"
