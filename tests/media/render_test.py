#!/usr/bin/env python3
"""Plays generated sound files through qelscript on the virtual clock and
measures the WAV the virtual audio output renders (QELSCRIPT_AUDIO_OUT):
lengths, silence after 停止, the pitch of a 440 Hz tone, repeat playback, and
bad input that must end in an error, never a crash or a hang."""
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

QEL = os.path.abspath(sys.argv[1])
failures = []
RATE = 44100


def write_tone(path, seconds, freq=440.0, rate=22050, channels=1):
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        frames = bytearray()
        for i in range(int(seconds * rate)):
            v = int(12000 * math.sin(2 * math.pi * freq * i / rate))
            frames += struct.pack("<" + "h" * channels, *([v] * channels))
        w.writeframes(bytes(frames))


def run(folder, script, name="t.qel"):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    out = os.path.join(folder, "out.wav")
    transcript = os.path.join(folder, "transcript")
    env = dict(os.environ, QELSCRIPT_AUDIO_OUT=out)
    proc = subprocess.run([QEL, "--console", "--virtual-clock", "--no-system", "--transcript",
                           transcript, path], cwd=folder, env=env, timeout=60,
                          capture_output=True)
    with open(transcript, encoding="utf-8") as f:
        lines = [l.split("\t")[3] for l in f.read().splitlines() if l]
    with wave.open(out) as w:
        assert w.getframerate() == RATE and w.getnchannels() == 2 and w.getsampwidth() == 2
        raw = w.readframes(w.getnframes())
    left = struct.unpack("<%dh" % (len(raw) // 2), raw)[0::2]
    return proc.returncode, lines, left


def sounding(samples, start_s, end_s):
    part = samples[int(start_s * RATE):int(end_s * RATE)]
    return max((abs(v) for v in part), default=0) > 1000


def pitch(samples, start_s, end_s):
    part = samples[int(start_s * RATE):int(end_s * RATE)]
    crossings = sum(1 for a, b in zip(part, part[1:]) if a < 0 <= b)
    return crossings / (end_s - start_s)


def check(name, condition, detail=""):
    if not condition:
        failures.append(f"{name}: {detail}")


def check_mp3(folder):
    """An MP3 encoded from a 2 s WAV by an outside encoder plays like the WAV:
    its length, its pitch, silence after its end and after 停止."""
    wav = os.path.join(folder, "mp3source.wav")
    mp3 = os.path.join(folder, "tone.mp3")
    write_tone(wav, 2.0, rate=44100, channels=2)
    encoders = [["lame", "--quiet", "-b", "128", wav, mp3],
                ["ffmpeg", "-loglevel", "error", "-y", "-i", wav, mp3]]
    for command in encoders:
        try:
            if subprocess.run(command, capture_output=True).returncode == 0:
                break
        except FileNotFoundError:
            continue
    else:
        print("SKIP mp3: neither lame nor ffmpeg is installed")
        return
    script = ("「open \"tone.mp3\" alias m」をMCIに命令\n「status m length」をMCIに命令\nそれを表示\n"
              "「play m」をMCIに命令\n待て 2.5\n「close m」をMCIに命令\n"
              "「tone.mp3」を再生\n待て 0.3\n一時停止\n待て 0.3\n一時停止\n待て 0.2\n停止\n"
              "待て 0.5\n")
    code, lines, left = run(folder, script)
    check("mp3/exit", code == 0, code)
    # The encoder's own delay and padding may add up to about 50 ms.
    check("mp3/length", len(lines) == 1 and abs(int(lines[0]) - 2000) <= 50, lines)
    check("mp3/pitch", abs(pitch(left, 0.2, 1.8) - 440) < 5, pitch(left, 0.2, 1.8))
    check("mp3/ends", sounding(left, 1.9, 1.95) and not sounding(left, 2.05, 2.5))
    # Played again (the MP3 path of 再生), paused, resumed and stopped: each
    # takes effect at the moment of its statement.
    check("mp3/paused", sounding(left, 2.55, 2.75) and not sounding(left, 2.85, 3.05))
    check("mp3/resumed", sounding(left, 3.15, 3.25) and not sounding(left, 3.35, 3.8))


def main():
    with tempfile.TemporaryDirectory() as folder:
        write_tone(os.path.join(folder, "tone.wav"), 1.0)
        write_tone(os.path.join(folder, "long.wav"), 3.0, rate=44100, channels=2)

        # A file through the generic branch plays from the start of the run's
        # timeline at once; 停止 leaves silence; the file covers the whole run.
        os.rename(os.path.join(folder, "long.wav"), os.path.join(folder, "long.wave"))
        code, lines, left = run(folder, "「long.wave」を再生\n待て 1\n停止\n待て 1\n")
        check("stop/exit", code == 0, code)
        check("stop/length", abs(len(left) / RATE - 2.0) < 0.05, len(left) / RATE)
        check("stop/sound before", sounding(left, 0.0, 0.95))
        check("stop/silence after", not sounding(left, 1.05, 2.0))
        check("stop/pitch", abs(pitch(left, 0.1, 0.9) - 440) < 5, pitch(left, 0.1, 0.9))
        check("stop/no errors", lines == [], lines)

        # Resampled from 22.05 kHz mono: the pitch stays 440 Hz; the sound
        # ends by itself after its one second and the mode says so.
        script = ("「open \"tone.wav\" alias x」をMCIに命令\n「play x」をMCIに命令\n待て 1.5\n"
                  "「status x mode」をMCIに命令\nそれを表示\n「status x length」をMCIに命令\nそれを表示\n")
        code, lines, left = run(folder, script)
        check("mci/answers", lines == ["stopped", "1000"], lines)
        check("mci/pitch", abs(pitch(left, 0.1, 0.9) - 440) < 5, pitch(left, 0.1, 0.9))
        check("mci/ends", sounding(left, 0.8, 0.99) and not sounding(left, 1.01, 1.5))

        # リピート再生 starts the medium again whenever it is found stopped.
        os.link(os.path.join(folder, "tone.wav"), os.path.join(folder, "tone2.wave"))
        script = "「tone2.wave」をリピート再生\n" + "待て 0.3\n" * 9 + "停止\n待て 0.5\n"
        code, lines, left = run(folder, script)
        check("repeat/second pass", sounding(left, 1.5, 2.3), lines)
        check("repeat/stopped", not sounding(left, 2.75, 3.2))

        # 一時停止 holds the position, the second one resumes.
        script = ("「tone2.wave」を再生\n待て 0.4\n一時停止\n待て 1\n一時停止\n待て 1\n"
                  "x＝ビデオの状態\nxを表示\n")
        code, lines, left = run(folder, script)
        check("pause/silent", not sounding(left, 0.45, 1.35))
        check("pause/resumed", sounding(left, 1.45, 1.95) and not sounding(left, 2.05, 2.4))
        check("pause/state", lines == ["停止中"], lines)

        # Bad input: a missing file, a text file named .mp3, a truncated WAV,
        # an MCI string of 10,000 characters, a seek beyond the end.
        with open(os.path.join(folder, "text.mp3"), "w") as f:
            f.write("this is no sound\n" * 20)
        with open(os.path.join(folder, "tone.wav"), "rb") as f:
            data = f.read()
        with open(os.path.join(folder, "cut.wave"), "wb") as f:
            f.write(data[:44 + 22050])  # half a second of a one-second file
        script = ("「nothing.mid」を再生\n「text.mp3」を再生\n「cut.wave」を再生\n待て 1\n"
                  "x＝ビデオの長さ\nxを表示\n「" + "x" * 10000 + "」をMCIに命令\n"
                  "「seek qelmedia to 99999」をMCIに命令\n「none.wav」を再生\n")
        code, lines, left = run(folder, script)
        check("bad/exit", code == 0, code)
        check("bad/missing", lines[0].startswith("nothing.mid") or "nothing.mid" in lines[0], lines)
        check("bad/mp3 402", lines[1].startswith("MP3再生エラー : 2"), lines)
        check("bad/mp3 then 499", "MCIでエラーが発生しました" in lines[2], lines)
        check("bad/truncated plays its half", lines[3] == "0.5", lines)
        check("bad/long string", "デバイス名が指定されていません" in lines[4], lines)
        check("bad/seek", "範囲を超えています" in lines[5], lines)
        check("bad/nothing more", len(lines) == 6, lines)
        check("bad/half second", sounding(left, 0.1, 0.45) and not sounding(left, 0.55, 1.0))

        check_mp3(folder)

    for f in failures:
        print("FAIL", f)
    print("ok" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
