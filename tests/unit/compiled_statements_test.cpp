// Statements run again are compiled into nodes. Each case here runs its
// statements at least three times (the first runs take the ordinary way, the
// later ones the compiled form), once with compiling on and once with it off:
// both must give the same results, errors and lines.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace qel::testing {
namespace {

class CompiledStatementsTest : public EngineTest, public ::testing::WithParamInterface<bool> {
  protected:
    CompiledStatementsTest() { engine().compileStatements = GetParam(); }
};

TEST_P(CompiledStatementsTest, OneLineConditionsAndLeavesKeepTheirMeaning) {
    run({u"手順は　判定（n）", u"　もし n が 2 より下なら 「小」で手順から抜ける。",
         u"　もし n が 5 でないなら 「中」で手順から抜ける", u"　「大」で手順から抜ける", u"終わり",
         u"手順は　範囲（n）",
         u"　もし ［n が 3 以上］［n が 4 以下］なら 「内」で抜ける でないなら 「外」で抜ける",
         u"終わり", u"結果は、0", u"Ｉに1から6まで繰り返", u"　結果は、結果＆判定(Ｉ)＆範囲(Ｉ)",
         u"　もし Ｉ が 5 なら 繰り返しから抜ける", u"繰り返し終わり", u"結果を表示", u"Ｎは、0",
         u"Ｊに1から4まで繰り返", u"　もし Ｊ が 2 でないなら Ｎは、Ｎ＋1 でないなら Ｎは、Ｎ＋10",
         u"繰り返し終わり", u"Ｎを表示"});
    // The loop is left at 5; 2 is the only pass that takes the else branch.
    EXPECT_EQ(messages(), (std::vector<Text>{u"0小外中外中内中内大外", u"13"}));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_P(CompiledStatementsTest, AComparisonWithANumberStillComparesTextsThatAreNoNumbers) {
    // The same condition meets a number, a text and a number written
    // otherwise ("2.0" equals 2) on every pass.
    run({u"手順は　等しい（n）",
         u"　もし n が 2 なら 「○」で手順から抜ける でないなら 「×」で手順から抜ける", u"終わり",
         u"文は、「abc」", u"小数は、「2.0」", u"結果は、0", u"Ｉに1から3まで繰り返",
         u"　結果は、結果＆等しい(Ｉ)＆等しい(文)＆等しい(小数)", u"繰り返し終わり",
         u"結果を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"0××○○×○××○"}));
}

TEST_P(CompiledStatementsTest, LiteralArgumentsKeepTheirTextsAndNumbers) {
    // A literal argument is kept as a number only when that number writes
    // back as the literal: 007 and 2.50 stay as written.
    run({u"手順は　写す（A,B,C）", u"　「［A］/［B］/［C］」で手順から抜ける", u"終わり",
         u"手順は　足す（A,B,C）", u"　A＋B＋Cで手順から抜ける", u"終わり", u"結果は、「」",
         u"合計は、0", u"Ｉに1から3まで繰り返", u"　結果は、結果＆写す(007,2.50,2)＆「,」",
         u"　合計は、合計＋足す(007,2.50,2)", u"繰り返し終わり", u"結果を表示", u"合計を表示"});
    EXPECT_EQ(messages(), (std::vector<Text>{u"007/2.50/2,007/2.50/2,007/2.50/2,", u"34.5"}));
}

TEST_P(CompiledStatementsTest, ErrorsNameTheLineAndWordOnEveryPass) {
    run({u"手順は　試す（n）", u"　もし n が 0 より上なら ほげ(n)で手順から抜ける", u"終わり",
         u"Ｋに1から3まで繰り返", u"　試す　Ｋ", u"繰り返し終わり", u"手順は　試す2（n）",
         u"　ほげ(n)で手順から抜ける", u"終わり", u"Ｋに1から3まで繰り返", u"　試す2　Ｋ",
         u"繰り返し終わり"});
    const std::vector<ShownBox> errors = errorBoxes();
    ASSERT_EQ(errors.size(), 6u);
    for (std::size_t i = 0; i < errors.size(); ++i) {
        const TextView line = i < 3 ? u" 2行目 " : u" 8行目 ";
        EXPECT_NE(errors[i].text.find(line), Text::npos) << text::toUtf8(errors[i].text);
        EXPECT_EQ(errors[i].errorNumber, errors[0].errorNumber);
    }
    EXPECT_EQ(engine().errors.errorLine, 8);
    EXPECT_EQ(engine().errors.errorWord, u"ほげ(n)");
}

INSTANTIATE_TEST_SUITE_P(CompiledAndOrdinary, CompiledStatementsTest, ::testing::Bool());

}  // namespace
}  // namespace qel::testing
