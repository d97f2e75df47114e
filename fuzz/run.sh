#!/bin/sh
# Builds the fuzz targets with clang and runs one of them.
#   fuzz/run.sh [script|text|encodings|ini|csv|archive|reply|attached|picture] [SECONDS] [extra libFuzzer options...]
# The corpus lives in the build folder (default build-fuzz/ in the repository, or
# $QEL_FUZZ_BUILD), never in git: it is seeded afresh each run (script, text and
# encodings from the script tests, the examples and fuzz/seeds/; the others from
# fuzz/seeds-<target>/, archives also from fuzz/make_archive_seeds.py), and
# grows as libFuzzer finds inputs. fuzz/<target>.dict is used when present.
# Crashes, timeouts and leaks are written to <build>/findings/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
target=${1:-script}
seconds=${2:-600}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
build=${QEL_FUZZ_BUILD:-$repo/build-fuzz}

cmake -S "$repo" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DQEL_FUZZ=ON -DQEL_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "fuzz_$target" >/dev/null

corpus="$build/corpus-$target"
mkdir -p "$corpus" "$build/findings"
case "$target" in
    script | text | encodings)
        find "$repo/tests/scripts" "$repo/examples" "$here/seeds" -name '*.qel' -exec cp {} "$corpus/" \;
        ;;
    *)
        [ -d "$here/seeds-$target" ] && cp "$here/seeds-$target"/* "$corpus/"
        [ "$target" = archive ] && python3 "$here/make_archive_seeds.py" "$corpus"
        ;;
esac

dict=""
[ "$target" = script ] && dict="-dict=$here/qel.dict"
[ -f "$here/$target.dict" ] && dict="-dict=$here/$target.dict"
exec "$build/fuzz/fuzz_$target" "$corpus" $dict -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=10 -max_len=4096 -artifact_prefix="$build/findings/" -print_final_stats=1 "$@"
