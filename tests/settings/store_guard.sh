#!/bin/sh
# A script that tries to lift its own protection through file commands: the
# settings store keeps every byte, and the next run is protected as before.
# Also: a store not made yet cannot be planted by a script.
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
unset DISPLAY WAYLAND_DISPLAY
store="$XDG_CONFIG_HOME/qelscript/settings.ini"

fail() {
    echo "FAIL: $*"
    exit 1
}
run() { # script file, transcript
    "$qelscript" --console --no-system --transcript "$2" "$1" >/dev/null 2>&1
}

# Registry and system forbidden; files allowed, so only the store's own guard
# stands in the way.
"$qelscript" --protect registry,system >/dev/null || fail "--protect registry,system"
cp "$store" "$work/before.ini"
cat >"$work/lift.qel" <<'QEL'
店 は、環境変数(「XDG_CONFIG_HOME」)＆「/qelscript」
環境変数(「XDG_CONFIG_HOME」)＆「/qelscript/settings.ini」をすぐ削除
店＆「/settings.ini」を削除
店をすぐ削除
店を「gone」へ移動
店＆「/../qelscript//settings.ini」を「old.ini」に変更
「」を店＆「/settings.ini」へ保存
「「」を店＆「/settings.ini」へ保存」を日本語処理
「保存」を「しまえ」として宣言
「」を店＆「/settings.ini」へしまえ
「[Application\Qelscript\Secure]」を店＆「/x.ini」へ保存
QEL
run "$work/lift.qel" "$work/t1"
[ "$(grep -c 'エラー番号203' "$work/t1")" = 9 ] || fail "not every route was refused: $(cat "$work/t1")"
cmp -s "$store" "$work/before.ini" || fail "the store changed"
[ "$(ls -A "$XDG_CONFIG_HOME/qelscript" | sort | tr '\n' ' ')" = "settings.ini settings.lock " ] ||
    fail "the store's folder holds: $(ls -A "$XDG_CONFIG_HOME/qelscript")"

# The next run reads the same key and still refuses.
out=$("$qelscript" --show-protection) || fail "--show-protection"
echo "$out" | grep -q "forbidden: registry" || fail "the key is gone: $out"
printf 'レジストリの「HKCU\\Software\\Qeltest」の「x」を「1」に設定\n「メモ帳」を起動\n' >"$work/next.qel"
run "$work/next.qel" "$work/t2"
[ "$(grep -c 'エラー番号99' "$work/t2")" = 2 ] || fail "the next run was not protected: $(cat "$work/t2")"

# No store yet: a script cannot make its folder or plant a file there.
rm -rf "$XDG_CONFIG_HOME"
cat >"$work/plant.qel" <<'QEL'
店 は、環境変数(「XDG_CONFIG_HOME」)＆「/qelscript」
フォルダ「」＆店を作る
「[Application\Qelscript\Secure]」を店＆「/settings.ini」へ保存
QEL
run "$work/plant.qel" "$work/t3"
[ "$(grep -c 'エラー番号203' "$work/t3")" = 2 ] || fail "planting was not refused: $(cat "$work/t3")"
[ -e "$XDG_CONFIG_HOME/qelscript" ] && fail "the store's folder was made"
exit 0
