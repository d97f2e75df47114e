// Reading dates in the forms users type, and the calendar arithmetic at
// month ends, leap days and the edges of the supported years.
#include <gtest/gtest.h>

#include "library/dates/calendar.h"

namespace qel::calendar {
namespace {

const DateTime kToday = [] {
    DateTime d;
    d.year = 2026, d.month = 12, d.day = 8;
    return d;
}();

Text shown(TextView input) {
    auto v = parse(input, kToday);
    return v ? formatValue(*v) : u"(none)";
}

TEST(CalendarParse, AcceptsTheFormsJapaneseUsersWrite) {
    EXPECT_EQ(shown(u"2026/12/8"), u"2026/12/08");
    EXPECT_EQ(shown(u"2026-12-08"), u"2026/12/08");
    EXPECT_EQ(shown(u"2026.12.08"), u"2026/12/08");
    EXPECT_EQ(shown(u"2026年12月8日"), u"2026/12/08");
    EXPECT_EQ(shown(u"２０２６年１２月８日"), u"2026/12/08");
    EXPECT_EQ(shown(u"令和8年12月8日"), u"2026/12/08");
    EXPECT_EQ(shown(u"平成元年1月8日"), u"1989/01/08");
    EXPECT_EQ(shown(u"20261208"), u"2026/12/08");
    EXPECT_EQ(shown(u"12/8"), u"2026/12/08");
    EXPECT_EQ(shown(u"3月1日"), u"2026/03/01");
    EXPECT_EQ(shown(u"26/1/2"), u"2026/01/02");
    EXPECT_EQ(shown(u"99/1/2"), u"1999/01/02");
    EXPECT_EQ(shown(u"2026/12/8 13:05"), u"2026/12/08 13:05:00");
    EXPECT_EQ(shown(u"2026-12-08T13:05:09"), u"2026/12/08 13:05:09");
    EXPECT_EQ(shown(u"2026年12月8日　午後1時5分"), u"2026/12/08 13:05:00");
    EXPECT_EQ(shown(u"7:05 PM"), u"19:05:00");
    EXPECT_EQ(shown(u"午前12時"), u"00:00:00");
    EXPECT_EQ(shown(u"9時半"), u"09:30:00");
}

TEST(CalendarParse, RejectsWhatIsNoDate) {
    for (TextView bad : {u"", u"2026/2/30", u"2026/13/1", u"2023/2/29", u"25:00", u"12:60", u"明日",
                         u"2026/12/8 extra", u"0/1/1/1", u"10000/1/1"}) {
        EXPECT_FALSE(parse(bad, kToday).has_value()) << text::toUtf8(bad);
    }
    EXPECT_TRUE(parse(u"2024/2/29", kToday).has_value());
    EXPECT_TRUE(parse(u"2000/2/29", kToday).has_value());
    EXPECT_FALSE(parse(u"1900/2/29", kToday).has_value());
}

DateTime at(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0) {
    DateTime v;
    v.year = y, v.month = m, v.day = d, v.hour = hh, v.minute = nn, v.second = ss;
    v.hasTime = hh || nn || ss;
    return v;
}

TEST(CalendarArithmetic, MonthsHoldTheDayToTheMonthEnd) {
    EXPECT_EQ(formatValue(*add(at(2026, 1, 31), 1, Unit::Month)), u"2026/02/28");
    EXPECT_EQ(formatValue(*add(at(2024, 1, 31), 1, Unit::Month)), u"2024/02/29");
    EXPECT_EQ(formatValue(*add(at(2024, 2, 29), 1, Unit::Year)), u"2025/02/28");
    EXPECT_EQ(formatValue(*add(at(2024, 2, 29), 4, Unit::Year)), u"2028/02/29");
    EXPECT_EQ(formatValue(*add(at(2026, 3, 31), -1, Unit::Month)), u"2026/02/28");
    EXPECT_EQ(formatValue(*add(at(2026, 12, 31), 1, Unit::Day)), u"2027/01/01");
    EXPECT_EQ(formatValue(*add(at(2026, 12, 8, 23, 30), 45, Unit::Minute)), u"2026/12/09 00:15:00");
}

TEST(CalendarArithmetic, StaysInsideTheSupportedYears) {
    EXPECT_FALSE(add(at(9999, 12, 31), 1, Unit::Day).has_value());
    EXPECT_FALSE(add(at(1, 1, 1), -1, Unit::Second).has_value());
    EXPECT_FALSE(add(at(2026, 1, 1), INT64_MAX, Unit::Week).has_value());
    EXPECT_FALSE(add(at(2026, 1, 1), INT64_MIN + 1, Unit::Year).has_value());
    EXPECT_TRUE(add(at(1, 1, 1), 9998, Unit::Year).has_value());
}

TEST(CalendarArithmetic, DifferencesCountWholeUnits) {
    EXPECT_EQ(difference(at(2026, 1, 31), at(2026, 2, 28), Unit::Month), 1);
    EXPECT_EQ(difference(at(2026, 1, 31), at(2026, 2, 27), Unit::Month), 0);
    EXPECT_EQ(difference(at(2000, 2, 29), at(2026, 2, 28), Unit::Year), 26);
    EXPECT_EQ(difference(at(2026, 2, 28), at(2000, 2, 29), Unit::Year), -25);
    EXPECT_EQ(difference(at(2026, 12, 8, 23), at(2026, 12, 9, 1), Unit::Day), 0);
    EXPECT_EQ(difference(at(2026, 12, 1), at(2026, 12, 29), Unit::Week), 4);
    EXPECT_EQ(difference(at(2026, 12, 8), at(2026, 12, 1), Unit::Day), -7);
}

TEST(CalendarNames, WeekdaysAndEras) {
    EXPECT_EQ(weekday(at(2026, 12, 8)), 3);  // Tuesday
    EXPECT_EQ(weekday(at(1970, 1, 1)), 5);   // Thursday
    EXPECT_EQ(weekday(at(1, 1, 1)), 2);      // Monday, proleptic Gregorian
    EXPECT_EQ(weekdayName(1), u"日曜日");
    Text era;
    int year = 0;
    ASSERT_TRUE(eraOf(at(2019, 5, 1), era, year));
    EXPECT_EQ(era, u"令和");
    EXPECT_EQ(year, 1);
    ASSERT_TRUE(eraOf(at(2019, 4, 30), era, year));
    EXPECT_EQ(era, u"平成");
    EXPECT_EQ(year, 31);
    EXPECT_FALSE(eraOf(at(1800, 1, 1), era, year));
}

}  // namespace
}  // namespace qel::calendar
