// The format-pattern language: digit placement, rounding in decimal, and the
// dispatch between number, date and text patterns.
#include <gtest/gtest.h>

#include "library/strings/format_pattern.h"

namespace qel::formatting {
namespace {

TEST(DecimalDigits, RoundsHalvesAwayFromZeroInDecimal) {
    Text i, f;
    decimalDigits(2.675, 2, i, f);  // 2.67499999… in binary
    EXPECT_EQ(i + u"." + f, u"2.68");
    decimalDigits(0.5, 0, i, f);
    EXPECT_EQ(i, u"1");
    decimalDigits(999.995, 2, i, f);
    EXPECT_EQ(i + u"." + f, u"1000.00");
    decimalDigits(0.0004, 3, i, f);
    EXPECT_EQ(i + u"." + f, u".000");
    decimalDigits(1e20, 0, i, f);
    EXPECT_EQ(i, u"100000000000000000000");
}

TEST(NumberPatterns, PlaceDigitsAroundLiterals) {
    EXPECT_EQ(formatNumber(1234567, u"#,##0"), u"1,234,567");
    EXPECT_EQ(formatNumber(1234567, u"000-0000"), u"123-4567");
    EXPECT_EQ(formatNumber(12345678, u"000-0000"), u"1234-5678");
    EXPECT_EQ(formatNumber(12, u"000-0000"), u"000-0012");
    EXPECT_EQ(formatNumber(5, u"#,##0円"), u"5円");
    EXPECT_EQ(formatNumber(0, u"#"), u"");
    EXPECT_EQ(formatNumber(12.5, u".00"), u"12.50");
    EXPECT_EQ(formatNumber(-0.001, u"0.00"), u"0.00");
    EXPECT_EQ(formatNumber(1234567, u"0,,"), u"1");
    EXPECT_EQ(formatNumber(0.000123, u"0.0E-0"), u"1.2E-4");
    EXPECT_EQ(formatNumber(99999, u"0.0E+00"), u"1.0E+05");
    EXPECT_EQ(formatNumber(1.5, u"\"約\"0\"個\""), u"約2個");
    EXPECT_EQ(formatNumber(-3, u"0;△0"), u"△3");
}

TEST(ValuePatterns, ChooseByValueAndPattern) {
    calendar::DateTime today;
    today.year = 2026;
    EXPECT_EQ(formatValue(u"0.5", u"hh:nn", today), u"12:00");
    EXPECT_EQ(formatValue(u"2026/12/8", u"yyyy年m月d日(aaa)", today), u"2026年12月8日(火)");
    EXPECT_EQ(formatValue(u"2026/12/8 0:05", u"h:mm", today), u"0:05");
    EXPECT_EQ(formatValue(u"2026/12/8", u"mm/dd", today), u"12/08");
    EXPECT_EQ(formatValue(u"abc", u"!@@", today), u"ab");
    EXPECT_EQ(formatValue(u"abc", u"@@@@", today), u" abc");
    EXPECT_EQ(formatValue(u"1234.5", u"Standard", today), u"1,234.50");
    EXPECT_EQ(formatValue(u"0", u"Yes/No", today), u"No");
    EXPECT_EQ(formatValue(u"りんご", u"yyyy", today), u"りんご");
}

}  // namespace
}  // namespace qel::formatting
