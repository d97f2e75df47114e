"""Builds archives that try to write outside the folder they are extracted
into, and one that expands far beyond its size. Used by outside_checks.py."""
import bz2
import io
import os
import sys
import tarfile
import zipfile


def add_bytes(tar, name, data, **fields):
    info = tarfile.TarInfo(name)
    info.size = len(data)
    for key, value in fields.items():
        setattr(info, key, value)
    tar.addfile(info, io.BytesIO(data))


def add_link(tar, name, target, kind=tarfile.SYMTYPE):
    info = tarfile.TarInfo(name)
    info.type = kind
    info.linkname = target
    tar.addfile(info)


def build(folder, outside):
    made = {}
    path = os.path.join(folder, "absolute.tar")
    with tarfile.open(path, "w") as tar:
        add_bytes(tar, "ok.txt", b"fine\n")
        add_bytes(tar, os.path.join(outside, "absolute.txt"), b"escaped\n")
    made["absolute"] = path

    path = os.path.join(folder, "dotdot.zip")
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("ok.txt", "fine\n")
        z.writestr("../dotdot.txt", "escaped\n")
        z.writestr("a/../../dotdot2.txt", "escaped\n")
        z.writestr("..\\backslash.txt", "escaped\n")
    made["dotdot"] = path

    # A link pointing outside, then a file written through it.
    path = os.path.join(folder, "symlink.tar")
    with tarfile.open(path, "w") as tar:
        add_link(tar, "escape", outside)
        add_bytes(tar, "escape/through_link.txt", b"escaped\n")
        add_link(tar, "up", "../..")
        add_bytes(tar, "up/through_up.txt", b"escaped\n")
        add_bytes(tar, "ok.txt", b"fine\n")
    made["symlink"] = path

    # A hard link to a file outside.
    path = os.path.join(folder, "hardlink.tar")
    with tarfile.open(path, "w") as tar:
        add_link(tar, "hard", os.path.join(outside, "victim.txt"), tarfile.LNKTYPE)
        add_link(tar, "hard2", "../victim.txt", tarfile.LNKTYPE)
    made["hardlink"] = path

    # Links that are harmless one by one but lead outside together: a link
    # replacing a folder another link goes through, and a link whose way
    # passes through a link.
    path = os.path.join(folder, "chain.tar")
    with tarfile.open(path, "w") as tar:
        info = tarfile.TarInfo("d")
        info.type = tarfile.DIRTYPE
        tar.addfile(info)
        add_link(tar, "l1", "d/..")
        add_link(tar, "d", ".")
        add_link(tar, "l2", ".")
        add_link(tar, "l3", "l2/..")
    made["chain"] = path

    # A description of files rather than an archive: reading it as one would
    # copy a file of this machine into the folder.
    path = os.path.join(folder, "mtree.dat")
    with open(path, "w") as f:
        f.write("#mtree\n./copied.txt type=file contents=%s\n" % os.path.join(outside, "victim.txt"))
    made["mtree"] = path

    # 96 MiB of zeros in a few hundred bytes.
    path = os.path.join(folder, "bomb.tbz")
    size = 96 << 20
    with tarfile.open(path, "w:bz2") as tar:
        info = tarfile.TarInfo("zeros.bin")
        info.size = size

        class Zeros(io.RawIOBase):
            def __init__(self):
                self.left = size

            def readable(self):
                return True

            def readinto(self, buffer):
                n = min(len(buffer), self.left)
                buffer[:n] = bytes(n)
                self.left -= n
                return n

        tar.addfile(info, io.BufferedReader(Zeros(), 1 << 20))
    made["bomb"] = path
    return made


if __name__ == "__main__":
    for kind, path in build(sys.argv[1], sys.argv[2]).items():
        print(kind, path)
