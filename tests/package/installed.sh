#!/bin/sh
# Checks the installed Debian package, as a user would meet it: the program
# from /usr/bin, an example from the installed documents, the desktop module
# found in /usr/lib/qelscript, the manual pages in both languages, and the
# MIME type a .qel file gets, and a program built against the engine library.
# Run after `apt-get install ./build-deb/*.deb`, or by clean_root.sh in a
# fresh Debian root with the tools it uses:
# needs: man-db xdg-utils libfile-mimeinfo-perl shared-mime-info desktop-file-utils binutils gcc libc6-dev pkg-config
set -eu
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

[ -x /usr/bin/qelscript ] || fail "/usr/bin/qelscript is not installed"
/usr/bin/qelscript --version | grep -q '^qelscript [0-9]' || fail "qelscript --version"

# Every shared library the program names — linked, or opened when a script
# first needs it (transfers, archives, sound) — belongs to a package the
# package depends on, so an install on a machine without the build's
# packages has them all.
depends=$(dpkg-query -W -f='${Depends}' qelscript | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for soname in $(strings /usr/bin/qelscript | grep -E '^lib[A-Za-z0-9_+-]+\.so\.[0-9]+$' | sort -u); do
    path=$(ldconfig -p | awk -v n="$soname" '$1 == n { print $NF; exit }')
    [ -n "$path" ] || fail "$soname is not installed"
    owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -1 | cut -d: -f1)
    [ -n "$owner" ] || owner=$(dpkg -S "$path" 2>/dev/null | head -1 | cut -d: -f1)
    case "$owner" in
        libc6 | libgcc-s1 | libstdc++6) continue ;;  # always there
    esac
    printf '%s\n' "$depends" | grep -qx "$owner" || fail "$soname ($owner) is not in Depends"
done

example=/usr/share/doc/qelscript/examples/hello.qel
[ -f "$example" ] || fail "$example is not installed"
(cd "$work" && /usr/bin/qelscript --console "$example") > "$work/hello.out" ||
    fail "the example did not run"
printf 'こんにちは、世界！\nQelscriptへようこそ。\n1行目\n2行目\n' > "$work/hello.want"
cmp -s "$work/hello.out" "$work/hello.want" || fail "the example printed: $(cat "$work/hello.out")"

# The desktop module is loaded from lib/qelscript/, not beside the program.
[ -f /usr/lib/qelscript/qelscript-qt.so ] || fail "the desktop module is not installed"
# An empty session ends the run once the window waits for the user.
: > "$work/none.events"
(cd "$work" && QT_QPA_PLATFORM=offscreen timeout 60 /usr/bin/qelscript --screenshot "$work/shots" \
    --events "$work/none.events" /usr/share/doc/qelscript/examples/form.qel \
    >/dev/null 2>"$work/form.err") ||
    fail "examples/form.qel did not run on the desktop: $(cat "$work/form.err")"
# Only the desktop module takes pictures (the console ignores --screenshot).
[ -n "$(find "$work/shots" -name '*.png' -size +0 2>/dev/null)" ] ||
    fail "no window picture: $(cat "$work/form.err")"

[ "$(man -w qelscript)" = /usr/share/man/man1/qelscript.1.gz ] || fail "man -w qelscript"
[ "$(man -L ja -w qelscript)" = /usr/share/man/ja/man1/qelscript.1.gz ] ||
    fail "the Japanese manual page"
LANG=ja_JP.UTF-8 /usr/bin/qelscript --help | grep -q '^使い方: qelscript' || fail "Japanese --help"

echo '「やあ」を表示' > "$work/x.qel"
[ "$(xdg-mime query filetype "$work/x.qel")" = text/x-qelscript ] ||
    fail "xdg-mime gives $(xdg-mime query filetype "$work/x.qel") for a .qel file"
[ "$(xdg-mime query default text/x-qelscript)" = qelscript.desktop ] ||
    fail "qelscript.desktop does not open .qel files"
# The engine library for embedding programs (libqelscript1, libqelscript-dev):
# the example host, compiled against the installed package through
# pkg-config, runs its script and answers it.
# (clean_root.sh puts the source beside this script; in the tree it is in examples/)
host_source=$(cd "$(dirname "$0")" && pwd)/host.c
[ -f "$host_source" ] || host_source=$(cd "$(dirname "$0")/../.." && pwd)/examples/host/host.c
pkg-config --exists qelscript || fail "pkg-config does not know qelscript"
[ "$(pkg-config --variable=libdir qelscript)" = "/usr/lib/$(cc -print-multiarch)" ] ||
    fail "qelscript.pc names libdir $(pkg-config --variable=libdir qelscript)"
# shellcheck disable=SC2046
cc -Wall -Wextra -o "$work/host" "$host_source" $(pkg-config --cflags --libs qelscript) ||
    fail "examples/host/host.c does not build against the installed library"
linked=$(ldd "$work/host" | awk '$1 == "libqelscript.so.1" { print $3 }')
dpkg -S "$(readlink -f "$linked")" 2>/dev/null | grep -q '^libqelscript1:' ||
    fail "the host does not use libqelscript.so.1 of the package: $(ldd "$work/host")"
(cd "$work" && ./host) > "$work/host.out" || fail "the example host failed: $(cat "$work/host.out")"
grep -q '^\[script\] こんにちは、ホストさん$' "$work/host.out" &&
    grep -q '^\[host\] 対象 is ボタン１$' "$work/host.out" &&
    grep -q '^\[host\] 回数 is now 42, 1 合図$' "$work/host.out" ||
    fail "the example host printed: $(cat "$work/host.out")"
echo PASS
