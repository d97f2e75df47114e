#!/bin/sh
# Large scripts are prepared and run in time proportional to their size:
# 8,000 nested loops (each loop's block end is found once for the whole
# program, not by a scan per loop), 2,000 nested もし blocks, and 100,000
# lines inside one loop, which runs twice. No timing is asserted; the CTest
# timeout catches a return of the quadratic scans.
#   large_scripts.sh QELSCRIPT
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failed=0

python3 - <<'PY'
n = 8000
with open("loops.qel", "w", encoding="utf-8") as f:
    f.write("回数 は、0\n")
    f.write("1回繰り返す\n" * (n - 1))
    f.write("3回繰り返す\n")
    f.write("回数 は、回数＋1\n")
    f.write("繰り返し終わり\n" * n)
    f.write("「回数［回数］」を表示\n")
n = 2000
with open("blocks.qel", "w", encoding="utf-8") as f:
    f.write("もし 1 が 1 なら\n" * n)
    f.write("「底」を表示\n")
    f.write("もし終わり\n" * n)
    f.write("「後」を表示\n")
with open("lines.qel", "w", encoding="utf-8") as f:
    f.write("合計 は、0\n2回繰り返す\n")
    for i in range(100000):
        f.write("合計 は、合計＋1\n")
    f.write("繰り返し終わり\n「合計［合計］」を表示\n")
PY

check() {
    name=$1
    expected=$2
    "$qelscript" --console "$name.qel" >"out.$name" 2>"err.$name" </dev/null
    status=$?
    if [ "$status" != 0 ]; then
        echo "$name: exit status $status, expected 0"
        head -c 2000 "err.$name"
        failed=1
    fi
    if ! printf '%s\n' "$expected" | diff -u - "out.$name"; then
        echo "$name: output differs"
        head -c 2000 "err.$name"
        failed=1
    fi
}
# Only the innermost loop makes more than one pass.
check loops "回数3"
check blocks "底
後"
check lines "合計200000"
exit $failed
