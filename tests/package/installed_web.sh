#!/bin/sh
# Checks the installed qelscript-web package: its module lies beside the
# desktop module, and a script's browser draws with WebEngine from there
# (no fallback line on standard error) and reads the page as on the console.
# Run after `apt-get install ./qelscript-web_*.deb`; the program to run may
# be given (default /usr/bin/qelscript).
set -eu
qelscript=${1:-/usr/bin/qelscript}
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$qelscript" = /usr/bin/qelscript ]; then
    [ -f /usr/lib/qelscript/qelscript-web.so ] || fail "/usr/lib/qelscript/qelscript-web.so is not installed"
    version=$(dpkg-query -W -f='${Version}' qelscript)
    dpkg-query -W -f='${Depends}' qelscript-web | grep -q "qelscript (= $version)" ||
        fail "qelscript-web does not depend on qelscript $version"
fi

printf '<html><head><title>T</title></head><body><p>page</p></body></html>\n' > "$work/a.html"
cat > "$work/t.qel" <<'SCRIPT'
「ブラウザ1」を作る
ブラウザ1のアドレスは、「a.html」
「［ブラウザ1のタイトル］/［ブラウザ1の内容］」を「out.txt」に保存
終了
SCRIPT
(cd "$work" && QT_QPA_PLATFORM=offscreen timeout -s KILL 60 "$qelscript" t.qel) > "$work/err.txt" 2>&1 ||
    { cat "$work/err.txt"; fail "the browser script failed"; }
if grep -q "without WebEngine" "$work/err.txt"; then
    cat "$work/err.txt"
    fail "the browser fell back to its text view"
fi
read_back=$(tr -d "\r" < "$work/out.txt")
[ "$read_back" = "T/page" ] || fail "the browser read '$read_back'"
echo "qelscript-web: ok"
