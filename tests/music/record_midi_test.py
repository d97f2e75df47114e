#!/usr/bin/env python3
"""Runs tunes with --record-midi (and QELSCRIPT_RECORD_MIDI) on the virtual
clock and reads the standard MIDI file back with a parser of its own: every
message sent, at the millisecond it was sent, time zero at the first one."""
import os
import struct
import subprocess
import sys
import tempfile

QEL = os.path.abspath(sys.argv[1])
failures = []


def check(name, condition, detail=""):
    if not condition:
        failures.append(f"{name}: {detail}")


def read_smf(path):
    """(format, division, [(tick, bytes)], tempos) of a one-track file,
    following the file format's own rules: chunks, variable-length deltas,
    running status, meta and system-exclusive events."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:4] == b"MThd", data[:4]
    length, fmt, ntracks, division = struct.unpack(">IHHH", data[4:14])
    pos = 8 + length
    assert data[pos:pos + 4] == b"MTrk"
    (track_length,) = struct.unpack(">I", data[pos + 4:pos + 8])
    pos += 8
    end = pos + track_length
    assert end == len(data), (end, len(data))
    events, tempos, tick, status, ended = [], [], 0, None, False

    def vlq():
        nonlocal pos
        value = 0
        while True:
            byte = data[pos]
            pos += 1
            value = (value << 7) | (byte & 0x7F)
            if not byte & 0x80:
                return value

    while pos < end:
        tick += vlq()
        if data[pos] & 0x80:
            status = data[pos]
            pos += 1
        if status == 0xFF:
            kind = data[pos]
            pos += 1
            size = vlq()
            body = data[pos:pos + size]
            pos += size
            if kind == 0x51:
                tempos.append((tick, int.from_bytes(body, "big")))
            if kind == 0x2F:
                ended = True
            continue
        if status in (0xF0, 0xF7):
            pos += vlq()
            continue
        count = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
        events.append((tick, bytes([status]) + data[pos:pos + count]))
        pos += count
    assert ended, "no end of track"
    return fmt, ntracks, division, events, tempos


def run(folder, script, args=(), env_extra=None):
    path = os.path.join(folder, "t.qel")
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    env = dict(os.environ, **(env_extra or {}))
    for name in ("QELSCRIPT_AUDIO_OUT", "QELSCRIPT_MIDI_OUT", "QELSCRIPT_RECORD_MIDI"):
        if not env_extra or name not in env_extra:
            env.pop(name, None)
    return subprocess.run([QEL, "--console", "--virtual-clock", "--no-system", *args, path],
                          cwd=folder, env=env, timeout=60, capture_output=True)


def ms(events, division, tempo):
    return [(round(t * tempo / division / 1000), e.hex()) for t, e in events]


def main():
    with tempfile.TemporaryDirectory() as folder:
        mid = os.path.join(folder, "tune.mid")
        # Two performances a second apart: a program change from 音色, a
        # quarter and an eighth at tempo 120, then a chord whose notes end
        # together.
        script = "音色は、5\n「ド4 レ8」を演奏\n待て 1\n「（ド ミ）4」を演奏\n"
        proc = run(folder, script, ["--record-midi", mid])
        check("option/exit", proc.returncode == 0, proc.stderr)
        fmt, ntracks, division, events, tempos = read_smf(mid)
        check("option/header", (fmt, ntracks) == (0, 1), (fmt, ntracks))
        check("option/one tempo", len(tempos) == 1, tempos)
        tempo = tempos[0][1]
        expected = [(0, "c005"), (0, "903c7f"), (500, "803c7f"), (500, "903e7f"),
                    (750, "803e7f"), (1750, "c005"), (1750, "903c7f"), (1750, "90407f"),
                    (2250, "803c7f"), (2250, "80407f")]
        check("option/messages", ms(events, division, tempo) == expected,
              ms(events, division, tempo))
        # A tick is exactly one millisecond.
        check("option/ms exact", tempo == 1000 * division, (division, tempo))

        # The environment variable does the same; two parts each get their
        # program change and their own channel.
        os.remove(mid)
        proc = run(folder, "「ソ2, 上 ド2」を演奏\n", env_extra={"QELSCRIPT_RECORD_MIDI": mid})
        fmt, ntracks, division, events, tempos = read_smf(mid)
        got = ms(events, division, tempos[0][1])
        check("env/messages", got == [(0, "c001"), (0, "c101"), (0, "90437f"), (0, "91487f"),
                                      (1000, "80437f"), (1000, "81487f")], got)

        # A run that plays nothing still leaves a valid, empty recording in
        # place of an older one; a file that cannot be written is said once
        # on standard error and the run goes on.
        proc = run(folder, "「x」を表示\n", ["--record-midi", mid])
        fmt, ntracks, division, events, tempos = read_smf(mid)
        check("empty/no events", events == [], events)
        proc = run(folder, "「ド」を演奏\n「レ」を演奏\n停止\n",
                   ["--record-midi", os.path.join(folder, "no", "such", "dir.mid")])
        check("unwritable/exit", proc.returncode == 0, proc.returncode)
        check("unwritable/said once", proc.stderr.decode().count("MIDI recording") == 1,
              proc.stderr)
        # An ALSA sequencer port that is not there (or no sequencer at
        # all): error 499 naming it, nothing sent, the script goes on.
        transcript = os.path.join(folder, "transcript")
        proc = run(folder, "「ド」を演奏\n「続き」を表示\n",
                   ["--record-midi", mid, "--transcript", transcript],
                   env_extra={"QELSCRIPT_MIDI_OUT": "alsa:no-such-client:0"})
        with open(transcript, encoding="utf-8") as f:
            lines = [l.split("\t") for l in f.read().splitlines() if l]
        check("alsa/499 then the message", [l[0] for l in lines] == ["ERR", "MSG"], lines)
        check("alsa/reason", lines and "499" in lines[0][3] and "ALSA" in lines[0][3], lines)
        check("alsa/nothing sent", read_smf(mid)[3] == [], read_smf(mid)[3])
        proc = run(folder, "", ["--record-midi"])
        check("option/needs a file", proc.returncode == 2, proc.returncode)

    for f in failures:
        print("FAIL", f)
    print("ok" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
