#!/usr/bin/env python3
"""ＭＰ３の再生速度 and ピッチ on the virtual audio output: an MP3 of a 440 Hz
tone played twice as fast lasts half as long at the same pitch, an octave up
sounds at 880 Hz for the whole length, and values that cannot be honoured
are refused without changing anything."""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import render_test as rt  # noqa: E402

MP3_FAILED = "MP3の設定を変更できませんでした"


def near(value, want, share=0.02):
    return abs(value - want) <= want * share


def make_mp3(folder):
    wav = os.path.join(folder, "source.wav")
    rt.write_tone(wav, 2.0, rate=44100, channels=2)
    try:
        done = subprocess.run(["lame", "--quiet", "-b", "128", wav,
                               os.path.join(folder, "tone.mp3")], capture_output=True)
    except FileNotFoundError:
        return False
    return done.returncode == 0


def main():
    check = rt.check
    with tempfile.TemporaryDirectory() as folder:
        if not make_mp3(folder):
            print("SKIP: lame is not installed")
            return 0

        # Twice as fast: one second of sound, still 440 Hz; the position
        # moves through the file twice as fast and the length stays the file's.
        script = ("「tone.mp3」を再生\nＭＰ３の再生速度は、100\n待て 0.5\nＭＰ３の位置を表示\n"
                  "待て 0.75\nＭＰ３の状態を表示\nＭＰ３の長さを表示\nＭＰ３の再生速度を表示\n")
        code, lines, left = rt.run(folder, script)
        check("fast/exit", code == 0, code)
        check("fast/answers", lines == ["1", "停止中", "2", "100"], lines)
        check("fast/pitch", near(rt.pitch(left, 0.1, 0.9), 440), rt.pitch(left, 0.1, 0.9))
        check("fast/ends", rt.sounding(left, 0.9, 0.95) and not rt.sounding(left, 1.05, 1.25))

        # Sped up while playing: the sound goes on from where it was, with
        # no gap, and the rest of the file takes half its time.
        script = ("「tone.mp3」を再生\n待て 0.5\nＭＰ３の再生速度は、100\n待て 0.25\n"
                  "ＭＰ３の位置を表示\n待て 1\n")
        code, lines, left = rt.run(folder, script)
        check("midway/position", lines == ["1"], lines)
        check("midway/no gap", all(rt.sounding(left, t, t + 0.02) for t in (0.46, 0.5, 0.54)))
        check("midway/pitch", near(rt.pitch(left, 0.6, 1.2), 440), rt.pitch(left, 0.6, 1.2))
        check("midway/ends", rt.sounding(left, 1.2, 1.24) and not rt.sounding(left, 1.3, 1.7))

        # An octave up (12 semitones): 880 Hz for the file's whole two seconds.
        script = "ＭＰ３のピッチは、12\n「tone.mp3」を再生\n待て 2.5\nＭＰ３のピッチを表示\n"
        code, lines, left = rt.run(folder, script)
        check("octave/answers", lines == ["12"], lines)
        check("octave/pitch", near(rt.pitch(left, 0.2, 1.8), 880), rt.pitch(left, 0.2, 1.8))
        check("octave/length", rt.sounding(left, 1.85, 1.9) and not rt.sounding(left, 2.1, 2.5))

        # Half speed and a lower pitch are within range; beyond it, negative
        # beyond it, and text are refused and leave the last good value.
        script = ("「tone.mp3」を再生\nＭＰ３の再生速度は、-50\nＭＰ３のピッチは、-12\n"
                  "ＭＰ３の再生速度は、101\nＭＰ３の再生速度は、-51\nＭＰ３のピッチは、12.5\n"
                  "ＭＰ３のピッチは、-13\nＭＰ３の再生速度は、「速く」\n"
                  "ＭＰ３の再生速度を表示\nＭＰ３のピッチを表示\n待て 4.5\n")
        code, lines, left = rt.run(folder, script)
        errors = [line for line in lines if MP3_FAILED in line]
        check("bad/refused", len(errors) == 5, lines)
        check("bad/kept", lines[-2:] == ["-50", "-12"], lines)
        check("slow/pitch", near(rt.pitch(left, 0.2, 3.6), 220), rt.pitch(left, 0.2, 3.6))
        check("slow/length", rt.sounding(left, 3.8, 3.9) and not rt.sounding(left, 4.1, 4.5))

    for f in rt.failures:
        print("FAIL", f)
    print("ok" if not rt.failures else f"{len(rt.failures)} failures")
    return 1 if rt.failures else 0


if __name__ == "__main__":
    sys.exit(main())
