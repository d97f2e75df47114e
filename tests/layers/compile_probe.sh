#!/bin/sh
# compile_probe.sh pass|fail COMPILER PROBE.cpp [FLAGS...]
# Compiles one probe file (syntax only) with a layer's include paths and
# passes when the compiler's verdict is the expected one. A probe that
# includes a header of a higher layer must fail with "No such file": any
# other error means the probe itself is broken, which also fails the test.
set -u
expect=$1 compiler=$2 probe=$3
shift 3
output=$("$compiler" -std=c++20 -fsyntax-only "$@" "$probe" 2>&1)
status=$?
if [ "$expect" = pass ]; then
    [ $status -eq 0 ] && exit 0
    printf '%s should compile but did not:\n%s\n' "$probe" "$output" >&2
    exit 1
fi
if [ $status -ne 0 ] && printf '%s' "$output" | grep -q 'No such file or directory'; then
    exit 0
fi
printf '%s should have been refused for a missing header (status %s):\n%s\n' "$probe" "$status" "$output" >&2
exit 1
