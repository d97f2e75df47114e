#!/usr/bin/env python3
"""Plays tunes with 演奏 through qelscript on the virtual clock and measures
the WAV the synthesizer renders into (QELSCRIPT_AUDIO_OUT): the length of the
whole file, the pitch of ラ at the base octave and an octave up, and what
happens without a sound font (error 499 with the reason, the script goes on)."""
import os
import struct
import subprocess
import sys
import tempfile
import wave

QEL = os.path.abspath(sys.argv[1])
RATE = 44100
failures = []


def check(name, condition, detail=""):
    if not condition:
        failures.append(f"{name}: {detail}")


def run(folder, script, **env_extra):
    path = os.path.join(folder, "t.qel")
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    out = os.path.join(folder, "out.wav")
    transcript = os.path.join(folder, "transcript")
    env = dict(os.environ, QELSCRIPT_AUDIO_OUT=out, **env_extra)
    env.pop("QELSCRIPT_MIDI_OUT", None)
    proc = subprocess.run([QEL, "--console", "--virtual-clock", "--no-system", "--transcript",
                           transcript, path], cwd=folder, env=env, timeout=60,
                          capture_output=True)
    with open(transcript, encoding="utf-8") as f:
        lines = [l.split("\t") for l in f.read().splitlines() if l]
    with wave.open(out) as w:
        assert w.getframerate() == RATE and w.getnchannels() == 2 and w.getsampwidth() == 2
        raw = w.readframes(w.getnframes())
    left = struct.unpack("<%dh" % (len(raw) // 2), raw)[0::2]
    return proc.returncode, lines, left


def pitch(samples, start_s, end_s, expected):
    """The frequency near `expected` by autocorrelation at a lag of ten
    periods (so one sample of error is a tenth of a percent), refined by a
    parabola through the best lag and its neighbours."""
    part = samples[int(start_s * RATE):int(end_s * RATE)]
    low, high = int(10 * RATE / (expected * 1.05)), int(10 * RATE / (expected * 0.95)) + 1
    n = len(part) - high - 2

    def corr(lag):
        return sum(part[i] * part[i + lag] for i in range(n))

    scores = {lag: corr(lag) for lag in range(low - 1, high + 2)}
    best = max(range(low, high + 1), key=lambda lag: scores[lag])
    a, b, c = scores[best - 1], scores[best], scores[best + 1]
    shift = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c != 0 else 0
    return 10 * RATE / (best + shift)


def loudness(samples, start_s, end_s):
    part = samples[int(start_s * RATE):int(end_s * RATE)]
    return max((abs(v) for v in part), default=0)


def main():
    with tempfile.TemporaryDirectory() as folder:
        # ラ2 at tempo 120 lasts one second; 上 then ラ2 another second an
        # octave up. The file covers the run: two seconds.
        code, lines, left = run(folder, "「ラ2 上 ラ2」を演奏\n")
        check("pitch/exit", code == 0, code)
        check("pitch/no errors", lines == [], lines)
        check("pitch/length", abs(len(left) / RATE - 2.0) < 0.01, len(left) / RATE)
        check("pitch/heard", loudness(left, 0.1, 0.9) > 500, loudness(left, 0.1, 0.9))
        a4 = pitch(left, 0.2, 0.8, 440)
        check("pitch/ラ 440 Hz", abs(a4 - 440) < 4.4, a4)
        a5 = pitch(left, 1.2, 1.8, 880)
        check("pitch/上 ラ 880 Hz", abs(a5 - 880) < 8.8, a5)

        # ド4 レ4 ミ2 at tempo 120, then a wait: 2 s of tune, 0.5 s after it.
        code, lines, left = run(folder, "「ド4 レ4 ミ2」を演奏\n待て 0.5\n")
        check("length/tune and wait", abs(len(left) / RATE - 2.5) < 0.01, len(left) / RATE)

        # Without a sound font: error 499 with the reason, twice (every
        # 演奏 says it), and the script goes on to its message.
        code, lines, left = run(folder, "「ド」を演奏\n「レ」を演奏\n「続き」を表示\n",
                                QELSCRIPT_SOUNDFONT=os.path.join(folder, "none.sf2"))
        kinds = [l[0] for l in lines]
        check("no font/exit", code == 0, code)
        check("no font/two errors then the message", kinds == ["ERR", "ERR", "MSG"], lines)
        check("no font/499 with the reason",
              all("499" in "\t".join(l) and "none.sf2" in "\t".join(l) for l in lines[:2]),
              lines)
        check("no font/message", lines[-1][3] == "続き" if lines else False, lines)

    for f in failures:
        print("FAIL", f)
    print("ok" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
