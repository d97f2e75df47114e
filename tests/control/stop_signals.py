#!/usr/bin/env python3
"""Stop requests from outside end a script in console mode at its next
statement, with its run torn down, and an exit status that tells why:

1. SIGINT (Ctrl+C), SIGTERM and SIGHUP during a real wait: exit status
   128 + the signal's number, nothing after the wait runs, and the message
   the script sent on a channel is taken back as at any end of a run.
2. Ctrl+C while a question (質問) or an input box (入力) waits for an answer
   on standard input that never comes: the script stops there (status 130)
   instead of going on with a cancelled answer.

Usage: stop_signals.py QELSCRIPT
"""
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

STARTUP_TIMEOUT = 20  # generous: sanitizer builds start slowly
EXIT_TIMEOUT = 10

WAITING = """通信を受け手へ「止める試験」で開始
「残るはずのない知らせ」を送信
「始め」を表示
待て　60
「待った後なのに」を表示
"""

PROMPTS = {
    "question": """「始め」を表示
A は 質問(「続けますか」)
「答えの後なのに:［A］」を表示
「最後なのに」を表示
""",
    "input box": """「始め」を表示
A は 入力(「名前は」)
「答えの後なのに:［A］」を表示
「最後なのに」を表示
""",
}


def read_until(stream, marker, deadline):
    """The child's output up to and including marker, or None at the deadline."""
    data = b""
    while marker not in data:
        left = deadline - time.monotonic()
        if left <= 0:
            return None
        ready, _, _ = select.select([stream], [], [], left)
        if not ready:
            return None
        chunk = os.read(stream.fileno(), 4096)
        if not chunk:
            return None
        data += chunk
    return data


def environment(work):
    env = dict(os.environ)
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env["XDG_RUNTIME_DIR"] = runtime
    env["HOME"] = work
    env["XDG_CONFIG_HOME"] = os.path.join(work, ".config")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return env


def stop(child, sig):
    """Sends sig once the child waits, then its rest of output and errors."""
    time.sleep(0.3)  # well inside the wait now
    child.send_signal(sig)
    try:
        return child.communicate(timeout=EXIT_TIMEOUT)
    except subprocess.TimeoutExpired:
        return None


def check_wait(qelscript, work, sig):
    name = signal.Signals(sig).name
    path = os.path.join(work, "wait.qel")
    with open(path, "w", encoding="utf-8") as f:
        f.write(WAITING)
    env = environment(work)
    child = subprocess.Popen([qelscript, "--console", path], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    try:
        if read_until(child.stdout, "始め\n".encode(), time.monotonic() + STARTUP_TIMEOUT) is None:
            return f"{name}: the script did not start"
        channels = os.path.join(env["XDG_RUNTIME_DIR"], "qelscript", "channels")
        if not any(n.startswith("ch-") for n in os.listdir(channels)):
            return f"{name}: no message on the channel before the signal"
        ended = stop(child, sig)
        if ended is None:
            return f"{name}: still running {EXIT_TIMEOUT} s after the signal"
        rest, errors = ended
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    if child.returncode != 128 + sig:
        return f"{name}: exit status {child.returncode}, expected {128 + sig}\n{errors!r}"
    if rest.strip():
        return f"{name}: ran on after the signal: {rest.decode('utf-8', 'replace')!r}"
    left = [n for n in os.listdir(channels) if not n.startswith(".")]
    if left:
        return f"{name}: the channel message was not taken back: {left}"
    return None


def check_prompt(qelscript, work, case, script):
    path = os.path.join(work, "prompt.qel")
    transcript = os.path.join(work, "transcript")
    with open(path, "w", encoding="utf-8") as f:
        f.write(script)
    # A pipe that stays open and never carries a line: the answer never comes.
    reader, writer = os.pipe()
    child = subprocess.Popen([qelscript, "--console", "--transcript", transcript, path],
                             stdin=reader, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             env=environment(work))
    os.close(reader)
    try:
        if read_until(child.stderr, b"> ", time.monotonic() + STARTUP_TIMEOUT) is None:
            return f"{case}: no prompt"
        ended = stop(child, signal.SIGINT)
        if ended is None:
            return f"{case}: still waiting {EXIT_TIMEOUT} s after Ctrl+C"
        rest, errors = ended
    finally:
        os.close(writer)
        if child.poll() is None:
            child.kill()
            child.wait()
    if child.returncode != 130:
        return f"{case}: exit status {child.returncode}, expected 130\n{errors!r}"
    out = rest.decode("utf-8", "replace")
    if out != "始め\n":
        return f"{case}: ran on after Ctrl+C: {out!r}"
    with open(transcript, encoding="utf-8") as f:
        lines = f.read().splitlines()
    if len(lines) != 2 or lines[0] != "MSG\t0\tQelvane\t始め\t1":
        return f"{case}: transcript {lines!r}"
    return None


def main():
    qelscript = sys.argv[1]
    failures = []
    for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        with tempfile.TemporaryDirectory() as work:
            failures.append(check_wait(qelscript, work, sig))
    for case, script in PROMPTS.items():
        with tempfile.TemporaryDirectory() as work:
            failures.append(check_prompt(qelscript, work, case, script))
    failures = [f for f in failures if f]
    for problem in failures:
        print(problem)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
