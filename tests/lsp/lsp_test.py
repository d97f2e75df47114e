#!/usr/bin/env python3
"""A scripted editor speaking the language server protocol to `qelscript --lsp`.

Each check's expectation comes from the script under test read by hand:
which line holds what, where a verb starts, which procedure a call reaches.
"""
import json
import os
import subprocess
import sys
import tempfile


class Server:
    def __init__(self, program):
        self.proc = subprocess.Popen([program, "--lsp"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.next_id = 1
        self.notifications = []

    def send_raw(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def send(self, message):
        body = json.dumps(message, ensure_ascii=False).encode("utf-8")
        self.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def read(self):
        length = None
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise AssertionError("the server closed its output")
            line = line.strip()
            if not line:
                break
            name, _, value = line.decode().partition(":")
            if name.lower() == "content-length":
                length = int(value)
        return json.loads(self.proc.stdout.read(length).decode("utf-8"))

    def request(self, method, params=None):
        rid = self.next_id
        self.next_id += 1
        self.send({"jsonrpc": "2.0", "id": rid, "method": method, "params": params or {}})
        while True:
            message = self.read()
            if message.get("id") == rid:
                return message
            self.notifications.append(message)

    def notify(self, method, params):
        self.send({"jsonrpc": "2.0", "method": method, "params": params})

    def diagnostics(self, uri):
        # Published after every open or change, before any later answer.
        while True:
            for n in self.notifications:
                if n.get("method") == "textDocument/publishDiagnostics" and n["params"]["uri"] == uri:
                    self.notifications.remove(n)
                    return n["params"]["diagnostics"]
            self.notifications.append(self.read())


failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def main(program):
    folder = tempfile.mkdtemp()
    with open(os.path.join(folder, "tools.qlb"), "w", encoding="utf-8") as f:
        f.write("// 道具\n手順は　道具を使う\n　「道具」を表示\n終わり\n")
    path = os.path.join(folder, "main.qel")
    uri = "file://" + path
    lines = [
        "「tools.qlb」を参照",            # 0
        "手順は　あいさつ",                # 1
        "　「こんにちは」を表示",          # 2
        "終わり",                          # 3
        "あいさつ",                        # 4  a call of the procedure above
        "道具を使う",                      # 5  a call of the library's procedure
        "Ｘは、3",                         # 6
        "「まだ閉じない を表示",           # 7  an unclosed 「
        "ぴょんぴょん",                    # 8  no such command
        "手順は　あいさつ",                # 9  declared twice
        "終わり",                          # 10
        "もし Ｘ＝3 なら",                 # 11 never closed
        "　「三」を表示",                  # 12
        "ラベル：",                        # 13
    ]
    server = Server(program)

    # Before initialize, requests are refused.
    early = server.request("textDocument/hover", {})
    check(early.get("error", {}).get("code") == -32002, "a request before initialize is refused")

    init = server.request("initialize", {"processId": None, "rootUri": None, "capabilities": {}})
    caps = init["result"]["capabilities"]
    check(caps.get("hoverProvider") and caps.get("definitionProvider"), "capabilities announced")
    server.notify("initialized", {})
    server.notify("textDocument/didOpen", {"textDocument": {
        "uri": uri, "languageId": "qelscript", "version": 1, "text": "\n".join(lines)}})
    found = server.diagnostics(uri)
    by_line = {}
    for d in found:
        by_line.setdefault(d["range"]["start"]["line"], []).append(d)

    unknown = by_line.get(8, [])
    check(len(unknown) == 1 and unknown[0]["code"] == 1 and unknown[0]["severity"] == 1,
          "the unknown command on line 9 is an error 1: %s" % unknown)
    if unknown:
        r = unknown[0]["range"]
        check((r["start"]["character"], r["end"]["character"]) == (0, len("ぴょんぴょん")),
              "the unknown command's span covers its verb: %s" % r)
        check("知らない命令です" in unknown[0]["message"], "the runtime's own message")
    quote = by_line.get(7, [])
    check(len(quote) == 1 and quote[0]["range"]["start"]["character"] == 0
          and quote[0]["range"]["end"]["character"] == len(lines[7]),
          "the unclosed 「 on line 8 from its 「 to the end: %s" % quote)
    twice = by_line.get(9, [])
    check(len(twice) == 1 and twice[0]["severity"] == 2 and "2行目" in twice[0]["message"],
          "the second あいさつ is a warning naming line 2: %s" % twice)
    unclosed_if = by_line.get(11, [])
    check(len(unclosed_if) == 1 and unclosed_if[0].get("code") == 24,
          "もし without もし終わり is error 24 on its line: %s" % unclosed_if)
    for line in (0, 4, 5, 6, 12, 13):
        check(line not in by_line, "no diagnostic on line %d: %s" % (line + 1, by_line.get(line)))

    # Completion offers commands, functions, the script's procedures and variables.
    items = server.request("textDocument/completion", {
        "textDocument": {"uri": uri}, "position": {"line": 6, "character": 0}})["result"]
    labels = {i["label"]: i for i in items}
    for label, kind in (("表示", 14), ("左", 3), ("あいさつ", 3), ("道具を使う", 3), ("Ｘ", 6), ("を", 14)):
        check(label in labels and labels[label]["kind"] == kind,
              "completion offers %s (kind %d)" % (label, kind))

    # Hover on 表示 in line 3.
    hover = server.request("textDocument/hover", {
        "textDocument": {"uri": uri}, "position": {"line": 2, "character": 9}})["result"]
    value = hover["contents"]["value"] if hover else ""
    check(value.startswith("（命令）") and "**表示**" in value and "メッセージ" in value,
          "hover on 表示 gives its reference text: %s" % hover)
    nothing = server.request("textDocument/hover", {
        "textDocument": {"uri": uri}, "position": {"line": 6, "character": 0}})["result"]
    check(nothing is None, "no hover on a variable name: %s" % nothing)

    # Definitions: the call reaches the last あいさつ written; the library's procedure its file.
    own = server.request("textDocument/definition", {
        "textDocument": {"uri": uri}, "position": {"line": 4, "character": 1}})["result"]
    check(own and own["uri"] == uri and own["range"]["start"]["line"] == 9,
          "あいさつ is defined on line 10 (the later one): %s" % own)
    lib = server.request("textDocument/definition", {
        "textDocument": {"uri": uri}, "position": {"line": 5, "character": 1}})["result"]
    check(lib and lib["uri"] == "file://" + os.path.join(folder, "tools.qlb")
          and lib["range"]["start"]["line"] == 1, "道具を使う is in tools.qlb line 2: %s" % lib)

    symbols = server.request("textDocument/documentSymbol", {"textDocument": {"uri": uri}})["result"]
    check([(s["name"], s["range"]["start"]["line"]) for s in symbols]
          == [("あいさつ", 1), ("あいさつ", 9), ("ラベル", 13)], "symbols: %s" % symbols)

    # A change replaces the text; the diagnostics follow it.
    server.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 2},
                                             "contentChanges": [{"text": "「よし」を表示"}]})
    check(server.diagnostics(uri) == [], "a clean script has no diagnostics")

    # Bad input: a header without a length, a body that is not JSON, an
    # unknown method, a request of the wrong shape. The server answers each
    # and goes on.
    server.send_raw(b"Content-Type: x\r\n\r\n")
    check(server.read().get("error", {}).get("code") == -32700, "no Content-Length")
    server.send_raw(b"Content-Length: 5\r\n\r\n{oops")
    check(server.read().get("error", {}).get("code") == -32700, "a body that is not JSON")
    deep = b"[" * 100000 + b"]" * 100000
    server.send_raw(b"Content-Length: %d\r\n\r\n" % len(deep) + deep)
    check(server.read().get("error", {}).get("code") == -32700, "JSON nested too deeply")
    check(server.request("no/such")["error"]["code"] == -32601, "an unknown method")
    check(server.request("textDocument/hover", {"textDocument": 5})["error"]["code"] == -32602,
          "a request of the wrong shape")

    check("result" in server.request("shutdown"), "shutdown")
    server.notify("exit", {})
    code = server.proc.wait(timeout=10)
    check(code == 0, "exit after shutdown ends with 0, not %s" % code)
    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
