"""Scripted debugging sessions of `qelscript --dap`, each from start to end:
breakpoints, variables, steps, the debug console, errors, pausing an
endless loop, and messages the adapter must refuse without falling over.

usage: test_sessions.py QELSCRIPT"""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from dap_client import Client  # noqa: E402

QELSCRIPT = None

SUMS = """合計は　0
手順は　足す（［数］を）
  合計は　合計＋数
終わり
5を足す
7を足す
「合計は［合計］」を表示
"""

FAULTY = """Ａは　1
ふがふが
「後」を表示
"""

CALLS = """合計は　0
手順は　足す（［数］を）
  合計は　合計＋数
  「足した」を表示
終わり
5を足す
「合計は［合計］」を表示
"""

# A file the program runs, and a library whose procedure it calls.
RUNS = """「前」を表示
「sub.qel」を実行
「lib.qlb」を実行
挨拶
「後」を表示
"""
SUB = """Ｘは　1
「中」を表示
"""
LIB = """手順は　挨拶
  「やあ」を表示
終わり
"""

ENDLESS = """Ｎは　0
「始め」を表示
繰り返す
  Ｎは　Ｎ＋1
繰り返し終わり
"""


class Session(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.client = Client([QELSCRIPT, "--dap"])

    def tearDown(self):
        self.client.kill()
        self.folder.cleanup()

    def script(self, text, name="prog.qel"):
        path = os.path.join(self.folder.name, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_breakpoints_variables_step_evaluate(self):
        c = self.client
        program = self.script(SUMS)
        answer = c.start(program, breakpoints=[3, 7, 100])
        verified = [b["verified"] for b in answer["body"]["breakpoints"]]
        self.assertEqual(verified, [True, True, False])

        # The first call of the procedure: its argument is a local.
        c.stopped("breakpoint")
        self.assertEqual(c.top_line(), 3)
        self.assertEqual(c.variables("locals"), {"数": "5"})
        self.assertEqual(c.variables("globals")["合計"], "0")
        self.assertEqual(c.evaluate("合計＋数＋１"), "6")

        c.request("continue", {"threadId": 1})
        c.stopped("breakpoint")
        self.assertEqual(c.variables("locals"), {"数": "7"})
        self.assertEqual(c.variables("globals")["合計"], "5")

        # A step out of the procedure's last line lands back in the main program.
        c.request("next", {"threadId": 1})
        c.stopped("step")
        self.assertEqual(c.top_line(), 7)
        self.assertEqual(c.variables("locals"), {})
        # A statement from the console runs where the script stands.
        self.assertEqual(c.evaluate(":「途中」を表示"), "")
        self.assertEqual(c.evaluate("合計"), "12")

        c.request("continue", {"threadId": 1})
        self.assertEqual(c.event("exited")["body"]["exitCode"], 0)
        c.event("terminated")
        self.assertEqual(c.output(), "途中\n合計は12\n")
        # Nothing to look at once the script has ended.
        c.evaluate("合計", success=False)
        self.assertEqual(c.finish(), 0)

    def test_stop_on_entry_and_steps_over_procedures(self):
        c = self.client
        program = self.script(SUMS)
        c.start(program, stop_on_entry=True)
        c.stopped("entry")
        self.assertEqual(c.top_line(), 1)
        lines = []
        for _ in range(3):
            c.request("next", {"threadId": 1})
            c.stopped("step")
            lines.append(c.top_line())
        # The procedure's definition is passed over, its calls stepped over.
        self.assertEqual(lines, [5, 6, 7])
        c.request("continue", {"threadId": 1})
        c.event("terminated")
        self.assertEqual(c.finish(), 0)

    def frames(self):
        frames = self.client.request("stackTrace", {"threadId": 1})["body"]["stackFrames"]
        return [(f["name"], f["line"], os.path.basename(f.get("source", {}).get("path", "")))
                for f in frames]

    def step(self, command):
        self.client.request(command, {"threadId": 1})
        self.client.stopped("step")
        return self.frames()

    def test_step_in_and_out_of_a_procedure(self):
        c = self.client
        c.start(self.script(CALLS), stop_on_entry=True)
        c.stopped("entry")
        # Without a call in the statement, stepping in is stepping over.
        self.assertEqual(self.step("stepIn"), [("メイン", 6, "prog.qel")])
        # Into the procedure, its first statement, with the caller below it.
        self.assertEqual(self.step("stepIn"),
                         [("足す", 3, "prog.qel"), ("メイン", 6, "prog.qel")])
        self.assertEqual(c.variables("locals"), {"数": "5"})
        self.assertEqual(self.step("stepIn"),
                         [("足す", 4, "prog.qel"), ("メイン", 6, "prog.qel")])
        # Out: the statement after the call, in the caller.
        self.assertEqual(self.step("stepOut"), [("メイン", 7, "prog.qel")])
        self.assertEqual(c.output(), "足した\n")
        # Out of the main program there is nowhere to go: the script runs on.
        c.request("stepOut", {"threadId": 1})
        c.event("terminated")
        self.assertEqual(c.output(), "足した\n合計は5\n")
        self.assertFalse([m for m in c.seen if m.get("event") == "stopped"
                          and m["body"]["reason"] != "step" and m["body"]["reason"] != "entry"])
        self.assertEqual(c.finish(), 0)

    def test_step_out_stops_at_a_breakpoint_on_the_way(self):
        c = self.client
        program = self.script(CALLS)
        c.start(program, breakpoints=[3, 4])
        c.stopped("breakpoint")
        self.assertEqual(c.top_line(), 3)
        c.request("stepOut", {"threadId": 1})
        c.stopped("breakpoint")
        self.assertEqual(c.top_line(), 4)
        # The step ended with that halt: going on does not halt at line 7.
        c.request("continue", {"threadId": 1})
        c.event("terminated")
        self.assertEqual([m["body"]["reason"] for m in c.seen if m.get("event") == "stopped"],
                         ["breakpoint", "breakpoint"])
        self.assertEqual(c.finish(), 0)

    def test_breakpoints_in_files_the_program_runs(self):
        c = self.client
        program = self.script(RUNS)
        sub = self.script(SUB, "sub.qel")
        lib = self.script(LIB, "lib.qlb")
        never = self.script("「別」を表示\n", "never.qel")
        c.request("initialize", {"adapterID": "qelscript"})
        c.request("launch", {"program": program})
        answers = {}
        for path, lines in ((sub, [2]), (lib, [2]), (never, [1]),
                            (os.path.join(self.folder.name, "missing.qel"), [1])):
            answer = c.request("setBreakpoints", {"source": {"path": path},
                                                  "breakpoints": [{"line": n} for n in lines]})
            answers[os.path.basename(path)] = answer["body"]["breakpoints"][0]
        self.assertTrue(answers["sub.qel"]["verified"])
        self.assertTrue(answers["never.qel"]["verified"])
        self.assertFalse(answers["missing.qel"]["verified"])
        self.assertIn("missing.qel", answers["missing.qel"]["message"])
        c.request("configurationDone")

        # A file run by 実行 halts on its own line, shown under the statement that ran it.
        c.stopped("breakpoint")
        self.assertEqual(self.frames(), [("sub.qel", 2, "sub.qel"), ("メイン", 2, "prog.qel")])
        self.assertEqual(c.variables("globals")["Ｘ"], "1")
        # Out of the file: the statement after 実行.
        self.assertEqual(self.step("stepOut"), [("メイン", 3, "prog.qel")])
        # Over the library's loading, then into its procedure by a breakpoint.
        self.assertEqual(self.step("next"), [("メイン", 4, "prog.qel")])
        c.request("continue", {"threadId": 1})
        c.stopped("breakpoint")
        self.assertEqual(self.frames(), [("挨拶", 2, "lib.qlb"), ("メイン", 4, "prog.qel")])
        self.assertEqual(self.step("next"), [("メイン", 5, "prog.qel")])
        c.request("continue", {"threadId": 1})
        c.event("terminated")
        self.assertEqual(c.output(), "前\n中\nやあ\n後\n")
        self.assertEqual(c.finish(), 0)

    def test_step_in_enters_a_file(self):
        c = self.client
        program = self.script(RUNS)
        self.script(SUB, "sub.qel")
        self.script(LIB, "lib.qlb")
        c.start(program, breakpoints=[2])
        c.stopped("breakpoint")
        self.assertEqual(self.step("stepIn"), [("sub.qel", 1, "sub.qel"), ("メイン", 2, "prog.qel")])
        self.assertEqual(self.step("next"), [("sub.qel", 2, "sub.qel"), ("メイン", 2, "prog.qel")])
        self.assertEqual(self.step("next"), [("メイン", 3, "prog.qel")])
        c.request("continue", {"threadId": 1})
        c.event("terminated")
        self.assertEqual(c.finish(), 0)

    def test_arguments_and_folder(self):
        c = self.client
        self.script("「［コマンドライン］」を表示\n「sub.qel」を実行\n")
        self.script(SUB, "sub.qel")
        # A program named relative to cwd; the arguments as the script reads them.
        c.start("prog.qel", args=["一つ目", "空白 の ある", "x"], cwd=self.folder.name)
        c.event("terminated")
        self.assertEqual(c.output(), '一つ目 "空白 の ある" x\n中\n')
        self.assertEqual(c.finish(), 0)

    def test_bad_folder(self):
        c = self.client
        c.request("initialize", {"adapterID": "qelscript"})
        message = c.request("launch", {"program": self.script(SUB),
                                       "cwd": os.path.join(self.folder.name, "無い")},
                            success=False)["message"]
        self.assertIn("無い", message)
        self.assertEqual(c.finish(), 0)

    def test_error_stops_with_its_message_and_line(self):
        c = self.client
        program = self.script(FAULTY)
        c.start(program)
        stop = c.stopped("exception")
        self.assertIn("ふがふが", stop["text"])
        self.assertIn("2行目", stop["text"])
        self.assertEqual(c.top_line(), 2)
        info = c.request("exceptionInfo", {"threadId": 1})["body"]
        self.assertEqual(info["description"], stop["text"])
        # Going on answers the error as its OK button would: the run continues.
        c.request("continue", {"threadId": 1})
        c.event("terminated")
        self.assertEqual(c.output(), "後\n")
        self.assertEqual(c.finish(), 0)

    def test_an_error_ends_the_step_that_ran_into_it(self):
        c = self.client
        c.start(self.script(FAULTY), stop_on_entry=True)
        c.stopped("entry")
        self.assertEqual(self.step("next"), [("メイン", 2, "prog.qel")])
        c.request("next", {"threadId": 1})
        c.stopped("exception")
        c.request("continue", {"threadId": 1})
        c.event("terminated")
        self.assertEqual([m["body"]["reason"] for m in c.seen if m.get("event") == "stopped"],
                         ["entry", "step", "exception"])
        self.assertEqual(c.finish(), 0)

    def test_pause_an_endless_loop_then_stop_it(self):
        c = self.client
        program = self.script(ENDLESS)
        c.start(program)
        c.request("threads")
        # Paused once the loop runs (a pause asked for before would halt on
        # the first line, which is as right but tests less).
        c.wait_for(lambda m: m.get("event") == "output", "the script's first output")
        c.request("pause", {"threadId": 1})
        c.stopped("pause")
        self.assertIn(c.top_line(), (3, 4, 5))
        first = int(c.variables("globals")["Ｎ"])
        # Breakpoints set while it runs take hold at once.
        c.request("continue", {"threadId": 1})
        c.request("setBreakpoints", {"source": {"path": program}, "breakpoints": [{"line": 4}]})
        c.stopped("breakpoint")
        self.assertEqual(c.top_line(), 4)
        at_first_hit = int(c.evaluate("Ｎ"))
        self.assertGreaterEqual(at_first_hit, first)
        # One pass of the loop from one hit to the next.
        c.request("continue", {"threadId": 1})
        c.stopped("breakpoint")
        self.assertEqual(int(c.evaluate("Ｎ")), at_first_hit + 1)
        c.request("setBreakpoints", {"source": {"path": program}, "breakpoints": []})
        c.request("continue", {"threadId": 1})
        c.request("pause", {"threadId": 1})
        c.stopped("pause")
        # Stopping the debuggee ends the loop, and the adapter with it.
        self.assertEqual(c.finish(), 0)

    def test_script_output_and_reports(self):
        c = self.client
        program = self.script("「一行目」を表示\n「知らせ」を報告\n")
        c.start(program)
        c.event("terminated")
        self.assertEqual(c.output("stdout"), "一行目\n")
        self.assertEqual(c.output("console"), "知らせ\n")
        self.assertEqual(c.finish(), 0)

    def test_pause_command_halts_for_the_debugger(self):
        c = self.client
        program = self.script("「前」を表示\n「プログラム」を一時停止\n「後」を表示\n")
        c.start(program)
        c.stopped("pause")
        self.assertEqual(c.top_line(), 2)
        self.assertEqual(c.output("stdout"), "前\n")
        c.request("continue", {"threadId": 1})
        c.event("terminated")
        self.assertEqual(c.output("stdout"), "前\n後\n")
        self.assertEqual(c.finish(), 0)

    def test_bad_launches(self):
        c = self.client
        c.request("initialize", {"adapterID": "qelscript"})
        message = c.request("launch", {}, success=False)["message"]
        self.assertIn("program", message)
        message = c.request("launch", {"program": os.path.join(self.folder.name, "none.qel")},
                            success=False)["message"]
        self.assertIn("none.qel", message)
        c.request("continue", {"threadId": 1}, success=False)
        c.request("stackTrace", {"threadId": 1}, success=False)
        self.assertEqual(c.finish(), 0)

    def test_malformed_messages(self):
        c = self.client

        def protocol_error():
            m = c.wait_for(lambda m: m["type"] == "response", "a protocol error")
            self.assertFalse(m["success"])
            self.assertEqual(m["request_seq"], 0)
            return m["message"]

        c.send_raw(b"Content-Length: abc\r\n\r\n")
        self.assertIn("Content-Length", protocol_error())
        c.send_raw(b"Content-Length: 5\r\n\r\n{bad}")
        self.assertIn("invalid JSON", protocol_error())
        c.send_raw(b"Content-Length: 5\r\n\r\n[1,2]")
        self.assertIn("object", protocol_error())
        c.send_raw(b'Content-Length: 16\r\n\r\n{"type":"event"}')
        self.assertIn("not a request", protocol_error())
        deep = b"[" * 5000 + b"]" * 5000
        c.send_raw(b"Content-Length: %d\r\n\r\n" % len(deep) + deep)
        self.assertIn("deeply", protocol_error())
        message = c.request("frobnicate", {}, success=False)["message"]
        self.assertIn("unknown command: frobnicate", message)
        # The adapter still serves after all that.
        c.request("initialize", {"adapterID": "qelscript"})
        # A Content-Length longer than what comes, then the end of input:
        # the adapter reports it and ends instead of waiting for ever.
        c.send_raw(b"Content-Length: 1000\r\n\r\n{\"seq\":1}")
        c.proc.stdin.close()
        self.assertIn("ended inside a message", protocol_error())
        self.assertEqual(c.proc.wait(timeout=20), 1)

    def test_a_message_too_long_to_read_ends_the_session(self):
        c = self.client
        c.start(self.script(ENDLESS))
        c.wait_for(lambda m: m.get("event") == "output", "the script's first output")
        # A header line of 100 kB is refused, and the adapter goes on.
        c.send_raw(b"X-Long: " + b"x" * 100000 + b"\r\n\r\n")
        m = c.wait_for(lambda m: m["type"] == "response", "a protocol error")
        self.assertIn("header line", m["message"])
        c.request("threads")
        # A body above the limit is not read: nothing after it could be told
        # apart from it, so the session ends and the endless script with it.
        c.send_raw(b"Content-Length: 99999999999\r\n\r\n{}")
        m = c.wait_for(lambda m: m["type"] == "response" and not m["success"], "a protocol error")
        self.assertIn("Content-Length 99999999999", m["message"])
        self.assertEqual(c.proc.wait(timeout=20), 1)


if __name__ == "__main__":
    QELSCRIPT = sys.argv.pop(1)
    unittest.main(verbosity=2)
