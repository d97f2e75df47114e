#!/bin/sh
# Stand-alone applications end to end: build one, run it (its command line
# is the script's), its attached files are present during the run in a
# private folder that is gone afterwards, a component beside it is left
# alone; --run-attached reads the same appendix behind a PE image; the
# builder refuses what the encoding cannot carry.
set -u
qelscript=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$work/out"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
cd "$work" || exit 1

fail() {
    echo "FAIL: $*"
    exit 1
}

cat >app.qel <<'QEL'
実行形式を表示
コマンドラインを表示
開け(「［テンポラリフォルダ］data.txt」)を表示
開け(「［テンポラリフォルダ］Comp.dll」)を表示
テンポラリフォルダを「where.txt」へ保存
タイトルを表示
QEL
printf 'attached //FILE:x,1/\\ /END/ text' >data.txt
printf 'new component' >Comp.dll
"$qelscript" --build app.qel -o out/myapp --attach data.txt --attach Comp.dll --title 'My App' \
    >build.out 2>build.err || fail "build: $(cat build.err)"
[ -x out/myapp ] || fail "the application is not executable"
# The modules beside the runtime go beside the application.
runtime_folder=$(dirname "$(readlink -f "$qelscript")")
for module in qelscript-qt.so qelscript-web.so; do
    if [ -f "$runtime_folder/$module" ]; then
        cmp -s "$runtime_folder/$module" "out/$module" || fail "$module was not copied beside the application"
    fi
done
printf 'old component' >out/Comp.dll

(cd out && ./myapp -x "two words" >../run.out 2>../run.err)
status=$?
[ "$status" = 0 ] || fail "run: status $status: $(cat run.err)"
cat >expected.out <<'OUT'
実行ファイル
-x "two words"
attached //FILE:x,1/\ /END/ text
new component
My App
OUT
cmp -s run.out expected.out || fail "run output: $(cat run.out)"
grep -q "components cannot be used on this system" run.err || fail "no word on the component"
[ "$(cat out/Comp.dll)" = "old component" ] || fail "the component beside the application changed"
private=$(tr -d "\r" <out/where.txt)
case "$private" in
    "$XDG_RUNTIME_DIR"/qelscript-app-*/) ;;
    *) fail "temporary folder during the run: $private" ;;
esac
[ -e "$private" ] && fail "the private folder $private is still there"
[ -z "$(ls "$XDG_RUNTIME_DIR")" ] || fail "left in the runtime folder: $(ls "$XDG_RUNTIME_DIR")"

# QELSCRIPT_CONSOLE=1 asks for the console even where a display is set.
QELSCRIPT_CONSOLE=1 DISPLAY=:77 out/myapp >run2.out 2>run2.err || fail "console run: $(cat run2.err)"
head -1 run2.out | grep -q 実行ファイル || fail "console run output: $(cat run2.out)"

# The same appendix behind an old-style PE image, read by --run-attached.
runtime_size=$(wc -c <"$qelscript")
python3 - "$runtime_size" <<'PY' || fail "cannot assemble the PE image"
import struct, sys
size = int(sys.argv[1])
image = bytearray(0x400)
image[0:2] = b"MZ"
image[60] = 0x80
image[0x80:0x84] = b"PE\0\0"
struct.pack_into("<HH", image, 0x84, 0x14C, 1)
struct.pack_into("<H", image, 0x80 + 20, 224)
struct.pack_into("<II", image, 0x80 + 248 + 16, 0x200, 0x200)
appendix = open("out/myapp", "rb").read()[size:]
open("legacy.exe", "wb").write(bytes(image) + appendix)
PY
"$qelscript" --run-attached legacy.exe arg >legacy.out 2>legacy.err || fail "legacy: $(cat legacy.err)"
printf '実行ファイル\narg\n' >expected.legacy
head -2 legacy.out | cmp -s - expected.legacy || fail "legacy output: $(cat legacy.out)"
[ -z "$(ls "$XDG_RUNTIME_DIR")" ] || fail "legacy run left $(ls "$XDG_RUNTIME_DIR")"

# Half-width katakana cannot be carried: refused, line and character named.
printf '「ok」を表示\n「ｱ」を表示\n' >kana.qel
"$qelscript" --build kana.qel -o out/kana >kana.out 2>kana.err
status=$?
[ "$status" = 2 ] || fail "kana build: status $status"
grep -q "kana.qel:2:2: the character \"ｱ\" (U+FF71)" kana.err || fail "kana message: $(cat kana.err)"
[ -e out/kana ] && fail "a refused build left a file"
"$qelscript" --run-attached missing.exe >/dev/null 2>&1
[ $? = 2 ] || fail "a missing executable is not a usage error"

# An icon comes with a desktop entry naming the application and the icon.
printf 'PNG' >icon.png
"$qelscript" --build app.qel -o out/iconic --icon icon.png --title "$(printf 'Two\nLines')" \
    >icon.out 2>icon.err || fail "icon build: $(cat icon.err)"
grep -qx "Exec=\"$work/out/iconic\"" out/iconic.desktop || fail "desktop entry: $(cat out/iconic.desktop)"
grep -qx "Icon=$work/out/iconic.png" out/iconic.desktop || fail "no icon in $(cat out/iconic.desktop)"
grep -qx "Name=Two Lines" out/iconic.desktop || fail "name: $(cat out/iconic.desktop)"
cmp -s icon.png out/iconic.png || fail "the icon was not copied"
# The icon travels inside the application too: its run finds it beside the
# attached files (and gives it to its windows).
printf '開け(「［テンポラリフォルダ］qelscript-icon.png」)を表示\n' >iconcheck.qel
"$qelscript" --build iconcheck.qel -o out/iconcheck --icon icon.png >/dev/null 2>iconcheck.err ||
    fail "icon check build: $(cat iconcheck.err)"
[ "$(out/iconcheck 2>&1)" = PNG ] || fail "the icon did not travel: $(out/iconcheck 2>&1)"
"$qelscript" --build iconcheck.qel -o out/iconmissing --icon missing.png >/dev/null 2>missing.err
[ $? = 2 ] || fail "a missing icon is not refused"
grep -q "cannot use the icon missing.png" missing.err || fail "missing icon message: $(cat missing.err)"
# A Linux plug-in attached to the application is found in the run's private
# folder by its bare name, with no plug-in path of the user's.
sample=${2:-}
if [ -n "$sample" ] && [ -f "$sample" ]; then
    cp "$sample" libqelsample.so
    cat >plug.qel <<'QEL'
「qelsample.Counter」を「数え」として使う
数えの足す 5
数えの足す 2
それを表示
QEL
    "$qelscript" --build plug.qel -o out/plugapp --attach libqelsample.so >plug.out 2>plug.err ||
        fail "plug-in build: $(cat plug.err)"
    (cd out && env -u QELSCRIPT_PLUGIN_PATH -u LD_LIBRARY_PATH ./plugapp >../plugrun.out 2>../plugrun.err) ||
        fail "plug-in run: $(cat plugrun.err)"
    [ "$(cat plugrun.out)" = 7 ] || fail "plug-in run output: $(cat plugrun.out) $(cat plugrun.err)"
    [ -z "$(ls "$XDG_RUNTIME_DIR")" ] || fail "plug-in run left $(ls "$XDG_RUNTIME_DIR")"
fi
echo ok
