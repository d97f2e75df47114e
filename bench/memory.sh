#!/bin/sh
# Peak resident memory of a long script against the size of its file:
# 1,000,000 lines of simple statements, measured with /usr/bin/time -v.
#   prepared  X<i>は、<i> inside a procedure never called: the statement
#             records alone (the text passes, classification, blocks)
#   run       the same lines at the top level, run: records, their caches,
#             and 1,000,000 variables
#   one var   X は、<i>: run, one variable, a distinct value text per line
#   bench/memory.sh [path/to/qelscript] [lines]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qelscript=${1:-$here/../build/qelscript}
lines=${2:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$lines" <<'PY'
import sys
work, n = sys.argv[1], int(sys.argv[2])
body = "".join(f"X{i}は、{i}\n" for i in range(1, n + 1))
with open(f"{work}/run.qel", "w", encoding="utf-8") as f:
    f.write(body)
with open(f"{work}/prepared.qel", "w", encoding="utf-8") as f:
    f.write("手順は　使わない\n" + body + "終わり\n")
with open(f"{work}/onevar.qel", "w", encoding="utf-8") as f:
    f.write("".join(f"X は、{i}\n" for i in range(1, n + 1)))
PY

printf '%-10s %10s %10s %7s %8s\n' script file_kB peak_kB ratio seconds
for name in prepared run onevar; do
    file=$(($(wc -c <"$work/$name.qel") / 1024))
    /usr/bin/time -v "$qelscript" --console "$work/$name.qel" >/dev/null 2>"$work/time.$name"
    peak=$(awk -F: '/Maximum resident/ {gsub(/ /, "", $2); print $2}' "$work/time.$name")
    wall=$(awk '/Elapsed/ {print $NF}' "$work/time.$name")
    ratio=$(awk "BEGIN { printf \"%.1f\", $peak / $file }")
    printf '%-10s %10s %10s %7s %8s\n' "$name" "$file" "$peak" "$ratio" "$wall"
done
