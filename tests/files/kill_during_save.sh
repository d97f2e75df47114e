#!/bin/sh
# A script saves large texts over one file again and again and is killed
# (SIGKILL, no chance to clean up) at random moments, several times. The
# file must always hold one whole text, old or new, and nothing else may be
# left in its folder: no temporary file of a write that never finished.
set -u
qelscript=$1
kills=${2:-8}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME" "$work/out"
unset DISPLAY WAYLAND_DISPLAY

fail() {
    echo "FAIL: $*"
    exit 1
}

# 4 Mi "a" and 2 Mi "b" (the texts differ in length, so a cut-off file shows).
# 保存 ends the text with a line break (CR LF).
cat >"$work/saver.qel" <<SCRIPT
A は、「a」
B は、「b」
Iに1から22まで繰り返す
  A は、A＆A
繰り返し終わり
Iに1から21まで繰り返す
  B は、B＆B
繰り返し終わり
Iに1から100000まで繰り返す
  Aを「$work/out/target.txt」へ保存
  Bを「$work/out/target.txt」へ保存
繰り返し終わり
SCRIPT
{ head -c 4194304 /dev/zero | tr '\0' a; printf '\r\n'; } >"$work/a.txt"
{ head -c 2097152 /dev/zero | tr '\0' b; printf '\r\n'; } >"$work/b.txt"
cp "$work/b.txt" "$work/out/target.txt"

whole() {
    cmp -s "$1" "$work/a.txt" || cmp -s "$1" "$work/b.txt"
}

# The kills must land among the saves. How long the script takes to build
# its texts depends on the build and the load of the machine, so each run
# first waits for a save to land (every save replaces the file, so its inode
# and time stamp change) and only then picks its moment.
stamp() {
    stat -c '%i %y' "$work/out/target.txt"
}
changes=0
visible=0
previous=$work/b.txt
k=1
while [ "$k" -le "$kills" ]; do
    before=$(stamp)
    "$qelscript" --console --no-system "$work/saver.qel" >/dev/null 2>"$work/err" </dev/null &
    pid=$!
    waited=0
    while [ "$(stamp)" = "$before" ]; do
        [ "$waited" -lt 3000 ] || fail "kill $k: no save landed within 60 seconds"
        sleep 0.02
        waited=$((waited + 1))
    done
    # Somewhere in the next 0.8 seconds: inside some save or between two.
    delay=$(awk -v seed="$$$k" 'BEGIN { srand(seed); printf "%.3f", rand() * 0.8 }')
    sleep "$delay"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    [ -s "$work/err" ] && fail "kill $k: the script reported: $(cat "$work/err")"
    whole "$work/out/target.txt" || fail "kill $k: the file holds neither whole text"
    cmp -s "$work/out/target.txt" "$previous" || changes=$((changes + 1))
    previous=$work/seen.txt
    cp "$work/out/target.txt" "$previous"
    # The new file is hidden while it is written; only for the instant
    # between naming it and renaming it into place can a kill leave it
    # visible, and the next save into the folder removes it.
    [ -z "$(ls -A "$work/out" | grep -v '^target\.txt$')" ] || visible=$((visible + 1))
    k=$((k + 1))
done
[ "$visible" -le $((kills / 4)) ] || fail "a temporary was visible after $visible of $kills kills"
cat >"$work/once.qel" <<SCRIPT
「c」を「$work/out/target.txt」へ保存
SCRIPT
"$qelscript" --console --no-system "$work/once.qel" >/dev/null 2>"$work/err" </dev/null ||
    fail "the last save failed: $(cat "$work/err")"
left=$(ls -A "$work/out" | grep -v '^target\.txt$')
[ -z "$left" ] || fail "left in the folder after the next save: $left"
echo "ok: $kills kills, the file changed $changes times"
