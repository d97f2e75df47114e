#!/usr/bin/env python3
"""System sounds ("…_win") on the console: the name is mapped to a sound-theme
name and the theme's file is rendered on the virtual output. A theme of our
own (tones of known pitch under XDG_DATA_DIRS) tells which file was chosen;
the installed freedesktop theme, where present, is checked for its length
with sox. Unknown names and names that try to leave the theme folder play
nothing and report nothing."""
import math
import os
import shutil
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


def write_tone(path, seconds, freq):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(
            struct.pack("<h", int(10000 * math.sin(2 * math.pi * freq * i / RATE)))
            for i in range(int(seconds * RATE))))


def run(folder, script, data_dirs=None):
    path = os.path.join(folder, "t.qel")
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    out = os.path.join(folder, "out.wav")
    transcript = os.path.join(folder, "transcript")
    env = dict(os.environ, QELSCRIPT_AUDIO_OUT=out, XDG_DATA_HOME=os.path.join(folder, "none"))
    if data_dirs:
        env["XDG_DATA_DIRS"] = data_dirs
    proc = subprocess.run([QEL, "--console", "--virtual-clock", "--no-system", "--transcript",
                           transcript, path], cwd=folder, env=env, timeout=60,
                          capture_output=True)
    with open(transcript, encoding="utf-8") as f:
        lines = [l.split("\t")[3] for l in f.read().splitlines() if l]
    with wave.open(out) as w:
        raw = w.readframes(w.getnframes())
    left = struct.unpack("<%dh" % (len(raw) // 2), raw)[0::2]
    return proc.returncode, lines, left


def sounding(samples, start_s, end_s):
    part = samples[int(start_s * RATE):int(end_s * RATE)]
    return max((abs(v) for v in part), default=0) > 1000


def pitch(samples, start_s, end_s):
    part = samples[int(start_s * RATE):int(end_s * RATE)]
    return sum(1 for a, b in zip(part, part[1:]) if a < 0 <= b) / (end_s - start_s)


def own_theme(folder):
    stereo = os.path.join(folder, "share", "sounds", "freedesktop", "stereo")
    os.makedirs(stereo)
    write_tone(os.path.join(stereo, "dialog-warning.wav"), 0.5, 440)
    write_tone(os.path.join(stereo, "window-question.wav"), 0.5, 880)
    write_tone(os.path.join(stereo, "bell.wav"), 0.5, 660)
    # Outside the theme: must never be reached through a system sound name.
    write_tone(os.path.join(folder, "share", "secret.wav"), 0.5, 220)
    return os.path.join(folder, "share")


def check_own_theme(folder):
    share = own_theme(folder)
    # One second apart: the mapped name, the fallback of a name the theme
    # lacks (dialog-question), a theme name as it is, and names that give
    # nothing (unknown, trying to climb out of the theme folder).
    script = ("「SystemExclamation_win」を再生\n待て 1\n「systemquestion_WIN」を再生\n待て 1\n"
              "「bell_win」を再生\n待て 1\n「NoSuchSound_win」を再生\n待て 1\n"
              "「../../secret_win」を再生\n待て 1\n")
    code, lines, left = run(folder, script, data_dirs=share)
    check("theme/exit", code == 0, code)
    check("theme/no errors", lines == [], lines)
    check("theme/mapped", abs(pitch(left, 0.05, 0.45) - 440) < 5, pitch(left, 0.05, 0.45))
    check("theme/ends", not sounding(left, 0.55, 0.95))
    check("theme/fallback", abs(pitch(left, 1.05, 1.45) - 880) < 5, pitch(left, 1.05, 1.45))
    check("theme/as is", abs(pitch(left, 2.05, 2.45) - 660) < 5, pitch(left, 2.05, 2.45))
    check("theme/unknown silent", not sounding(left, 3.0, 5.0))


def check_installed_theme(folder):
    """Debian's sound-theme-freedesktop, decoded on the virtual output: the
    rendered sound lasts as long as sox says the file does."""
    info = "/usr/share/sounds/freedesktop/stereo/dialog-information.oga"
    if not os.path.exists(info) or not shutil.which("soxi"):
        print("SKIP installed theme: sound-theme-freedesktop or sox is missing")
        return
    length = float(subprocess.run(["soxi", "-D", info], capture_output=True,
                                  text=True).stdout.strip() or 0)
    code, lines, left = run(folder, "「SystemAsterisk_win」を再生\n待て 3\n",
                            data_dirs="/usr/share")
    check("installed/exit", code == 0, code)
    check("installed/no errors", lines == [], lines)
    last = max((i for i, v in enumerate(left) if abs(v) > 30), default=0) / RATE
    check("installed/sounds", sounding(left, 0.0, length))
    check("installed/length", last <= length + 0.05 and last >= length - 0.5,
          f"last sound at {last:.3f} s, file {length:.3f} s")


def main():
    with tempfile.TemporaryDirectory() as folder:
        check_own_theme(folder)
        check_installed_theme(folder)
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
