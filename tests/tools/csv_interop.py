#!/usr/bin/env python3
"""Holds the CSV that 保存 writes and 開け reads against Python's csv module,
which shares no code with the runtime.

Usage: csv_interop.py PATH/TO/qelscript

1. Python writes a CSV file with the cells other programs put there (commas,
   doubled quotes, line breaks inside quotes, Japanese, numbers, empty
   cells; not a literal "{**}", which is the table form's own escape for a
   comma); a script reads it with 開け and shows each cell; the cells shown
   must be Python's.
2. A script builds a table cell by cell (so its cells hold the escapes of the
   table form) and saves it as CSV; Python's reader must find the cells the
   script put in.
"""

import csv
import os
import subprocess
import sys
import tempfile

QELSCRIPT = sys.argv[1] if len(sys.argv) > 1 else "qelscript"
failures = []

CELLS = [
    ["1", "a,b", 'say "hi"', "日本語、です"],
    ["-2.5", "line\nbreak", "", "全角，読点"],
    ["text", '""', "漢字,かな", "3E+20"],
]


def unescape_transcript(field):
    out, i = [], 0
    while i < len(field):
        if field[i] == "\\" and i + 1 < len(field):
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}.get(field[i + 1], field[i + 1]))
            i += 2
        else:
            out.append(field[i])
            i += 1
    return "".join(out)


def run_script(folder, lines):
    script = os.path.join(folder, "t.qel")
    with open(script, "w", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")
    transcript = os.path.join(folder, "transcript")
    env = dict(os.environ, HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"),
               XDG_DATA_HOME=os.path.join(folder, ".local/share"))
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    subprocess.run([QELSCRIPT, "--console", "--no-system", "--transcript", transcript, script],
                   cwd=folder, env=env, check=True, capture_output=True)
    shown = []
    with open(transcript, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            parts = line.split("\t")
            if parts[0] == "MSG":
                shown.append(unescape_transcript(parts[3]))
            elif parts[0] == "ERR":
                shown.append("ERROR " + unescape_transcript(parts[3]))
    return shown


def check(name, ours, expected):
    if ours == expected:
        print(f"ok    {name}")
    else:
        failures.append(name)
        print(f"FAIL  {name}:\n      ours     {ours!r}\n      expected {expected!r}")


def python_writes_script_reads(folder):
    with open(os.path.join(folder, "py.csv"), "w", encoding="utf-8", newline="") as f:
        csv.writer(f).writerows(CELLS)
    lines = ["T は、開け(「py.csv」)"]
    for r, row in enumerate(CELLS, 1):
        for c in range(1, len(row) + 1):
            lines.append(f"T（{r},{c}）を表示")
    shown = run_script(folder, lines)
    # A cell shows its line break as the runtime keeps it (CR LF).
    expected = [cell for row in CELLS for cell in row]
    check("cells of a CSV written by Python", [s.replace("\r\n", "\n") for s in shown], expected)


def script_writes_python_reads(folder):
    lines = []
    for r, row in enumerate(CELLS, 1):
        for c, cell in enumerate(row, 1):
            value = "＆改行＆".join(f"「{part}」" for part in cell.split("\n"))
            lines.append(f"T（{r},{c}）は、{value}")
    lines.append("Tを「ours.csv」へ保存")
    shown = run_script(folder, lines)
    check("no errors while saving", shown, [])
    with open(os.path.join(folder, "ours.csv"), encoding="utf-8", newline="") as f:
        rows = [[cell.replace("\r\n", "\n") for cell in row] for row in csv.reader(f)]
    check("cells of a CSV written by 保存", rows, CELLS)


with tempfile.TemporaryDirectory() as folder:
    python_writes_script_reads(folder)
with tempfile.TemporaryDirectory() as folder:
    script_writes_python_reads(folder)

if failures:
    print(f"{len(failures)} failed: {', '.join(failures)}")
    sys.exit(1)
