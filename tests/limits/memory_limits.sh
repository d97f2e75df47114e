#!/bin/sh
# Memory stays bounded against hostile input, and what still runs out of
# memory is an error report, not an abort:
#  - 100,000 nested brackets are refused (error 917) in a bounded address
#    space, and the script goes on;
#  - an answer line longer than the limit (1 MiB) is cut, and the next line
#    answers the next box;
#  - a script that keeps copying long texts until memory runs out ends with
#    a report on standard error and exit status 2.
#   memory_limits.sh QELSCRIPT
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failed=0
fail() {
    echo "$1"
    failed=1
}

# Sanitizer builds reserve more address space than any limit here allows.
if ! ( ulimit -v 1048576 && "$qelscript" --version >/dev/null 2>&1 ); then
    echo "qelscript does not start under an address space limit (a sanitizer build?); skipped"
    exit 77
fi

python3 - <<'PY'
n = 100000
with open("brackets.qel", "w", encoding="utf-8") as f:
    f.write("X は、「前」\n")
    f.write("X は、" + "(" * n + "1＋2" + ")" * n + "\n")
    f.write("「［X］」を表示\n")
    f.write("Y は、" + "文字数(" * n + "「a」" + ")" * n + "\n")
    f.write("「後」を表示\n")
with open("long.answers", "w", encoding="utf-8") as f:
    f.write("a" * (3 << 20) + "\n")
    f.write("OK\n")
    f.write("次の行\n")
PY

( ulimit -v 1048576 && "$qelscript" --console brackets.qel >out.brackets 2>err.brackets </dev/null )
status=$?
[ "$status" = 0 ] || fail "nested brackets: exit status $status, expected 0"
printf '前\n後\n' | diff -u - out.brackets || fail "nested brackets: output differs"
reports=$(grep -c "エラー番号917" err.brackets)
[ "$reports" = 2 ] || fail "nested brackets: error 917 reported $reports times, expected twice"

cat >answers.qel <<'QEL'
A は、入力(「一つ目」)
「長さ［文字数(A)］」を表示
B は、入力(「二つ目」)
「［B］」を表示
QEL
"$qelscript" --console --answers long.answers answers.qel >out.answers 2>err.answers </dev/null
status=$?
[ "$status" = 0 ] || fail "long answer: exit status $status, expected 0"
printf '長さ1048576\n次の行\n' | diff -u - out.answers || fail "long answer: output differs"

cat >hungry.qel <<'QEL'
X は、「a」
26回繰り返す
  X は、X＆X
繰り返し終わり
「長さ［文字数(X)］」を表示
Iに1から50まで繰り返す
  「V［I］ は、X＆「」」を日本語処理
繰り返し終わり
「終わりまで来たのに」を表示
QEL
( ulimit -v 1048576 && "$qelscript" --console hungry.qel >out.hungry 2>err.hungry </dev/null )
status=$?
[ "$status" = 2 ] || fail "out of memory: exit status $status, expected 2"
printf '長さ67108864\n' | diff -u - out.hungry || fail "out of memory: output differs"
grep -q '^qelscript: out of memory' err.hungry || fail "out of memory: no report on standard error"
if grep -q 'terminate' err.hungry; then fail "out of memory: the process aborted"; fi
[ "$failed" = 0 ] || { echo "standard error of the last run:"; head -c 2000 err.hungry; }
exit $failed
