// Procedure calls made again and again from the same call sites: the calls
// hold their procedure and program without counted references, and their
// statements run compiled after the first passes. Each case runs with
// compiling on and off; both must give the same results and errors.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_fixture.h"
#include "temp_folder.h"
#include "text/number.h"

namespace qel::testing {
namespace {

class ProcedureCallsTest : public EngineTest, public ::testing::WithParamInterface<bool> {
  protected:
    ProcedureCallsTest() { engine().compileStatements = GetParam(); }
};

TEST_P(ProcedureCallsTest, ResultsArgumentsAndLeavesKeepTheirMeaning) {
    run({u"手順は　割る（A,B）",
         u"　A÷Bで手順から抜ける",
         u"終わり",
         u"手順は　並べ（A,B,C）",
         u"　「［A］-［B］-［C］」で手順から抜ける",
         u"終わり",
         u"手順は　探す（上限）",
         u"　Ｋに1から上限まで繰り返",
         u"　　もし Ｋ が 3 なら",
         u"　　　Ｋ＊10で手順から抜ける",
         u"　　もし終わり",
         u"　繰り返し終わり",
         u"　「なし」で手順から抜ける",
         u"　「ここは動かない」を表示",
         u"終わり",
         u"Ｃは、「大域」",
         u"結果は、「」",
         u"Ｉに1から3まで繰り返",
         u"　結果は、結果＆割る(1,3)＆「/」＆割る(Ｉ＊2,2)＆「/」＆並べ(「あ」,Ｉ)＆「/"
         u"」＆探す(Ｉ＋1)＆「;」",
         u"繰り返し終わり",
         u"結果を表示",
         u"Ｃを表示"});
    // A fraction is written as the ordinary path writes it; a missing
    // argument is empty inside the procedure, never the global of its name;
    // a leave from a もし block inside a loop ends the procedure at once.
    EXPECT_EQ(messages(),
              (std::vector<Text>{u"0.333333333333333/1/あ-1-/なし;0.333333333333333/2/あ-2-/30;"
                                 u"0.333333333333333/3/あ-3-/30;",
                                 u"大域"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_P(ProcedureCallsTest, EveryCallStartsWithEmptyLocals) {
    // A call's locals table is kept for the next call of its procedure: a
    // parameter the next call leaves out, and a local it declares, must
    // not show what the previous call left in them.
    run({u"手順は　足す（A,B）", u"　もし A が 「」 なら 「A空」を表示", u"　A＋Bで手順から抜ける",
         u"終わり", u"手順は　記す（N）", u"　ここだけの変数は、メモ",
         u"　もし メモ が 「」 でないなら 「残り［メモ］」を表示", u"　メモは、N", u"終わり",
         u"結果は、「」", u"Ｉに1から2まで繰り返",
         u"　結果は、結果＆足す(Ｉ,10)＆「,」＆足す(,1)＆「;」", u"　Ｉを記す", u"繰り返し終わり",
         u"結果を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"A空", u"A空", u"11,1;12,1;"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_P(ProcedureCallsTest, AProcedureReplacedDuringItsOwnCallFinishesInItsOldForm) {
    // The file defines 変わる anew and calls it: the call under way goes on
    // in the form it started with, the file's call takes the file's form,
    // and after the file the caller's form is back.
    TempFolder folder;
    const std::string file = folder.file("sub.qel",
                                         "手順は　変わる（n）\r\n　「新」＆nで手順から抜ける\r\n終"
                                         "わり\r\n「［変わる(9)］」を表示\r\n");
    const Text path = text::fromUtf8(file);
    const Text runLine = u"　もし n が 2 なら 「" + path + u"」を実行";
    run({u"手順は　変わる（n）", runLine, u"　「旧」＆nで手順から抜ける", u"終わり",
         u"結果は、「」", u"Ｉに1から4まで繰り返", u"　結果は、結果＆変わる(Ｉ)", u"繰り返し終わり",
         u"結果を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"新9", u"旧1旧2旧3旧4"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_P(ProcedureCallsTest, ACallGoesOnAfterItsProcedureWasReplacedForGood) {
    // 参照 replaces 変わる for the rest of the run while 変わる(2) is under
    // way, and the same call site then calls the new form: nothing holds
    // the old form but the calls still running in it.
    TempFolder folder;
    const std::string file =
        folder.file("sub.qel", "手順は　変わる（n）\r\n　「新」＆nで手順から抜ける\r\n終わり\r\n");
    const Text path = text::fromUtf8(file);
    const Text readLine = u"　もし n が 2 なら 「" + path + u"」を参照";
    run({u"手順は　変わる（n）", u"　もし n が 1 より下なら 「底」で手順から抜ける", readLine,
         u"　下は、変わる(n－1)", u"　「旧」＆n＆下で手順から抜ける", u"終わり", u"変わる(3)を表示",
         u"変わる(3)を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"旧3旧2新1", u"新3"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_P(ProcedureCallsTest, RunawayRecursionEndsWithOneErrorAndTheScriptGoesOn) {
    run({u"手順は　深く（n）", u"　深く(n＋1)で手順から抜ける", u"終わり", u"Ｘは、深く(1)",
         u"「後」を表示", u"手順は　足す（A,B）", u"　A＋Bで手順から抜ける", u"終わり",
         u"足す(2,3)を表示"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{998}));
    EXPECT_EQ(messages(), (std::vector<Text>{u"後", u"5"}));
}

TEST_P(ProcedureCallsTest, AStopInsideACallEndsTheStatementThatMadeIt) {
    // The command whose argument was being worked out when the run was
    // stopped does not run on the empty answer (it might have saved it).
    run({u"手順は　止める（n）", u"　終了", u"　nで手順から抜ける", u"終わり", u"止める(1)を表示",
         u"「後」を表示"});
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_P(ProcedureCallsTest, ABudgetStopsATightLoopOfCalls) {
    engine().statementBudget = 5000;
    run({u"手順は　足す（A,B,C）", u"　A＋B＋Cで手順から抜ける", u"終わり", u"合計は、0",
         u"繰り返す", u"　合計は、合計＋足す(1,2,3)", u"繰り返し終わり", u"「届かない」を表示"});
    EXPECT_EQ(engine().statementBudget, 0);
    EXPECT_TRUE(messages().empty());
    // Every finished call added 6; the run stopped between statements.
    const double total = number::toNumber(variable(u"合計"));
    EXPECT_GT(total, 6000);
    EXPECT_EQ(std::fmod(total, 6), 0);
}

INSTANTIATE_TEST_SUITE_P(CompiledAndOrdinary, ProcedureCallsTest, ::testing::Bool());

}  // namespace
}  // namespace qel::testing
