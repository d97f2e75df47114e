#!/usr/bin/env python3
"""MIDI files written here byte by byte, played through the synthesizer's file
player on the virtual clock and measured on the rendered WAV: length, the
note's pitch, seeking, silence after 停止; damaged files end in an error and
leave the device free for the next file."""
import os
import struct
import subprocess
import sys

import render_test as h

RATE = h.RATE


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def smf(name, note=69, seconds=2.0, division=480, tempo=500000, program=79, notes=None):
    """One track: its name, a tempo, one note held for `seconds` (or the
    (note, seconds) pairs of `notes` one after the other), the end."""
    events = b"\x00\xff\x03" + vlq(len(name)) + name
    events += b"\x00\xff\x51\x03" + struct.pack(">I", tempo)[1:]
    events += b"\x00\xc0" + bytes([program])
    for key, length in notes or [(note, seconds)]:
        ticks = int(length * 1e6 / tempo * division)
        events += b"\x00\x90" + bytes([key, 120])
        events += vlq(ticks) + b"\x80" + bytes([key, 0])
    events += b"\x00\xff\x2f\x00"
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, division) + b"MTrk" +
            struct.pack(">I", len(events)) + events)


def pitch(samples, start_s, end_s):
    """The strongest period between 200 and 1000 Hz, by autocorrelation."""
    part = samples[int(start_s * RATE):int(start_s * RATE) + 4096]
    best, best_lag = None, 0
    for lag in range(RATE // 1000, RATE // 200):
        score = sum(a * b for a, b in zip(part, part[lag:]))
        if best is None or score > best:
            best, best_lag = score, lag
    return RATE / best_lag


def check_live(folder):
    """Heard live (QELSCRIPT_MIDI_OUT=fluidsynth) on ALSA's null device, on
    the real clock: the device keeps its position through pause, resume and
    a seek, and ends. Bounds are loose: the clock is real."""
    conf = os.path.join(folder, "null.conf")
    with open(conf, "w") as f:
        f.write("pcm.!default { type null }\n")
    env = dict(os.environ, QELSCRIPT_MIDI_OUT="fluidsynth",
               ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:" + conf)
    env.pop("QELSCRIPT_AUDIO_OUT", None)
    if not os.path.exists("/usr/share/alsa/alsa.conf"):
        print("SKIP live: no ALSA configuration")
        return
    script = ("「tune.mid」を再生\n待て 0.5\nＭＩＤＩの位置を表示\n一時停止\n待て 0.5\n"
              "ＭＩＤＩの位置を表示\nＭＩＤＩの状態を表示\n一時停止\n待て 0.3\nＭＩＤＩの位置を表示\n"
              "ＭＩＤＩの位置＝18\n待て 0.5\nＭＩＤＩの状態を表示\nＭＩＤＩの位置を表示\n")
    path = os.path.join(folder, "live.qel")
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    transcript = os.path.join(folder, "live.transcript")
    proc = subprocess.run([h.QEL, "--console", "--no-system", "--transcript", transcript, path],
                          cwd=folder, env=env, timeout=60, capture_output=True)
    with open(transcript, encoding="utf-8") as f:
        lines = [l.split("\t")[3] for l in f.read().splitlines() if l]
    h.check("live/exit", proc.returncode == 0, (proc.returncode, proc.stderr[-300:]))
    if len(lines) != 6:
        h.check("live/answers", False, lines)
        return
    first, held, state, resumed, end_state, end = lines
    h.check("live/position", 4 <= float(first) <= 7, lines)
    h.check("live/pause holds", abs(float(held) - float(first)) <= 0.3 and state == "一時停止中",
            lines)
    # 0.3 s after resuming at about 5: counting the paused half second as
    # played would give 13 or more; a busy machine may add a little.
    h.check("live/resumed", 7 <= float(resumed) <= 11.5, lines)
    h.check("live/seek to the end", end_state == "停止中" and end == "20", lines)


def main():
    import tempfile
    with tempfile.TemporaryDirectory() as folder:
        def write(name, data):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)

        # 120 beats a minute at 480 ticks a beat; the tempo is written out.
        write("tune.mid", smf(b"Known Tune"))
        script = ("「tune.mid」を再生\nＭＩＤＩのタイトルを表示\n"
                  "「status qelmedia length」をMCIに命令\nそれを表示\n"
                  "待て 1\nＭＩＤＩの状態を表示\n待て 1.5\nＭＩＤＩの状態を表示\n"
                  "停止\n待て 0.5\n")
        code, lines, left = h.run(folder, script)
        h.check("play/exit", code == 0, code)
        h.check("play/title", lines[:1] == ["Known Tune"], lines)
        h.check("play/length", len(lines) > 1 and abs(int(lines[1]) - 2000) <= 50, lines)
        h.check("play/modes", lines[2:] == ["再生中", "停止中"], lines)
        h.check("play/sounds to its end", h.sounding(left, 0.05, 1.9) and
                h.sounding(left, 1.85, 1.95), "")
        h.check("play/silent after", not h.sounding(left, 2.05, 3.0), "")
        f = pitch(left, 0.5, 0.6)
        h.check("play/pitch A4", abs(f - 440) < 8, f)

        # Another tempo and note: the length follows the tempo map, and the
        # pitch the note (C5, 523 Hz).
        write("slow.mid", smf(b"Slow", note=72, seconds=1.5, tempo=750000))
        code, lines, left = h.run(folder, "「slow.mid」を再生\nx＝ＭＩＤＩの長さ\nxを表示\n待て 2\n")
        h.check("tempo/length", lines == ["15"], lines)
        f = pitch(left, 0.5, 0.6)
        h.check("tempo/pitch C5", abs(f - 523.25) < 10, f)
        h.check("tempo/ends", h.sounding(left, 1.3, 1.45) and not h.sounding(left, 1.55, 2.0))

        # リピート再生 starts the file again from its beginning each time it ends
        # (the note sounds again in the second pass) until 停止.
        script = "「slow.mid」をリピート再生\n" + "待て 0.25\n" * 10 + "停止\n待て 0.5\n"
        code, lines, left = h.run(folder, script)
        h.check("repeat/no errors", lines == [], lines)
        h.check("repeat/second pass", h.sounding(left, 1.8, 2.3), "")
        f = pitch(left, 1.9, 2.0)
        h.check("repeat/same note", abs(f - 523.25) < 10, f)
        h.check("repeat/stopped", not h.sounding(left, 2.55, 3.0), "")

        # Setting the position plays from there (tenths of a second); 停止
        # silences at once; 一時停止 holds.
        script = ("「tune.mid」を再生\n待て 0.2\nＭＩＤＩの位置＝15\n待て 0.3\n"
                  "「status qelmedia position」をMCIに命令\nそれを表示\n停止\n待て 1\n"
                  "「tune.mid」を再生\n待て 0.3\n一時停止\n待て 0.5\nＭＩＤＩの位置を表示\n"
                  "一時停止\n待て 0.3\n停止\n")
        code, lines, left = h.run(folder, script)
        h.check("seek/position", len(lines) > 0 and abs(int(lines[0]) - 1800) <= 30, lines)
        h.check("seek/silent after stop", not h.sounding(left, 0.55, 1.45), "")
        h.check("pause/position", lines[1:] == ["3"], lines)
        h.check("pause/silent", not h.sounding(left, 1.85, 2.25), "")
        h.check("pause/resumed", h.sounding(left, 2.35, 2.55), "")

        # A seek lands on the note of that moment: four notes of half a second
        # (A4, C5, E5, A5); from 1.0 s the third one sounds, then the fourth.
        write("notes.mid", smf(b"Notes", notes=[(69, 0.5), (72, 0.5), (76, 0.5), (81, 0.5)]))
        code, lines, left = h.run(folder, "「notes.mid」を再生\n待て 0.1\nＭＩＤＩの位置＝10\n待て 1.5\n")
        f1, f2 = pitch(left, 0.2, 0.3), pitch(left, 0.7, 0.8)
        h.check("seek/third note", abs(f1 - 659.3) < 12, f1)
        h.check("seek/fourth note", abs(f2 - 880) < 16, f2)
        h.check("seek/ends", not h.sounding(left, 1.15, 1.6), lines)

        # Damaged files: cut inside the track, a track length far beyond the
        # file, text under a .mid name, a missing file; a seek past the end.
        # Each ends in an error; the next file still plays.
        good = smf(b"Known Tune")
        write("cut.mid", good[:30])
        huge = bytearray(good)
        huge[18:22] = struct.pack(">I", 0x7FFFFFF0)
        write("huge.mid", bytes(huge))
        write("text.mid", b"this is no MIDI file at all\n" * 10)
        script = ("「cut.mid」を再生\n「huge.mid」を再生\n「text.mid」を再生\n"
                  "「missing.mid」を再生\n「tune.mid」を再生\n"
                  "「seek qelmedia to 99999」をMCIに命令\nＭＩＤＩのタイトルを表示\n待て 1\n")
        code, lines, left = h.run(folder, script)
        h.check("bad/exit", code == 0, code)
        h.check("bad/count", len(lines) == 6, lines)
        bad_file = "ファイルの形式が正しくない"
        h.check("bad/truncated", len(lines) > 0 and bad_file in lines[0], lines)
        h.check("bad/huge track", len(lines) > 1 and bad_file in lines[1], lines)
        h.check("bad/text", len(lines) > 2 and bad_file in lines[2], lines)
        h.check("bad/missing 201", len(lines) > 3 and "missing.midが見つかりません。" in lines[3],
                lines)
        h.check("bad/seek beyond", len(lines) > 4 and "範囲を超えています" in lines[4], lines)
        h.check("bad/next plays", lines[5:] == ["Known Tune"] and h.sounding(left, 0.2, 0.9), lines)

        check_live(folder)

    for f in h.failures:
        print("FAIL", f)
    print("ok" if not h.failures else f"{len(h.failures)} failures")
    return 1 if h.failures else 0


if __name__ == "__main__":
    sys.exit(main())
