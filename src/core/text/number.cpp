#include "core/text/number.h"

#include <cmath>
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

std::optional<double> parse(TextView text) {
    TextView body = text::trimBlanks(text);
    if (body.empty()) return std::nullopt;
    if (body[0] == u'&') return parseRadix(body);
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
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    return text::fromAscii(buf);
}

}  // namespace qel::number
