#!/bin/sh
# What libqelscript.so gives the programs linked against it: the SONAME with
# the major version, versioned C symbols only (the engine's C++ insides stay
# hidden), and a pkg-config file that a C compiler can build the example with.
# usage: library_symbols.sh LIBRARY PCFILE INCLUDEDIR
set -eu
lib=$1
pc=$2
include=$3
fail() { echo "library_symbols: $*" >&2; exit 1; }

soname=$(readelf -d "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libqelscript.so.1" ] || fail "SONAME is '$soname', want libqelscript.so.1"

exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVW]$/ {print $3}')
[ -n "$exported" ] || fail "no symbols exported"
stray=$(printf '%s\n' "$exported" | grep -v '^qel_.*@@QELSCRIPT_1\.0$' | grep -v '^QELSCRIPT_1\.0$' || true)
[ -z "$stray" ] || fail "symbols outside the C interface or its version: $(printf '%s' "$stray" | head -5)"

# Every function the header declares is exported.
for name in $(sed -n 's/^[a-z_ *]*[ *]\(qel_[a-z_]*\)(.*/\1/p' "$include/qelscript/qelscript.h"); do
    printf '%s\n' "$exported" | grep -q "^$name@@" || fail "$name is declared but not exported"
done

grep -q '^Libs: .*-lqelscript' "$pc" || fail "pkg-config file lacks -lqelscript"
grep -q '^Version: 1\.' "$pc" || fail "pkg-config file lacks the library's version"
echo "libqelscript: $(printf '%s\n' "$exported" | wc -l) symbols, all versioned C functions"
