#!/usr/bin/env python3
"""Tags of sound files through the ＭＰ３ properties: written by a script, read
back by the runtime and checked with this file's own reading of the ID3v2
frames and FLAC comments; the sound data must come through unchanged. Bad
input: a read-only file (run without root's rights) and a text file under an
.mp3 name, which must both stay as they were."""
import hashlib
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import wave

QEL = os.path.abspath(sys.argv[1])
failures = []


def check(name, condition, detail=""):
    if not condition:
        failures.append(f"{name}: {detail}")


def write_tone(path, seconds=1.0, rate=44100):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        frames = bytearray()
        for i in range(int(seconds * rate)):
            v = int(8000 * math.sin(2 * math.pi * 440 * i / rate))
            frames += struct.pack("<hh", v, v)
        w.writeframes(bytes(frames))


def run(folder, script, user=None):
    path = os.path.join(folder, "t.qel")
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    transcript = os.path.join(folder, "transcript")
    if os.path.exists(transcript):
        os.remove(transcript)
    command = [QEL, "--console", "--virtual-clock", "--no-system", "--transcript", transcript,
               path]
    if user is not None:
        command = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups"] + command
    env = dict(os.environ)
    env.pop("QELSCRIPT_AUDIO_OUT", None)
    env["HOME"] = folder
    proc = subprocess.run(command, cwd=folder, env=env, timeout=60, capture_output=True)
    with open(transcript, encoding="utf-8") as f:
        lines = [l.split("\t") for l in f.read().splitlines() if l]
    return proc.returncode, [(l[0], l[3]) for l in lines]


def syncsafe(b):
    return (b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3]


def decode_text(data):
    encoding, body = data[0], data[1:]
    if encoding == 0:
        return body.decode("latin-1").rstrip("\0")
    if encoding == 1:
        return body.decode("utf-16").rstrip("\0")
    if encoding == 2:
        return body.decode("utf-16-be").rstrip("\0")
    return body.decode("utf-8").rstrip("\0")


def id3v2_frames(data):
    """The text frames of the ID3v2 tag at the start of `data`, and the size of
    the whole tag (header included)."""
    if data[:3] != b"ID3":
        return {}, 0
    major = data[3]
    size = syncsafe(data[6:10]) + 10
    frames, at = {}, 10
    while at + 10 <= size and data[at:at + 4].strip(b"\0"):
        frame_id = data[at:at + 4].decode("ascii")
        length = syncsafe(data[at + 4:at + 8]) if major == 4 else struct.unpack(
            ">I", data[at + 4:at + 8])[0]
        body = data[at + 10:at + 10 + length]
        if frame_id == "COMM":
            # encoding, language, description NUL, text
            encoding = body[0]
            rest = body[4:]
            terminator = b"\0\0" if encoding in (1, 2) else b"\0"
            cut = rest.find(terminator)
            if encoding in (1, 2):
                while cut % 2:
                    cut = rest.find(terminator, cut + 1)
            frames[frame_id] = decode_text(bytes([encoding]) + rest[cut + len(terminator):])
        elif frame_id.startswith("T"):
            frames[frame_id] = decode_text(body)
        at += 10 + length
    return frames, size


def flac_comments(data):
    assert data[:4] == b"fLaC"
    at, comments = 4, {}
    while True:
        header = data[at]
        length = int.from_bytes(data[at + 1:at + 4], "big")
        if header & 0x7F == 4:
            body = data[at + 4:at + 4 + length]
            vendor = struct.unpack("<I", body[:4])[0]
            pos = 4 + vendor
            count = struct.unpack("<I", body[pos:pos + 4])[0]
            pos += 4
            for _ in range(count):
                n = struct.unpack("<I", body[pos:pos + 4])[0]
                key, _, value = body[pos + 4:pos + 4 + n].decode("utf-8").partition("=")
                comments[key.upper()] = value
                pos += 4 + n
        at += 4 + length
        if header & 0x80:
            return comments, at


def encode(commands):
    for command in commands:
        try:
            if subprocess.run(command, capture_output=True).returncode == 0:
                return True
        except FileNotFoundError:
            continue
    return False


SET_TAGS = ("ＭＰ３のファイル名＝「{name}」\n"
            "ＭＰ３のタイトル＝「春の海」\nＭＰ３のアーティスト＝「宮城 Quartet」\n"
            "ＭＰ３のアルバム＝「Album α」\nＭＰ３のリリース年＝2024\nＭＰ３のジャンル＝17\n"
            "ＭＰ３のコメント＝「一行」\n"
            "ＭＰ３のファイル名＝「{name}」\n"
            "ＭＰ３のタイトルを表示\nＭＰ３のアーティストを表示\nＭＰ３のアルバムを表示\n")
READ_BACK = ["春の海", "宮城 Quartet", "Album α"]


def check_mp3(folder):
    wav = os.path.join(folder, "source.wav")
    mp3 = os.path.join(folder, "tone.mp3")
    write_tone(wav)
    if not encode([["lame", "--quiet", "-b", "128", wav, mp3],
                   ["ffmpeg", "-loglevel", "error", "-y", "-i", wav, mp3]]):
        print("SKIP mp3 tags: neither lame nor ffmpeg is installed")
        return None
    with open(mp3, "rb") as f:
        sound = f.read()
    # Reopened after the writes, so the answers come from the file.
    code, lines = run(folder, SET_TAGS.format(name="tone.mp3"))
    check("mp3/exit", code == 0, code)
    check("mp3/read back", [t for _, t in lines] == READ_BACK, lines)
    with open(mp3, "rb") as f:
        data = f.read()
    frames, size = id3v2_frames(data)
    check("mp3/title", frames.get("TIT2") == "春の海", frames)
    check("mp3/artist", frames.get("TPE1") == "宮城 Quartet", frames)
    check("mp3/album", frames.get("TALB") == "Album α", frames)
    check("mp3/year", (frames.get("TDRC") or frames.get("TYER")) == "2024", frames)
    check("mp3/genre", frames.get("TCON") in ("Rock", "17", "(17)"), frames)
    check("mp3/comment", frames.get("COMM") == "一行", frames)
    # The tag goes in front of the sound, which stays byte for byte.
    check("mp3/sound kept", data[size:size + len(sound)] == sound,
          f"tag {size} bytes, file {len(data)}, sound {len(sound)}")
    return mp3


def check_read_only(folder, mp3):
    """A file the run may not write: error 403, the file unchanged, and the
    properties keep showing what the file holds."""
    if os.geteuid() == 0 and not shutil.which("setpriv"):
        print("SKIP read-only tags: running as root without setpriv")
        return
    locked = os.path.join(folder, "locked.mp3")
    shutil.copy(mp3, locked)
    os.chmod(locked, 0o444)
    os.chmod(folder, 0o777)
    before = hashlib.sha256(open(locked, "rb").read()).hexdigest()
    user = 65534 if os.geteuid() == 0 else None
    code, lines = run(folder, "ＭＰ３のファイル名＝「locked.mp3」\nＭＰ３のタイトル＝「別の題」\n"
                      "ＭＰ３のタイトルを表示\n", user=user)
    check("read-only/exit", code == 0, code)
    check("read-only/403", len(lines) == 2 and lines[0][0] == "ERR"
          and "MP3の設定を変更できませんでした。" in lines[0][1], lines)
    check("read-only/title kept", lines[-1:] == [("MSG", "春の海")], lines)
    after = hashlib.sha256(open(locked, "rb").read()).hexdigest()
    check("read-only/file unchanged", before == after)


def check_text_as_mp3(folder):
    text = os.path.join(folder, "text.mp3")
    with open(text, "w") as f:
        f.write("これは音ではありません。\n" * 40)
    before = open(text, "rb").read()
    code, lines = run(folder, "ＭＰ３のファイル名＝「text.mp3」\nＭＰ３のタイトル＝「題」\n"
                      "ＭＰ３のタイトルを表示\n")
    check("text/exit", code == 0, code)
    check("text/402", lines and lines[0][0] == "ERR" and "MP3再生エラー : 2" in lines[0][1],
          lines)
    check("text/403", len(lines) == 3 and "MP3の設定を変更できませんでした。" in lines[1][1], lines)
    check("text/no title", lines[-1:] == [("MSG", "")], lines)
    check("text/unchanged", open(text, "rb").read() == before)


def check_flac(folder):
    wav = os.path.join(folder, "source.wav")
    flac = os.path.join(folder, "tone.flac")
    if not encode([["sox", wav, flac], ["flac", "--silent", "-o", flac, wav],
                   ["ffmpeg", "-loglevel", "error", "-y", "-i", wav, flac]]):
        print("SKIP flac tags: none of sox, flac, ffmpeg is installed")
        return
    with open(wav, "rb") as w, open(flac, "rb") as f:
        _, start = flac_comments(f.read())
    with open(flac, "rb") as f:
        frames_before = f.read()[start:]
    code, lines = run(folder, SET_TAGS.format(name="tone.flac"))
    check("flac/exit", code == 0, code)
    check("flac/read back", [t for _, t in lines] == READ_BACK, lines)
    with open(flac, "rb") as f:
        data = f.read()
    comments, start = flac_comments(data)
    check("flac/comments", comments.get("TITLE") == "春の海"
          and comments.get("ARTIST") == "宮城 Quartet" and comments.get("ALBUM") == "Album α"
          and comments.get("DATE") == "2024" and comments.get("GENRE") == "Rock"
          and comments.get("COMMENT") == "一行", comments)
    check("flac/sound kept", data[start:] == frames_before)


def main():
    with tempfile.TemporaryDirectory() as folder:
        os.chmod(folder, 0o755)
        write_tone(os.path.join(folder, "source.wav"))
        mp3 = check_mp3(folder)
        if mp3:
            check_read_only(folder, mp3)
        check_text_as_mp3(folder)
        check_flac(folder)
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
