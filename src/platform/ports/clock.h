// The wall clock, local time and a monotonic clock. The base class keeps time
// with the standard clocks and takes local time to be UTC, so a bundle without
// a clock of its own still runs; the platform's clock adds the time zone, and
// a test's clock stands still at the date it was given.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>

namespace qel {

// A date and time as a wall calendar shows it.
struct LocalTime {
    int year = 1970, month = 1, day = 1;  // month 1-12
    int hour = 0, minute = 0, second = 0;
};

class Clock {
  public:
    using TimePoint = std::chrono::system_clock::time_point;
    // Whole seconds since the epoch: wide enough for any file's date.
    using Seconds = std::chrono::sys_seconds;

    virtual ~Clock() = default;
    virtual TimePoint now() { return std::chrono::system_clock::now(); }
    virtual LocalTime localTime(Seconds at) { return calendarTime(at, std::chrono::minutes(0)); }
    // Milliseconds that only ever grow; what they count from is the clock's
    // own (the start of the system, or of a virtual run).
    virtual double monotonicMs() {
        using namespace std::chrono;
        return double(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count()) /
               1000.0;
    }

    LocalTime localNow() { return localTime(std::chrono::floor<std::chrono::seconds>(now())); }

    // The calendar date and time `offset` ahead of UTC at `at`.
    static LocalTime calendarTime(Seconds at, std::chrono::minutes offset) {
        using namespace std::chrono;
        const sys_seconds shifted = at + offset;
        const sys_days day = floor<days>(shifted);
        const year_month_day date{day};
        const hh_mm_ss<seconds> time{shifted - day};
        return {
            int(date.year()),          int(unsigned(date.month())), int(unsigned(date.day())),
            int(time.hours().count()), int(time.minutes().count()), int(time.seconds().count())};
    }

    // Seconds since the epoch as a file system gives them (fractions dropped),
    // kept within the years 1 to 9999 so that a damaged date cannot overflow.
    static Seconds wholeSeconds(double secondsSinceEpoch) {
        constexpr double kFirst = -62135596800.0;  // 0001/01/01 00:00:00
        constexpr double kLast = 253402300799.0;   // 9999/12/31 23:59:59
        double s = std::isnan(secondsSinceEpoch) ? 0.0 : std::floor(secondsSinceEpoch);
        s = s < kFirst ? kFirst : (s > kLast ? kLast : s);
        return Seconds(std::chrono::seconds(std::int64_t(s)));
    }
};

}  // namespace qel
