#include "library/strings/format_pattern.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "text/number.h"

namespace qel::formatting {

namespace {

// ---- patterns as tokens ---------------------------------------------------------------

// Splits at ";" outside quotes and escapes.
std::vector<Text> splitSections(TextView pattern) {
    std::vector<Text> sections(1);
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char16_t c = pattern[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (c == u'\\' && !quoted && i + 1 < pattern.size()) {
            sections.back() += c;
            c = pattern[++i];
        } else if (c == u';' && !quoted) {
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

// Whether a character occurs outside quotes and escapes.
bool hasUnquoted(TextView pattern, TextView chars) {
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char16_t c = pattern[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'\\') {
            ++i;
        } else if (chars.find(c) != TextView::npos) {
            return true;
        }
    }
    return false;
}

bool isDatePattern(TextView pattern) {
    return hasUnquoted(pattern, u"yYmMdDhHnNsSwWqQgGeEcCaAtT");
}
bool isNumericPattern(TextView pattern) {
    return hasUnquoted(pattern, u"0#");
}
bool isTextPattern(TextView pattern) {
    return hasUnquoted(pattern, u"@&");
}

struct NumberToken {
    enum Kind { Zero, Hash, Point, Comma, Percent, Exp, Literal } kind;
    Text text;  // literal text, or "E+" / "E-" / "e+" / "e-"
};

std::vector<NumberToken> tokenizeNumber(TextView section) {
    std::vector<NumberToken> tokens;
    bool point = false;
    auto literal = [&](TextView t) {
        if (!tokens.empty() && tokens.back().kind == NumberToken::Literal) {
            tokens.back().text += t;
        } else {
            tokens.push_back({NumberToken::Literal, Text(t)});
        }
    };
    for (std::size_t i = 0; i < section.size(); ++i) {
        char16_t c = section[i];
        if (c == u'"') {
            std::size_t end = section.find(u'"', i + 1);
            if (end == TextView::npos) end = section.size();
            literal(section.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == u'\\') {
            if (i + 1 < section.size()) literal(section.substr(++i, 1));
        } else if (c == u'0') {
            tokens.push_back({NumberToken::Zero, {}});
        } else if (c == u'#') {
            tokens.push_back({NumberToken::Hash, {}});
        } else if (c == u'.' && !point) {
            point = true;
            tokens.push_back({NumberToken::Point, {}});
        } else if (c == u',') {
            tokens.push_back({NumberToken::Comma, {}});
        } else if (c == u'%') {
            tokens.push_back({NumberToken::Percent, {}});
        } else if ((c == u'E' || c == u'e') && i + 1 < section.size() &&
                   (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            tokens.push_back({NumberToken::Exp, Text(section.substr(i, 2))});
            ++i;
        } else {
            literal(TextView(&section[i], 1));
        }
    }
    return tokens;
}

bool isDigitToken(const NumberToken& t) {
    return t.kind == NumberToken::Zero || t.kind == NumberToken::Hash;
}

Text renderNumber(double value, const std::vector<NumberToken>& all, bool& allZero) {
    // Parts: integer placeholders up to the point (or the exponent), the
    // fraction after the point, the exponent digits after E.
    std::size_t pointAt = all.size(), expAt = all.size();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].kind == NumberToken::Point && pointAt == all.size() && expAt == all.size())
            pointAt = i;
        if (all[i].kind == NumberToken::Exp && expAt == all.size()) expAt = i;
    }
    std::size_t intEnd = std::min(pointAt, expAt);

    // Commas: between digit placeholders they group thousands; after the
    // last integer placeholder each one divides by a thousand.
    bool grouping = false;
    int scaling = 0;
    bool seenDigit = false;
    for (std::size_t i = 0; i < intEnd; ++i) {
        if (isDigitToken(all[i])) seenDigit = true;
        if (all[i].kind != NumberToken::Comma) continue;
        bool digitAfter = false;
        for (std::size_t j = i + 1; j < intEnd; ++j)
            digitAfter = digitAfter || isDigitToken(all[j]);
        if (digitAfter && seenDigit) {
            grouping = true;
        } else if (!digitAfter && seenDigit) {
            ++scaling;
        }
    }
    for (const auto& t : all) {
        if (t.kind == NumberToken::Percent) value *= 100;
    }
    for (int i = 0; i < scaling; ++i) value /= 1000;

    int decimals = 0;
    for (std::size_t i = pointAt; i < expAt; ++i) decimals += isDigitToken(all[i]) ? 1 : 0;
    int intPlaces = 0;
    for (std::size_t i = 0; i < intEnd; ++i) intPlaces += isDigitToken(all[i]) ? 1 : 0;

    int exponent = 0;
    if (expAt < all.size() && value != 0) {
        int lead = std::max(intPlaces, 1);
        exponent = int(std::floor(std::log10(std::fabs(value)))) - (lead - 1);
        double mantissa = value / std::pow(10.0, exponent);
        Text i, f;
        decimalDigits(mantissa, decimals, i, f);
        if (int(i.size()) > lead) {  // rounding carried into a new digit
            ++exponent;
        }
        value = value / std::pow(10.0, exponent);
    }

    Text intDigits, fracDigits;
    decimalDigits(value, decimals, intDigits, fracDigits);
    allZero = intDigits.empty() && fracDigits.find_first_not_of(u'0') == Text::npos;

    // Integer part, right to left: each placeholder takes one digit, the
    // leftmost takes all that remain; literals stay where they are written.
    Text reversed;
    int remaining = int(intDigits.size());
    int placed = 0;
    int seenPlaces = 0;
    auto emitDigit = [&](char16_t d) {
        if (grouping && placed > 0 && placed % 3 == 0) reversed += u',';
        reversed += d;
        ++placed;
    };
    bool virtualPlace = intPlaces == 0;  // "．00" still shows the integer digits
    if (virtualPlace) {
        while (remaining > 0) emitDigit(intDigits[--remaining]);
    }
    for (std::size_t k = intEnd; k-- > 0;) {
        const NumberToken& t = all[k];
        if (isDigitToken(t)) {
            ++seenPlaces;
            if (seenPlaces == intPlaces) {
                if (remaining == 0 && t.kind == NumberToken::Zero) emitDigit(u'0');
                while (remaining > 0) emitDigit(intDigits[--remaining]);
            } else if (remaining > 0) {
                emitDigit(intDigits[--remaining]);
            } else if (t.kind == NumberToken::Zero) {
                emitDigit(u'0');
            }
        } else if (t.kind == NumberToken::Literal) {
            reversed.append(t.text.rbegin(), t.text.rend());
        } else if (t.kind == NumberToken::Percent) {
            reversed += u'%';
        }
    }
    Text out(reversed.rbegin(), reversed.rend());

    // Fraction: "0" always shows its digit, "#" drops trailing zeros.
    int lastKept = -1;
    {
        int j = 0;
        for (std::size_t k = pointAt; k < expAt; ++k) {
            if (!isDigitToken(all[k])) continue;
            if (all[k].kind == NumberToken::Zero || fracDigits[j] != u'0') lastKept = j;
            ++j;
        }
    }
    int j = 0;
    for (std::size_t k = pointAt; k < expAt; ++k) {
        const NumberToken& t = all[k];
        if (t.kind == NumberToken::Point) {
            out += u'.';
        } else if (isDigitToken(t)) {
            if (j <= lastKept) out += fracDigits[j];
            ++j;
        } else if (t.kind == NumberToken::Literal) {
            out += t.text;
        } else if (t.kind == NumberToken::Percent) {
            out += u'%';
        } else if (t.kind == NumberToken::Comma) {
            out += u',';
        }
    }

    if (expAt < all.size()) {
        const Text& mark = all[expAt].text;
        out += mark[0];
        if (exponent < 0) {
            out += u'-';
        } else if (mark[1] == u'+') {
            out += u'+';
        }
        int places = 0;
        for (std::size_t k = expAt + 1; k < all.size(); ++k)
            places += all[k].kind == NumberToken::Zero ? 1 : 0;
        Text digits = number::format(std::abs(exponent));
        while (int(digits.size()) < places) digits.insert(digits.begin(), u'0');
        out += digits;
        for (std::size_t k = expAt + 1; k < all.size(); ++k) {
            if (all[k].kind == NumberToken::Literal) out += all[k].text;
            if (all[k].kind == NumberToken::Percent) out += u'%';
        }
    }
    return out;
}

// ---- dates -------------------------------------------------------------------------------

Text padded(int value, int width) {
    Text digits = number::format(value);
    while (int(digits.size()) < width) digits.insert(digits.begin(), u'0');
    return digits;
}

struct DateToken {
    enum Kind { Literal, Field } kind;
    Text text;  // the literal, or the field code as written
};

std::vector<DateToken> tokenizeDate(TextView p) {
    std::vector<DateToken> tokens;
    auto literal = [&](TextView t) {
        if (!tokens.empty() && tokens.back().kind == DateToken::Literal) {
            tokens.back().text += t;
        } else {
            tokens.push_back({DateToken::Literal, Text(t)});
        }
    };
    static constexpr TextView kFixed[] = {u"AM/PM", u"am/pm", u"AMPM", u"ampm", u"A/P", u"a/p"};
    for (std::size_t i = 0; i < p.size();) {
        char16_t c = p[i];
        if (c == u'"') {
            std::size_t end = p.find(u'"', i + 1);
            if (end == TextView::npos) end = p.size();
            literal(p.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < p.size()) literal(p.substr(i + 1, 1));
            i += 2;
            continue;
        }
        bool fixed = false;
        for (TextView f : kFixed) {
            if (p.substr(i, f.size()) == f) {
                tokens.push_back({DateToken::Field, Text(f)});
                i += f.size();
                fixed = true;
                break;
            }
        }
        if (fixed) continue;
        char16_t lower = text::foldAscii(c);
        if (TextView(u"ymdhnswqgec").find(lower) != TextView::npos ||
            (lower == u'a' && p.substr(i, 3) == u"aaa") ||
            (lower == u't' && p.substr(i, 5) == u"ttttt")) {
            std::size_t run = i;
            while (run < p.size() && p[run] == c) ++run;
            tokens.push_back({DateToken::Field, Text(run - i, lower)});
            i = run;
            continue;
        }
        literal(p.substr(i, 1));
        ++i;
    }
    // "m" right after an hour, or right before a second, means minutes.
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        DateToken& t = tokens[k];
        if (t.kind != DateToken::Field || t.text[0] != u'm' || t.text.size() > 2) continue;
        bool minute = false;
        for (std::size_t b = k; b-- > 0;) {
            if (tokens[b].kind != DateToken::Field) continue;
            minute = tokens[b].text[0] == u'h';
            break;
        }
        for (std::size_t a = k + 1; !minute && a < tokens.size(); ++a) {
            if (tokens[a].kind != DateToken::Field) continue;
            minute = tokens[a].text[0] == u's';
            break;
        }
        if (minute) t.text = Text(t.text.size(), u'n');
    }
    return tokens;
}

}  // namespace

void decimalDigits(double value, int decimals, Text& integerDigits, Text& fractionDigits) {
    integerDigits.clear();
    fractionDigits.assign(std::size_t(std::max(decimals, 0)), u'0');
    double a = std::fabs(value);
    if (a == 0 || !std::isfinite(a)) return;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.14e", a);
    std::string digits;
    digits += buf[0];
    const char* p = buf + 2;
    while (*p >= '0' && *p <= '9') digits += *p++;
    int exponent = std::atoi(p + 1);
    int point = exponent + 1;  // digits before the decimal point
    int keep = point + decimals;
    if (keep < 0) return;
    if (keep < int(digits.size())) {
        bool up = digits[std::size_t(keep)] >= '5';
        digits.resize(std::size_t(keep));
        if (up) {
            int k = keep - 1;
            while (k >= 0 && digits[std::size_t(k)] == '9') digits[std::size_t(k--)] = '0';
            if (k >= 0) {
                ++digits[std::size_t(k)];
            } else {
                digits.insert(digits.begin(), '1');
                ++point;
            }
        }
    }
    // Integer digits.
    for (int i = 0; i < point; ++i) {
        char d = i < int(digits.size()) ? digits[std::size_t(i)] : '0';
        if (integerDigits.empty() && d == '0') continue;
        integerDigits += char16_t(d);
    }
    for (int j = 0; j < decimals; ++j) {
        int i = point + j;
        char d = (i >= 0 && i < int(digits.size())) ? digits[std::size_t(i)] : '0';
        fractionDigits[std::size_t(j)] = char16_t(d);
    }
}

Text formatNumber(double value, TextView pattern) {
    std::vector<Text> sections = splitSections(pattern);
    std::size_t chosen = 0;
    bool autoSign = true;
    if (value < 0 && sections.size() >= 2 && !sections[1].empty()) {
        chosen = 1;
        autoSign = false;
    } else if (value == 0 && sections.size() >= 3 && !sections[2].empty()) {
        chosen = 2;
    }
    bool allZero = false;
    Text body = renderNumber(autoSign ? value : std::fabs(value), tokenizeNumber(sections[chosen]),
                             allZero);
    if (autoSign && value < 0 && !allZero) body.insert(body.begin(), u'-');
    return body;
}

Text formatDateTime(const calendar::DateTime& v, TextView pattern) {
    std::vector<DateToken> tokens = tokenizeDate(pattern);
    bool twelve = false;
    for (const auto& t : tokens) {
        if (t.kind == DateToken::Field &&
            (t.text.find(u'/') != Text::npos || t.text == u"AMPM" || t.text == u"ampm")) {
            twelve = true;
        }
    }
    int hour = twelve ? (v.hour % 12 == 0 ? 12 : v.hour % 12) : v.hour;
    bool morning = v.hour < 12;
    Text era;
    int eraYear = 0;
    bool hasEra = calendar::eraOf(v, era, eraYear);
    Text out;
    for (const auto& t : tokens) {
        if (t.kind == DateToken::Literal) {
            out += t.text;
            continue;
        }
        const Text& f = t.text;
        std::size_t n = f.size();
        switch (f[0]) {
            case u'y':
                if (n >= 3)
                    out += padded(v.year, 4);
                else if (n == 2)
                    out += padded(v.year % 100, 2);
                else
                    out += number::format(double(calendar::daysFromCivil(v.year, v.month, v.day) -
                                                 calendar::daysFromCivil(v.year, 1, 1) + 1));
                break;
            case u'm':
                if (n >= 4)
                    out += number::format(v.month) + u"月";
                else
                    out += padded(v.month, n == 1 || n == 3 ? 1 : 2);
                break;
            case u'd':
                if (n >= 6)
                    out += number::format(v.year) + u"年" + number::format(v.month) + u"月" +
                           number::format(v.day) + u"日";
                else if (n == 5)
                    out += calendar::formatDate(v);
                else if (n == 4)
                    out += calendar::weekdayName(calendar::weekday(v));
                else if (n == 3)
                    out += calendar::weekdayName(calendar::weekday(v)).substr(0, 1);
                else
                    out += padded(v.day, int(n));
                break;
            case u'a':
                if (f == u"aaa")
                    out += calendar::weekdayName(calendar::weekday(v)).substr(0, 1);
                else if (f[0] == u'a' && n >= 4 && f.find(u'/') == Text::npos && f != u"ampm")
                    out += calendar::weekdayName(calendar::weekday(v));
                else if (f == u"am/pm")
                    out += morning ? u"am" : u"pm";
                else if (f == u"a/p")
                    out += morning ? u"a" : u"p";
                else if (f == u"ampm")
                    out += morning ? u"午前" : u"午後";
                break;
            case u'A':
                if (f == u"AM/PM")
                    out += morning ? u"AM" : u"PM";
                else if (f == u"A/P")
                    out += morning ? u"A" : u"P";
                else
                    out += morning ? u"午前" : u"午後";
                break;
            case u'h':
                out += padded(hour, n >= 2 ? 2 : 1);
                break;
            case u'n':
                out += padded(v.minute, n >= 2 ? 2 : 1);
                break;
            case u's':
                out += padded(v.second, n >= 2 ? 2 : 1);
                break;
            case u't':
                out += calendar::formatTime(v);
                break;
            case u'w':
                if (n >= 2) {
                    // Weeks start on Sunday; the week holding January 1 is week 1.
                    int64_t jan1 = calendar::daysFromCivil(v.year, 1, 1);
                    calendar::DateTime first{v.year, 1, 1};
                    int64_t offset = calendar::weekday(first) - 1;
                    int64_t doy = calendar::daysFromCivil(v.year, v.month, v.day) - jan1;
                    out += number::format(double((doy + offset) / 7 + 1));
                } else {
                    out += number::format(calendar::weekday(v));
                }
                break;
            case u'q':
                out += number::format((v.month - 1) / 3 + 1);
                break;
            case u'g':
                if (!hasEra) break;
                if (n >= 3)
                    out += era;
                else if (n == 2)
                    out += era.substr(0, 1);
                else {
                    static constexpr TextView kInitials[] = {u"R", u"H", u"S", u"T", u"M"};
                    static constexpr TextView kNames[] = {u"令和", u"平成", u"昭和", u"大正",
                                                          u"明治"};
                    for (int i = 0; i < 5; ++i) {
                        if (era == kNames[i]) out += kInitials[i];
                    }
                }
                break;
            case u'e':
                if (hasEra) out += padded(eraYear, n >= 2 ? 2 : 1);
                break;
            case u'c':
                out += calendar::formatValue(v);
                break;
            default:
                out += f;
                break;
        }
    }
    return out;
}

namespace {

// Text placeholders: "@" a character or a blank, "&" a character or
// nothing; filled from the right unless the pattern starts with "!".
// "<" and ">" make the text lower or upper case.
Text formatText(TextView value, TextView pattern) {
    Text v(value);
    Text p;
    bool fromLeft = false;
    for (char16_t c : pattern) {
        if (c == u'<')
            v = text::toLowerAscii(v);
        else if (c == u'>')
            v = text::toUpperAscii(v);
        else if (c == u'!')
            fromLeft = true;
        else
            p += c;
    }
    std::size_t places = 0;
    for (char16_t c : p) places += (c == u'@' || c == u'&') ? 1 : 0;
    if (places == 0) return v;
    Text out;
    if (fromLeft) {
        std::size_t next = 0;
        for (char16_t c : p) {
            if (c == u'@' || c == u'&') {
                if (next < v.size())
                    out += v[next++];
                else if (c == u'@')
                    out += u' ';
            } else {
                out += c;
            }
        }
        return out;
    }
    // From the right: the leftmost placeholder takes what remains.
    Text reversed;
    std::size_t remaining = v.size();
    std::size_t seen = 0;
    for (std::size_t k = p.size(); k-- > 0;) {
        char16_t c = p[k];
        if (c != u'@' && c != u'&') {
            reversed += c;
            continue;
        }
        ++seen;
        if (seen == places) {
            if (remaining == 0 && c == u'@') reversed += u' ';
            while (remaining > 0) reversed += v[--remaining];
        } else if (remaining > 0) {
            reversed += v[--remaining];
        } else if (c == u'@') {
            reversed += u' ';
        }
    }
    return Text(reversed.rbegin(), reversed.rend());
}

// A day count from 1899/12/30 with the time of day as its fraction.
std::optional<calendar::DateTime> fromSerial(double serial) {
    if (!std::isfinite(serial) || std::fabs(serial) > 3e6) return std::nullopt;
    double whole = std::trunc(serial);
    double fraction = std::fabs(serial - whole);
    int64_t seconds = std::llround(fraction * 86400.0);
    calendar::DateTime base;  // 1899/12/30
    base.hasTime = true;
    auto moved = calendar::add(base, int64_t(whole), calendar::Unit::Day);
    if (!moved) return std::nullopt;
    return calendar::add(*moved, seconds, calendar::Unit::Second);
}

struct NamedFormat {
    TextView name;
    TextView pattern;
};
constexpr NamedFormat kNamedFormats[] = {
    {u"General Number", u""},
    {u"Currency", u"￥#,##0;-￥#,##0"},
    {u"Fixed", u"0.00"},
    {u"Standard", u"#,##0.00"},
    {u"Percent", u"0.00%"},
    {u"Scientific", u"0.00E+00"},
    {u"Short Date", u"yyyy/mm/dd"},
    {u"Long Date", u"yyyy\"年\"m\"月\"d\"日\""},
    {u"Medium Date", u"yy/mm/dd"},
    {u"Short Time", u"hh:nn"},
    {u"Medium Time", u"AMPM hh:nn"},
    {u"Long Time", u"hh:nn:ss"},
    {u"General Date", u"c"},
};

}  // namespace

Text formatValue(TextView value, TextView pattern, const calendar::DateTime& today) {
    TextView p = pattern;
    if (p.empty()) return Text(value);
    for (const NamedFormat& f : kNamedFormats) {
        if (text::equalsFolded(p, f.name)) {
            if (f.pattern.empty()) return Text(value);
            p = f.pattern;
            break;
        }
    }
    struct TwoWay {
        TextView name, yes, no;
    };
    static constexpr TwoWay kTwoWay[] = {
        {u"Yes/No", u"Yes", u"No"}, {u"True/False", u"True", u"False"}, {u"On/Off", u"On", u"Off"}};
    for (const TwoWay& w : kTwoWay) {
        if (text::equalsFolded(p, w.name)) {
            auto n = number::parse(value);
            if (!n) return Text(value);
            return Text(*n != 0 ? w.yes : w.no);
        }
    }
    auto n = number::parse(value);
    if (n) {
        if (isNumericPattern(p)) return formatNumber(*n, p);
        if (isDatePattern(p)) {
            if (auto date = fromSerial(*n)) return formatDateTime(*date, p);
            return Text(value);
        }
        if (isTextPattern(p)) return formatText(value, p);
        return formatNumber(*n, p);
    }
    if (isDatePattern(p) && !isNumericPattern(p)) {
        if (auto date = calendar::parse(value, today)) return formatDateTime(*date, p);
    }
    if (isTextPattern(p)) return formatText(value, p);
    return Text(value);
}

}  // namespace qel::formatting
