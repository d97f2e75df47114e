#!/bin/sh
# 起動 and 起動して待 on the real system port, with programs that are safe to
# start: the task number comes back, the wait lasts as long as the program,
# and what is missing or no program is reported as such.
#   real_programs.sh QELSCRIPT
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/transcript" 2>/dev/null; exit 1; }
export HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_DATA_HOME="$work/.local/share"
unset DISPLAY WAYLAND_DISPLAY
printf 'just text\n' >"$work/notes.txt"
cat >"$work/t.qel" <<'QEL'
「sleep 1」を起動して待
「作業番号:」＆それを表示
「true」を起動
「qel-surely-no-such-program」を起動
「notes.txt」を起動
「/」を起動
「touch 'made by start'」を起動して待
QEL
start=$(date +%s%N)
( cd "$work" && timeout 60 "$qelscript" --console --transcript "$work/transcript" t.qel >/dev/null 2>&1 )
end=$(date +%s%N)
elapsed=$(( (end - start) / 1000000 ))
[ "$elapsed" -ge 900 ] || fail "起動して待 returned after ${elapsed} ms, before the program ended"
grep -q '^MSG	0	Qelvane	作業番号:[1-9][0-9]*	1$' "$work/transcript" || fail "no task number"
grep -q 'qel-surely-no-such-programが見つかりません。.*エラー番号201' "$work/transcript" || fail "no error 201"
grep -q 'アプリケーション以外のファイルを"起動"できません。.*notes.txt.*エラー番号209' "$work/transcript" ||
    fail "no error 209 for a text file"
grep -q 'エラー番号209.*' "$work/transcript" && [ "$(grep -c 'エラー番号209' "$work/transcript")" = 2 ] ||
    fail "a folder is no program either"
[ -f "$work/made by start" ] || fail "the quoted argument did not arrive whole"
[ "$(grep -c '^ERR' "$work/transcript")" = 3 ] || fail "unexpected errors"
# A timer of the script's window ticks while 起動して待 waits for a program.
cat >"$work/timer.qel" <<'QEL'
数は、0
「タイマー1」を作る
タイマー1の間隔は、50
「sleep 1」を起動して待
タイマー1の間隔は、0
もし 数 が 5 以上 なら
　「刻んだ」を表示
違えば
　「［数］回」を表示
もし終わり
手順は　タイマー1が時間になった
　数は、数＋1
終わり
QEL
( cd "$work" && timeout 60 "$qelscript" --console --transcript "$work/transcript" timer.qel >/dev/null 2>&1 )
grep -q '^MSG	0	Qelvane	刻んだ	1$' "$work/transcript" || fail "no timer ticks during 起動して待"
echo ok
