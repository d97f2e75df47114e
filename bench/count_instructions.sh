#!/bin/sh
# Instructions of a whole run of each program in scripts/, at sizes small
# enough for valgrind (counts do not depend on the machine's load, so steps
# of the speed work can be compared on a busy machine).
#
#   bench/count_instructions.sh [qelscript] [program...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qel=$(realpath "${1:-build-rel/qelscript}")
[ $# -gt 0 ] && shift
programs=${*:-fib loop concat table calls dict strings sheet property}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The sizes: each program's loop bound (or fib's argument) and what it becomes.
shrink() {
    case $1 in
        fib) sed 's/フィボ(34)/フィボ(20)/' ;;
        loop) sed 's/10000000/1000000/' ;;
        concat) sed 's/10000000/100000/' ;;
        table) sed 's/180000/2000/g' ;;
        calls) sed 's/5000000/20000/' ;;
        dict) sed 's/600000/5000/g' ;;
        strings) sed 's/1000000/5000/' ;;
        sheet) sed 's/50まで/5まで/' ;;
        property) sed 's/2000000/20000/' ;;
        *) cat ;;
    esac
}

python3 "$here/scripts/make_rows.py" "$work/rows.csv"
for name in $programs; do
    shrink "$name" < "$here/scripts/$name.qel" > "$work/$name.qel"
    count=$(cd "$work" && valgrind --tool=callgrind --callgrind-out-file=/dev/null \
        "$qel" --console "$name.qel" 2>&1 >/dev/null |
        sed -n 's/.*Collected : *//p')
    printf '%s\t%s\n' "$name" "$count"
done
