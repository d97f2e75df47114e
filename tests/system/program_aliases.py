"""The user's own program aliases ($XDG_CONFIG_HOME/qelscript/programs.conf)
replace and extend the built-in ones; the requests are seen on the headless
system port, so nothing is started.

Usage: program_aliases.py QELSCRIPT"""
import os
import subprocess
import sys
import tempfile

QELSCRIPT = sys.argv[1]

CONF = """# my programs
メモ帳 = mousepad --new-window
ゲーム=supertux2\r
\tペイント\t=\tpinta\r
 broken line without equals
=no name
電卓=
"""

SCRIPT = """メモ帳を起動
ゲームを起動
ペイントを起動
電卓を起動
「ゲーム」を起動
"""

EXPECTED = [
    "SYSTEM\tstart\tmousepad --new-window\tnormal",
    "SYSTEM\tstart\tsupertux2\tnormal",
    "SYSTEM\tstart\tpinta\tnormal",
    # An alias set to nothing starts nothing: the empty command line is not found.
    "ERR\t17\tQelvane\tが見つかりません。\\n［t.qel 4行目 エラー番号201］\t1",
    "SYSTEM\tstart\tゲーム\tnormal",
]

with tempfile.TemporaryDirectory() as home:
    config = os.path.join(home, "config")
    os.makedirs(os.path.join(config, "qelscript"))
    with open(os.path.join(config, "qelscript", "programs.conf"), "w", encoding="utf-8", newline="") as f:
        f.write(CONF)
    script = os.path.join(home, "t.qel")
    with open(script, "w", encoding="utf-8") as f:
        f.write(SCRIPT)
    transcript = os.path.join(home, "transcript")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config)
    env.pop("DISPLAY", None)
    subprocess.run([QELSCRIPT, "--console", "--no-system", "--transcript", transcript, script], cwd=home,
                   env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    with open(transcript, encoding="utf-8") as f:
        got = f.read().splitlines()

if got != EXPECTED:
    print("expected:", *EXPECTED, sep="\n  ")
    print("got:", *got, sep="\n  ")
    sys.exit(1)
print("program aliases ok")
