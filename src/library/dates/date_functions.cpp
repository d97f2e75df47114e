// The date and time functions. Dates are written yyyy/mm/dd and times
// hh:nn:ss on the 24-hour clock; arguments may use any form calendar::parse
// reads.
#include <cmath>

#include "core/engine.h"
#include "library/dates/calendar.h"
#include "library/dates/dates.h"
#include "library/registry/function_support.h"
#include "text/number.h"

namespace qel {

namespace {

// The date argument, or now when it is empty; error 41 when it is no date.
std::optional<calendar::DateTime> dateArgument(Engine& engine, FnArgs& a, std::size_t i) {
    calendar::DateTime today = calendar::now(engine.clock());
    const Text& t = a.text(i);
    if (text::trimBlanks(t).empty()) return today;
    auto value = calendar::parse(t, today);
    if (!value) engine.Report(ErrorId::ValueNotRight, u"日付");
    return value;
}

std::optional<calendar::Unit> unitArgument(Engine& engine, FnArgs& a, std::size_t i) {
    auto unit = calendar::parseUnit(a.text(i));
    if (!unit) engine.Report(ErrorId::ValueNotRight, u"単位");
    return unit;
}

template <class Part>
void datePart(Text& result, Text& args, Engine& engine, Part part) {
    FnArgs a(engine, args, 1);
    if (auto v = dateArgument(engine, a, 0)) result = number::format(double(part(*v)));
}

}  // namespace

void fnNow(Text& result, Text&, Engine& engine) {
    calendar::DateTime now = calendar::now(engine.clock());
    result = calendar::formatDate(now) + u" " + calendar::formatTime(now);
}
void fnToday(Text& result, Text&, Engine& engine) {
    result = calendar::formatDate(calendar::now(engine.clock()));
}
void fnTimeNow(Text& result, Text&, Engine& engine) {
    result = calendar::formatTime(calendar::now(engine.clock()));
}

void fnTimer(Text& result, Text&, Engine& engine) {
    calendar::DateTime now = calendar::now(engine.clock());
    // Hundredths are what a stopwatch needs; more digits would only be noise.
    double seconds =
        now.hour * 3600 + now.minute * 60 + now.second + std::floor(now.fraction * 100) / 100;
    result = number::format(seconds);
}

void fnYear(Text& result, Text& args, Engine& engine) {
    datePart(result, args, engine, [](const calendar::DateTime& v) { return v.year; });
}
void fnMonth(Text& result, Text& args, Engine& engine) {
    datePart(result, args, engine, [](const calendar::DateTime& v) { return v.month; });
}
void fnDay(Text& result, Text& args, Engine& engine) {
    datePart(result, args, engine, [](const calendar::DateTime& v) { return v.day; });
}
void fnHour(Text& result, Text& args, Engine& engine) {
    datePart(result, args, engine, [](const calendar::DateTime& v) { return v.hour; });
}
void fnMinute(Text& result, Text& args, Engine& engine) {
    datePart(result, args, engine, [](const calendar::DateTime& v) { return v.minute; });
}
void fnSecond(Text& result, Text& args, Engine& engine) {
    datePart(result, args, engine, [](const calendar::DateTime& v) { return v.second; });
}
void fnWeekday(Text& result, Text& args, Engine& engine) {
    datePart(result, args, engine,
             [](const calendar::DateTime& v) { return calendar::weekday(v); });
}

void fnWeekdayName(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    if (auto v = dateArgument(engine, a, 0)) result = calendar::weekdayName(calendar::weekday(*v));
}

void fnDateAdd(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    auto v = dateArgument(engine, a, 0);
    if (!v) return;
    auto unit = unitArgument(engine, a, 2);
    if (!unit) return;
    double amount = a.number(1);
    if (!std::isfinite(amount) || std::fabs(amount) > 1e15) throw NumericOverflow{};
    calendar::DateTime start = *v;
    // Moving by hours, minutes or seconds gives a time even to a bare date.
    if (*unit == calendar::Unit::Hour || *unit == calendar::Unit::Minute ||
        *unit == calendar::Unit::Second) {
        start.hasTime = true;
    }
    // Fractions of a unit are rounded to the nearest whole unit.
    auto moved = calendar::add(start, std::llround(amount), *unit);
    if (!moved) {
        engine.Report(ErrorId::ValueNotRight, u"日付");
        return;
    }
    if (!moved->hasDate) {
        // A time alone stays a time while it stays on its own day.
        calendar::DateTime base = start;
        if (moved->year != base.year || moved->month != base.month || moved->day != base.day)
            moved->hasDate = true;
    }
    result = calendar::formatValue(*moved);
}

void fnDateDiff(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    auto from = dateArgument(engine, a, 0);
    if (!from) return;
    auto to = dateArgument(engine, a, 1);
    if (!to) return;
    auto unit = unitArgument(engine, a, 2);
    if (!unit) return;
    result = number::format(double(calendar::difference(*from, *to, *unit)));
}

void fnDateValue(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    auto v = calendar::parse(a.text(0), calendar::now(engine.clock()));
    if (!v || !v->hasDate) {
        engine.Report(ErrorId::ValueNotRight, u"日付");
        return;
    }
    result = calendar::formatDate(*v);
}

void fnTimeValue(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    auto v = calendar::parse(a.text(0), calendar::now(engine.clock()));
    if (!v) {
        engine.Report(ErrorId::ValueNotRight, u"時間");
        return;
    }
    result = calendar::formatTime(*v);
}

}  // namespace qel
