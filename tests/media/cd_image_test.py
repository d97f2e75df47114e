#!/usr/bin/env python3
"""An audio CD as a BIN/CUE image written here (three tracks of 2, 3 and 4
seconds, each its own tone), read through QELSCRIPT_CD_IMAGE: the table of
contents as ＣＤ's properties and MCI's tmsf positions give it, and tracks
played and measured on the rendered WAV."""
import array
import math
import os
import subprocess
import sys
import tempfile

import render_test as h

RATE = h.RATE
TRACKS = [(2, 440.0), (3, 660.0), (4, 880.0)]  # seconds, tone


def write_image(folder):
    data = array.array("h")
    for seconds, freq in TRACKS:
        for i in range(seconds * RATE):
            v = int(10000 * math.sin(2 * math.pi * freq * i / RATE))
            data.append(v)
            data.append(v)
    with open(os.path.join(folder, "disc.bin"), "wb") as f:
        f.write(data.tobytes())  # CD audio is little-endian 16-bit stereo
    cue = 'FILE "disc.bin" BINARY\n'
    start = 0
    for n, (seconds, _) in enumerate(TRACKS, 1):
        cue += f"  TRACK {n:02d} AUDIO\n    INDEX 01 {start // 60:02d}:{start % 60:02d}:00\n"
        start += seconds
    path = os.path.join(folder, "disc.cue")
    with open(path, "w") as f:
        f.write(cue)
    return path


def run_with(image, folder, script):
    os.environ["QELSCRIPT_CD_IMAGE"] = image
    try:
        return h.run(folder, script)
    finally:
        del os.environ["QELSCRIPT_CD_IMAGE"]


def main():
    with tempfile.TemporaryDirectory() as folder:
        image = write_image(folder)

        # The table of contents: lengths per track and of the disc, positions
        # in tmsf, the current track following a jump.
        script = ("ＣＤを再生\nＣＤのトラック数を表示\nＣＤの総時間を表示\nＣＤの時間を表示\n"
                  "「status cdaudio length track 2」をMCIに命令\nそれを表示\n"
                  "「status cdaudio position track 3」をMCIに命令\nそれを表示\n"
                  "ＣＤの現在トラック＝2\n待て 1.4\nＣＤの現在トラックを表示\nＣＤの現在時間を表示\n"
                  "ＣＤの時間を表示\n「status cdaudio position」をMCIに命令\nそれを表示\n停止\n")
        code, lines, left = run_with(image, folder, script)
        h.check("toc/exit", code == 0, code)
        h.check("toc/answers", lines == ["3", "00:09", "00:02", "00:03:00", "03:00:00:00",
                                         "02", "00:01", "00:03", "02:00:01:30"], lines)

        # One track played from its start to its end (MCI from 2 to 3) after
        # half a second of track 1; then track 3 by property, then 停止.
        script = ("ＣＤを再生\n待て 0.5\n「play cdaudio from 2 to 3」をMCIに命令\n待て 3.5\n"
                  "ＣＤの現在トラック＝3\n待て 0.5\n停止\n待て 0.5\n")
        code, lines, left = run_with(image, folder, script)
        h.check("play/no errors", lines == [], lines)
        h.check("play/track 1 pitch", abs(h.pitch(left, 0.05, 0.45) - 440) < 5,
                h.pitch(left, 0.05, 0.45))
        h.check("play/track 2 pitch", abs(h.pitch(left, 0.6, 3.4) - 660) < 5,
                h.pitch(left, 0.6, 3.4))
        h.check("play/track 2 length", h.sounding(left, 3.4, 3.48) and
                not h.sounding(left, 3.52, 4.0), "")
        h.check("play/track 3 pitch", abs(h.pitch(left, 4.05, 4.45) - 880) < 5,
                h.pitch(left, 4.05, 4.45))
        h.check("play/stopped", not h.sounding(left, 4.55, 5.0), "")

        # No disc (the image is missing): an error, and nothing plays.
        code, lines, left = run_with(os.path.join(folder, "none.cue"), folder,
                                     "ＣＤを再生\nＣＤのトラック数を表示\n待て 0.2\n")
        h.check("nodisc/exit", code == 0, code)
        h.check("nodisc/errors", len(lines) == 3 and "エラー番号499" in lines[0], lines)
        h.check("nodisc/silent", not h.sounding(left, 0, 0.2), "")

    for f in h.failures:
        print("FAIL", f)
    print("ok" if not h.failures else f"{len(h.failures)} failures")
    return 1 if h.failures else 0


if __name__ == "__main__":
    sys.exit(main())
