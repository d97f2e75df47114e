// The bracket test and the searches that skip bracketed text. A bracket pair
// is honoured only when the whole text holds as many opening as closing
// characters of that pair; a position is inside when the text up to and
// including it holds a different number of the two.
#pragma once

#include <array>
#include <cstddef>

#include "text/text.h"

namespace qel::text {

struct BracketPairs {
    TextView open;
    TextView close;  // parallel to open
};

// Comment markers: （） and 「」.
inline constexpr BracketPairs kCommentBrackets{u"（「", u"）」"};
// Classification and particle searches: （） () 「」 ［］.
inline constexpr BracketPairs kSyntaxBrackets{u"（(「［", u"）)」］"};
// Parenthesis balance: 「」 only.
inline constexpr BracketPairs kQuoteBrackets{u"「", u"」"};
// Concatenation split of the evaluator: （ ( 「.
inline constexpr BracketPairs kConcatBrackets{u"（(「", u"）)」"};
// Operators of arithmetic: 「 （ and (. Half-width parentheses shield as the
// full-width ones do, so X(I-1) is an element and 左(X,N-1) a call, not a
// difference of their numeric values.
inline constexpr BracketPairs kArithmeticBrackets{u"「（(", u"」）)"};
// Argument lists: （ ( 「 ［ (a comma inside X(1,2) belongs to that argument).
inline constexpr BracketPairs kArgumentBrackets{u"（(「［", u"）)」］"};
// Parentheses alone.
inline constexpr BracketPairs kParentheses{u"（(", u"）)"};

constexpr std::size_t npos = TextView::npos;

bool isInsideBrackets(TextView text, std::size_t pos, const BracketPairs& pairs);

// The bracket test for many positions of one text, asked in increasing order:
// the text is walked once in all, however many positions are tested, so long
// lines with many candidates stay linear.
class BracketScanner {
  public:
    static constexpr std::size_t kMaxPairs = 4;
    BracketScanner(TextView text, const BracketPairs& pairs);
    bool inside(std::size_t pos);  // pos must not decrease between calls

  private:
    TextView text_;
    BracketPairs pairs_;
    std::array<bool, kMaxPairs> active_{};
    bool any_ = false;
    std::size_t counted_ = 0;
    std::array<int, kMaxPairs> open_{}, close_{};
};

// The bracket test for the remainders of one text, each judged with its own
// balance (what splitting at the first separator and judging the rest afresh
// does). Calls must come with non-decreasing start and position; the whole
// text is then counted once in all, however many remainders are tested.
class RemainderBracketTest {
  public:
    RemainderBracketTest(TextView whole, const BracketPairs& pairs);
    // Whether `pos` lies inside brackets of the remainder that begins at
    // `start` and runs to the end of the whole text.
    bool inside(std::size_t start, std::size_t pos);

  private:
    struct Counts {
        std::size_t at = 0;
        std::array<int, BracketScanner::kMaxPairs> open{}, close{};
    };
    void advance(Counts& counts, std::size_t to) const;

    TextView whole_;
    BracketPairs pairs_;
    Counts total_, start_, pos_;
};

// First occurrence of needle at or after `from` that is not inside brackets.
std::size_t findOutside(TextView text, TextView needle, const BracketPairs& pairs,
                        std::size_t from = 0);
// Last occurrence of needle (starting at or before `before`, default: anywhere)
// that is not inside brackets.
std::size_t findLastOutside(TextView text, TextView needle, const BracketPairs& pairs,
                            std::size_t before = npos);
// First position at or after `from` and before `end` holding any of `chars`
// that is not inside brackets.
std::size_t findAnyOutside(TextView text, TextView chars, const BracketPairs& pairs,
                           std::size_t from = 0, std::size_t end = npos);

}  // namespace qel::text
