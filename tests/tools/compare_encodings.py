#!/usr/bin/env python3
"""Holds the runtime's encodings against implementations that share no code
with it: Python's codecs (euc_jp, iso2022_jp, utf-8), urllib's URL quoting
and coreutils' base64.

Usage: compare_encodings.py PATH/TO/encoding_probe

The probe runs one of our routines on standard input (see its source for the
forms texts take). Where our forms deliberately differ from the standard ones
(the escapes of ISO-2022-JP, escaped trail bytes in URLs, the line length of
Base64) the expected value is adjusted and the difference said beside it.
"""

import base64
import random
import subprocess
import sys
import urllib.parse

PROBE = sys.argv[1] if len(sys.argv) > 1 else "encoding_probe"
failures = []


def probe(operation, data):
    result = subprocess.run([PROBE, operation], input=data, capture_output=True, check=True)
    return result.stdout


def check(name, ours, expected):
    if ours == expected:
        print(f"ok    {name}")
        return
    at = next((i for i, (a, b) in enumerate(zip(ours, expected)) if a != b), min(len(ours), len(expected)))
    failures.append(name)
    print(f"FAIL  {name}: first difference at {at} (lengths {len(ours)} and {len(expected)})")
    print(f"      ours     {ours[max(0, at - 12):at + 12]!r}")
    print(f"      expected {expected[max(0, at - 12):at + 12]!r}")


def jis_x_0208_characters():
    """Every character of the JIS X 0208 rows, as Python's codecs know them."""
    chars = []
    for row in range(0x21, 0x7F):
        for cell in range(0x21, 0x7F):
            try:
                ch = bytes([row | 0x80, cell | 0x80]).decode("euc_jp")
                ch.encode("shift_jis")
            except UnicodeError:
                continue
            chars.append(ch)
    return chars


def sample_text(chars, ascii_every=37, newlines=False):
    """The characters with ASCII runs between them, so that mode changes and
    pair alignment are exercised."""
    pieces = []
    letters = "abcXYZ019 !#$%&'()*+,-./:;<=>?@[]^_`{|}~\\"
    rnd = random.Random(5)
    for i, ch in enumerate(chars):
        pieces.append(ch)
        if i % ascii_every == 0:
            pieces.append("".join(rnd.choice(letters) for _ in range(rnd.randint(1, 4))))
            if newlines:
                pieces.append("\n")
    return "".join(pieces)


def check_euc(chars):
    text = sample_text(chars)
    sjis = text.encode("shift_jis")
    expected = text.encode("euc_jp")
    check("EUC-JP encode, every JIS X 0208 character", probe("euc-encode", sjis), expected)
    check("EUC-JP decode, every JIS X 0208 character", probe("euc-decode", expected), sjis)
    lines = "漢字\nかな\n".encode("euc_jp")
    check("EUC-JP decode, LF becomes CR LF", probe("euc-decode", lines), "漢字\r\nかな\r\n".encode("shift_jis"))
    # Half-width katakana are written after the single-shift byte as the
    # standard says...
    kana = "ｱｲｳｴｵﾟ"
    check("EUC-JP encode, half-width katakana", probe("euc-encode", kana.encode("shift_jis")), kana.encode("euc_jp"))
    # ...but the decoder converts the 0x8E pair like any other, which names
    # no character: each comes back as "・". Not the standard; kept on purpose.
    check("EUC-JP decode, 0x8E pairs give '・'", probe("euc-decode", kana.encode("euc_jp")), "・".encode("shift_jis") * len(kana))


def check_iso2022(chars):
    text = sample_text(chars, newlines=True)
    sjis = text.encode("shift_jis")
    standard = text.encode("iso2022_jp")
    # Our encoder announces the first run even when it is ASCII and writes no
    # closing ESC ( B after a text that ends in a double-byte run; stored
    # files expect exactly that.
    expected = standard
    if ord(text[0]) < 0x80:
        expected = b"\x1b(B" + expected
    if ord(text[-1]) >= 0x80 and expected.endswith(b"\x1b(B"):
        expected = expected[:-3]
    ours = probe("jis-encode", sjis)
    check("ISO-2022-JP encode, every JIS X 0208 character", ours, expected)
    check("ISO-2022-JP encode, read back by Python", ours.decode("iso2022_jp"), text)
    check("ISO-2022-JP decode, every JIS X 0208 character",
          probe("jis-decode", standard), text.replace("\n", "\r\n").encode("shift_jis"))
    ends_double = "ab漢字"
    check("ISO-2022-JP encode, no closing escape",
          probe("jis-encode", ends_double.encode("shift_jis")), b"\x1b(B" + ends_double.encode("iso2022_jp")[:-3])


def check_utf8():
    text = "".join(chr(c) for c in range(1, 0x10000) if not 0xD800 <= c <= 0xDFFF)
    text += "\U0001F600\U00010000\U0010FFFF"
    utf16 = text.encode("utf-16-le")
    utf8 = text.encode("utf-8")
    check("UTF-8 encode, whole basic plane and beyond", probe("utf8-encode", utf16), utf8)
    check("UTF-8 decode, whole basic plane and beyond", probe("utf8-decode", utf8), utf16)
    # Damaged input: Python replaces each maximal bad stretch once, we replace
    # every bad byte; with runs of replacements merged the results agree.
    rnd = random.Random(9)
    pieces = [b"\xe3\x81\x82", b"a", b"\xf0\x9f\x98\x80", b"\xc3\xa9", b"\x80", b"\xe3\x81", b"\xf0\x9f",
              b"\xed\xa0\x80", b"\xc0\xaf", b"\xff", b"\xf4\x90\x80\x80", b"\xe0\x80\x80"]
    damaged = b"".join(rnd.choice(pieces) for _ in range(20000)) + bytes(rnd.randrange(256) for _ in range(20000))

    def merged(s):
        out = []
        for ch in s:
            if ch == "\ufffd" and out and out[-1] == "\ufffd":
                continue
            out.append(ch)
        return "".join(out)

    ours = probe("utf8-decode", damaged).decode("utf-16-le", "surrogatepass")
    check("UTF-8 decode, damaged input", merged(ours), merged(damaged.decode("utf-8", "replace")))


def check_base64():
    rnd = random.Random(3)
    for length in [0, 1, 2, 3, 54, 55, 56, 4096, 100003]:
        data = bytes(rnd.randrange(256) for _ in range(length))
        # Lines of 72 characters joined by CR LF, with nothing after the last.
        coreutils = subprocess.run(["base64", "-w", "72"], input=data, capture_output=True, check=True).stdout
        expected = coreutils.rstrip(b"\n").replace(b"\n", b"\r\n")
        ours = probe("base64-encode", data)
        check(f"Base64 encode, {length} bytes", ours, expected)
        back = subprocess.run(["base64", "-d", "-i"], input=ours, capture_output=True, check=True).stdout
        check(f"Base64 encode, {length} bytes, read back by coreutils", back, data)
        wrapped = subprocess.run(["base64", "-w", "76"], input=data, capture_output=True, check=True).stdout
        check(f"Base64 decode, {length} bytes", probe("base64-decode", wrapped), data)


def check_url(chars):
    rnd = random.Random(1)
    texts = [
        "abc", "a b", "/", "".join(chr(c) for c in range(0x20, 0x7F)),
        "日本語のテキスト、表示と申請", "ｱｲｳ a ｴｵ", "ﾃｽﾄa", "100% & more?",
        "".join(rnd.choice(chars) for _ in range(2000)),
    ]
    for text in texts:
        ours = probe("url-cp932", text.encode("utf-8")).decode("ascii")
        # Decoded by urllib, the URL gives back the text's bytes.
        check(f"URL (code page 932) decodes back: {text[:12]!r}",
              urllib.parse.unquote_to_bytes(ours.replace("+", " ")), text.encode("cp932"))
        # quote_plus with "@" and "*" kept and "~" escaped is our alphabet;
        # beyond it the byte after any byte of 0x80 or more (meant for the
        # trail byte of a double-byte character) is always escaped.
        expected = []
        force = False
        for b in text.encode("cp932"):
            if force:
                expected.append("%%%02X" % b)
                force = False
            else:
                expected.append(urllib.parse.quote_plus(bytes([b]), safe="@*").replace("~", "%7E"))
                force = b >= 0x80
        check(f"URL (code page 932): {text[:12]!r}", ours, "".join(expected))
        ours8 = probe("url-utf8", text.encode("utf-8")).decode("ascii")
        check(f"URL (UTF-8): {text[:12]!r}", ours8,
              urllib.parse.quote_plus(text, safe="@*", encoding="utf-8").replace("~", "%7E"))


def main():
    chars = jis_x_0208_characters()
    if len(chars) < 6800:
        print(f"FAIL  Python's euc_jp knows only {len(chars)} characters")
        return 1
    check_euc(chars)
    check_iso2022(chars)
    check_utf8()
    check_base64()
    check_url(chars)
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
