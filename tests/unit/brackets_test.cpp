// The bracket test and the searches built on it, held against the rule as
// written: a pair counts only when the text holds as many opening as closing
// characters of it, and a position is inside when the text up to and
// including it holds a different number of the two.
#include "text/brackets.h"

#include <gtest/gtest.h>

#include <random>

namespace qel::text {
namespace {

bool insideByRule(TextView text, std::size_t pos, const BracketPairs& pairs) {
    for (std::size_t k = 0; k < pairs.open.size(); ++k) {
        int open = 0, close = 0, openUpTo = 0, closeUpTo = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            bool o = text[i] == pairs.open[k], c = text[i] == pairs.close[k];
            open += o;
            close += c;
            if (i <= pos) openUpTo += o, closeUpTo += c;
        }
        if (open > 0 && open == close && openUpTo != closeUpTo) return true;
    }
    return false;
}

Text randomText(std::mt19937& rng, std::size_t length) {
    static const TextView kAlphabet = u"「」（）()［］a。を＆,";
    Text out;
    for (std::size_t i = 0; i < length; ++i) out += kAlphabet[rng() % kAlphabet.size()];
    return out;
}

TEST(Brackets, SearchesAgreeWithTheRule) {
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        Text t = randomText(rng, rng() % 14);
        for (const BracketPairs* pairs : {&kSyntaxBrackets, &kConcatBrackets, &kQuoteBrackets}) {
            std::size_t first = npos, last = npos, firstAny = npos;
            for (std::size_t p = 0; p < t.size(); ++p) {
                bool in = insideByRule(t, p, *pairs);
                EXPECT_EQ(isInsideBrackets(t, p, *pairs), in);
                if (t[p] == u'。' && !in) {
                    if (first == npos) first = p;
                    last = p;
                }
                if ((t[p] == u'を' || t[p] == u'＆') && !in && firstAny == npos) firstAny = p;
            }
            EXPECT_EQ(findOutside(t, u"。", *pairs), first) << testing::PrintToString(t);
            EXPECT_EQ(findLastOutside(t, u"。", *pairs), last) << testing::PrintToString(t);
            EXPECT_EQ(findAnyOutside(t, u"を＆", *pairs), firstAny) << testing::PrintToString(t);
        }
    }
}

TEST(Brackets, RemaindersAreJudgedWithTheirOwnBalance) {
    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        Text t = randomText(rng, rng() % 16);
        RemainderBracketTest remainders(t, kSyntaxBrackets);
        // Walk the remainders as a splitter does: start and position only grow.
        std::size_t start = 0;
        for (std::size_t p = 0; p < t.size(); ++p) {
            if (rng() % 4 == 0) start = p;
            TextView rest = TextView(t).substr(start);
            EXPECT_EQ(remainders.inside(start, p), insideByRule(rest, p - start, kSyntaxBrackets))
                << testing::PrintToString(t) << " from " << start << " at " << p;
        }
    }
}

}  // namespace
}  // namespace qel::text
