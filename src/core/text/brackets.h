// The bracket test and the searches that skip bracketed text. A bracket pair
// is honoured only when the whole text holds as many opening as closing
// characters of that pair; a position is inside when the text up to and
// including it holds a different number of the two.
#pragma once

#include <cstddef>

#include "core/text/text.h"

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
// Operators of arithmetic: 「 （.
inline constexpr BracketPairs kArithmeticBrackets{u"「（", u"」）"};
// Argument lists: （ 「 ［.
inline constexpr BracketPairs kArgumentBrackets{u"（「［", u"）」］"};
// Parentheses alone.
inline constexpr BracketPairs kParentheses{u"（(", u"）)"};

constexpr std::size_t npos = TextView::npos;

bool isInsideBrackets(TextView text, std::size_t pos, const BracketPairs& pairs);

// First occurrence of needle at or after `from` that is not inside brackets.
std::size_t findOutside(TextView text, TextView needle, const BracketPairs& pairs,
                        std::size_t from = 0);
// Last occurrence of needle (starting at or before `before`, default: anywhere)
// that is not inside brackets.
std::size_t findLastOutside(TextView text, TextView needle, const BracketPairs& pairs,
                            std::size_t before = npos);

}  // namespace qel::text
