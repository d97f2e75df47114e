#!/bin/sh
# Start-up of a built stand-alone application carrying a 1 MB script and a
# 50 MB attached file, against the same script run from its file, and the
# time `cp` takes for the 50 MB file. The difference of the first two minus
# the copy is what reading the appendix costs (the scan seeks over entry
# data, so it should be small).
#   bench/standalone_startup.sh [QELSCRIPT] [RUNS]
set -eu
qelscript=$(realpath "${1:-build-rel/qelscript}")
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work" XDG_CONFIG_HOME="$work/.config"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
export QELSCRIPT_CONSOLE=1
cd "$work"

# 1 MB of script: assignments and comments in ASCII and double-byte text.
python3 - <<'PY'
lines = []
size = 0
i = 0
while size < 1 << 20:
    line = f"値{i}は、「かな漢字テキスト{i}」 // 注釈 comment {i}\n"
    lines.append(line)
    size += len(line.encode("cp932"))
    i += 1
lines.append("「終わり」を表示\n")
open("big.qel", "w", encoding="utf-8").write("".join(lines))
PY
head -c 52428800 /dev/urandom >data.bin
"$qelscript" --build big.qel -o app --attach data.bin >/dev/null

# Median wall time in milliseconds of running "$@" $runs times.
median_ms() {
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        echo $(((end - start) / 1000000))
    done | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'
}
plain=$(median_ms "$qelscript" --console big.qel)
app=$(median_ms ./app)
copy=$(median_ms cp data.bin copy.bin)
echo "script from its file: ${plain} ms"
echo "built application:    ${app} ms"
echo "cp of the 50 MB file: ${copy} ms"
echo "appendix overhead:    $((app - plain - copy)) ms beyond the plain start and the copy"
