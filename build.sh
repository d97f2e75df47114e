#!/bin/sh
# Set-up, build and run in one place, for a fresh Debian 12 machine.
#
#   ./build.sh run [OPTIONS] SCRIPT.qel [ARGS...]   build, then run a script
#   ./build.sh test                                 build, then run every test
#   ./build.sh sanitize                             the same under ASan + UBSan
#   ./build.sh build                                build only (build/qelscript)
#   ./build.sh deps                                 install what is missing
#   ./build.sh fuzz [TARGET] [SECONDS]              run a libFuzzer target (clang)
#   ./build.sh fuzz-smoke                           fuzz targets over their seeds once
#   ./build.sh bench [NAME] [OPTIONS]               build and run the benchmarks
#   ./build.sh deb                                  build, then the Debian package
#   ./build.sh docs                                 rewrite docs/commands.md and the
#                                                   editors' command names from the tables
#
# Every command first installs the Debian packages it needs that are missing
# (apt-get, as root or through sudo). Build folders: build/, build-sanitize/,
# build-fuzz/, build-bench/, build-deb/ beside this file (ignored by git).
set -eu

repo=$(cd "$(dirname "$0")" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# mecab with its dictionary gives ふりがな its readings; python3 runs the
# tests that compare our results with independent implementations.
# libarchive and libcurl carry archives and transfers; libpng and
# libjpeg-turbo read and write pictures; FreeType draws the console's text; libsystemd talks to
# the session manager; libffi lays out native calls. bsdtar, zip/unzip and pyftpdlib are the outside
# tools the archive and FTP tests check against; unrtf reads the RTF the rich text boxes write;
# sox and lame make the sound files (FLAC, MP3) the media tests play and tag; netpbm writes the
# GIF and ICO files the picture reader is checked against; nlohmann-json reads and writes the
# messages of the language server; rsvg-convert (librsvg2-bin) draws the SVG pictures 保存
# writes, to check them against the PNG.
base_packages="build-essential cmake pkg-config libpcre2-dev libgtest-dev mecab mecab-ipadic-utf8 python3
               qt6-base-dev libxtst-dev xvfb xauth xdotool poppler-utils fonts-ipafont-gothic
               libarchive-dev libcurl4-openssl-dev libsystemd-dev libsndfile1-dev libtag1-dev libtagc0-dev libsoundtouch-dev libcanberra-dev sound-theme-freedesktop qt6-multimedia-dev qt6-webengine-dev libcdio-dev libfluidsynth-dev fluid-soundfont-gm libasound2-dev libpng-dev libjpeg62-turbo-dev libfreetype-dev
               libffi-dev libarchive-tools zip unzip python3-pyftpdlib unrtf sox lame netpbm nlohmann-json3-dev librsvg2-bin"

say() { printf '%s\n' "build.sh: $*" >&2; }

as_root() {
    if [ "$(id -u)" = 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        say "need root (or sudo) to run: $*"
        exit 1
    fi
}

# Installs the named packages that are not installed yet; nothing when all are.
need() {
    missing=""
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $p"
        fi
    done
    [ -z "$missing" ] && return 0
    say "installing:$missing"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
}

# node and npm run the editor grammar's tests (tests/grammar) with the
# tokenizer editors use. Some set-ups bring npm inside another nodejs package,
# which the Debian npm package would conflict with, so the Debian packages
# nodejs and npm are installed only when the commands are missing.
need_base() {
    need $base_packages "$@"
    if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
        need nodejs npm
    fi
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
    dir=$1
    shift
    # CI builds treat every compiler warning as an error.
    if [ "${CI:-}" = true ]; then
        set -- -DQEL_WERROR=ON "$@"
    fi
    cmake -S "$repo" -B "$dir" "$@"
    cmake --build "$dir" -j"$jobs"
}

run_tests() {
    ctest --test-dir "$1" --output-on-failure -j"$jobs"
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
    deps)
        need_base
        ;;
    build)
        need_base
        configure_and_build "$repo/build"
        ;;
    run)
        if [ $# -eq 0 ]; then
            say "usage: ./build.sh run [OPTIONS] SCRIPT.qel [ARGS...]"
            exit 2
        fi
        need_base
        configure_and_build "$repo/build" >&2
        exec "$repo/build/qelscript" "$@"
        ;;
    test)
        need_base
        configure_and_build "$repo/build"
        run_tests "$repo/build"
        ;;
    sanitize)
        # The benchmarks are built here too (not run), so they keep compiling.
        need_base libbenchmark-dev
        configure_and_build "$repo/build-sanitize" -DQEL_SANITIZE=ON -DQEL_BENCH=ON -DCMAKE_BUILD_TYPE=Debug
        ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1} \
        UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
            run_tests "$repo/build-sanitize"
        ;;
    fuzz)
        need_base clang libclang-rt-dev
        QEL_FUZZ_BUILD=${QEL_FUZZ_BUILD:-$repo/build-fuzz} exec sh "$repo/fuzz/run.sh" "$@"
        ;;
    fuzz-smoke)
        need_base clang libclang-rt-dev
        for target in script text encodings ini csv archive reply attached picture; do
            QEL_FUZZ_BUILD=${QEL_FUZZ_BUILD:-$repo/build-fuzz} sh "$repo/fuzz/run.sh" "$target" 0 -runs=0
        done
        ;;
    deb)
        # The package is made from build/ (stripped), into build-deb/.
        need_base dpkg-dev lintian
        configure_and_build "$repo/build"
        sh "$repo/tools/make_deb.sh" "$repo/build" "$repo/build-deb"
        ;;
    bench)
        # ./build.sh bench [NAME_bench] [Google Benchmark options...]
        need_base libbenchmark-dev
        configure_and_build "$repo/build-bench" -DQEL_BENCH=ON -DQEL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
        if [ $# -gt 0 ] && [ -x "$repo/build-bench/bench/$1" ]; then
            program=$1
            shift
            exec "$repo/build-bench/bench/$program" "$@"
        fi
        for program in "$repo"/build-bench/bench/*_bench; do
            "$program" "$@"
        done
        ;;
    docs)
        need_base
        cmake -S "$repo" -B "$repo/build"
        cmake --build "$repo/build" -j"$jobs" --target docs
        ;;
    *)
        sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'
        [ -z "$command" ] || [ "$command" = help ] || [ "$command" = --help ] || exit 2
        ;;
esac
