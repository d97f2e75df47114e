#!/bin/sh
# Checks that every C++ file git tracks is formatted as .clang-format says;
# lists the files that are not and fails. Row tables that read better aligned
# are kept as they are between "// clang-format off" and "// clang-format on".
#   tools/check_format.sh          check
#   tools/check_format.sh --fix    format them in place
set -eu
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    # shellcheck disable=SC2086
    clang-format -i $files
    exit 0
fi
bad=""
for f in $files; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
    echo "not formatted (run tools/check_format.sh --fix):" >&2
    for f in $bad; do echo "  $f" >&2; done
    exit 1
fi
echo "all C++ files formatted"
