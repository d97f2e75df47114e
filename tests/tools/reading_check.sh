#!/bin/sh
# ふりがな with the reading program that is installed (MeCab or KAKASI);
# skipped (77) when neither is, since the function then reports error 27.
set -u
qelscript=$1
if ! command -v mecab >/dev/null 2>&1 && ! command -v kakasi >/dev/null 2>&1; then
    echo "no reading program installed"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/reading.qel" <<'QEL'
ふりがな(「東京タワーは333m」)を表示
ふりがな(「漢字とｶﾀｶﾅ」)を表示
ふりがな(「東京の天気［改行］日本語」)を表示
QEL
"$qelscript" --console --transcript "$work/transcript" "$work/reading.qel" >/dev/null 2>"$work/stderr" </dev/null
printf 'MSG\t0\tQelvane\tとうきょうたわーは333m\t1\nMSG\t0\tQelvane\tかんじとかたかな\t1\nMSG\t0\tQelvane\tとうきょうのてんき\\nにほんご\t1\n' >"$work/expected"
if ! diff -u "$work/expected" "$work/transcript"; then
    cat "$work/stderr"
    exit 1
fi
