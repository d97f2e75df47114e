#!/bin/sh
# Makes the Debian package from a built tree:
#   sh tools/make_deb.sh BUILD_DIR OUT_DIR
# installs BUILD_DIR into a staging root under OUT_DIR, strips it, works out
# the shared-library dependencies with dpkg-shlibdeps, writes the control
# data and builds OUT_DIR/qelscript_<version>_<arch>.deb (and, when the build
# has the browser's WebEngine module, qelscript-web_…deb); then lintian checks
# it when lintian is installed (the exceptions we accept are in
# packaging/debian/lintian-overrides, each with its reason).
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
say() { printf '%s\n' "make_deb: $*" >&2; }

version=$(sed -n 's/^project(qelscript VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
arch=$(dpkg --print-architecture)
revision=$(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo unknown)
# The package's dates are the commit's, so that two builds of one commit agree.
SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct 2>/dev/null || date +%s)
export SOURCE_DATE_EPOCH
[ -n "$version" ] || { say "no version in CMakeLists.txt"; exit 1; }

root="$out/root"
rm -rf "$root"
DESTDIR="$root" cmake --install "$build" --prefix /usr --component runtime >/dev/null
[ -x "$root/usr/bin/qelscript" ] || { say "the build has no qelscript to install"; exit 1; }

doc="$root/usr/share/doc/qelscript"
for f in "$root/usr/bin/qelscript" "$root"/usr/lib/qelscript/*.so; do
    [ -f "$f" ] && strip --strip-unneeded --remove-section=.comment --remove-section=.note "$f"
done
sed -e "s/@VERSION@/$version/" -e "s/@REVISION@/$revision/" \
    -e "s/@DATE@/$(date -u -R -d "@$SOURCE_DATE_EPOCH")/" \
    "$repo/packaging/debian/changelog.in" | gzip -9n > "$doc/changelog.gz"
cp "$repo/packaging/debian/copyright" "$doc/copyright"
find "$root/usr/share/man" -type f -name '*.1' -exec gzip -9n {} +
mkdir -p "$root/usr/share/lintian/overrides"
cp "$repo/packaging/debian/lintian-overrides" "$root/usr/share/lintian/overrides/qelscript"

find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root/usr/bin/qelscript"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# dpkg-shlibdeps wants a source package around it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/debian"
printf 'Source: qelscript\n\nPackage: qelscript\nArchitecture: any\n' > "$work/debian/control"
objects=""
for f in "$root/usr/bin/qelscript" "$root"/usr/lib/qelscript/*.so; do
    [ -f "$f" ] && objects="$objects -e$f"
done
# shellcheck disable=SC2086
depends=$(cd "$work" && dpkg-shlibdeps -O $objects 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { say "dpkg-shlibdeps found no dependencies"; exit 1; }

# Libraries the runtime opens only when a script first needs them (a
# transfer, an archive, a sound, the console's text), so dpkg-shlibdeps
# cannot see them; without one, that feature fails with a clear reason.
loaded="libarchive13, libasound2, libcanberra0, libcdio19, libcurl4, libfluidsynth3, libfreetype6,
 libsndfile1, libsoundtouch1, libtagc0"
loaded=$(printf '%s' "$loaded" | tr -d '\n')

mkdir -p "$root/DEBIAN"
size=$(du -sk --apparent-size "$root/usr" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" \
    -e "s/@DEPENDS@/$depends/" -e "s/@LOADED@/$loaded/" "$repo/packaging/debian/control.in" > "$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) > "$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

deb="$out/qelscript_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
say "wrote $deb"
if command -v lintian >/dev/null 2>&1; then
    lintian --fail-on error,warning --no-tag-display-limit "$deb"
else
    say "lintian is not installed: the package was not checked"
fi

# finish_package ROOT PACKAGE: modes, dates, md5sums, the .deb, lintian.
finish_package() {
    find "$1" -type d -exec chmod 0755 {} +
    find "$1" -type f -exec chmod 0644 {} +
    (cd "$1" && find usr -type f | LC_ALL=C sort | xargs md5sum) > "$1/DEBIAN/md5sums"
    find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    package_deb="$out/$2_${version}_${arch}.deb"
    dpkg-deb --root-owner-group -Zxz --build "$1" "$package_deb" >/dev/null
    rm -rf "$1"
    say "wrote $package_deb"
    if command -v lintian >/dev/null 2>&1; then
        lintian --fail-on error,warning --no-tag-display-limit "$package_deb"
    fi
}

# ---- qelscript-web: the browser's Qt WebEngine module, in a package of its
# own so that installing qelscript does not bring Chromium; without it the
# browser shows pages in its lighter text view. Made only when the build has
# the module (a build without Qt WebEngine makes qelscript alone).
web_root="$out/root-web"
rm -rf "$web_root"
DESTDIR="$web_root" cmake --install "$build" --prefix /usr --component web >/dev/null
web_module="$web_root/usr/lib/qelscript/qelscript-web.so"
if [ -f "$web_module" ]; then
    strip --strip-unneeded --remove-section=.comment --remove-section=.note "$web_module"
    web_doc="$web_root/usr/share/doc/qelscript-web"
    mkdir -p "$web_doc"
    sed -e "s/^qelscript /qelscript-web /" -e "s/@VERSION@/$version/" -e "s/@REVISION@/$revision/" \
        -e "s/@DATE@/$(date -u -R -d "@$SOURCE_DATE_EPOCH")/" \
        "$repo/packaging/debian/changelog.in" | gzip -9n > "$web_doc/changelog.gz"
    cp "$repo/packaging/debian/copyright" "$web_doc/copyright"
    mkdir -p "$web_root/usr/share/lintian/overrides"
    cp "$repo/packaging/debian/lintian-overrides" "$web_root/usr/share/lintian/overrides/qelscript-web"
    printf 'Source: qelscript\n\nPackage: qelscript-web\nArchitecture: any\n' > "$work/debian/control"
    web_depends=$(cd "$work" && dpkg-shlibdeps -O "-e$web_module" 2>/dev/null |
        sed -n 's/^shlibs:Depends=//p')
    [ -n "$web_depends" ] || { say "dpkg-shlibdeps found no dependencies of the web module"; exit 1; }
    mkdir -p "$web_root/DEBIAN"
    web_size=$(du -sk --apparent-size "$web_root/usr" | cut -f1)
    sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$web_size/" \
        -e "s/@DEPENDS@/$web_depends/" "$repo/packaging/debian/control-web.in" > "$web_root/DEBIAN/control"
    finish_package "$web_root" qelscript-web
fi

# ---- the engine library: libqelscript1 and libqelscript-dev -------------------
# Programs that embed the engine get it from two packages of their own, as
# Debian splits every library: libqelscript1 (the .so.1 that programs run
# with, named after its SONAME) and libqelscript-dev (headers, the .so link
# and qelscript.pc, for building against it). They come from the install
# components "library" and "dev", in the multiarch library folder.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)

# stage_library_package PACKAGE COMPONENT: a fresh staging root for the
# package with the component installed, its library files moved into the
# multiarch folder; prints the root.
stage_library_package() {
    stage="$out/root-$1"
    rm -rf "$stage" "$out/$1"_*.deb
    DESTDIR="$stage" cmake --install "$build" --prefix /usr --component "$2" >/dev/null
    if [ -d "$stage/usr/lib" ]; then
        mkdir -p "$stage/usr/lib/$multiarch"
        for f in "$stage"/usr/lib/libqelscript* "$stage/usr/lib/pkgconfig"; do
            [ -e "$f" ] || [ -L "$f" ] && mv "$f" "$stage/usr/lib/$multiarch/"
        done
    fi
    mkdir -p "$stage/usr/share/doc/$1" "$stage/DEBIAN"
    sed -e "s/@VERSION@/$version/" -e "s/@REVISION@/$revision/" \
        -e "s/@DATE@/$(date -u -R -d "@$SOURCE_DATE_EPOCH")/" \
        "$repo/packaging/debian/changelog.in" | gzip -9n > "$stage/usr/share/doc/$1/changelog.gz"
    cp "$repo/packaging/debian/copyright" "$stage/usr/share/doc/$1/copyright"
    printf '%s\n' "$stage"
}

make_libqelscript1() {
    lib_root=$(stage_library_package libqelscript1 library)
    libdir="$lib_root/usr/lib/$multiarch"
    so=$(find "$libdir" -maxdepth 1 -type f -name 'libqelscript.so.1.*' | head -1)
    [ -n "$so" ] && [ -L "$libdir/libqelscript.so.1" ] ||
        { say "the build has no libqelscript.so.1 to package"; exit 1; }
    strip --strip-unneeded --remove-section=.comment --remove-section=.note "$so"

    lib_work=$(mktemp -d)
    mkdir -p "$lib_work/debian"
    printf 'Source: qelscript\n\nPackage: libqelscript1\nArchitecture: any\n' > "$lib_work/debian/control"
    lib_depends=$(cd "$lib_work" && dpkg-shlibdeps -O "-e$so" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
    rm -rf "$lib_work"
    [ -n "$lib_depends" ] || { say "dpkg-shlibdeps found no dependencies of the library"; exit 1; }

    # Every exported symbol (all of the C interface, version node
    # QELSCRIPT_1.0) first came in this version; ldconfig runs on install.
    # The engine opens the same libraries as the runtime when a script first
    # needs them (transfers, archives, sound): $loaded, from above.
    {
        printf 'libqelscript.so.1 libqelscript1 #MINVER#\n'
        printf '* Build-Depends-Package: libqelscript-dev\n'
        nm -D --defined-only "$so" | awk '$2 == "A" { print $3 "@" $3 } $2 ~ /^[TDBRVW]$/ { print $3 }' |
            sed 's/@@/@/' | LC_ALL=C sort | sed "s/\$/ $version/; s/^/ /"
    } > "$lib_root/DEBIAN/symbols"
    printf 'libqelscript 1 libqelscript1 (>= %s)\n' "$version" > "$lib_root/DEBIAN/shlibs"
    printf 'activate-noawait ldconfig\n' > "$lib_root/DEBIAN/triggers"

    cat > "$lib_root/DEBIAN/control" <<CONTROL
Package: libqelscript1
Source: qelscript
Version: $version
Architecture: $arch
Multi-Arch: same
Maintainer: Qelscript developers <qelscript@example.org>
Installed-Size: $(du -sk --apparent-size "$lib_root/usr" | cut -f1)
Depends: $lib_depends, $loaded
Recommends: fonts-ipafont-gothic
Section: libs
Priority: optional
Description: Qelscript engine for programs that embed it
 Qelscript programs read as Japanese sentences. This library holds the
 whole engine behind a small C interface, so that editors, debuggers and
 other programs can run scripts, answer what the scripts ask of their
 caller, set stop lines and look at variables.
CONTROL
    finish_package "$lib_root" libqelscript1
}

make_libqelscript_dev() {
    dev_root=$(stage_library_package libqelscript-dev dev)
    libdir="$dev_root/usr/lib/$multiarch"
    [ -L "$libdir/libqelscript.so" ] && [ -f "$libdir/pkgconfig/qelscript.pc" ] &&
        [ -f "$dev_root/usr/include/qelscript/qelscript.h" ] ||
        { say "the build has no headers, .so link or qelscript.pc to package"; exit 1; }
    # The installed file finds its prefix from where it lies; in the package
    # it lies in the multiarch folder, so the prefix is written out.
    sed -i -e 's|^prefix=.*|prefix=/usr|' -e "s|^libdir=.*|libdir=\${prefix}/lib/$multiarch|" \
        "$libdir/pkgconfig/qelscript.pc"
    cat > "$dev_root/DEBIAN/control" <<CONTROL
Package: libqelscript-dev
Source: qelscript
Version: $version
Architecture: $arch
Multi-Arch: same
Maintainer: Qelscript developers <qelscript@example.org>
Installed-Size: $(du -sk --apparent-size "$dev_root/usr" | cut -f1)
Depends: libqelscript1 (= $version)
Section: libdevel
Priority: optional
Description: Qelscript engine for programs that embed it (development files)
 Qelscript programs read as Japanese sentences. This package holds what
 building a program against the engine library needs: the C header
 qelscript.h, the C++ layer qelscript.hpp, the plug-in header, and the
 pkg-config file (pkg-config --cflags --libs qelscript).
CONTROL
    finish_package "$dev_root" libqelscript-dev
}

make_libqelscript1
make_libqelscript_dev
