"""A small Debug Adapter Protocol client for the tests: it starts the
adapter, frames requests, and collects responses and events on a reader
thread so that every wait has a time limit (a test fails, never hangs)."""

import json
import queue
import subprocess
import threading

TIMEOUT = 20


class ProtocolError(AssertionError):
    pass


class Client:
    def __init__(self, command):
        self.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE)
        self.seq = 0
        self.messages = queue.Queue()
        self.seen = []  # every message read so far, in order
        self.pending = []  # read, not yet taken by a wait
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        self.stderr = []
        threading.Thread(target=self._drain_stderr, daemon=True).start()

    # ---- framing --------------------------------------------------------------
    def _read(self):
        out = self.proc.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    self.messages.put(None)
                    return
                line = line.strip()
                if not line:
                    break
                name, _, value = line.decode().partition(":")
                if name.lower() == "content-length":
                    length = int(value)
            body = out.read(length)
            self.messages.put(json.loads(body.decode("utf-8")))

    def _drain_stderr(self):
        for line in self.proc.stderr:
            self.stderr.append(line.decode("utf-8", "replace"))

    def send_raw(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def send(self, command, arguments=None):
        self.seq += 1
        message = {"seq": self.seq, "type": "request", "command": command}
        if arguments is not None:
            message["arguments"] = arguments
        body = json.dumps(message, ensure_ascii=False).encode("utf-8")
        self.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        return self.seq

    # ---- waiting ----------------------------------------------------------------
    def next_message(self, timeout=TIMEOUT):
        try:
            message = self.messages.get(timeout=timeout)
        except queue.Empty:
            raise ProtocolError("no message from the adapter within %ss" % timeout)
        if message is None:
            raise ProtocolError("the adapter closed its output; stderr: %s" % "".join(self.stderr))
        self.seen.append(message)
        return message

    def wait_for(self, accept, what, timeout=TIMEOUT):
        """The first message not taken yet that is accepted (events may come
        before or after the response to the request that caused them)."""
        for i, message in enumerate(self.pending):
            if accept(message):
                del self.pending[i]
                return message
        while True:
            message = self.next_message(timeout)
            if accept(message):
                return message
            self.pending.append(message)

    def response(self, seq):
        return self.wait_for(lambda m: m["type"] == "response" and m["request_seq"] == seq,
                             "response to %d" % seq)

    def request(self, command, arguments=None, success=True):
        answer = self.response(self.send(command, arguments))
        if answer["success"] != success:
            raise ProtocolError("%s: success %s, want %s (%s)"
                                % (command, answer["success"], success, answer.get("message")))
        return answer

    def event(self, name, timeout=TIMEOUT):
        return self.wait_for(lambda m: m["type"] == "event" and m["event"] == name,
                             "event " + name, timeout)

    def output(self, category="stdout"):
        return "".join(m["body"]["output"] for m in self.seen
                       if m["type"] == "event" and m["event"] == "output"
                       and m["body"]["category"] == category)

    # ---- a session ---------------------------------------------------------------
    def start(self, program, breakpoints=(), stop_on_entry=False, args=None, cwd=None):
        self.request("initialize", {"adapterID": "qelscript", "linesStartAt1": True})
        self.event("initialized")
        launch = {"program": program, "stopOnEntry": stop_on_entry}
        if args is not None:
            launch["args"] = args
        if cwd is not None:
            launch["cwd"] = cwd
        self.request("launch", launch)
        answer = None
        if breakpoints:
            answer = self.request("setBreakpoints", {
                "source": {"path": program},
                "breakpoints": [{"line": line} for line in breakpoints]})
        self.request("configurationDone")
        return answer

    def stopped(self, reason):
        event = self.event("stopped")
        if event["body"]["reason"] != reason:
            raise ProtocolError("stopped for %s, want %s" % (event["body"]["reason"], reason))
        return event["body"]

    def top_line(self):
        frames = self.request("stackTrace", {"threadId": 1})["body"]["stackFrames"]
        return frames[0]["line"]

    def variables(self, scope):
        reference = 1 if scope == "locals" else 2
        listed = self.request("variables", {"variablesReference": reference})["body"]["variables"]
        return {v["name"]: v["value"] for v in listed}

    def evaluate(self, expression, success=True):
        answer = self.request("evaluate", {"expression": expression, "context": "repl"}, success)
        return answer["body"]["result"] if success else answer["message"]

    def finish(self):
        """Disconnects and waits for the adapter to end; returns its exit status."""
        try:
            self.request("disconnect", {"terminateDebuggee": True})
        finally:
            try:
                self.proc.stdin.close()
            except BrokenPipeError:
                pass
        return self.proc.wait(timeout=TIMEOUT)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
