#!/usr/bin/env python3
"""Time from Ctrl+C (SIGINT) to the end of the process, for scripts that are
busy when it comes: a recursion whose calls run on numbers alone, and an
endless loop of statements. Prints the median and the longest of the runs.

Usage: interrupt_latency.py QELSCRIPT [RUNS]
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

# The busy scripts are the interrupt test's own.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "control"))
import interrupt  # noqa: E402

SCRIPTS = {
    "fib(60) on numbers": interrupt.SCRIPTS["a recursion on numbers alone"],
    "endless loop": interrupt.SCRIPTS["block loop"],
}


def one_run(qelscript, path):
    child = subprocess.Popen([qelscript, "--console", path], stdout=subprocess.PIPE,
                             stdin=subprocess.DEVNULL)
    child.stdout.readline()  # 始め: the busy part has begun
    time.sleep(0.3)
    start = time.monotonic()
    child.send_signal(signal.SIGINT)
    child.wait()
    if child.returncode != 130:
        raise SystemExit(f"exit status {child.returncode}, expected 130")
    return (time.monotonic() - start) * 1000


def main():
    qelscript = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    with tempfile.TemporaryDirectory() as work:
        for name, text in SCRIPTS.items():
            path = os.path.join(work, "busy.qel")
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            times = sorted(one_run(qelscript, path) for _ in range(runs))
            print(f"{name}: median {times[len(times) // 2]:.1f} ms, longest {times[-1]:.1f} ms")


if __name__ == "__main__":
    main()
