#!/usr/bin/env python3
"""Ctrl+C (SIGINT) ends an endless loop in console mode: the process exits on
its own, promptly, without running what follows the loop, and with what it
printed before intact.

Usage: interrupt.py QELSCRIPT
"""
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

# Each script prints 始め once, then spins without end in a different way.
SCRIPTS = {
    "block loop": """「始め」を表示
X は 0
永遠に繰り返す
  X に 1 を足せ
繰り返し終わり
「ループの後なのに」を表示
""",
    "one-line loop": """「始め」を表示
「X に 1 を足せ」を永遠に繰り返す
「ループの後なのに」を表示
""",
    "empty loop body": """「始め」を表示
繰り返す
繰り返し終わり
「ループの後なのに」を表示
""",
    "loop in a procedure in a block": """手順は　回る
  Iに1から2まで繰り返す
    I は 1
  繰り返し終わり
  「手順の後なのに」を表示
終わり
「始め」を表示
もし 1 が 1 なら
  回る
  「もしの後なのに」を表示
もし終わり
「最後なのに」を表示
""",
    "compiled statements and calls": """手順は　半分（n）
  もし n が 2 より下なら nで手順から抜ける
  答えは、半分(n÷2)
  答えで手順から抜ける
終わり
「始め」を表示
X は 0
永遠に繰り返す
  X は、X＋半分(1000)
  もし X が 0 より下なら 繰り返しから抜ける
繰り返し終わり
「ループの後なのに」を表示
""",
    "a recursion on numbers alone": """手順は　フィボ（n）
  もし n が 2 より下なら nで手順から抜ける
  答えは、フィボ(n－1)＋フィボ(n－2)
  答えで手順から抜ける
終わり
「始め」を表示
フィボ(60)を表示
「計算の後なのに」を表示
""",
    "backward jump": """「始め」を表示
上：
上へ飛べ
「飛んだ後なのに」を表示
""",
    "real waits": """「始め」を表示
永遠に繰り返す
  待て　1
繰り返し終わり
「ループの後なのに」を表示
""",
}

STARTUP_TIMEOUT = 20  # generous: sanitizer builds start slowly
EXIT_TIMEOUT = 10


def read_line(stream, deadline):
    """One line of the child's standard output, or None at the deadline."""
    data = b""
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0:
            return None
        ready, _, _ = select.select([stream], [], [], left)
        if not ready:
            return None
        chunk = os.read(stream.fileno(), 1)
        if not chunk:
            return data.decode("utf-8", "replace") or None
        data += chunk
    return data.decode("utf-8", "replace")


def check(qelscript, name, script, work):
    path = os.path.join(work, "loop.qel")
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    transcript = os.path.join(work, "transcript")
    child = subprocess.Popen(
        [qelscript, "--console", "--transcript", transcript, path],
        stdin=subprocess.DEVNULL,
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
    )
    try:
        first = read_line(child.stdout, time.monotonic() + STARTUP_TIMEOUT)
        if first is None or first.strip() != "始め":
            return f"{name}: the script did not start (first line {first!r})"
        time.sleep(0.3)  # well inside the endless part now
        child.send_signal(signal.SIGINT)
        try:
            rest, errors = child.communicate(timeout=EXIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            return f"{name}: still running {EXIT_TIMEOUT} s after Ctrl+C"
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    if child.returncode < 0:
        return f"{name}: died of signal {-child.returncode}\n{errors.decode('utf-8', 'replace')}"
    if child.returncode != 130:
        return f"{name}: exit status {child.returncode}\n{errors.decode('utf-8', 'replace')}"
    if rest.strip():
        return f"{name}: ran on after the interrupt: {rest.decode('utf-8', 'replace')[:300]!r}"
    with open(transcript, encoding="utf-8") as f:
        lines = f.read().splitlines()
    if lines != ["MSG\t0\tQelvane\t始め\t1"]:
        return f"{name}: transcript {lines[:5]!r} ({len(lines)} lines)"
    return None


def main():
    qelscript = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for name, script in SCRIPTS.items():
            problem = check(qelscript, name, script, work)
            if problem:
                failures.append(problem)
    for problem in failures:
        print(problem)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
