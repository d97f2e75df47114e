#!/usr/bin/env python3
"""Runs one transfer test: a script in tests/transfer against servers of the
test's own on the loopback address.

Usage: run_transfer_test.py QELSCRIPT CASE.qel

The script gets the server's address ("http://127.0.0.1:PORT", or
"ftp://127.0.0.1:PORT" for the ftp_ cases) as its command line. Its
transcript, with the port numbers written as PORT, must equal CASE.expected;
then the case's own checks look at the files left behind and at what the
servers received. Exit status 77 means skipped (no FTP server library).
"""
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import servers  # noqa: E402

HERE = pathlib.Path(__file__).resolve().parent
FTP_FILE = "FTPで届いた中身\n".encode("cp932")
LOCAL_UPLOAD = b"uploaded bytes\r\n" * 300


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


def environment(work):
    env = dict(os.environ)
    for name in ("http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTP_PROXY",
                 "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY", "DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    env["no_proxy"] = env["NO_PROXY"] = "127.0.0.1,localhost"
    home = work / "home"
    runtime = work / "runtime"
    home.mkdir()
    runtime.mkdir(mode=0o700)
    env.update(HOME=str(home), XDG_CONFIG_HOME=str(home / ".config"),
               XDG_DATA_HOME=str(home / ".local/share"), XDG_CACHE_HOME=str(home / ".cache"),
               XDG_RUNTIME_DIR=str(runtime))
    # Short limits, so the stall and refusal cases end quickly.
    env["QELSCRIPT_STALL_TIMEOUT"] = "2"
    env["QELSCRIPT_CONNECT_TIMEOUT"] = "5"
    return env


def ftp_python():
    """A Python interpreter that has pyftpdlib, or None."""
    for candidate in (sys.executable, "/usr/bin/python3", shutil.which("python3")):
        if not candidate:
            continue
        probe = subprocess.run([candidate, "-c", "import pyftpdlib"], capture_output=True)
        if probe.returncode == 0:
            return candidate
    return None


class FtpServer:
    def __init__(self, root):
        python = ftp_python()
        if python is None:
            print("SKIP: no Python with pyftpdlib")
            sys.exit(77)
        self.process = subprocess.Popen([python, str(HERE / "ftp_server.py"), str(root)],
                                        stdout=subprocess.PIPE, text=True)
        self.port = int(self.process.stdout.readline())

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)


def leftovers(folder):
    return [p.name for p in folder.rglob(".qel-download-*")]


def run_script(qelscript, script, area, env, address, transcript):
    command = [qelscript, "--console", "--virtual-clock", "--no-system", "--transcript",
               str(transcript), str(area / script.name), address]
    return subprocess.run(command, cwd=area, env=env, capture_output=True, timeout=120)


def compare_transcript(case, transcript, ports):
    got = transcript.read_text(encoding="utf-8")
    for port in ports:
        got = got.replace(":%d" % port, ":PORT")
    expected = (HERE / (case + ".expected")).read_text(encoding="utf-8")
    if got != expected:
        print("---- expected\n" + expected + "---- got\n" + got)
        fail("transcript differs from %s.expected" % case)


# ---- the cases' own checks ---------------------------------------------------------

def check_download(area, http):
    check((area / "page.txt").read_bytes() == b"0123456789" * 10, "page.txt holds the body")
    check((area / "redirected.txt").read_bytes() == b"0123456789" * 10, "redirect followed")
    check((area / "plain").read_bytes() == b"0123456789" * 10, "name taken from the address")
    check(not (area / "missing.txt").exists(), "a 404 leaves no file")
    check(not (area / "stalled.txt").exists(), "a stalled download leaves no file")
    check((area / "keep.txt").read_bytes() == b"old content\n",
          "a download cut short leaves the old file as it was")
    check(not leftovers(area), "temporary files left: %s" % leftovers(area))


def check_http_get(area, http):
    check((area / "saved.txt").read_bytes() == servers.SJIS_TEXT.encode("cp932"),
          "the body is written to the file byte for byte")
    check(not leftovers(area), "temporary files left")


def check_post(area, http):
    check(len(http.posts) == 3, "three posts arrive, got %d" % len(http.posts))
    expected_body = "name=山田&age=20&note=a,b".encode("cp932")
    for post in http.posts[:2]:
        check(post["request_line"] == "POST /form?x=1 HTTP/1.0",
              "request line: %r" % post["request_line"])
        headers = sorted((k.lower(), v) for k, v in post["headers"])
        want = sorted([
            ("host", "127.0.0.1:%d" % http.port),
            ("user-agent", "qelscript"),
            ("content-type", "application/x-www-form-urlencoded"),
            ("cache-control", "no-cache"),
            ("pragma", "no-cache"),
            ("content-length", str(len(expected_body))),
        ])
        check(headers == want, "headers: %r" % headers)
        check(post["body"] == expected_body, "body: %r" % post["body"])
    check(http.posts[2]["body"] == b"", "an empty list posts an empty body")
    check((area / "reply.txt").read_bytes() == "受け取りました0".encode("cp932"),
          "the reply of a post is written to the file")


def check_ftp(area, root):
    check((area / "fetched.txt").read_bytes() == FTP_FILE, "download with the given log-in")
    check((area / "fetched2.txt").read_bytes() == FTP_FILE, "download with the log-in in the URL")
    check((root / "up.txt").read_bytes() == LOCAL_UPLOAD, "upload to a named file")
    check((root / "in" / "local.txt").read_bytes() == LOCAL_UPLOAD, "upload into a folder")
    check((root / "remote.txt").read_bytes() == FTP_FILE, "the remote file is still there")
    check(not (area / "denied.txt").exists(), "a refused log-in leaves no file")
    check(not (area / "nofile.txt").exists(), "a missing remote file leaves no file")
    check(not leftovers(area), "temporary files left")


def tls_context(work):
    """A server context with a fresh self-signed certificate; skips the test
    when there is no openssl to make one."""
    import ssl
    openssl = shutil.which("openssl")
    if openssl is None:
        print("SKIP: no openssl to make a certificate")
        sys.exit(77)
    key, cert = work / "key.pem", work / "cert.pem"
    subprocess.run([openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-keyout", str(key), "-out", str(cert)],
                   check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def check_https(area, http):
    check(not (area / "untrusted.txt").exists(), "an untrusted server's body is not saved")
    check(not leftovers(area), "temporary files left")


def run_interrupt(qelscript, area, env, http):
    """Ctrl+C during a download that would wait a minute ends it at once."""
    env = dict(env, QELSCRIPT_STALL_TIMEOUT="60")
    (area / "interrupt.qel").write_text(
        "「始め」を表示\n「http://127.0.0.1:%d/stall」を「stall.txt」へダウンロード\n"
        "「後なのに」を表示\n" % http.port, encoding="utf-8")
    process = subprocess.Popen([qelscript, "--console", "--no-system", str(area / "interrupt.qel")],
                               cwd=area,
                               env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    time.sleep(1.5)
    check(process.poll() is None, "the download still waits for the stalled server")
    process.send_signal(signal.SIGINT)
    started = time.monotonic()
    try:
        out, _ = process.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        fail("the download did not stop on Ctrl+C")
    check(time.monotonic() - started < 3, "stopped promptly")
    text = out.decode("utf-8")
    check("始め" in text and "後なのに" not in text, "nothing after the download ran: %r" % text)
    check(not (area / "stall.txt").exists(), "a stopped download leaves no file")
    check(not leftovers(area), "temporary files left")


def main():
    qelscript, script = sys.argv[1], pathlib.Path(sys.argv[2]).resolve()
    case = script.stem
    work = pathlib.Path(tempfile.mkdtemp(prefix="qel-transfer-"))
    try:
        env = environment(work)
        area = work / "area"
        area.mkdir()
        if script.exists():
            shutil.copy(script, area / script.name)
        transcript = work / "transcript"
        if case.startswith("ftp"):
            root = work / "ftproot"
            (root / "in").mkdir(parents=True)
            (root / "remote.txt").write_bytes(FTP_FILE)
            (area / "local.txt").write_bytes(LOCAL_UPLOAD)
            with FtpServer(root) as ftp:
                result = run_script(qelscript, script, area, env,
                                    "ftp://127.0.0.1:%d" % ftp.port, transcript)
                ports = [ftp.port]
            checker = lambda: check_ftp(area, root)  # noqa: E731
        else:
            tls = tls_context(work) if case == "https" else None
            with servers.HttpServer(tls) as http:
                if case == "interrupt":
                    run_interrupt(qelscript, area, env, http)
                    print("ok")
                    return 0
                if case == "download":
                    (area / "keep.txt").write_bytes(b"old content\n")
                result = run_script(qelscript, script, area, env,
                                    "%s://127.0.0.1:%d" % ("https" if tls else "http", http.port),
                                    transcript)
                ports = [http.port]
                checks = {"download": check_download, "http_get": check_http_get,
                          "post": check_post, "https": check_https}
                checker = (lambda: checks[case](area, http)) if case in checks else (lambda: None)
        if result.returncode != 0:
            print(result.stderr.decode("utf-8", "replace"))
            fail("exit status %d" % result.returncode)
        compare_transcript(case, transcript, ports)
        checker()
        print("ok")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
