"""Archives held against outside tools: what we write is listed by bsdtar and
unzip, what bsdtar, zip and tar write is extracted by us, and hostile
archives never write outside their target folder.

Usage: outside_checks.py QELSCRIPT"""
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

import make_hostile

QELSCRIPT = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run_script(folder, lines):
    """Runs the lines as a script in folder; returns the transcript lines."""
    script = os.path.join(folder, "t.qel")
    with open(script, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    transcript = os.path.join(folder, "transcript")
    env = dict(os.environ, HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"),
               XDG_DATA_HOME=os.path.join(folder, ".local/share"))
    env.pop("DISPLAY", None)
    subprocess.run([QELSCRIPT, "--console", "--no-system", "--transcript", transcript, script],
                   cwd=folder, env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=300)
    with open(transcript, encoding="utf-8") as f:
        return f.read().splitlines()


def errors(transcript):
    return [line for line in transcript if line.startswith("ERR")]


def make_tree(root):
    os.makedirs(os.path.join(root, "tree/sub/深い"))
    os.makedirs(os.path.join(root, "tree/empty"))
    with open(os.path.join(root, "tree/a.txt"), "w") as f:
        f.write("alpha\n")
    with open(os.path.join(root, "tree/sub/日本語.txt"), "w", encoding="utf-8") as f:
        f.write("日本語の中身\n")
    with open(os.path.join(root, "tree/sub/深い/b.bin"), "wb") as f:
        f.write(bytes(range(256)) * 100)
    os.symlink("a.txt", os.path.join(root, "tree/link"))


TREE_NAMES = {"tree", "tree/a.txt", "tree/empty", "tree/link", "tree/sub", "tree/sub/日本語.txt",
              "tree/sub/深い", "tree/sub/深い/b.bin"}


def listed(command):
    out = subprocess.run(command, capture_output=True, check=True).stdout.decode("utf-8")
    return out.splitlines()


def same_trees(left, right):
    comparison = filecmp.dircmp(left, right)
    if comparison.left_only or comparison.right_only or comparison.diff_files or comparison.funny_files:
        return False
    return all(same_trees(os.path.join(left, d), os.path.join(right, d)) for d in comparison.common_dirs)


def ours_read_by_others(work):
    make_tree(work)
    names = ["ours.zip", "ours.tar", "ours.tgz", "ours.tb2", "ours.taz", "ours.tar.xz"]
    t = run_script(work, ["「tree」を「%s」へ圧縮" % name for name in names])
    check(not errors(t), "creating our archives: %s" % errors(t))
    for name in names:
        path = os.path.join(work, name)
        entries = {entry.rstrip("/") for entry in listed(["bsdtar", "-tf", path])}
        check(entries == TREE_NAMES, "bsdtar lists %s as %s" % (name, sorted(entries)))
        content = subprocess.run(["bsdtar", "-xOf", path, "tree/sub/日本語.txt"], capture_output=True).stdout
        check(content == "日本語の中身\n".encode("utf-8"), "content of %s" % name)
        link = [line for line in listed(["bsdtar", "-tvf", path]) if line.endswith("tree/link -> a.txt")]
        check(len(link) == 1, "the link in %s stays a link" % name)
    unzip = listed(["unzip", "-l", os.path.join(work, "ours.zip")])
    unzip_names = {line.split(None, 3)[3].rstrip("/") for line in unzip[3:-2]}
    check(unzip_names == TREE_NAMES, "unzip lists %s" % sorted(unzip_names))
    test = subprocess.run(["unzip", "-tq", os.path.join(work, "ours.zip")], capture_output=True)
    check(test.returncode == 0, "unzip tests ours.zip: %s" % test.stdout)
    gzip_magic = open(os.path.join(work, "ours.tgz"), "rb").read(2)
    check(gzip_magic == b"\x1f\x8b", "a .tgz is gzip-compressed")
    check(open(os.path.join(work, "ours.tb2"), "rb").read(3) == b"BZh", "a .tb2 is bzip2-compressed")
    check(open(os.path.join(work, "ours.taz"), "rb").read(2) == b"\x1f\x9d", "a .taz is compress-compressed")
    check(not [n for n in os.listdir(work) if n.startswith(".qel-")], "no temporary files stay behind")


def others_read_by_us(work):
    make_tree(work)
    made = {
        "bsd.tar": ["bsdtar", "-cf", "bsd.tar", "tree"],
        "bsd.tgz": ["bsdtar", "-czf", "bsd.tgz", "tree"],
        "gnu.tar.bz2": ["tar", "-cjf", "gnu.tar.bz2", "tree"],
        "info.zip": ["zip", "-qry", "info.zip", "tree"],
        "seven.7z": ["bsdtar", "--format", "7zip", "-cf", "seven.7z", "tree"],
        "cpio.bin": ["bsdtar", "--format", "cpio", "-cf", "cpio.bin", "tree"],
    }
    for name, command in made.items():
        subprocess.run(command, cwd=work, check=True, capture_output=True)
    # A zip under a name that says nothing: its kind is found by testing it.
    shutil.copy(os.path.join(work, "info.zip"), os.path.join(work, "data.bin"))
    names = list(made) + ["data.bin"]
    t = run_script(work, ["「%s」を「out-%s」へ解凍" % (name, name) for name in names])
    check(not errors(t), "extracting others' archives: %s" % errors(t))
    for name in names:
        out = os.path.join(work, "out-" + name, "tree")
        check(os.path.isdir(out) and same_trees(os.path.join(work, "tree"), out), "%s extracts whole" % name)
        check(os.path.islink(os.path.join(out, "link")), "the link in %s is a link again" % name)


def old_code_page_names(work):
    """Zips from the old system store names in its code page, unmarked."""
    path = os.path.join(work, "cp932.zip")
    name = "資料/メモ.txt"
    class OldNames(zipfile.ZipInfo):
        __slots__ = ()

        def _encodeFilenameFlags(self):
            return self.filename.encode("cp932"), self.flag_bits

    with zipfile.ZipFile(path, "w") as z:
        z.writestr(OldNames(name), "中身")
    t = run_script(work, ["「cp932.zip」を「cp」へ解凍"])
    check(not errors(t), "extracting a code-page zip: %s" % errors(t))
    check(os.path.isfile(os.path.join(work, "cp", "資料", "メモ.txt")), "code-page names become UTF-8")


def snapshot(folder):
    found = {}
    for base, dirs, files in os.walk(folder):
        for item in dirs + files:
            path = os.path.join(base, item)
            found[path] = open(path, "rb").read() if os.path.isfile(path) and not os.path.islink(path) else None
    return found


def hostile(work):
    outside = os.path.join(work, "outside")
    archives = os.path.join(work, "archives")
    sandbox = os.path.join(work, "sandbox", "deeper")
    for folder in (outside, archives, sandbox):
        os.makedirs(folder)
    with open(os.path.join(outside, "victim.txt"), "w") as f:
        f.write("victim\n")
    made = make_hostile.build(archives, outside)
    # A link already in the target folder must not be followed either.
    os.makedirs(os.path.join(sandbox, "pre"))
    os.symlink(outside, os.path.join(sandbox, "pre", "evil"))
    with tarfile_open(os.path.join(archives, "prelink.tar")) as tar:
        add_file(tar, "evil/through_existing.txt", b"escaped\n")
    made["prelink"] = os.path.join(archives, "prelink.tar")
    before_outside = snapshot(outside)
    before_work = set(os.listdir(work))
    for kind, path in made.items():
        target = "pre" if kind == "prelink" else kind
        t = run_script(sandbox, ["「%s」を「%s」へ解凍" % (path, target)])
        check(len(errors(t)) == 1 and "エラー番号208" in errors(t)[0], "%s is reported: %s" % (kind, t))
        code = {"bomb": "エラー番号：3", "mtree": "エラー番号：1"}.get(kind, "エラー番号：2")
        check(any(code in line for line in errors(t)), "%s gives %s" % (kind, code))
        check(snapshot(outside) == before_outside, "%s leaves the outside folder alone" % kind)
        check(set(os.listdir(work)) == before_work, "%s writes nothing beside the sandbox" % kind)
        check(set(os.listdir(os.path.dirname(sandbox))) == {"deeper"}, "%s stays in its folder" % kind)
        # Every link that was made resolves inside the folder it was made in.
        folder = os.path.join(sandbox, target)
        for base, dirs, files in os.walk(folder):
            for item in dirs + files:
                path = os.path.join(base, item)
                if os.path.islink(path) and kind != "prelink":
                    resolved = os.path.realpath(path)
                    check(resolved == folder or resolved.startswith(folder + os.sep),
                          "%s: link %s resolves to %s" % (kind, path, resolved))
    check(os.path.islink(os.path.join(sandbox, "chain", "l2")), "a harmless link is made")
    check(not os.path.exists(os.path.join(sandbox, "mtree")), "a file description is not extracted")
    # Safe entries beside the hostile ones still arrive.
    check(open(os.path.join(sandbox, "dotdot", "ok.txt")).read() == "fine\n", "safe entries are extracted")
    # The bomb's partial file is gone and no more than the limit was written.
    check(not os.listdir(os.path.join(sandbox, "bomb")), "the bomb leaves nothing behind")


def tarfile_open(path):
    import tarfile
    return tarfile.open(path, "w")


def add_file(tar, name, data):
    make_hostile.add_bytes(tar, name, data)


def failures_keep_the_old_archive(work):
    make_tree(work)
    t = run_script(work, ["「tree」を「keep.zip」へ圧縮"])
    check(not errors(t), "first archive")
    before = open(os.path.join(work, "keep.zip"), "rb").read()
    t = run_script(work, ["「tree/a.txt,tree/gone.txt」を「keep.zip」へ圧縮"])
    check(len(errors(t)) == 1 and "エラー番号201" in errors(t)[0], "a missing member is reported: %s" % t)
    # A folder that is a file cannot take the archive, whoever runs the test.
    t = run_script(work, ["「tree」を「tree/a.txt/inside.zip」へ圧縮"])
    check(len(errors(t)) == 1 and "エラー番号207" in errors(t)[0], "an unwritable place is reported: %s" % t)
    check(open(os.path.join(work, "keep.zip"), "rb").read() == before, "a failed 圧縮 leaves the archive as it was")
    check(not [n for n in os.listdir(work) if n.startswith(".qel-")], "no temporary files stay behind")
    # A file that is no archive leaves no folder behind.
    t = run_script(work, ["「tree/a.txt」を「nofolder」へ解凍"])
    check(len(errors(t)) == 1 and "エラー番号208" in errors(t)[0], "no archive is reported: %s" % t)
    check(not os.path.exists(os.path.join(work, "nofolder")), "no folder is made for a file that is no archive")
    # Written through a link, the archive replaces the file and the link stays.
    os.symlink("keep.zip", os.path.join(work, "link.zip"))
    t = run_script(work, ["「tree/sub」を「link.zip」へ圧縮"])
    check(not errors(t), "writing through a link: %s" % t)
    check(os.path.islink(os.path.join(work, "link.zip")), "the link stays a link")
    after = open(os.path.join(work, "keep.zip"), "rb").read()
    check(after != before and "sub/日本語.txt" in listed(["bsdtar", "-tf", os.path.join(work, "keep.zip")]),
          "the linked archive took the new member")


for check_function in (ours_read_by_others, others_read_by_us, old_code_page_names, hostile,
                       failures_keep_the_old_archive):
    with tempfile.TemporaryDirectory() as folder:
        check_function(folder)

if failures:
    print("%d failures" % len(failures))
    sys.exit(1)
print("all archive checks passed")
