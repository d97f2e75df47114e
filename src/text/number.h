// Numbers as the language sees them: every value is text, arithmetic is on
// doubles, and one rule decides whether a text reads as a number.
#pragma once

#include <optional>

#include "text/text.h"

namespace qel::number {

// The number a text reads as, or nothing. Accepted: optional blanks, an
// optional sign, digits with at most one decimal point (a lone point is not a
// number), an optional exponent (E or D, optional sign, digits), optional
// blanks; or &H hexadecimal / &O octal. Full-width digits do not count.
std::optional<double> parse(TextView text);
inline bool readsAsNumber(TextView text) {
    return parse(text).has_value();
}

// The lenient reading used where any text must become a number: the text if
// it reads as one; otherwise its full-width characters are made half-width
// and the leading number is taken (none gives 0).
double toNumber(TextView text);

// The leading number of a text ("12abc" gives 12, "abc" gives 0).
double leadingNumber(TextView text);

// At most 15 significant digits, no trailing zeros, exponent form 1E+20 /
// 1E-05 where the plain form would need more digits; negative zero is 0.
// Infinities and NaN, which arithmetic faults can produce, are written as 0
// so that no script ever sees "inf" or "nan".
Text format(double value);

}  // namespace qel::number
