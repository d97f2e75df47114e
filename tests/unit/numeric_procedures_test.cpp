// Procedures run on numbers alone against the ordinary run: random
// procedures of the kinds that qualify (guards that leave, arithmetic stored
// in a parameter or a global, leaves with and without answers, recursive
// calls from the arithmetic, fractions, powers, remainders, zero divisors,
// a global that holds a text) run once with compiling on, where their calls
// run on numbers alone, and once with it off. Every text shown and every
// error must be the same.
#include <gtest/gtest.h>

#include <random>

#include "core/numeric_procedures.h"
#include "engine_fixture.h"
#include "text/number.h"

namespace qel::testing {
namespace {

class RandomProcedure {
  public:
    explicit RandomProcedure(unsigned seed) : rng_(seed) {}

    std::vector<Text> script() {
        callsLeft_ = 2;
        std::vector<Text> lines{
            u"手順は　Ｐ（a,b）",
            u"　もし a が 1 より下なら " + expression(1, false) + u"で手順から抜ける"};
        switch (pick(4)) {
            case 0:
                lines.push_back(u"　bは、" + expression(2, true));
                break;
            case 1:
                lines.push_back(u"　Ｇは、" + expression(2, true));
                break;
            case 2:
                lines.push_back(u"　答えは、" + expression(2, true));
                break;
            default:
                break;
        }
        if (pick(2) == 0)
            lines.push_back(u"　もし b が 3 より上なら " + expression(2, true) +
                            u"で手順から抜ける");
        if (pick(4) != 0) lines.push_back(u"　" + expression(2, true) + u"で手順から抜ける");
        lines.push_back(u"終わり");
        // Ｇ holds a number, a text, or nothing (it is first written inside).
        switch (pick(4)) {
            case 0:
                lines.push_back(u"Ｇは、「文字」");
                break;
            case 1:
                break;
            default:
                lines.push_back(u"Ｇは、" + literal());
                break;
        }
        lines.insert(lines.end(), {u"結果は、「」", u"Ｉに1から40まで繰り返",
                                   u"　結果は、結果＆Ｐ(Ｉ％7,Ｉ÷3)＆「,」", u"繰り返し終わり",
                                   u"結果を表示", u"「［Ｇ］」を表示"});
        return lines;
    }

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    Text literal() {
        static const char16_t* const kNumbers[] = {u"0",   u"1",   u"2",  u"3",       u"7",
                                                   u"0.5", u"1.5", u"10", u"1000000", u"0.1"};
        return kNumbers[pick(10)];
    }

    Text operand(int depth, bool calls) {
        switch (pick(depth > 0 ? 8 : 5)) {
            case 0:
                return u"a";
            case 1:
            case 2:
                return u"b";
            case 3:
                return literal();
            case 4:
                return u"Ｇ";
            case 5:
                return u"（" + expression(depth - 1, calls) + u"）";
            default:
                if (!calls || callsLeft_ == 0) return u"b";
                --callsLeft_;
                // The first argument goes down by one: every recursion ends.
                return u"Ｐ(a－1," + expression(depth - 1, false) + u")";
        }
    }

    Text expression(int depth, bool calls) {
        static const char16_t* const kOperators[] = {u"＋", u"－", u"＊", u"÷",
                                                     u"＾", u"％", u"￥"};
        Text out = operand(depth, calls);
        for (int i = pick(3); i > 0; --i) out += kOperators[pick(7)] + operand(depth, calls);
        return out;
    }

    std::mt19937 rng_;
    int callsLeft_ = 0;
};

class NumericProceduresTest : public EngineTest {
  protected:
    struct Outcome {
        std::vector<Text> messages;
        std::vector<int> errors;
    };

    Outcome runWith(bool compiling, const std::vector<Text>& lines) {
        engine().compileStatements = compiling;
        Text script;
        for (const Text& line : lines) script += line + u"\r\n";
        qel().Run(script, u"test.qel", false);
        Outcome outcome{messages(), errorNumbers()};
        clearBoxes();
        return outcome;
    }
};

TEST_F(NumericProceduresTest, RandomProceduresGiveWhatTheOrdinaryRunGives) {
    int ranOnNumbers = 0;
    constexpr int kPrograms = 80;
    for (unsigned seed = 1; seed <= kPrograms; ++seed) {
        const std::vector<Text> lines = RandomProcedure(seed).script();
        const std::uint64_t before = numeric::callsRunOnNumbers();
        const Outcome fast = runWith(true, lines);
        if (numeric::callsRunOnNumbers() > before) ++ranOnNumbers;
        const Outcome ordinary = runWith(false, lines);
        std::string shown;
        for (const Text& line : lines) shown += text::toUtf8(line) + "\n";
        EXPECT_EQ(fast.messages, ordinary.messages) << shown;
        EXPECT_EQ(fast.errors, ordinary.errors) << shown;
    }
    // Many must have taken the numbers-alone way, or this compares the
    // ordinary run with itself (a run that reads Ｇ while it holds a text or
    // nothing hands over to the ordinary one).
    EXPECT_GT(ranOnNumbers, kPrograms / 3);
}

TEST_F(NumericProceduresTest, AStatementBudgetRunsOutAtTheSameStatement) {
    // The budget counts the statements of calls that run on numbers as the
    // ordinary run counts them: what was added up, what was shown and what
    // is left of the budget are the same, wherever it runs out.
    const std::vector<Text> lines{u"手順は　フィボ（n）",
                                  u"　もし n が 2 より下なら nで手順から抜ける",
                                  u"　答えは、フィボ(n－1)＋フィボ(n－2)",
                                  u"　答えで手順から抜ける",
                                  u"終わり",
                                  u"合計は、0",
                                  u"Ｉに1から30まで繰り返",
                                  u"　合計は、合計＋フィボ(Ｉ％12)",
                                  u"繰り返し終わり",
                                  u"合計を表示"};
    for (std::int64_t budget : {40, 137, 1000, 4321, 1000000}) {
        engine().statementBudget = budget;
        const std::uint64_t before = numeric::callsRunOnNumbers();
        const Outcome fast = runWith(true, lines);
        const bool tookNumbers = numeric::callsRunOnNumbers() > before;
        const std::int64_t fastLeft = engine().statementBudget;
        const Text fastTotal = variable(u"合計");
        engine().statementBudget = budget;
        const Outcome ordinary = runWith(false, lines);
        EXPECT_EQ(fast.messages, ordinary.messages) << budget;
        EXPECT_EQ(fastLeft, engine().statementBudget) << budget;
        EXPECT_EQ(fastTotal, variable(u"合計")) << budget;
        if (budget >= 4321) {
            EXPECT_TRUE(tookNumbers) << budget;
        }
    }
    engine().statementBudget = -1;
}

}  // namespace
}  // namespace qel::testing
