#!/bin/sh
# Runs one script test: the script on the console host with a transcript, then
# compares the transcript with the expected one beside the script.
#   <name>.qel       the script
#   <name>.expected  the expected transcript (see README, "Console mode")
#   <name>.answers   optional answers to boxes, one per line
#   <name>.options   optional extra options, e.g. --cancel-errors
#   <name>.events    optional replayed user session (--events)
#   <name>.status    optional expected exit status (default 0)
#   <name>.setup     optional shell snippet run first, in the scratch folder
#                    with the scratch HOME/XDG variables and $QELSCRIPT set
#                    (to plant settings, for example)
set -u
qelscript=$1
script=$2
base=${script%.qel}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

set -- --console --virtual-clock --no-system --transcript "$work/transcript"
[ -f "$base.answers" ] && set -- "$@" --answers "$base.answers"
[ -f "$base.events" ] && set -- "$@" --events "$base.events"
[ -f "$base.options" ] && set -- "$@" $(cat "$base.options")

# Scripts run from a scratch copy of their folder, so files they write vanish
# and scripts they run beside them are found.
mkdir "$work/area"
# The message channel lives in the scratch folder too, and no display is
# reached (keys typed by 入力 must not land in the tester's windows).
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
# Settings, the Trash and the user folders a script reaches are the scratch
# folder's too, never the tester's own.
mkdir "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache"
unset DISPLAY WAYLAND_DISPLAY
cp -R "$(dirname "$script")/." "$work/area/"
if [ -f "$base.setup" ]; then
    if ! ( cd "$work/area" && QELSCRIPT="$qelscript" sh -e "$base.setup" ) >"$work/setup.log" 2>&1; then
        echo "the setup snippet $base.setup failed:"
        cat "$work/setup.log"
        exit 1
    fi
fi
( cd "$work" && "$qelscript" "$@" "$work/area/$(basename "$script")" >"$work/stdout" 2>"$work/stderr" </dev/null )
status=$?
expected_status=0
[ -f "$base.status" ] && expected_status=$(cat "$base.status")
if [ "$status" != "$expected_status" ]; then
    echo "exit status $status, expected $expected_status"
    cat "$work/stderr"
    exit 1
fi
if ! diff -u "$base.expected" "$work/transcript"; then
    echo "transcript differs from $base.expected"
    exit 1
fi
exit 0
