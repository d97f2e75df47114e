#!/bin/sh
# The files around a run: the transcript and answers options must never
# touch the script (a forgotten transcript name, a link to the script), and
# output that cannot be written (a full disk behind standard output or the
# transcript) is reported once and fails the run.
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
cd "$work" || exit 1

fail() {
    echo "FAIL: $*"
    exit 1
}
printf '「一行目」を表示\n「二行目」を表示\n' >hello.qel
cp hello.qel original
unchanged() { cmp -s hello.qel original || fail "$1: the script was changed"; }

# refused NAME ARGS...: a usage error that leaves the script as it was.
refused() {
    name=$1
    shift
    "$qelscript" "$@" </dev/null >out 2>err
    status=$?
    [ "$status" = 2 ] || fail "$name: status $status"
    [ -s out ] && fail "$name: the script ran: $(cat out)"
    grep -q '^qelscript: ' err || fail "$name: no usage message: $(cat err)"
    unchanged "$name"
}

# The transcript's name forgotten: the script is taken for it.
refused "forgotten transcript name" --transcript hello.qel
ln -s hello.qel soft.qel
ln hello.qel hard.qel
mkdir sub
refused "transcript is the script" --transcript hello.qel soft.qel
refused "transcript through a link" --transcript soft.qel hello.qel
refused "transcript through a hard link" --transcript hard.qel ./hello.qel
refused "transcript through another path" --transcript sub/../hello.qel hello.qel
refused "answers are the script" --answers soft.qel hello.qel
printf '1\n' >answers
cp answers answers.kept
refused "transcript is the answers file" --transcript answers --answers answers hello.qel
cmp -s answers answers.kept || fail "the answers file was changed"
# Another transcript file is fine.
"$qelscript" --transcript t hello.qel >out 2>err || fail "a separate transcript: status $?"
[ "$(wc -l <t)" = 2 ] || fail "a separate transcript: $(cat t)"

if [ -w /dev/full ]; then
    # lost NAME WHAT ARGS...: a run whose output is lost fails with status 3
    # and says so once.
    lost() {
        name=$1
        what=$2
        shift 2
        "$qelscript" "$@" hello.qel </dev/null 2>err
        status=$?
        [ "$status" = 3 ] || fail "$name: status $status"
        [ "$(grep -c "^qelscript: cannot write to $what" err)" = 1 ] ||
            fail "$name: not reported once: $(cat err)"
    }
    lost "standard output full" "standard output" --console >/dev/full
    lost "transcript full" "the transcript file /dev/full" --transcript /dev/full >/dev/null
    "$qelscript" --help >/dev/full 2>err
    status=$?
    [ "$status" = 3 ] || fail "--help into a full disk: status $status"
fi
unchanged "the end"
exit 0
