#!/bin/sh
# The RTF a rich text box writes, read by an independent reader (unrtf): the
# text (Japanese, braces and backslashes included) and the bold, italic and
# underlined runs come out where the script put them.
#   rtf_outside.sh QELSCRIPT
set -u
qelscript=$1
command -v unrtf >/dev/null 2>&1 || { echo "unrtf is not installed: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out.html" 2>/dev/null; exit 1; }

cat >"$work/write.qel" <<'QEL'
「拡張テキスト1」を作る
拡張テキスト1の内容は、「日本語の文 {括弧} \ 太字 斜体 下線［改行］二行目」
拡張テキスト1の選択スタートは、13
拡張テキスト1の選択長さは、2
拡張テキスト1の選択太字は、1
拡張テキスト1の選択スタートは、16
拡張テキスト1の選択長さは、2
拡張テキスト1の選択斜体は、1
拡張テキスト1の選択スタートは、19
拡張テキスト1の選択長さは、2
拡張テキスト1の選択下線は、1
R は 拡張テキスト1のRTF内容
Rを「out.rtf」へ保存
QEL
(cd "$work" && "$qelscript" --console --no-system write.qel) || fail "the script failed"
[ -s "$work/out.rtf" ] || fail "no RTF was written"
unrtf --html "$work/out.rtf" >"$work/out.html" 2>"$work/unrtf.err" || fail "unrtf refused the file"
# unrtf writes characters beyond ASCII as numeric entities.
flat=$(python3 -c 'import html, sys; print(html.unescape(sys.stdin.read()).replace("\n", ""))' \
    <"$work/out.html")
for want in '日本語の文' '{括弧}' '二行目' '<b>太字</b>' '<i>斜体</i>' '<u>下線</u>'; do
    printf '%s' "$flat" | grep -qF -- "$want" || fail "unrtf did not read: $want"
done
printf '%s' "$flat" | grep -qF '\' || fail "the backslash was lost"
echo ok
