#!/bin/sh
# What the debugger costs a script that has no breakpoints: the loop and fib
# programs of scripts/, each run plain (qelscript --console) and under the
# debugger (qelscript --dap, driven by the tests' protocol client: launch,
# configurationDone, wait for the end; see debugged() for what is timed), alternately, RUNS times each; the
# medians and their ratio are printed.
#   bench/debugger_overhead.sh [path/to/qelscript] [RUNS]
# Use a Release build on an otherwise idle machine.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
qelscript=$(realpath "${1:-$here/../build/qelscript}")
runs=${2:-5}

exec python3 - "$qelscript" "$runs" "$here" <<'PY'
import os, statistics, subprocess, sys, time
qelscript, runs, here = sys.argv[1], int(sys.argv[2]), sys.argv[3]
sys.path.insert(0, os.path.join(here, "..", "tests", "dap"))
from dap_client import Client
import dap_client
dap_client.TIMEOUT = 600

def plain(script):
    start = time.perf_counter()
    subprocess.run([qelscript, "--console", script], check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start

# From configurationDone (which starts the script) to the end of the run: the
# adapter's own start and the protocol's hand-shake are left out, the
# process start of the plain run is not (a few milliseconds, to the
# debugger's advantage).
def debugged(script):
    client = Client([qelscript, "--dap"])
    try:
        client.request("initialize", {"adapterID": "qelscript"})
        client.request("launch", {"program": script})
        start = time.perf_counter()
        client.request("configurationDone")
        client.event("terminated")
        took = time.perf_counter() - start
        client.finish()
    finally:
        client.kill()
    return took

for name in ("loop", "fib"):
    script = os.path.join(here, "scripts", name + ".qel")
    a, b = [], []
    for _ in range(runs):
        a.append(plain(script))
        b.append(debugged(script))
    pa, pb = statistics.median(a), statistics.median(b)
    print("%-5s plain %.3f s   debugger, no breakpoints %.3f s   %+.1f %%"
          % (name, pa, pb, (pb / pa - 1) * 100))
PY
