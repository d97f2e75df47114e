#!/bin/sh
# Runs each interpreter benchmark in scripts/ as a whole process: ours,
# CPython's equivalent and (when Debian's lua5.4 is installed) Lua 5.4's,
# taking turns, and prints per program the median wall time of each, the
# ratios to CPython and the peak memory (maximum resident set) of each.
# The sizes are chosen so that CPython runs for at least half a second:
# start-up (3 ms for us, 15-20 ms for CPython) must not decide a ratio.
#   bench/compare_python.sh [path/to/qelscript] [runs] [program...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qelscript=$(realpath "${1:-$here/../build/qelscript}")
runs=${2:-5}
[ $# -gt 2 ] && shift 2 && programs="$*" || programs="fib loop concat table calls dict strings sheet property"

# The interpreter itself, not a wrapper script (version managers put shell
# scripts named python3 first on PATH, which would add their own start-up).
python=$(python3 -c 'import sys; print(sys.executable)')
lua=$(command -v lua5.4 || true)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/scripts/* "$work"/
cd "$work"
python3 make_rows.py rows.csv

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# Runs a command once; appends its wall time (s) to $1.t and its peak
# memory (KB) to $1.m, and keeps what it printed in $1.out.
measure() {
    out=$1
    shift
    /usr/bin/time -o "$out.tm" -f '%e %M' "$@" >"$out.out" 2>/dev/null
    read -r seconds kilobytes <"$out.tm"
    echo "$seconds" >>"$out.t"
    echo "$kilobytes" >>"$out.m"
}

printf '%-8s %9s %9s %9s %7s %7s %9s %9s %9s\n' program qelscript python3 lua5.4 \
    'q/py' 'q/lua' 'q MB' 'py MB' 'lua MB'
for name in $programs; do
    rm -f ours.* theirs.* luas.*
    for _ in $(seq "$runs"); do
        measure ours "$qelscript" --console "$name.qel"
        measure theirs "$python" "$name.py"
        [ -z "$lua" ] || measure luas "$lua" "$name.lua"
    done
    # All three must have computed the same thing.
    if ! cmp -s ours.out theirs.out || { [ -n "$lua" ] && ! cmp -s ours.out luas.out; }; then
        echo "$name: the programs printed different results" >&2
        exit 1
    fi
    ours=$(median <ours.t)
    theirs=$(median <theirs.t)
    oursMB=$(median <ours.m | awk '{printf "%.1f", $1 / 1024}')
    theirsMB=$(median <theirs.m | awk '{printf "%.1f", $1 / 1024}')
    if [ -n "$lua" ]; then
        luas=$(median <luas.t)
        luasMB=$(median <luas.m | awk '{printf "%.1f", $1 / 1024}')
        toLua=$(awk "BEGIN { printf \"%.2f\", $ours / ($luas > 0 ? $luas : 0.01) }")
    else
        luas=- luasMB=- toLua=-
    fi
    toPython=$(awk "BEGIN { printf \"%.2f\", $ours / $theirs }")
    printf '%-8s %9s %9s %9s %7s %7s %9s %9s %9s\n' "$name" "$ours" "$theirs" "$luas" \
        "$toPython" "$toLua" "$oursMB" "$theirsMB" "$luasMB"
done
