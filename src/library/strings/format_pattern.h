// The format-pattern language of 書式 and its relatives: digit placeholders
// (0 #), grouping and scaling commas, decimals, percent, exponents, literal
// text, sections for positive;negative;zero, date and time patterns (yyyy mm
// dd hh nn ss, aaa/aaaa weekday names, era names) and text placeholders (@ &).
#pragma once

#include "library/dates/calendar.h"
#include "text/text.h"

namespace qel::formatting {

// The value formatted with the pattern. A number meets a numeric pattern,
// a date or time (or a number read as a day count from 1899/12/30) meets a
// date pattern, anything else meets the text placeholders; a value the
// pattern cannot take is returned unchanged. `today` completes dates written
// without a year.
Text formatValue(TextView value, TextView pattern, const calendar::DateTime& today);

Text formatNumber(double value, TextView pattern);
Text formatDateTime(const calendar::DateTime& value, TextView pattern);

// Digits of |value| rounded half away from zero at `decimals` places, from
// its 15 significant digits: integer digits (empty for 0) and exactly
// `decimals` fraction digits.
void decimalDigits(double value, int decimals, Text& integerDigits, Text& fractionDigits);

}  // namespace qel::formatting
