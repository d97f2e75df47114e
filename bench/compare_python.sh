#!/bin/sh
# Times each interpreter benchmark as a whole process, ours and CPython's
# equivalent side by side, and prints the median of several runs and the
# ratio (ours / CPython; at most 1.0 is the target).
#   bench/compare_python.sh [path/to/qelscript] [runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qelscript=${1:-$here/../build/qelscript}
runs=${2:-7}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() {  # runs a command once, prints its wall time in seconds
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk "BEGIN { print $end - $start }"
}

# The interpreter itself, not a wrapper script (version managers put shell
# scripts named python3 first on PATH, which would add their own start-up).
python=$(python3 -c 'import sys; print(sys.executable)')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-8s %10s %10s %7s\n' bench qelscript python3 ratio
for name in loop fib strings table; do
    # The two take turns, so that a change in the machine's load during the
    # run weighs on both alike.
    : >"$work/ours"
    : >"$work/theirs"
    for i in $(seq "$runs"); do
        seconds "$qelscript" --console "$here/scripts/$name.qel" >>"$work/ours"
        seconds "$python" "$here/scripts/$name.py" >>"$work/theirs"
    done
    ours=$(median <"$work/ours")
    theirs=$(median <"$work/theirs")
    ratio=$(awk "BEGIN { print $ours / $theirs }")
    printf '%-8s %10.3f %10.3f %7.2f\n' "$name" "$ours" "$theirs" "$ratio"
done
