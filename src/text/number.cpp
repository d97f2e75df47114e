#include "text/number.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qel::number {
namespace {

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Collects the ASCII form of the number part for strtod; returns false when
// the text is not a number.
std::optional<double> parseRadix(TextView body) {
    if (body.size() < 3 || body[0] != u'&') return std::nullopt;
    char16_t kind = text::upperAscii(body[1]);
    int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
    if (base == 0) return std::nullopt;
    double value = 0;
    for (std::size_t i = 2; i < body.size(); ++i) {
        char16_t c = text::upperAscii(body[i]);
        int d = isDigit(c) ? c - u'0' : (c >= u'A' && c <= u'F') ? c - u'A' + 10 : 99;
        if (d >= base) return std::nullopt;
        value = value * base + d;
    }
    return value;
}

}  // namespace

// Plain decimals of at most 15 digits (the usual case: counters, sums,
// prices) are read without strtod. With at most 15 digits the digits form an
// exact integer and the power of ten is exact, so one division gives the
// correctly rounded value, the same double strtod would give.
static std::optional<double> parseSimpleDecimal(TextView body) {
    std::size_t i = 0;
    bool negative = false;
    if (body[0] == u'+' || body[0] == u'-') {
        negative = body[0] == u'-';
        i = 1;
    }
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::int64_t mantissa = 0;
    int digits = 0;
    int fraction = -1;  // digits after the point; -1 before any point
    for (; i < body.size(); ++i) {
        char16_t c = body[i];
        if (isDigit(c)) {
            if (++digits > 15) return std::nullopt;
            mantissa = mantissa * 10 + (c - u'0');
            if (fraction >= 0) ++fraction;
        } else if (c == u'.' && fraction < 0) {
            fraction = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    double value = double(mantissa);
    if (fraction > 0) value /= kPowers[fraction];
    return negative ? -value : value;
}

std::optional<double> parse(TextView text) {
    TextView body = text::trimBlanks(text);
    if (body.empty()) return std::nullopt;
    if (body[0] == u'&') return parseRadix(body);
    if (auto simple = parseSimpleDecimal(body)) return simple;
    std::string ascii;
    ascii.reserve(body.size());
    std::size_t i = 0;
    if (body[i] == u'+' || body[i] == u'-') ascii += char(body[i++]);
    int digits = 0;
    bool point = false;
    for (; i < body.size(); ++i) {
        char16_t c = body[i];
        if (isDigit(c)) {
            ++digits;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        ascii += char(c);
    }
    if (digits == 0) return std::nullopt;
    if (i < body.size() &&
        (text::upperAscii(body[i]) == u'E' || text::upperAscii(body[i]) == u'D')) {
        ascii += 'E';
        ++i;
        if (i < body.size() && (body[i] == u'+' || body[i] == u'-')) ascii += char(body[i++]);
        int expDigits = 0;
        for (; i < body.size() && isDigit(body[i]); ++i, ++expDigits) ascii += char(body[i]);
        if (expDigits == 0) return std::nullopt;
    }
    if (i != body.size()) return std::nullopt;
    return std::strtod(ascii.c_str(), nullptr);
}

double leadingNumber(TextView text) {
    TextView body = text::trimBlanksLeft(text);
    std::string ascii;
    std::size_t i = 0;
    if (i < body.size() && (body[i] == u'+' || body[i] == u'-')) ascii += char(body[i++]);
    bool point = false;
    int digits = 0;
    for (; i < body.size(); ++i) {
        char16_t c = body[i];
        if (isDigit(c)) {
            ++digits;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        ascii += char(c);
    }
    if (digits == 0) return 0;
    if (i + 1 < body.size() &&
        (text::upperAscii(body[i]) == u'E' || text::upperAscii(body[i]) == u'D')) {
        std::size_t j = i + 1;
        std::string exp = "E";
        if (j < body.size() && (body[j] == u'+' || body[j] == u'-')) exp += char(body[j++]);
        if (j < body.size() && isDigit(body[j])) {
            for (; j < body.size() && isDigit(body[j]); ++j) exp += char(body[j]);
            ascii += exp;
        }
    }
    double v = std::strtod(ascii.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

double toNumber(TextView text) {
    if (auto v = parse(text)) return *v;
    return leadingNumber(text::toHalfWidth(text));
}

Text format(double value) {
    if (!std::isfinite(value) || value == 0) return u"0";
    // Whole numbers below 1E+15 print all their digits: no need for printf.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        char16_t buf[24];
        char16_t* end = buf + 24;
        char16_t* p = end;
        std::int64_t n = static_cast<std::int64_t>(std::fabs(value));
        do {
            *--p = char16_t(u'0' + n % 10);
            n /= 10;
        } while (n != 0);
        if (value < 0) *--p = u'-';
        return Text(p, end);
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    return text::fromAscii(buf);
}

}  // namespace qel::number
