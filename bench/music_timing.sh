#!/bin/sh
# 演奏 on the real clock: how late notes start and whether lateness adds up
# over a tune, and the CPU a performance costs while a long note sounds.
#
#   sh bench/music_timing.sh [build/qelscript]
#
# The tune is 320 thirty-second notes at tempo 240 (31.25 ms each, 10 s in
# all), recorded with --record-midi and read back; then one whole note at
# tempo 30 (8 s) timed with the shell's `time`.
set -eu
qel=${1:-build/qelscript}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
python3 - "$dir" <<'PY'
import sys
notes = " ".join(["ド32"] * 320)
open(sys.argv[1] + "/run.qel", "w", encoding="utf-8").write("テンポは、240\n「" + notes + "」を演奏\n")
open(sys.argv[1] + "/long.qel", "w", encoding="utf-8").write("テンポは、30\n「ド1」を演奏\n")
PY
env -u QELSCRIPT_AUDIO_OUT -u QELSCRIPT_MIDI_OUT "$qel" --console --no-system \
    --record-midi "$dir/run.mid" "$dir/run.qel"
python3 - "$dir/run.mid" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
pos, tick, ons, last = 22, 0, [], 0
while pos < len(data):
    delta = 0
    while True:
        b = data[pos]; pos += 1
        delta = (delta << 7) | (b & 0x7F)
        if not b & 0x80:
            break
    tick += delta
    status = data[pos]
    if status == 0xFF:
        pos += 3 + data[pos + 2]
        continue
    if status & 0xF0 == 0x90:
        ons.append(tick)
    last = tick
    pos += 2 if status & 0xF0 in (0xC0, 0xD0) else 3
late = [t - i * 31.25 for i, t in enumerate(ons)]
print(f"notes {len(ons)}: end at {last} ms (tune 10000 ms); "
      f"note-on lateness max {max(late):.2f} ms, mean {sum(late) / len(late):.2f} ms, "
      f"last note {late[-1]:.2f} ms")
PY
echo "a whole note at tempo 30 (8 s of real time):"
time env -u QELSCRIPT_AUDIO_OUT -u QELSCRIPT_MIDI_OUT "$qel" --console --no-system "$dir/long.qel"
