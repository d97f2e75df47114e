#!/bin/sh
# A runaway recursion ends the same way whatever the stack limit of the shell:
# the same output, error 998 reported once, exit status 0 (the error box
# answers OK), never a crash. The script recurses through an expression
# inside loops and blocks, the heaviest kind of level.
#   deep_recursion.sh QELSCRIPT
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/deep.qel" <<'QEL'
手順は　潜る（N）
  深さは、N
  1回繰り返す
    もし 1 が 1 なら
      もし 文字数(「a」＆潜る(N+1)) > 0 なら
        「戻り道なのに」を表示
      もし終わり
    もし終わり
  繰り返し終わり
終わり
結果は、潜る(1)
「深さ［深さ］」を表示
QEL

failed=0
run() {
    limit=$1
    ( ulimit -s "$limit" 2>/dev/null || exit 99
      cd "$work" && "$qelscript" --console deep.qel >"out.$2" 2>"err.$2" </dev/null )
    echo $? >"$work/status.$2"
}
run 2048 small
run unlimited unlimited
run "$(ulimit -s)" default

# The depth is the documented one: the main program is the first of the
# 3,000 levels, so the 2,999th call is the deepest that runs.
printf '深さ2999\n' >"$work/expected"
for case in small unlimited default; do
    status=$(cat "$work/status.$case")
    if [ "$status" = 99 ]; then
        echo "note: cannot set the stack limit for the $case case; skipped"
        continue
    fi
    if [ "$status" != 0 ]; then
        echo "$case stack: exit status $status, expected 0"
        failed=1
    fi
    if ! diff -u "$work/expected" "$work/out.$case"; then
        echo "$case stack: output differs"
        failed=1
    fi
    reports=$(grep -c 'エラー番号998' "$work/err.$case")
    if [ "$reports" != 1 ]; then
        echo "$case stack: error 998 reported $reports times, expected once"
        head -c 2000 "$work/err.$case"
        failed=1
    fi
done
exit $failed
