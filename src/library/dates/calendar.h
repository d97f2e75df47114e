// Dates and times as scripts write them: reading the forms Japanese users
// type, writing yyyy/mm/dd hh:nn:ss, and calendar arithmetic on the
// proleptic Gregorian calendar from year 1 to 9999.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/ports/clock.h"
#include "text/text.h"

namespace qel::calendar {

struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    double fraction = 0;   // fractions of a second (the timer only)
    bool hasDate = true;   // written with a date part
    bool hasTime = false;  // written with a time part
};

enum class Unit { Year, Month, Week, Day, Hour, Minute, Second };

// Days from 1970/01/01 to the given civil date (negative before it).
int64_t daysFromCivil(int64_t year, int month, int day);
void civilFromDays(int64_t days, int& year, int& month, int& day);
int daysInMonth(int year, int month);
bool isLeapYear(int year);

// Seconds since 0001/01/01 00:00:00; the inverse keeps hasDate/hasTime of
// `shape`. Nothing when outside the years 1-9999.
int64_t toSeconds(const DateTime& value);
std::optional<DateTime> fromSeconds(int64_t seconds, const DateTime& shape);

// The local date and time now, by the given clock.
DateTime now(Clock& clock);

// Reads a date, a time, or both: 2026/12/8, 2026-12-08, 2026.12.08,
// 2026年12月8日, 令和8年12月8日 (平成, 昭和, 大正, 明治 too), 12/8 and 12月8日
// (this year), 20261208; 13:05, 13:05:09, 13時5分9秒, with 午前/午後 or AM/PM;
// a date and a time separated by blanks or "T". Full-width digits count.
// `today` gives the year of a date written without one.
std::optional<DateTime> parse(TextView text, const DateTime& today);

// 1 = Sunday … 7 = Saturday.
int weekday(const DateTime& value);
// 日曜日 … 土曜日.
Text weekdayName(int weekday);
// The era of a date and the year within it (令和 8); false before 明治.
bool eraOf(const DateTime& value, Text& era, int& eraYear);

Text formatDate(const DateTime& value);  // yyyy/mm/dd
Text formatTime(const DateTime& value);  // hh:nn:ss
// Date, time, or both, as the value was written (a date at midnight written
// without a time shows the date alone).
Text formatValue(const DateTime& value);

// 年 (years) … 秒 (seconds); also 週 (weeks) and the common variants
// (ヶ月, 時間, 週間 …).
std::optional<Unit> parseUnit(TextView text);

// The value moved by `amount` units. Months and years keep the day when the
// target month has it and take the month's last day otherwise (1/31 plus one
// month is 2/28 or 2/29). Nothing when the result leaves the years 1-9999.
std::optional<DateTime> add(const DateTime& value, int64_t amount, Unit unit);

// Whole units from `from` to `to` (negative when `to` is earlier): the
// largest count n such that moving `from` by n units does not pass `to`.
int64_t difference(const DateTime& from, const DateTime& to, Unit unit);

}  // namespace qel::calendar
