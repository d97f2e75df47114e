#!/usr/bin/env python3
"""Writes small archives into the folder given: the shapes extraction must
handle (folders, links, names that try to climb out, absolute names,
compressed tars), each a few hundred bytes so the fuzzer starts near them."""
import io
import os
import sys
import tarfile
import zipfile


def tar(path, members, mode="w"):
    with tarfile.open(path, mode) as archive:
        for name, kind, data in members:
            info = tarfile.TarInfo(name)
            info.mtime = 0
            if kind == "dir":
                info.type = tarfile.DIRTYPE
                info.mode = 0o755
                archive.addfile(info)
            elif kind == "sym":
                info.type = tarfile.SYMTYPE
                info.linkname = data
                archive.addfile(info)
            elif kind == "hard":
                info.type = tarfile.LNKTYPE
                info.linkname = data
                archive.addfile(info)
            else:
                info.size = len(data)
                archive.addfile(info, io.BytesIO(data))


def trimmed_tar(path, members):
    """A plain tar without the padding to a whole record: the members and the
    two empty blocks that end the archive, nothing more."""
    tar(path, members)
    with open(path, "rb") as file:
        data = file.read()
    end = len(data)
    while end >= 512 and not any(data[end - 512:end]):
        end -= 512
    with open(path, "wb") as file:
        file.write(data[:end] + bytes(1024))


def zip_(path, members, method=zipfile.ZIP_STORED):
    with zipfile.ZipFile(path, "w", method) as archive:
        for name, data in members:
            archive.writestr(zipfile.ZipInfo(name, (1980, 1, 1, 0, 0, 0)), data)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    at = lambda name: os.path.join(folder, name)
    zip_(at("plain.zip"), [("a.txt", b"hello\n"), ("dir/", b""), ("dir/b.txt", b"b")])
    zip_(at("deflate.zip"), [("x/y/z.txt", b"z" * 200)], zipfile.ZIP_DEFLATED)
    zip_(at("climb.zip"), [("../up.txt", b"up"), ("/abs.txt", b"abs"), ("ok.txt", b"ok")])
    zip_(at("japanese.zip"), [("日本語/名前.txt", "中身".encode())])
    trimmed_tar(at("plain.tar"), [("d", "dir", None), ("d/f", "file", b"data"), ("g", "file", b"")])
    trimmed_tar(at("links.tar"), [("d", "dir", None), ("d/in", "sym", "../g"), ("g", "file", b"g"),
                                  ("out", "sym", "../../x"), ("abs", "sym", "/etc")])
    trimmed_tar(at("hardlinks.tar"), [("g", "file", b"g"), ("h", "hard", "g"),
                                      ("bad", "hard", "../g"), ("via/f", "file", b"through")])
    trimmed_tar(at("linkdir.tar"), [("l", "sym", "."), ("l/f", "file", b"f"), ("m", "sym", ".."),
                            ("m/escape", "file", b"e")])
    tar(at("climb.tar.gz"), [("a/../../b", "file", b"b"), ("./c", "file", b"c")], "w:gz")
    tar(at("small.tar.bz2"), [("f", "file", b"f" * 100)], "w:bz2")
    tar(at("small.tar.xz"), [("f", "file", b"f" * 100)], "w:xz")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
