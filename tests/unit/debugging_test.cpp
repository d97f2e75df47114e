// The engine's side of debugging (stop lines in sentences and loops, steps,
// requests from another thread), and the message framing the debugger reads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "engine_fixture.h"
#include "lsp/json_rpc.h"

namespace qel::testing {
namespace {

// Records each halt (reason and line) and resumes at once, as a host's
// "中断" handler would after the user's word.
class HaltRecorder : public HostEvents {
  public:
    explicit HaltRecorder(Qel& qel) : qel_(qel) {}
    void hostCommand(TextView verb, TextView noun, bool& notFound) override {
        if (verb != u"中断") {
            notFound = true;
            return;
        }
        halts.push_back(text::toUtf8(noun) + "@" + std::to_string(qel_.CurrentLine()));
        if (stepsLeft > 0) {
            --stepsLeft;
            qel_.StepOver();
        }
        if (stopAtHalt) qel_.DoStop();
        qel_.DoPause();
    }
    std::vector<std::string> halts;
    int stepsLeft = 0;
    bool stopAtHalt = false;

  private:
    Qel& qel_;
};

class DebuggingTest : public EngineTest {
  protected:
    DebuggingTest() : recorder_(qel()) { qel().setHost(&recorder_); }
    HaltRecorder recorder_;
};

TEST_F(DebuggingTest, StopLinesHaltOncePerPassOfTheirLine) {
    // A line of several sentences halts once; a line in a loop body each pass.
    qel().SetStopLine({false, true, false, true});
    run({u"Ａは　0", u"Ａは　Ａ＋1。Ａは　Ａ＋1", u"3回繰り返す", u"  Ａは　Ａ＋1",
         u"繰り返し終わり"});
    EXPECT_EQ(recorder_.halts,
              (std::vector<std::string>{"停止行@2", "停止行@4", "停止行@4", "停止行@4"}));
    EXPECT_EQ(variable(u"Ａ"), u"5");
    EXPECT_EQ(qel().GetStatus(), int16_t(EngineStatus::Idle));
}

TEST_F(DebuggingTest, StopLinesHaltOnStatementsRunAgainInAProcedure) {
    // The もし and the leave run often enough to take their compiled form;
    // each pass still halts on them. The first call leaves on line 2.
    qel().SetStopLine({false, true, true});
    run({u"手順は　半分（n）", u"　もし n が 2 より下なら 0で手順から抜ける",
         u"　n÷2で手順から抜ける", u"終わり", u"Ｋに1から4まで繰り返", u"　Ｓは、半分(Ｋ)",
         u"繰り返し終わり"});
    EXPECT_EQ(recorder_.halts,
              (std::vector<std::string>{"停止行@2", "停止行@2", "停止行@3", "停止行@2", "停止行@3",
                                        "停止行@2", "停止行@3"}));
    EXPECT_EQ(variable(u"Ｓ"), u"2");
}

TEST_F(DebuggingTest, StopLinesOfOtherProgramsAndPastTheEndAreIgnored) {
    std::vector<bool> lines(50, false);
    lines[0] = true;
    lines[49] = true;
    qel().SetStopLine(lines);
    // Line 1 of the text 日本語処理 runs is not line 1 of the program.
    run({u"Ｘは　1", u"「Ｙは　2」を日本語処理"});
    EXPECT_EQ(recorder_.halts, (std::vector<std::string>{"停止行@1"}));
    EXPECT_EQ(variable(u"Ｙ"), u"2");
}

TEST_F(DebuggingTest, StepsGoOverProceduresAndOutOfThem) {
    qel().SetStopLine({false, false, true});
    recorder_.stepsLeft = 3;
    run({u"手順は　内側", u"  Ｐは　1", u"  Ｑは　2", u"終わり", u"内側", u"Ｒは　3"});
    // Halted inside the procedure at line 3, stepped out of it to line 6 (the
    // call on line 5 is behind us), then the run ended.
    EXPECT_EQ(recorder_.halts, (std::vector<std::string>{"停止行@3", "ステップ@6"}));
}

TEST_F(DebuggingTest, AStopFromTheHaltEndsTheRun) {
    qel().SetStopLine({false, true});
    recorder_.stopAtHalt = true;
    run({u"Ａは　1", u"Ａは　2", u"Ａは　3"});
    EXPECT_EQ(variable(u"Ａ"), u"1");
}

TEST_F(DebuggingTest, RequestsFromAnotherThreadReachAnEndlessLoop) {
    // The second halt, at a stop line set while the loop ran, ends the run.
    struct StopSecond : HostEvents {
        HaltRecorder& inner;
        Qel& qel;
        std::atomic<int> count{0};
        StopSecond(HaltRecorder& r, Qel& q) : inner(r), qel(q) {}
        void hostCommand(TextView verb, TextView noun, bool& notFound) override {
            inner.hostCommand(verb, noun, notFound);
            if (++count == 2) qel.DoStop();
        }
    } stopper(recorder_, qel());
    qel().setHost(&stopper);
    std::thread other([&] {
        qel().RequestPause();
        while (stopper.count.load() == 0) std::this_thread::yield();
        qel().RequestStopLines({false, false, true});
    });
    run({u"Ｎは　0", u"繰り返す", u"  Ｎは　Ｎ＋1", u"繰り返し終わり"});
    other.join();
    ASSERT_EQ(recorder_.halts.size(), 2u);
    EXPECT_EQ(recorder_.halts[0].rfind("@", 0), 0u) << recorder_.halts[0];
    EXPECT_EQ(recorder_.halts[1], "停止行@3");
}

TEST_F(DebuggingTest, APauseFromAnotherThreadReachesARecursionOnNumbers) {
    // fib(60) would run for hours; its calls run on numbers alone. The
    // pause asked while they run halts the script, and the halt stops it.
    recorder_.stopAtHalt = true;
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        qel().RequestPause();
    });
    run({u"手順は　フィボ（n）", u"　もし n が 2 より下なら nで手順から抜ける",
         u"　答えは、フィボ(n－1)＋フィボ(n－2)", u"　答えで手順から抜ける", u"終わり",
         u"フィボ(60)を表示"});
    other.join();
    EXPECT_EQ(recorder_.halts.size(), 1u);
    EXPECT_TRUE(messages().empty()) << text::toUtf8(messages().front());
}

TEST_F(DebuggingTest, RunComndBeforeAnyRunHasAProgramToRunIn) {
    qel().RunComnd(u"Ａは　4");
    EXPECT_EQ(qel().GetFunc(u"Ａ＋1"), u"5");
}

// ---- the debugger's messages -------------------------------------------------------

using Kind = lsp::Frame::Kind;

// The framing the debugger and the language server share.
TEST(MessageFraming, BadHeadersArePassedAndTruncationEnds) {
    std::istringstream in(
        "Content-Length: 2\r\n\r\n{}"
        "\r\n"                                       // a stray blank line
        "X-Other: 1\r\ncontent-length:3\r\n\r\n[1]"  // other headers, any case
        "Content-Length: -4\r\n\r\n"
        "garbage line\r\nContent-Length: 12x\r\n\r\n"
        "Content-Type: only\r\n\r\n"
        "Content-Length: 10\r\n\r\n{\"a\"");
    const std::vector<std::pair<Kind, std::string>> want{
        {Kind::Body, "{}"},    {Kind::Body, "[1]"},   {Kind::BadHeader, ""},
        {Kind::BadHeader, ""}, {Kind::BadHeader, ""}, {Kind::CutShort, "{\"a\""},
        {Kind::End, ""}};
    for (const auto& [kind, body] : want) {
        lsp::Frame frame = lsp::ReadFrame(in);
        EXPECT_EQ(frame.kind, kind) << frame.problem;
        EXPECT_EQ(frame.body, body);
        if (kind == Kind::BadHeader) {
            EXPECT_NE(frame.problem.find("Content-Length"), std::string::npos);
        }
        if (kind == Kind::CutShort) {
            EXPECT_NE(frame.problem.find("ended inside"), std::string::npos);
        }
    }
}

TEST(MessageFraming, LengthsBeyondTheLimitAreNotRead) {
    // Too large to take, and not read past: the next bytes are still there.
    std::istringstream huge("Content-Length: 999999999999999999999999\r\n\r\nrest");
    lsp::Frame frame = lsp::ReadFrame(huge);
    EXPECT_EQ(frame.kind, Kind::TooLarge);
    EXPECT_NE(frame.problem.find("Content-Length"), std::string::npos);
    std::istringstream over("Content-Length: " + std::to_string(lsp::kMaxMessageBytes + 1) +
                            "\r\n\r\n");
    EXPECT_EQ(lsp::ReadFrame(over).kind, Kind::TooLarge);
}

TEST(MessageFraming, AnEndlessHeaderLineIsNotHeld) {
    // Longer than any header; the block is refused and the next message read.
    std::string line(lsp::kMaxHeaderLineBytes * 4, 'x');
    std::istringstream in("Content-Length: 2\r\n" + line + "\r\n\r\nContent-Length: 2\r\n\r\n[]");
    lsp::Frame frame = lsp::ReadFrame(in);
    EXPECT_EQ(frame.kind, Kind::BadHeader);
    EXPECT_NE(frame.problem.find("longer"), std::string::npos);
    frame = lsp::ReadFrame(in);
    EXPECT_EQ(frame.kind, Kind::Body);
    EXPECT_EQ(frame.body, "[]");
    // Cut off inside the header block.
    std::istringstream cut("Content-Length: 2\r\nX-Other");
    EXPECT_EQ(lsp::ReadFrame(cut).kind, Kind::CutShort);
}

}  // namespace
}  // namespace qel::testing
