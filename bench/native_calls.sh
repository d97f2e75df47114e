#!/bin/sh
# Native calls and plug-ins: the cost of one 呼び出せ into the C library, one
# verb of the sample shared-library plug-in, and one verb of the Python
# process plug-in, each as a whole run compared with a run of the same loop
# that does all but the call.
#   bench/native_calls.sh [path/to/qelscript]   (the build folder beside it
#   must hold the sample plug-in: build with the tests on)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qelscript=$(realpath "${1:-$here/../build/qelscript}")
build=$(dirname "$qelscript")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LD_LIBRARY_PATH="$build/examples/plugins" QELSCRIPT_PLUGIN_PATH="$here/../examples/plugins"

loop() {  # $1: set-up line, $2: the body, $3: passes
    printf '%s\n文字＝「こんにちは」\nIに1から%s まで繰り返\n　%s\n繰り返し終わり\n' "$1" "$3" "$2"
}
seconds() {
    start=$(date +%s%N)
    "$qelscript" --console --no-system "$1" >/dev/null
    echo $(( ($(date +%s%N) - start) / 1000 ))
}
measure() {  # $1 name, $2 set-up, $3 body, $4 passes
    loop "$2" "Ｘ＝文字" "$4" >"$work/base.qel"
    loop "$2" "$3" "$4" >"$work/call.qel"
    base=$(seconds "$work/base.qel")
    call=$(seconds "$work/call.qel")
    echo "$1: $(( (call - base) * 1000 / $4 )) ns per call ($4 calls)"
}
measure "呼び出せ strlen in libc" "" "文字を「libc.so.6」の「strlen」で呼び出せ" 100000
measure "shared-library plug-in verb" "「qelsample.Counter」を「数え」として使う" "数えの足す 1" 100000
measure "process plug-in verb (Python)" "「counter_plugin.py」を「数え」として使う" "数えの足す 1" 10000
