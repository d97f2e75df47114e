// Procedure calls made again and again from the same call sites: the calls
// hold their procedure and program without counted references, and their
// statements run compiled after the first passes. Each case runs with
// compiling on and off; both must give the same results and errors.
#include <gtest/gtest.h>

#include <cmath>

#include "core/numeric_procedures.h"
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

TEST_P(ProcedureCallsTest, ProceduresOnNumbersKeepTheirMeaning) {
    // Procedures made of guards, arithmetic stored in a variable and leaves
    // with answers, called often enough to run on numbers alone when
    // compiling: a stored fraction keeps 15 significant digits on its way
    // into a parameter, a leave without an answer gives nothing (0 in
    // arithmetic), a variable the procedure writes becomes a global, and an
    // argument that is not exactly its number's text takes the ordinary way.
    const std::uint64_t before = numeric::callsRunOnNumbers();
    run({u"手順は　刻む（n,x）",
         u"　もし n が 1 より下なら xで手順から抜ける",
         u"　刻む(n－1,x÷3)で手順から抜ける",
         u"終わり",
         u"手順は　三角（n）",
         u"　もし n が 1 より上 でないなら nで手順から抜ける",
         u"　三角(n－1)＋nで手順から抜ける",
         u"終わり",
         u"手順は　数え（n）",
         u"　もし n が 0 なら 手順から抜ける",
         u"　数え(n－1)＋1で手順から抜ける",
         u"終わり",
         u"手順は　記録（n）",
         u"　最後は、n＊2",
         u"　最後＋1で手順から抜ける",
         u"終わり",
         u"手順は　同じ（n）",
         u"　もし n が 0 より下なら 0で手順から抜ける",
         u"　nで手順から抜ける",
         u"終わり",
         u"結果は、「」",
         u"Ｉに1から6まで繰り返",
         u"　結果は、結果＆三角(Ｉ)＆「,」＆記録(Ｉ)＆「,」＆数え(Ｉ)＆「,」＆刻む(2,Ｉ)＆「;」",
         u"繰り返し終わり",
         u"結果を表示",
         u"刻む(2,1)＊9を表示",
         u"三角(100)を表示",
         u"「[」＆数え(0)＆「]」を表示",
         u"最後を表示",
         u"同じ(「007」)＆同じ(「7.0」)＆同じ(7)を表示"});
    EXPECT_EQ(messages(),
              (std::vector<Text>{u"1,3,1,0.111111111111111;3,5,2,0.222222222222222;"
                                 u"6,7,3,0.333333333333333;10,9,4,0.444444444444443;"
                                 u"15,11,5,0.555555555555557;21,13,6,0.666666666666667;",
                                 u"0.999999999999999", u"5050", u"[]", u"12", u"0077.07"}));
    EXPECT_TRUE(errorBoxes().empty());
    EXPECT_EQ(numeric::callsRunOnNumbers() > before, GetParam());
}

TEST_P(ProcedureCallsTest, ProceduresOnNumbersSeeVariablesAsTheyAreNow) {
    // 足し reads a global that first holds a text (0 in arithmetic), then a
    // number; 外 calls 倍 until a variable of that name hides the procedure.
    run({u"手順は　足し（n）",
         u"　もし n が 1 より下なら 基準＋0で手順から抜ける",
         u"　足し(n－1)＋1で手順から抜ける",
         u"終わり",
         u"手順は　倍（n）",
         u"　もし n が 1 より下なら 0で手順から抜ける",
         u"　倍(n－1)＋2で手順から抜ける",
         u"終わり",
         u"手順は　外（n）",
         u"　倍(n)＋0で手順から抜ける",
         u"終わり",
         u"基準は、「あ」",
         u"結果は、「」",
         u"Ｉに1から12まで繰り返",
         u"　もし Ｉ が 7 なら 基準は、100",
         u"　結果は、結果＆足し(3)＆「,」＆外(Ｉ)＆「;」",
         u"繰り返し終わり",
         u"結果を表示",
         u"倍は、「7,8,9」",
         u"外(3)を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"3,2;3,4;3,6;3,8;3,10;3,12;103,14;103,16;103,18;"
                                             u"103,20;103,22;103,24;",
                                             u"9"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_P(ProcedureCallsTest, ARunawayThroughAStoredCallEndsWithOneError) {
    run({u"手順は　深い（n）", u"　次は、深い(n＋1)", u"　次で手順から抜ける", u"終わり",
         u"Ｘは、深い(1)", u"「後」を表示"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{998}));
    EXPECT_EQ(messages(), (std::vector<Text>{u"後"}));
}

TEST_P(ProcedureCallsTest, AProcedureCalledFromAnotherOneIsCalledInItsNewForm) {
    // 外 has run often enough to run on numbers alone; 参照 then replaces
    // the procedure it calls.
    TempFolder folder;
    const std::string file =
        folder.file("sub.qel", "手順は　形（n）\r\n　n＊100で手順から抜ける\r\n終わり\r\n");
    const Text path = text::fromUtf8(file);
    run({u"手順は　形（n）", u"　n＋1で手順から抜ける", u"終わり", u"手順は　外（n）",
         u"　形(n)＋0で手順から抜ける", u"終わり", u"結果は、「」", u"Ｉに1から5まで繰り返",
         u"　結果は、結果＆外(Ｉ)＆「,」", u"繰り返し終わり", u"「" + path + u"」を参照",
         u"結果は、結果＆外(2)", u"結果を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"2,3,4,5,6,200"}));
    EXPECT_TRUE(errorBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(CompiledAndOrdinary, ProcedureCallsTest, ::testing::Bool());

}  // namespace
}  // namespace qel::testing
