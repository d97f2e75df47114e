"""Servers the transfer tests talk to, on the loopback address only.

HttpServer answers a fixed set of paths, each made to show one behaviour of
a real server (lengths, charsets, redirects, stalls, cut connections), and
keeps the raw bytes of every form post it receives.
"""
import http.server
import socket
import threading
import time

SJIS_TEXT = "シフトJISの本文"
EUC_TEXT = "EUCの本文"
JIS_TEXT = "JISの本文"
UTF8_TEXT = "UTF-8の本文"
PROGRESS_LENGTH = 100000


class Handler(http.server.BaseHTTPRequestHandler):
    # HTTP/1.0 replies close the connection, so a body without a length
    # ends where the connection ends.
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def reply(self, body, content_type="text/plain", length=True, status=200):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        path = self.path
        if path == "/sjis":
            self.reply(SJIS_TEXT.encode("cp932"), "text/plain; charset=Shift_JIS")
        elif path == "/euc":
            self.reply(EUC_TEXT.encode("euc_jp"), "text/plain; charset=EUC-JP")
        elif path == "/jis":
            self.reply(JIS_TEXT.encode("iso2022_jp"), 'text/plain; charset="iso-2022-jp"')
        elif path == "/utf8":
            # No charset: found to be UTF-8 by looking at the bytes.
            self.reply((UTF8_TEXT + "\n二行目").encode("utf-8"), "text/plain")
        elif path == "/cp932-bare":
            self.reply(SJIS_TEXT.encode("cp932"), "text/plain")
        elif path == "/meta":
            page = '<html><head><meta charset="euc-jp"></head><body>日本語</body></html>'
            self.reply(page.encode("euc_jp"), "text/html")
        elif path == "/plain":
            self.reply(b"0123456789" * 10)
        elif path == "/nolength":
            self.reply(b"no length here\n" * 1000, length=False)
        elif path == "/progress":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(PROGRESS_LENGTH))
            self.end_headers()
            piece = PROGRESS_LENGTH // 10
            for _ in range(10):
                self.wfile.write(b"x" * piece)
                self.wfile.flush()
                time.sleep(0.03)
        elif path.startswith("/bulk/"):
            # The whole body in one write: the client gets it in as few and
            # as large deliveries as the network allows.
            length = int(path[len("/bulk/"):])
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(length))
            self.end_headers()
            self.wfile.write(b"z" * length)
        elif path == "/huge":
            # More than a text result may hold, without announcing it.
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.end_headers()
            block = b"y" * (1 << 20)
            try:
                for _ in range(80):
                    self.wfile.write(block)
            except OSError:
                pass
        elif path == "/redirect":
            self.redirect("/plain")
        elif path == "/redirect-loop":
            self.redirect("/redirect-loop")
        elif path == "/redirect-file":
            self.redirect("file:///etc/passwd")
        elif path == "/missing":
            self.reply(b"<html>not here</html>", "text/html", status=404)
        elif path == "/stall":
            # Headers and a little of the body, then nothing: the client's
            # stall timeout has to end the wait.
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"a" * 10)
            self.wfile.flush()
            self.hold()
        elif path == "/silent":
            # Takes the request and never answers.
            self.hold()
        elif path == "/cut":
            # Announces more than it sends, then hangs up.
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"b" * 5000)
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        else:
            self.reply(b"unknown path", status=404)

    def hold(self):
        deadline = time.time() + 120
        while time.time() < deadline and not self.server.closing.is_set():
            time.sleep(0.05)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        self.server.posts.append(
            {
                "request_line": self.requestline,
                "headers": [(k, v) for k, v in self.headers.items()],
                "body": body,
            }
        )
        self.reply(("受け取りました" + str(len(body))).encode("cp932"),
                   "text/plain; charset=Shift_JIS")


class HttpServer:
    def __init__(self, tls_context=None):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        if tls_context is not None:
            self.server.socket = tls_context.wrap_socket(self.server.socket, server_side=True)
        self.server.daemon_threads = True
        # Clients that hang up early (a stopped or refused transfer) are part
        # of the tests, not errors of the server.
        self.server.handle_error = lambda request, address: None
        self.server.posts = []
        self.server.closing = threading.Event()
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)

    @property
    def posts(self):
        return self.server.posts

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.server.closing.set()
        self.server.shutdown()
        self.server.server_close()
