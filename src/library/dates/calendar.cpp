#include "library/dates/calendar.h"

#include <chrono>

namespace qel::calendar {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Days from 0001/01/01 to 1970/01/01.
const int64_t kEpochOffset = -daysFromCivil(1, 1, 1);

struct Era {
    TextView name;
    TextView initial;      // the one-letter form (R, H, S, T, M)
    int year, month, day;  // first day of the era
};
// Newest first: a date belongs to the first era that began on or before it.
constexpr Era kEras[] = {
    {u"令和", u"R", 2019, 5, 1},  {u"平成", u"H", 1989, 1, 8},  {u"昭和", u"S", 1926, 12, 25},
    {u"大正", u"T", 1912, 7, 30}, {u"明治", u"M", 1868, 1, 25},
};

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// A small reader over the half-width form of the text.
class Reader {
  public:
    explicit Reader(TextView text) : text_(text) {}
    bool atEnd() const { return pos_ >= text_.size(); }
    std::size_t pos() const { return pos_; }
    void reset(std::size_t pos) { pos_ = pos; }
    char16_t peek() const { return atEnd() ? 0 : text_[pos_]; }
    void skipBlanks() {
        while (!atEnd() && (text_[pos_] == u' ' || text_[pos_] == u'\u3000')) ++pos_;
    }
    bool accept(TextView word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }
    // Digits as a number; `count` gets how many were read (at most 9).
    std::optional<int> number(int* count = nullptr) {
        int n = 0, digits = 0;
        while (!atEnd() && isDigit(text_[pos_]) && digits < 9) {
            n = n * 10 + (text_[pos_] - u'0');
            ++digits;
            ++pos_;
        }
        if (count) *count = digits;
        if (digits == 0) return std::nullopt;
        return n;
    }

  private:
    TextView text_;
    std::size_t pos_ = 0;
};

int windowYear(int year, int digits) {
    if (digits > 2) return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

bool validDate(int y, int m, int d) {
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

// An era name followed by its year ("元" is the first year).
std::optional<int> readEraYear(Reader& r) {
    for (const Era& era : kEras) {
        if (!r.accept(era.name) && !r.accept(era.initial)) continue;
        int year = 0;
        if (r.accept(u"元")) {
            year = 1;
        } else if (auto n = r.number()) {
            year = *n;
        } else {
            return std::nullopt;
        }
        return era.year + year - 1;
    }
    return std::nullopt;
}

// The date part; leaves the reader after it. `today` supplies a missing year.
bool readDate(Reader& r, DateTime& out, const DateTime& today) {
    std::size_t start = r.pos();
    if (auto eraYear = readEraYear(r)) {
        int m = 0, d = 0;
        if (!r.accept(u"年")) return false;
        auto month = r.number();
        if (!month || !r.accept(u"月")) return false;
        m = *month;
        auto day = r.number();
        if (!day) return false;
        d = *day;
        r.accept(u"日");
        out.year = *eraYear, out.month = m, out.day = d;
        return validDate(out.year, m, d);
    }
    r.reset(start);
    int digits = 0;
    auto first = r.number(&digits);
    if (!first) return false;
    if (digits == 8 && (r.atEnd() || r.peek() == u' ' || r.peek() == u'T')) {
        out.year = *first / 10000, out.month = *first / 100 % 100, out.day = *first % 100;
        return validDate(out.year, out.month, out.day);
    }
    char16_t sep = r.peek();
    if (sep == u'年') {
        r.accept(u"年");
        auto month = r.number();
        if (!month || !r.accept(u"月")) return false;
        auto day = r.number();
        if (!day) return false;
        r.accept(u"日");
        out.year = windowYear(*first, digits), out.month = *month, out.day = *day;
        return validDate(out.year, out.month, out.day);
    }
    if (sep == u'月') {
        r.accept(u"月");
        auto day = r.number();
        if (!day) return false;
        r.accept(u"日");
        out.year = today.year, out.month = *first, out.day = *day;
        return validDate(out.year, out.month, out.day);
    }
    if (sep != u'/' && sep != u'-' && sep != u'.') return false;
    r.accept(TextView(&sep, 1));
    auto second = r.number();
    if (!second) return false;
    if (r.peek() == sep) {
        r.accept(TextView(&sep, 1));
        auto third = r.number();
        if (!third) return false;
        out.year = windowYear(*first, digits), out.month = *second, out.day = *third;
    } else {
        // Month and day of this year (12/8).
        if (digits > 2) return false;
        out.year = today.year, out.month = *first, out.day = *second;
    }
    return validDate(out.year, out.month, out.day);
}

bool readTime(Reader& r, DateTime& out) {
    int half = 0;  // 1 morning, 2 afternoon
    if (r.accept(u"午前"))
        half = 1;
    else if (r.accept(u"午後"))
        half = 2;
    r.skipBlanks();
    auto hour = r.number();
    if (!hour) return false;
    int minute = 0, second = 0;
    if (r.accept(u"時")) {
        if (auto m = r.number()) {
            if (!r.accept(u"分")) return false;
            minute = *m;
            if (auto s = r.number()) {
                if (!r.accept(u"秒")) return false;
                second = *s;
            }
        } else if (r.accept(u"半")) {
            minute = 30;
        }
    } else if (r.accept(u":")) {
        auto m = r.number();
        if (!m) return false;
        minute = *m;
        if (r.accept(u":")) {
            auto s = r.number();
            if (!s) return false;
            second = *s;
            if (r.accept(u".")) r.number();  // fractions of a second are dropped
        }
    } else {
        return false;
    }
    r.skipBlanks();
    if (half == 0) {
        if (r.accept(u"AM") || r.accept(u"am") || r.accept(u"午前"))
            half = 1;
        else if (r.accept(u"PM") || r.accept(u"pm") || r.accept(u"午後"))
            half = 2;
    }
    if (half != 0) {
        if (*hour < 0 || *hour > 12) return false;
        if (half == 1 && *hour == 12) *hour = 0;
        if (half == 2 && *hour < 12) *hour += 12;
    }
    if (*hour > 23 || minute > 59 || second > 59) return false;
    out.hour = *hour, out.minute = minute, out.second = second;
    return true;
}

Text twoDigits(int n) {
    Text out;
    out += char16_t(u'0' + n / 10 % 10);
    out += char16_t(u'0' + n % 10);
    return out;
}

Text fourDigits(int n) {
    return twoDigits(n / 100) + twoDigits(n % 100);
}

}  // namespace

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year)) return 29;
    return kDays[(month - 1) % 12];
}

// The well-known days-from-civil algorithm on 400-year eras.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

int64_t toSeconds(const DateTime& v) {
    int64_t days = daysFromCivil(v.year, v.month, v.day) + kEpochOffset;
    return days * kSecondsPerDay + v.hour * 3600 + v.minute * 60 + v.second;
}

std::optional<DateTime> fromSeconds(int64_t seconds, const DateTime& shape) {
    if (seconds < 0) return std::nullopt;
    DateTime out = shape;
    out.fraction = 0;
    int64_t days = seconds / kSecondsPerDay;
    int64_t rest = seconds % kSecondsPerDay;
    civilFromDays(days - kEpochOffset, out.year, out.month, out.day);
    if (out.year > 9999) return std::nullopt;
    out.hour = int(rest / 3600);
    out.minute = int(rest / 60 % 60);
    out.second = int(rest % 60);
    return out;
}

DateTime now(Clock& clock) {
    using namespace std::chrono;
    const Clock::TimePoint t = clock.now();
    const Clock::Seconds whole = floor<seconds>(t);
    const LocalTime local = clock.localTime(whole);
    DateTime out;
    out.year = local.year;
    out.month = local.month;
    out.day = local.day;
    out.hour = local.hour;
    out.minute = local.minute;
    out.second = local.second;
    out.fraction = double(duration_cast<microseconds>(t - whole).count()) / 1e6;
    out.hasTime = true;
    return out;
}

std::optional<DateTime> parse(TextView input, const DateTime& today) {
    Text half = text::toHalfWidth(text::trimBlanks(input));
    // toHalfWidth leaves kanji alone, so 年月日時分秒 and the era names stay.
    Reader r(half);
    DateTime out;
    out.hasDate = false;
    out.hasTime = false;
    std::size_t start = r.pos();
    if (readDate(r, out, today)) {
        out.hasDate = true;
        r.skipBlanks();
        if (r.accept(u"T")) r.skipBlanks();
        if (r.atEnd()) return out;
        if (!readTime(r, out)) return std::nullopt;
        out.hasTime = true;
    } else {
        r.reset(start);
        out = DateTime{};
        out.hasDate = false;
        if (!readTime(r, out)) return std::nullopt;
        out.hasTime = true;
    }
    r.skipBlanks();
    if (!r.atEnd()) return std::nullopt;
    return out;
}

int weekday(const DateTime& v) {
    // 1970/01/01 was a Thursday (5 when Sunday is 1).
    int64_t days = daysFromCivil(v.year, v.month, v.day);
    int64_t w = (days + 4) % 7;
    if (w < 0) w += 7;
    return int(w) + 1;
}

Text weekdayName(int w) {
    static constexpr TextView kNames[] = {u"日曜日", u"月曜日", u"火曜日", u"水曜日",
                                          u"木曜日", u"金曜日", u"土曜日"};
    return Text(kNames[(w - 1 + 7) % 7]);
}

bool eraOf(const DateTime& v, Text& era, int& eraYear) {
    for (const Era& e : kEras) {
        if (daysFromCivil(v.year, v.month, v.day) >= daysFromCivil(e.year, e.month, e.day)) {
            era = Text(e.name);
            eraYear = v.year - e.year + 1;
            return true;
        }
    }
    return false;
}

Text formatDate(const DateTime& v) {
    return fourDigits(v.year) + u"/" + twoDigits(v.month) + u"/" + twoDigits(v.day);
}

Text formatTime(const DateTime& v) {
    return twoDigits(v.hour) + u":" + twoDigits(v.minute) + u":" + twoDigits(v.second);
}

Text formatValue(const DateTime& v) {
    if (!v.hasDate) return formatTime(v);
    if (!v.hasTime) return formatDate(v);
    return formatDate(v) + u" " + formatTime(v);
}

std::optional<Unit> parseUnit(TextView input) {
    TextView t = text::trimBlanks(input);
    struct Name {
        TextView text;
        Unit unit;
    };
    static constexpr Name kNames[] = {
        {u"年", Unit::Year},    {u"ヶ月", Unit::Month}, {u"か月", Unit::Month},
        {u"カ月", Unit::Month}, {u"ケ月", Unit::Month}, {u"月", Unit::Month},
        {u"週", Unit::Week},    {u"週間", Unit::Week},  {u"日", Unit::Day},
        {u"時", Unit::Hour},    {u"時間", Unit::Hour},  {u"分", Unit::Minute},
        {u"秒", Unit::Second},
    };
    for (const Name& n : kNames) {
        if (t == n.text) return n.unit;
    }
    return std::nullopt;
}

namespace {

std::optional<DateTime> addMonths(const DateTime& v, int64_t months) {
    int64_t index = int64_t(v.year) * 12 + (v.month - 1) + months;
    if (index < 12 || index > 9999 * 12 + 11) return std::nullopt;
    DateTime out = v;
    out.year = int(index / 12);
    out.month = int(index % 12) + 1;
    out.day = std::min(v.day, daysInMonth(out.year, out.month));
    return out;
}

constexpr int64_t kMaxSeconds = int64_t(3652059) * kSecondsPerDay;  // 9999/12/31 + 1 day

}  // namespace

std::optional<DateTime> add(const DateTime& v, int64_t amount, Unit unit) {
    // Amounts beyond the whole calendar cannot land inside it.
    if (amount > kMaxSeconds || amount < -kMaxSeconds) return std::nullopt;
    switch (unit) {
        case Unit::Year:
            return addMonths(v, amount * 12);
        case Unit::Month:
            return addMonths(v, amount);
        default:
            break;
    }
    int64_t step = unit == Unit::Week     ? 7 * kSecondsPerDay
                   : unit == Unit::Day    ? kSecondsPerDay
                   : unit == Unit::Hour   ? 3600
                   : unit == Unit::Minute ? 60
                                          : 1;
    if (amount != 0 && (amount > kMaxSeconds / step || amount < -kMaxSeconds / step))
        return std::nullopt;
    int64_t seconds = toSeconds(v) + amount * step;
    if (seconds < 0 || seconds >= kMaxSeconds) return std::nullopt;
    return fromSeconds(seconds, v);
}

int64_t difference(const DateTime& from, const DateTime& to, Unit unit) {
    int64_t a = toSeconds(from), b = toSeconds(to);
    switch (unit) {
        case Unit::Year:
        case Unit::Month: {
            int64_t months =
                (int64_t(to.year) * 12 + to.month) - (int64_t(from.year) * 12 + from.month);
            // Step back while moving `from` by that many months passes `to`.
            for (;;) {
                auto moved = addMonths(from, months);
                if (!moved) break;
                int64_t m = toSeconds(*moved);
                if (months > 0 && m > b) {
                    --months;
                } else if (months < 0 && m < b) {
                    ++months;
                } else {
                    break;
                }
            }
            return unit == Unit::Year ? months / 12 : months;
        }
        case Unit::Week:
            return (b - a) / (7 * kSecondsPerDay);
        case Unit::Day:
            return (b - a) / kSecondsPerDay;
        case Unit::Hour:
            return (b - a) / 3600;
        case Unit::Minute:
            return (b - a) / 60;
        case Unit::Second:
            return b - a;
    }
    return 0;
}

}  // namespace qel::calendar
