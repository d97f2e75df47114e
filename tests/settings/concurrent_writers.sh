#!/bin/sh
# Several qelscript processes write different registry values into one
# settings store at the same time, many times over. Afterwards every value
# must be there exactly once and the store must still read as a store.
set -u
qelscript=$1
processes=${2:-4}
writes=${3:-40}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
unset DISPLAY WAYLAND_DISPLAY

fail() {
    echo "FAIL: $*"
    exit 1
}

p=1
while [ "$p" -le "$processes" ]; do
    cat >"$work/writer$p.qel" <<SCRIPT
Iに1から${writes}まで繰り返す
  レジストリの「HKCU\\Software\\Race」の「p$p-［I］」を「v$p-［I］」に設定
  「ゲーム$p」の「回」を「［I］」に設定
繰り返し終わり
SCRIPT
    p=$((p + 1))
done

# Start them all, then wait for each.
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

store="$XDG_CONFIG_HOME/qelscript/settings.ini"
p=1
while [ "$p" -le "$processes" ]; do
    i=1
    while [ "$i" -le "$writes" ]; do
        count=$(grep -c "^p$p-$i=v$p-$i\$" "$store")
        [ "$count" = 1 ] || fail "p$p-$i is there $count times"
        i=$((i + 1))
    done
    grep -q "^回=$writes\$" "$store" || fail "the last count of writer $p is missing"
    p=$((p + 1))
done
total=$(grep -c '^p[0-9]*-[0-9]*=' "$store")
[ "$total" = $((processes * writes)) ] || fail "$total values, expected $((processes * writes))"

# The store still reads as a store: a script lists all the values.
cat >"$work/reader.qel" <<'SCRIPT'
行数(置き換え(レジストリの値一覧(「HKCU\Software\Race」)を「,」から改行へ))を表示
SCRIPT
listed=$("$qelscript" --console --no-system --cancel-errors "$work/reader.qel" 2>&1 </dev/null)
[ "$listed" = $((processes * writes)) ] || fail "the reader listed '$listed'"
echo "ok: $processes writers x $writes values"
