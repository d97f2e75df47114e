#!/bin/sh
# Installs the Debian package in a fresh, minimal Debian root, as on a machine
# that has never built the program, and runs tests/package/installed.sh there:
#   sh tests/package/clean_root.sh build-deb/*.deb
# Needs root (debootstrap and chroot) and the network to the Debian mirror
# (QEL_DEBIAN_MIRROR, default deb.debian.org). The root is made in a
# temporary folder and removed afterwards; QEL_KEEP_ROOT=1 keeps it to look
# into.
set -eu
say() { printf '%s\n' "clean_root: $*" >&2; }
[ $# -gt 0 ] || { say "usage: clean_root.sh PACKAGE.deb..."; exit 2; }
[ "$(id -u)" = 0 ] || { say "debootstrap and chroot need root"; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
mirror=${QEL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
suite=${QEL_DEBIAN_SUITE:-bookworm}
for deb in "$@"; do
    [ -f "$deb" ] || { say "$deb: no such package file"; exit 2; }
done
command -v debootstrap >/dev/null 2>&1 ||
    { say "debootstrap is not installed (apt-get install debootstrap)"; exit 2; }

root=$(mktemp -d /tmp/qelscript-root.XXXXXX)
cleanup() {
    umount "$root/proc" 2>/dev/null || true
    if [ "${QEL_KEEP_ROOT:-0}" = 1 ]; then say "the root is kept in $root"; else rm -rf "$root"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

say "debootstrap $suite into $root"
debootstrap --variant=minbase "$suite" "$root" "$mirror" > "$root.log" 2>&1 ||
    { tail -20 "$root.log" >&2; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
# The updates and security suites, as an installed system has them: the
# package's dependencies were worked out against the build machine's
# libraries, which may be newer than the release's first versions.
security=$(printf '%s' "$mirror" | sed 's,/debian$,/debian-security,')
cat > "$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
EOF
mount -t proc proc "$root/proc"

mkdir -p "$root/tmp/qelscript-packages"
packages=""
for deb in "$@"; do
    cp "$deb" "$root/tmp/qelscript-packages/"
    packages="$packages /tmp/qelscript-packages/$(basename "$deb")"
done
cp "$here/installed.sh" "$here/installed_web.sh" "$here/../../examples/host/host.c" "$root/tmp/"
# The tools the check itself uses, from its "# needs:" line.
tools=$(sed -n 's/^# needs: //p' "$here/installed.sh")

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    DEBIAN_FRONTEND=noninteractive "$@"; }
say "apt-get install$packages $tools"
in_root apt-get update -q > "$root/tmp/apt.log" 2>&1 &&
    # shellcheck disable=SC2086
    in_root apt-get install -y -q --no-install-recommends $packages $tools >> "$root/tmp/apt.log" 2>&1 ||
    { tail -30 "$root/tmp/apt.log" >&2; exit 1; }
say "installed.sh in the clean root"
in_root sh /tmp/installed.sh
# The browser's WebEngine module, in its own package when the build has it.
case "$packages" in
    */qelscript-web_*)
        say "installed_web.sh in the clean root"
        in_root sh /tmp/installed_web.sh
        ;;
esac
