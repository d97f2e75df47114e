#!/bin/sh
# Several qelscript processes write different keys into one settings file
# (設定ファイル) at the same time. Each write reads the file, changes one key
# and writes the whole file back; afterwards every key of every writer must
# be there exactly once, with its value, and no lock or temporary file may be
# left beside it.
set -u
qelscript=$1
processes=${2:-3}
writes=${3:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME" "$work/shared"
unset DISPLAY WAYLAND_DISPLAY

fail() {
    echo "FAIL: $*"
    exit 1
}

# The file is named through a link by one writer, so that writers reaching
# it by different names still wait for each other (the file exists: a link
# to nothing is never written through).
: >"$work/shared/app.ini"
ln -s shared/app.ini "$work/link.ini"
p=1
while [ "$p" -le "$processes" ]; do
    name="$work/shared/app.ini"
    [ "$p" = 2 ] && name="$work/link.ini"
    cat >"$work/writer$p.qel" <<SCRIPT
設定ファイルは、「$name」
Iに1から${writes}まで繰り返す
  設定ファイルの「Writer$p」の「k［I］」を「v$p-［I］」に設定
繰り返し終わり
SCRIPT
    p=$((p + 1))
done

p=1
while [ "$p" -le "$processes" ]; do
    "$qelscript" --console --no-system --cancel-errors "$work/writer$p.qel" \
        >"$work/out$p" 2>"$work/err$p" </dev/null &
    eval "pid$p=\$!"
    p=$((p + 1))
done
p=1
while [ "$p" -le "$processes" ]; do
    eval "wait \$pid$p" || fail "writer $p ended with status $?: $(cat "$work/err$p")"
    [ -s "$work/err$p" ] && fail "writer $p reported: $(cat "$work/err$p")"
    p=$((p + 1))
done

file="$work/shared/app.ini"
[ -L "$work/link.ini" ] || fail "the link was replaced"
p=1
while [ "$p" -le "$processes" ]; do
    grep -q "^\[Writer$p\]" "$file" || fail "section Writer$p is missing"
    i=1
    while [ "$i" -le "$writes" ]; do
        count=$(grep -c "^k$i=v$p-$i\$" "$file")
        [ "$count" = 1 ] || fail "k$i of writer $p is there $count times"
        i=$((i + 1))
    done
    p=$((p + 1))
done
total=$(grep -c '^k[0-9]*=' "$file")
[ "$total" = $((processes * writes)) ] || fail "$total values, expected $((processes * writes))"
left=$(ls -A "$work/shared" | grep -v '^app\.ini$')
[ -z "$left" ] || fail "left beside the file: $left"
echo "ok: $processes writers x $writes keys"
